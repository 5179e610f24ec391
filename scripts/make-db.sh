#!/usr/bin/env bash
# Builds a fresh terminal database from the files in data/:
#   scripts/make-db.sh PATH/kalventrix-db
# Schema, factory settings, interface texts and the demo catalogue. The file is
# built beside the target and moved into place only when complete.
set -euo pipefail

target=${1:?usage: make-db.sh PATH/kalventrix-db}
data="$(cd "$(dirname "${BASH_SOURCE[0]}")/../data" && pwd)"
command -v sqlite3 >/dev/null || { echo "make-db.sh: sqlite3 not found" >&2; exit 1; }

mkdir -p "$(dirname "$target")"
work="$target.building.$$"
trap 'rm -f "$work"' EXIT
rm -f "$work"

# Each catalogue line is an SQL value list: it becomes one INSERT.
catalogue() {
    local table=$1 columns=$2 file=$3
    sed -e 's/\r$//' -e '/^[[:space:]]*$/d' \
        -e "s/.*/INSERT INTO $table ($columns) VALUES (&);/" "$file"
}

{
    cat "$data/schema.sql"
    cat "$data/default.sql"
    cat "$data/translation.sql"
    echo "BEGIN;"
    catalogue zeph_programme "prgid, prglibelle, prgshortname, prglang, typeid, catid, duration, promothreshold1, promothreshold2, promoflightsmax, promoflights, promoflightsmin, promoversion" "$data/zeph_programme.csv"
    catalogue zeph_figure "figid, prgid, figposition, figcomplexite, figdescription, figshortdesc, figoption" "$data/zeph_figure.csv"
    echo "COMMIT;"
} | sqlite3 -bail "$work"

mv -f "$work" "$target"
trap - EXIT
