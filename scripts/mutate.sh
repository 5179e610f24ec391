#!/usr/bin/env bash
# Plants faults in the product code one at a time and runs the test suite
# against each: a fault the suite notices is "killed", one it lets through
# "survived". Shows what the tests are worth; it runs on demand, not in CI.
#
#   scripts/mutate.sh [-b BUILD_DIR] [-l LIST] [-o REPORT] [-t "CTEST ARGS"] [ID ...]
#
# LIST (default scripts/mutants.txt) holds one block per fault:
#   M01 drivers/soft_i2c.cpp | what the fault is
#   - text as it stands in the file (must occur exactly once)
#   + the text that replaces it
# Lines starting with '#' and blank lines separate blocks. With IDs, only
# those faults are planted. Each fault is built incrementally in BUILD_DIR
# (default build-mutate, configured on first use) and the suite runs without
# the fuzzing run and the real-time runs of the Raspberry Pi program (or with
# the test selection CTEST ARGS, e.g. "-L unit"); the first failing test ends
# a run. The source file is put
# back after each fault, whatever happens. REPORT (default
# BUILD_DIR/mutants.tsv) gets one line per fault: id, file, verdict, first
# failing test, description.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)

build=$src/build-mutate
list=$src/scripts/mutants.txt
report=""
selection=(-LE "fuzz|pi-board")
while getopts "b:l:o:t:" opt; do
    case $opt in
        b) build=$(realpath -m "$OPTARG") ;;
        l) list=$(realpath "$OPTARG") ;;
        o) report=$(realpath -m "$OPTARG") ;;
        t) read -r -a selection <<<"$OPTARG" ;;
        *) sed -n '2,20p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
report=${report:-$build/mutants.tsv}
wanted=" $* "

jobs=${JOBS:-$(nproc)}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DKALVENTRIX_BENCH=OFF >/dev/null
fi
echo "== Building the unchanged tree"
ninja -C "$build" -j "$jobs" >/dev/null

backup=""
target=""
restore() {
    if [ -n "$backup" ]; then
        cp -p "$backup" "$target"
        touch "$target"
        rm -f "$backup"
        backup=""
    fi
}
trap restore EXIT INT TERM

# Replaces the one occurrence of $2 in file $1 by $3; fails when $2 occurs
# zero or several times.
plant() {
    FROM=$2 TO=$3 perl -0777 -i -pe '
        my $n = () = /\Q$ENV{FROM}\E/g;
        die "occurs $n times\n" if $n != 1;
        s/\Q$ENV{FROM}\E/$ENV{TO}/;
    ' "$1"
}

: >"$report"
killed=0 survived=0 broken=0
run_one() {
    local id=$1 file=$2 desc=$3 from=$4 to=$5
    case "$wanted" in "  ") ;; *" $id "*) ;; *) return 0 ;; esac
    target=$src/$file
    backup=$(mktemp)
    cp -p "$target" "$backup"
    local verdict first=""
    if ! plant "$target" "$from" "$to" 2>"$build/plant.err"; then
        verdict="not-planted"
        first=$(tr -d '\n' <"$build/plant.err")
        broken=$((broken + 1))
    elif ! ninja -C "$build" -j "$jobs" >"$build/mutant-build.log" 2>&1; then
        verdict="no-build"
        broken=$((broken + 1))
    elif ctest --test-dir "$build" -j "$jobs" "${selection[@]}" --stop-on-failure --timeout 300 \
            >"$build/mutant-test.log" 2>&1; then
        verdict="survived"
        survived=$((survived + 1))
    else
        verdict="killed"
        first=$(grep -m1 -E '\*\*\*(Failed|Timeout|Exception)|\(Failed\)|\(Timeout\)' \
                    "$build/mutant-test.log" | sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: //; s/ \.+.*//')
        killed=$((killed + 1))
    fi
    restore
    printf '%s\t%s\t%s\t%s\t%s\n' "$id" "$file" "$verdict" "$first" "$desc" >>"$report"
    printf '%-5s %-12s %-40s %s\n' "$id" "$verdict" "$file" "$desc"
}

id="" file="" desc="" from="" to=""
flush() {
    if [ -n "$id" ]; then
        run_one "$id" "$file" "$desc" "$from" "$to"
    fi
    id="" file="" desc="" from="" to=""
}
while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in
        "" | "#"*) flush ;;
        "- "*) from=${line#- } ;;
        "+ "*) to=${line#+ } ;;
        "+") to="" ;;
        *)
            flush
            id=${line%% *}
            rest=${line#* }
            file=${rest%% |*}
            desc=${rest#*| }
            ;;
    esac
done <"$list"
flush

# Put the build back in step with the unchanged tree.
ninja -C "$build" -j "$jobs" >/dev/null
echo "killed $killed, survived $survived, not run $broken (report: $report)"
