#!/usr/bin/env bash
# Front panel tests in headless Chromium. Installs Debian's chromium and the
# node modules when they are missing (no browser download), builds the
# program, the runner and the server, then runs the tests.
#   tests/browser/run.sh                 build in build/
#   BUILD_DIR=... tests/browser/run.sh   another build
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$src/build}

# Tool and the Debian package that brings it.
missing=()
for pair in chromium:chromium node:nodejs npm:npm sqlite3:sqlite3; do
    command -v "${pair%%:*}" >/dev/null || missing+=("${pair#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ! -d "$here/node_modules/playwright-core" ]; then
    (cd "$here" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund --silent)
fi

[ -f "$build/build.ninja" ] || cmake -S "$src" -B "$build" -G Ninja >/dev/null
ninja -C "$build" -j "${JOBS:-$(nproc)}" kalventrix kalventrix-sim kalventrix-server >/dev/null

cd "$here"
KV_SRC="$src" KV_BUILD="$build" node --test --test-concurrency=1 panel.test.mjs
