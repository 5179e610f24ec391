#!/usr/bin/env bash
# Lays out the terminal's sound files with silent placeholders:
#   scripts/make-sounds.sh ROOT/home/pi/sounds
# For each language of the catalogue and of the interface texts:
#   #LANG/SOUNDS/NAME.wav        spoken scores and messages
#   #LANG/PGM/SCHEDULE/NN.WAV    short announcement of figure NN (from 01)
#   #LANG/PGM/SCHEDULE/NNL.WAV   long announcement
#   #LANG/PGM/SCHEDULE/P.WAV     the schedule's own sound
# Every file is the same tenth of a second of silence (8 kHz, 8-bit mono).
# The score names come from the built kalventrix-sound-names (SOUND_NAMES, by
# default the one in build/; kalventrix-sim points at the one beside it).
set -euo pipefail

target=${1:?usage: make-sounds.sh ROOT/home/pi/sounds}
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
names_tool=${SOUND_NAMES:-$here/../build/kalventrix-sound-names}
[ -x "$names_tool" ] || { echo "make-sounds.sh: build kalventrix-sound-names or set SOUND_NAMES" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

silence="$work/silence.wav"
{
    printf 'RIFF\x44\x03\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
    printf '\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00data\x20\x03\x00\x00'
    head -c 800 /dev/zero | tr '\0' '\200'
} >"$silence"

"$here/make-db.sh" "$work/kalventrix-db"
query() { sqlite3 -separator ' ' "$work/kalventrix-db" "$1"; }

# The names a score or message is announced with.
words="ES F $("$names_tool" | tr '\n' ' ')"

languages=$(query "SELECT prglang FROM zeph_programme UNION SELECT lang FROM translation;")
for lang in $languages; do
    mkdir -p "$target/#$lang/SOUNDS"
    for word in $words; do cp "$silence" "$target/#$lang/SOUNDS/$word.wav"; done
done

query "SELECT prglang, prgshortname, count(figid) FROM zeph_programme P
       INNER JOIN zeph_figure F ON P.prgid = F.prgid GROUP BY P.prgid;" |
while read -r lang schedule figures; do
    folder="$target/#$lang/PGM/$schedule"
    mkdir -p "$folder"
    for n in $(seq -f '%02g' 1 "$figures"); do
        cp "$silence" "$folder/$n.WAV"
        cp "$silence" "$folder/${n}L.WAV"
    done
    cp "$silence" "$folder/P.WAV"
done
