#!/usr/bin/env bash
# Size of the tests against the size of the product, in lines that are
# neither blank nor comments, over the files git tracks.
#   tests:   tests/ (unit, device, server, scenario scripts and transcripts,
#            browser and installer tests, support) and the fuzz harnesses
#   product: every other source, script, build and web file; bench/, data/,
#            documentation and binary files aside
# The last line is the summary: "tests T lines, product P lines, ratio R".
#   scripts/test-ratio.sh [-v]     -v: one line per file as well
set -euo pipefail
cd "$(dirname "$0")/.."

verbose=0
[ "${1:-}" = "-v" ] && verbose=1

# Comment syntax by file kind: c (// and /* */), sh (#), sql (--), html (<!-- -->), none.
kind_of() {
    case "$1" in
        *.cpp | *.h | *.c | *.js | *.mjs | *.css) echo c ;;
        *.html) echo html ;;
        *.sql) echo sql ;;
        *.expected | *.json | *.txt.in) echo none ;;
        *.script) echo script ;;
        *) echo sh ;;  # shell, CMake, awk, service units, stand-in tools
    esac
}

# Prints the number of counted lines of one file.
count_file() {
    awk -v kind="$(kind_of "$1")" '
        /^[ \t]*$/ { next }
        kind == "c" {
            line = $0
            if (inblock) { if (line ~ /\*\//) { inblock = 0; sub(/.*\*\//, "", line) } else next }
            if (line ~ /^[ \t]*\/\//) next
            if (line ~ /^[ \t]*\/\*/) { if (line !~ /\*\//) { inblock = 1; next } rest = line; sub(/.*\*\//, "", rest); if (rest ~ /^[ \t]*$/) next }
            if (line ~ /^[ \t]*$/) next
        }
        kind == "html" {
            if (inblock) { if ($0 ~ /-->/) inblock = 0; next }
            if ($0 ~ /^[ \t]*<!--/) { if ($0 !~ /-->/) inblock = 1; next }
        }
        kind == "sql" && /^[ \t]*--/ { next }
        kind == "sh" && /^[ \t]*#/ { next }
        # A scenario header line ("# server: demo") is an instruction, not a comment.
        kind == "script" && /^[ \t]*#/ && !/^# [a-z-]+: / { next }
        { n++ }
        END { print n + 0 }' "$1"
}

is_test() {
    case "$1" in
        tests/* | fuzz/*.cpp | fuzz/*.h | fuzz/CMakeLists.txt) return 0 ;;
        *) return 1 ;;
    esac
}

is_product() {
    case "$1" in
        tests/* | fuzz/* | bench/* | data/* | .ci/* | .* | */.gitignore) return 1 ;;
        *.md | *.WAV | *.wav | *.png | LICENSE) return 1 ;;
        *) return 0 ;;
    esac
}

tests=0
product=0
while IFS= read -r file; do
    [ -f "$file" ] || continue
    grep -Iq . "$file" 2>/dev/null || continue  # binary or empty
    if is_test "$file"; then
        n=$(count_file "$file")
        tests=$((tests + n))
        [ $verbose = 1 ] && printf 'test     %6d  %s\n' "$n" "$file"
    elif is_product "$file"; then
        n=$(count_file "$file")
        product=$((product + n))
        [ $verbose = 1 ] && printf 'product  %6d  %s\n' "$n" "$file"
    fi
done < <(git ls-files)

awk -v t="$tests" -v p="$product" \
    'BEGIN { printf "tests %d lines, product %d lines, ratio %.2f\n", t, p, (p ? t / p : 0) }'
