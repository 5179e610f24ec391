#!/usr/bin/env bash
# The sound pack generator over a small catalogue, with a stand-in for
# espeak-ng that writes the voice and the text into each file.
set -euo pipefail
tool=${1:?usage: sound_pack_test.sh tools/make-sound-pack.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    [ "$2" = "$3" ] || { echo "FAIL $1: expected [$3], got [$2]"; failures=$((failures + 1)); }
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
printf '%s\r\n' "1,1,1,0,'Takeoff, then climb','',3" "2,1,2,1,'Inside loop','Loop',0" \
    "5,7,1,1,'Boucle d''entrée','Boucle',1" "6,9,1,1,'Qapla','Q',1" > "$work/cat/zeph_figure.csv"
generate() { ESPEAK="$work/espeak" "$tool" "$work/cat" "$work/pack" > "$work/out" 2>&1; }
spoken() { (cd "$work/pack" && for f in "$@"; do printf '%s=%s;' "$f" "$(cat "$f")"; done); }

generate
eng="SD-Template/#ENG/PGM/SPORT24" fra="SD-Template/#FRA/PGM/ADV24" words="sounds/#FRA/SOUNDS"
check "figures, schedules and words" "$(spoken "$eng/01.WAV" "$eng/02.WAV" "$eng/02L.WAV" "$eng/P.WAV" \
    "$fra/01L.WAV" "$fra/P.WAV" "$words/7_5.wav" "$words/-5.wav" "sounds/#ENG/SOUNDS/F.wav")" \
    "$eng/01.WAV=en|1. Takeoff, then climb;$eng/02.WAV=en|2. Loop;$eng/02L.WAV=en|2. Inside loop;\
$eng/P.WAV=en|Sportsman, 2024;$fra/01L.WAV=fr|1. Boucle d'entrée;$fra/P.WAV=fr|L'avance;\
$words/7_5.wav=fr|7 et demi;$words/-5.wav=fr|moins 5;sounds/#ENG/SOUNDS/F.wav=en|end of schedule;"
check "no third figure" "$(ls "$work/pack/$eng" | tr '\n' ' ')" "01.WAV 01L.WAV 02.WAV 02L.WAV P.WAV "
check "word set" "$(ls "$work/pack/$words" | wc -l) $(cd "$work/pack/$words" && ls -- -10.wav 0.wav 10.wav 20.wav \
    0_5.wav 10_5.wav NO.wav BP.wav ES.wav F.wav | wc -l)" "46 10"
check "only languages with a voice" "$(ls "$work/pack/SD-Template" | tr '\n' ' ')$(grep -c "no voice for TLH" "$work/out")" "#ENG #FRA 1"
calls=$(wc -l < "$work/calls")
generate
check "a second run speaks nothing" "$(wc -l < "$work/calls")" "$calls"
echo "3,1,3,0,'Stall turn','',0" >> "$work/cat/zeph_figure.csv"
generate
check "a changed catalogue is spoken anew" "$(cat "$work/pack/$eng/03.WAV")" "en|3. Stall turn"
[ "$failures" -eq 0 ]
