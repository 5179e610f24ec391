#!/usr/bin/env bash
# The terminal in a browser, talking to the demo competition server:
# installs what is missing, builds, speaks the sound pack once, starts the
# reference server with the demo contest and the virtual terminal with its
# front panel, all on 127.0.0.1. Ctrl-C stops everything.
#   scripts/demo.sh
#   PANEL_PORT=8080 SERVER_PORT=8090 BUILD_DIR=build-demo scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build=${BUILD_DIR:-$src/build-demo}
panel_port=${PANEL_PORT:-8080}
server_port=${SERVER_PORT:-8090}
data="$build/demo/server-data"
pack="$build/demo/sound-pack"
root="$build/demo/terminal"
server_url="http://127.0.0.1:$server_port"

step() { echo "== $*"; }

port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

step "Packages"
scripts/install-deps.sh

step "Build ($build)"
[ -f "$build/build.ninja" ] ||
    cmake -S "$src" -B "$build" -G Ninja -DKALVENTRIX_BOARD=sim -DKALVENTRIX_TESTS=OFF \
          -DKALVENTRIX_BENCH=OFF >/dev/null
ninja -C "$build" -j "${JOBS:-$(nproc)}" kalventrix kalventrix-sim kalventrix-server \
    kalventrix-sound-names | tail -n 1

step "Sound pack"
SOUND_NAMES="$build/kalventrix-sound-names" tools/make-sound-pack.sh "$src/data" "$pack"

step "Competition server data"
[ -f "$data/flights.csv" ] || scripts/make-server-data.sh "$data" "$build/kalventrix" >/dev/null
cp -r "$pack/SD-Template/." "$data/SD-Template/"

step "Terminal sandbox"
db="$root/home/pi/kalventrix-db"
[ -f "$db" ] || scripts/make-db.sh "$db"
# The terminal must know the server on loopback before it first starts.
sqlite3 "$db" "UPDATE param SET valeur = '$server_url' WHERE cle = 'KALVENTRIX_IPServer';
               UPDATE param SET valeur = '1' WHERE cle = 'KALVENTRIX_WIFI';"
[ "$(sqlite3 "$db" "SELECT valeur FROM param WHERE cle = 'KALVENTRIX_IPServer'")" = "$server_url" ] ||
    { echo "demo.sh: cannot point the terminal at $server_url" >&2; exit 1; }
for lang_dir in "$pack"/sounds/*/; do
    lang=$(basename "$lang_dir")
    mkdir -p "$root/home/pi/sounds/$lang"
    cp -r "$lang_dir/SOUNDS" "$root/home/pi/sounds/$lang/"
    [ -d "$pack/SD-Template/$lang/PGM" ] && cp -r "$pack/SD-Template/$lang/PGM" "$root/home/pi/sounds/$lang/"
done
cp "$pack/TADA.WAV" "$pack/click.wav" "$root/home/pi/"

for port in "$server_port" "$panel_port"; do
    port_free "$port" || { echo "demo.sh: port $port is in use (set SERVER_PORT / PANEL_PORT)" >&2; exit 1; }
done

pids=()
stop_all() {
    trap - INT TERM EXIT
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    echo
    echo "demo stopped"
}
trap stop_all INT TERM EXIT

step "Starting"
"$build/server/kalventrix-server" --port "$server_port" --data "$data" > "$data/requests.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    port_free "$server_port" || break
    sleep 0.1
done
"$build/kalventrix-sim" --root "$root" --panel "$panel_port" --restart \
    --server-log "$data/requests.log" > "$build/demo/panel.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    port_free "$panel_port" || break
    sleep 0.1
done

cat <<TEXT

  Front panel:       http://127.0.0.1:$panel_port/
  Director's page:   $server_url/

  The terminal asks the server for the next pilot of line 1; press and hold
  the keys on the panel to judge the flight. Ctrl-C stops everything.

TEXT
wait -n "${pids[@]}" || true
echo "demo.sh: a part of the demo ended; see $build/demo/panel.log and $data/requests.log" >&2
