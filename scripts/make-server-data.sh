#!/usr/bin/env bash
# Assembles a data folder for kalventrix-server from the demo data in data/:
# the contest files, SD-Template/ (catalogue CSV files and a placeholder sound
# for every figure of every schedule) and updates/ (SQL files and a program).
#   scripts/make-server-data.sh [--no-placeholders] DIR [PROGRAM]
# PROGRAM is the file offered as updates/kalventrix (a placeholder without it).
# --no-placeholders leaves out the placeholder sounds and program, which a
# terminal would otherwise download over its own (a server in real use).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
placeholders=1
if [ "${1:-}" = --no-placeholders ]; then
    placeholders=0
    shift
fi
dir=${1:?usage: make-server-data.sh [--no-placeholders] DIR [PROGRAM]}
program=${2:-}

mkdir -p "$dir/SD-Template" "$dir/updates"
cp "$src"/data/contest/*.csv "$dir/"
cp "$src/data/zeph_programme.csv" "$src/data/zeph_figure.csv" "$dir/SD-Template/"
for f in translation.sql default.sql param.sql; do
    cp "$src/data/$f" "$dir/updates/"
done
if [ -n "$program" ]; then
    cp "$program" "$dir/updates/kalventrix"
elif [ "$placeholders" -eq 1 ]; then
    printf 'KALVENTRIX placeholder program file\n' > "$dir/updates/kalventrix"
fi

# A short silent WAV (8 kHz, 8 bit, mono): 44-byte header and 800 samples.
wav() {
    {
        printf 'RIFF\104\003\000\000WAVEfmt \020\000\000\000\001\000\001\000'
        printf '\100\037\000\000\100\037\000\000\001\000\010\000data\040\003\000\000'
        head -c 800 /dev/zero | tr '\000' '\200'
    } > "$1"
}

# Figures per schedule: prgid -> count, then one folder per language and name.
placeholder_sounds() {
    awk -F, '{ n[$2]++ } END { for (p in n) print p, n[p] }' "$src/data/zeph_figure.csv" > "$dir/.counts"
    while IFS=, read -r prgid _ name lang _; do
        name=${name//\'/}
        lang=${lang//\'/}
        count=$(awk -v p="$prgid" '$1 == p { print $2 }' "$dir/.counts")
        [ -n "$count" ] || continue
        folder="$dir/SD-Template/#$lang/PGM/$name"
        mkdir -p "$folder"
        for i in $(seq 1 "$count"); do
            nn=$(printf '%02d' "$i")
            wav "$folder/$nn.WAV"
            wav "$folder/${nn}L.WAV"
        done
        wav "$folder/P.WAV"
    done < "$src/data/zeph_programme.csv"
    rm -f "$dir/.counts"
}

if [ "$placeholders" -eq 1 ]; then placeholder_sounds; fi
echo "server data in $dir"
