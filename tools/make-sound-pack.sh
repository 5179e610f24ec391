#!/usr/bin/env bash
# Speaks the terminal's sounds with espeak-ng, for every language of the
# catalogue that has a voice:
#   OUT/sounds/#LANG/SOUNDS/NAME.wav          the word set (scores, NO, BP, ES, F)
#   OUT/SD-Template/#LANG/PGM/NAME/NN.WAV     figure NN: number and short label
#   OUT/SD-Template/#LANG/PGM/NAME/NNL.WAV    figure NN: number and description
#   OUT/SD-Template/#LANG/PGM/NAME/P.WAV      the schedule's name
#   OUT/TADA.WAV, OUT/click.wav               the level sample and the key click
# Usage: tools/make-sound-pack.sh CATALOGUE_DIR OUT
# CATALOGUE_DIR holds zeph_programme.csv and zeph_figure.csv. The score names
# come from the built kalventrix-sound-names (SOUND_NAMES, by default the one in
# build/). A pack made from the same catalogue, names and script is kept as it is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
catalogue=${1:?usage: make-sound-pack.sh CATALOGUE_DIR OUT}
out=${2:?usage: make-sound-pack.sh CATALOGUE_DIR OUT}
espeak=${ESPEAK:-espeak-ng}
programmes="$catalogue/zeph_programme.csv"
figures="$catalogue/zeph_figure.csv"
[ -r "$programmes" ] && [ -r "$figures" ] || { echo "make-sound-pack.sh: no catalogue in $catalogue" >&2; exit 1; }
command -v "$espeak" >/dev/null || { echo "make-sound-pack.sh: $espeak not found" >&2; exit 1; }
names_tool=${SOUND_NAMES:-$here/../build/kalventrix-sound-names}
[ -x "$names_tool" ] || { echo "make-sound-pack.sh: build kalventrix-sound-names or set SOUND_NAMES" >&2; exit 1; }
names=$(mktemp)
trap 'rm -f "$names"' EXIT
"$names_tool" > "$names"

stamp=$(cat "$programmes" "$figures" "$names" "$0" "$here/sound-pack.awk" | md5sum | cut -d' ' -f1)
if [ -f "$out/.stamp" ] && [ "$(cat "$out/.stamp")" = "$stamp" ]; then
    echo "sound pack in $out is up to date"
    exit 0
fi
rm -rf "$out"
mkdir -p "$out"

# The catalogue's language codes and the espeak-ng voice that speaks each.
voice_of() {
    case "$1" in
        ENG) echo en ;; FRA) echo fr ;; ESP) echo es ;; DEU | GER) echo de ;;
        ITA) echo it ;; NLD | DUT) echo nl ;; POR) echo pt ;; CES | CZE) echo cs ;;
        POL) echo pl ;; SWE) echo sv ;; DAN) echo da ;; NOR) echo nb ;; FIN) echo fi ;;
        HUN) echo hu ;; SLK | SLO) echo sk ;; SLV) echo sl ;; HRV) echo hr ;;
        RUS) echo ru ;; UKR) echo uk ;; JPN) echo ja ;; CHN | ZHO) echo cmn ;; *) echo "" ;;
    esac
}

has_voice() {
    [ -n "$1" ] && "$espeak" --voices="$1" | awk 'NR > 1 { found = 1 } END { exit !found }'
}

# Jobs: one "voice<TAB>file<TAB>text" line per sound, spoken two at a time.
jobs="$out/.jobs"
: > "$jobs"
languages=$(awk -f "$here/sound-pack.awk" -v mode=languages "$programmes")
for lang in $languages; do
    voice=$(voice_of "$lang")
    if ! has_voice "$voice"; then
        echo "make-sound-pack.sh: no voice for $lang, its sounds are left out" >&2
        continue
    fi
    awk -f "$here/sound-pack.awk" -v mode=jobs -v lang="$lang" -v voice="$voice" -v out="$out" \
        -v names="$names" "$programmes" "$figures" >> "$jobs"
done
cut -f2 "$jobs" | xargs -r -d '\n' dirname | sort -u | xargs -r -d '\n' mkdir -p
tr '\t\n' '\0\0' < "$jobs" | xargs -0 -r -n 3 -P 2 sh -c '"$0" -v "$1" -s 150 -w "$2" "$3"' "$espeak"
"$espeak" -v en -s 170 -w "$out/TADA.WAV" "ta da!"
# The key click: 10 ms of a 1 kHz square wave (8 kHz, 8 bit, mono).
{
    printf 'RIFF\174\000\000\000WAVEfmt \020\000\000\000\001\000\001\000'
    printf '\100\037\000\000\100\037\000\000\001\000\010\000data\120\000\000\000'
    for _ in 1 2 3 4 5 6 7 8 9 10; do printf '\340\340\340\340\040\040\040\040'; done
} > "$out/click.wav"
rm -f "$jobs"
echo "$stamp" > "$out/.stamp"
echo "sound pack in $out: $(find "$out" -iname '*.wav' | wc -l) sounds"
