#!/usr/bin/env bash
# Checks on the Raspberry Pi program as built (-DKALVENTRIX_BOARD=pi):
#   check-pi-program.sh readelf PROGRAM [READELF]
#       it needs Debian's libgpiod (libgpiod.so.2) and no wiringPi
#   check-pi-program.sh no-chip PROGRAM [EMULATOR ARGS...]
#       on a machine without the Pi's GPIO chip it says so in one line on
#       standard error and ends with status 1 (killed after 20 s: a hang
#       fails); it runs in a namespace with nothing of the host writable and
#       no network, in case it did not stop
set -euo pipefail

what=$1
program=$(realpath "$2")
shift 2

case $what in
readelf)
    needed=$("${1:-readelf}" -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    echo "$program needs: $(echo $needed)"
    grep -qx 'libgpiod\.so\.2' <<<"$needed" || { echo "no libgpiod.so.2 among them" >&2; exit 1; }
    if grep -qi wiringpi <<<"$needed"; then echo "wiringPi among them" >&2; exit 1; fi
    ;;
no-chip)
    err=$(mktemp)
    trap 'rm -f "$err"' EXIT
    started=$(date +%s)
    status=0
    # The program is bound in at /tmp: wherever it was built (under /home,
    # say) may be hidden in there.
    bwrap --ro-bind / / --dev /dev --proc /proc --tmpfs /tmp --tmpfs /home --tmpfs /var \
          --tmpfs /run --ro-bind "$program" /tmp/kalventrix --unshare-all --cap-drop ALL \
          --die-with-parent --chdir /tmp \
          timeout --kill-after=5 20 "$@" /tmp/kalventrix > /dev/null 2> "$err" || status=$?
    took=$(( $(date +%s) - started ))
    echo "status $status after ${took}s, standard error:"
    cat "$err"
    [ "$status" -eq 1 ] || { echo "expected status 1" >&2; exit 1; }
    [ "$(wc -l < "$err")" -eq 1 ] || { echo "expected one line" >&2; exit 1; }
    grep -q '^kalventrix: no GPIO chip of a Raspberry Pi found' "$err" || { echo "not the no-chip line" >&2; exit 1; }
    ;;
*)
    echo "usage: check-pi-program.sh readelf|no-chip PROGRAM ..." >&2
    exit 2
    ;;
esac
