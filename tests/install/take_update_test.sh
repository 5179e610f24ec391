#!/bin/sh
# The start-up step that takes a downloaded program file into use:
#   tests/install/take_update_test.sh PATH/take-update.sh
set -u
helper=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # check "what is expected" command...
    what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}

fresh() {  # an installed program (this machine's) and an empty /boot
    rm -rf "$work/boot" "$work/bin"
    mkdir -p "$work/boot" "$work/bin"
    cp /bin/true "$work/bin/kalventrix"
}
take() { sh "$helper" "$work/boot/kalventrix" "$work/bin/kalventrix" >/dev/null 2>&1; }

fresh
take
check "no download: nothing changes" cmp -s /bin/true "$work/bin/kalventrix"
check "no download: no copy of the program is made" test ! -e "$work/bin/kalventrix.previous"

fresh
cp /bin/false "$work/boot/kalventrix"
take
check "a program for this processor is installed" cmp -s /bin/false "$work/bin/kalventrix"
check "the installed program stays executable" test -x "$work/bin/kalventrix"
check "the replaced program is kept" cmp -s /bin/true "$work/bin/kalventrix.previous"
check "the download is consumed" test ! -e "$work/boot/kalventrix"

fresh
echo "<html>502 Bad Gateway</html>" > "$work/boot/kalventrix"
take
check "an error page is not installed" cmp -s /bin/true "$work/bin/kalventrix"
check "an error page is set aside" test -s "$work/boot/kalventrix.rejected"
check "an error page is not looked at again" test ! -e "$work/boot/kalventrix"

fresh
: > "$work/boot/kalventrix"
take
check "an empty download is not installed" cmp -s /bin/true "$work/bin/kalventrix"

fresh
size=$(stat -c %s /bin/false)
head -c $((size - 1)) /bin/false > "$work/boot/kalventrix"
take
check "a download cut by one byte is not installed" cmp -s /bin/true "$work/bin/kalventrix"
check "a cut download is set aside" test -e "$work/boot/kalventrix.rejected"

fresh
head -c 3 /bin/false > "$work/boot/kalventrix"
take
check "three bytes of a program are not a program" cmp -s /bin/true "$work/bin/kalventrix"

# This machine's program with the ELF machine field of another processor
# (aarch64, or x86-64 when this is an aarch64 machine).
foreign_program() {
    cp /bin/false "$1"
    machine=$(od -An -tx1 -j18 -N1 /bin/false | tr -d ' ')
    other='\267'
    [ "$machine" = b7 ] && other='\076'
    printf "$other" | dd of="$1" bs=1 seek=18 conv=notrunc 2>/dev/null
}

fresh
foreign_program "$work/boot/kalventrix"
take
check "a program for another processor is not installed" cmp -s /bin/true "$work/bin/kalventrix"
check "a program for another processor is set aside" test -e "$work/boot/kalventrix.rejected"

fresh
cp /bin/false "$work/boot/kalventrix"
check "a failed installation never fails the start" \
    sh "$helper" "$work/boot/kalventrix" "$work/missing/kalventrix" 2>/dev/null
check "a download that could not be installed is kept for the next start" \
    cmp -s /bin/false "$work/boot/kalventrix"

echo "take-update: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
