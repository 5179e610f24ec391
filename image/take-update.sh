#!/bin/sh
# Takes a program file that the terminal downloaded into use, before it starts:
#   take-update NEW INSTALLED
# NEW replaces INSTALLED only when it is a program for this processor (same ELF
# class and machine as the system's own /bin/sh, and whole); the replaced one is kept as
# INSTALLED.previous. Anything else is set aside as NEW.rejected, so that a bad
# download neither stops the terminal nor is looked at again at every start.
# Always ends with status 0: the terminal must start whatever happens here.
set -u
new=$1
installed=$2
reference=${KV_REFERENCE_PROGRAM:-/bin/sh}

header() {
    # ELF magic, class, byte order, then the machine field.
    printf '%s %s' "$(od -An -tx1 -N6 "$1" 2>/dev/null | tr -d ' \n')" \
                   "$(od -An -tx1 -j18 -N2 "$1" 2>/dev/null | tr -d ' \n')"
}

runs_here() {
    case $(header "$1") in
        7f454c46*) [ "$(header "$1")" = "$(header "$reference")" ] && is_complete "$1" ;;
        *) false ;;
    esac
}

number() {  # number FILE OFFSET SIZE: unsigned little-endian field of the file
    value=$(od -An -tu"$3" -j"$2" -N"$3" "$1" 2>/dev/null | tr -d ' ')
    echo "${value:-0}"
}

# The section header table ends the file: a cut download lacks it.
is_complete() {
    case $(od -An -tx1 -j4 -N1 "$1" | tr -d ' ') in
        02) end=$(( $(number "$1" 40 8) + $(number "$1" 58 2) * $(number "$1" 60 2) )) ;;
        01) end=$(( $(number "$1" 32 4) + $(number "$1" 46 2) * $(number "$1" 48 2) )) ;;
        *) return 1 ;;
    esac
    [ "$end" -gt 0 ] && [ "$end" -le "$(stat -c %s "$1")" ]
}

[ -e "$new" ] || exit 0
if [ -s "$new" ] && runs_here "$new"; then
    if install -m 0755 "$new" "$installed.new"; then
        [ -e "$installed" ] && cp -p "$installed" "$installed.previous"
        mv -f "$installed.new" "$installed" && rm -f "$new"
        echo "take-update: $new installed as $installed"
    fi
else
    mv -f "$new" "$new.rejected"
    echo "take-update: $new is not a program for this processor, kept as $new.rejected" >&2
fi
exit 0
