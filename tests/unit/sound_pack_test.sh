#!/usr/bin/env bash
# The sound pack generator over a small catalogue, with a stand-in for
# espeak-ng that writes the voice and the text into each file.
set -euo pipefail
tool=${1:?usage: sound_pack_test.sh tools/make-sound-pack.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
check() {
    checks=$((checks + 1))
    if [ "$2" != "$3" ]; then
        echo "FAIL $1: expected [$3], got [$2]"
        failures=$((failures + 1))
    fi
}

cat > "$work/espeak" <<'STUB'
#!/bin/sh
case "$1" in
    --voices=en | --voices=fr) printf 'Pty Language\n 5 %s\n' "${1#--voices=}"; exit 0 ;;
    --voices=*) printf 'Pty Language\n'; exit 0 ;;
esac
echo "$2|$7" > "$6"
echo call >> "$(dirname "$0")/calls"
STUB
chmod +x "$work/espeak"
mkdir -p "$work/cat"
cat > "$work/cat/zeph_programme.csv" <<'CSV'
1,'Sportsman, 2024','SPORT24','ENG',1,1,10,999.99,999.99,4,3,2,'2024'
7,'L''avance','ADV24','FRA',3,1,10,999.99,999.99,4,3,2,'2024'
9,'Klingon','KLI','TLH',3,1,10,999.99,999.99,4,3,2,'2024'
CSV
printf '%s\r\n' \
    "1,1,1,0,'Takeoff, then climb','',3" \
    "2,1,2,1,'Inside loop','Loop',0" \
    "5,7,1,1,'Boucle d''entrée','Boucle',1" \
    "6,9,1,1,'Qapla','Q',1" > "$work/cat/zeph_figure.csv"

ESPEAK="$work/espeak" "$tool" "$work/cat" "$work/pack" > "$work/out" 2>&1
eng="$work/pack/SD-Template/#ENG/PGM/SPORT24"
check "short label, or the description when there is none" "$(cat "$eng/01.WAV")" "en|1. Takeoff, then climb"
check "short label" "$(cat "$eng/02.WAV")" "en|2. Loop"
check "long form" "$(cat "$eng/02L.WAV")" "en|2. Inside loop"
check "schedule name with a comma" "$(cat "$eng/P.WAV")" "en|Sportsman, 2024"
check "no third figure" "$(ls "$eng" | tr '\n' ' ')" "01.WAV 01L.WAV 02.WAV 02L.WAV P.WAV "
fra="$work/pack/SD-Template/#FRA/PGM/ADV24"
check "doubled quotes" "$(cat "$fra/01L.WAV")" "fr|1. Boucle d'entrée"
check "French schedule name" "$(cat "$fra/P.WAV")" "fr|L'avance"
words="$work/pack/sounds/#FRA/SOUNDS"
check "half point" "$(cat "$words/7_5.wav")" "fr|7 et demi"
check "negative value" "$(cat "$words/-5.wav")" "fr|moins 5"
check "end word" "$(cat "$work/pack/sounds/#ENG/SOUNDS/F.wav")" "en|end of schedule"
check "word set size" "$(ls "$words" | wc -l)" "46"
for name in -10 0 10 20 0_5 10_5 NO BP ES F; do
    check "word $name" "$([ -f "$words/$name.wav" ] && echo present || echo missing)" "present"
done
check "a language without a voice is left out" "$(ls "$work/pack/SD-Template" | tr '\n' ' ')" "#ENG #FRA "
check "the missing voice is told" "$(grep -c "no voice for TLH" "$work/out")" "1"
check "click and level sample" "$(ls "$work/pack" | tr '\n' ' ')" "SD-Template TADA.WAV click.wav sounds "

calls=$(wc -l < "$work/calls")
ESPEAK="$work/espeak" "$tool" "$work/cat" "$work/pack" > "$work/out" 2>&1
check "a second run speaks nothing" "$(wc -l < "$work/calls")" "$calls"
echo "3,1,3,0,'Stall turn','',0" >> "$work/cat/zeph_figure.csv"
ESPEAK="$work/espeak" "$tool" "$work/cat" "$work/pack" > "$work/out" 2>&1
check "a changed catalogue is spoken anew" "$(cat "$eng/03.WAV")" "en|3. Stall turn"

status=0
ESPEAK="$work/espeak" "$tool" "$work/nothing" "$work/pack2" 2> "$work/err" || status=$?
check "a missing catalogue fails" "$status" "1"
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
