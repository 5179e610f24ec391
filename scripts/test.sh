#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test: unit,
# device, scenario and server tests, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Raspberry Pi program on the virtual board,
# the front panel in a browser, the unit tests and a scenario on an emulated
# arm64 processor, and the Debian packages (lintian, and installed in a
# throwaway root). The whole suite on both ARM processors takes longer and
# runs apart: scripts/test-arm.sh.
#   scripts/test.sh            build in build/ and run the whole suite
#   BUILD_DIR=... scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build=${BUILD_DIR:-$src/build}
jobs=${JOBS:-$(nproc)}
native=$(dpkg --print-architecture)
deb_arches=("$native")

scripts/install-deps.sh

echo "== Virtual board build ($build)"
cmake -S "$src" -B "$build" -G Ninja -DKALVENTRIX_BOARD=sim >/dev/null
ninja -C "$build" -j "$jobs"

echo "== Raspberry Pi program ($build-pi)"
cmake -S "$src" -B "$build-pi" -G Ninja -DKALVENTRIX_BOARD=pi -DKALVENTRIX_TESTS=OFF \
      -DKALVENTRIX_BENCH=OFF -DKALVENTRIX_SERVER=OFF >/dev/null
ninja -C "$build-pi" -j "$jobs"
scripts/check-pi-program.sh readelf "$build-pi/kalventrix"
scripts/check-pi-program.sh no-chip "$build-pi/kalventrix"

echo "== wiringPi backend compiles ($build-wiringpi)"
cmake -S "$src" -B "$build-wiringpi" -G Ninja -DKALVENTRIX_BOARD=wiringpi -DKALVENTRIX_TESTS=OFF \
      -DKALVENTRIX_BENCH=OFF -DKALVENTRIX_SERVER=OFF >/dev/null
ninja -C "$build-wiringpi" -j "$jobs" platform/all

echo "== Tests"
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 600 -LE pi-board

# The Raspberry Pi program (libgpiod) against the virtual board through the
# stand-in libgpiod, in a namespace, in real time: the one built beside the
# virtual board in $build, then once the one of the Pi build itself.
echo "== Raspberry Pi program on the virtual board"
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 600 -L pi-board --no-tests=error
bash tests/scenario/harness/run_scenario.sh "$build/kalventrix-sim" "$build-pi/kalventrix" \
    tests/scenario/pi_startup_power.script "$build-pi/scenario/pi_startup_power" none "$src" \
    "$build-pi/scenario"

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer:
# any finding, leaks included, fails its test (scenarios read the reports of
# the runner, the program and the server from files of their own).
if [ "${KALVENTRIX_SKIP_ASAN:-0}" != 1 ]; then
    echo "== Sanitizer build ($build-asan) and tests"
    asan_start=$(date +%s)
    cmake --preset asan -S "$src" -B "$build-asan" >/dev/null
    ninja -C "$build-asan" -j "$jobs"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$build-asan" -j "$jobs" --output-on-failure --timeout 900
    echo "sanitizer stage: $(($(date +%s) - asan_start)) s"
else
    echo "== Sanitizer stage skipped (KALVENTRIX_SKIP_ASAN=1)"
fi

echo "== Front panel in headless Chromium"
BUILD_DIR="$build" JOBS="$jobs" tests/browser/run.sh

# The program on an emulated 64-bit ARM processor: unit tests and a scenario.
# The whole suite on both processors: scripts/test-arm.sh.
if [ "$(id -u)" -eq 0 ] && [ "${KALVENTRIX_SKIP_ARM:-0}" != 1 ]; then
    echo "== Raspberry Pi (arm64) under emulation: unit tests and a scenario"
    scripts/install-cross.sh
    ARCHES=arm64 JOBS="$jobs" ARM_BUILD_ROOT="$build-arm" scripts/test-arm.sh --smoke
    deb_arches+=(arm64)
else
    echo "== ARM run skipped (needs root; KALVENTRIX_SKIP_ARM=1 skips it)"
fi

# Packages from the Pi builds above (the server added to them); the armhf
# ones on demand: scripts/build-debs.sh armhf. Installing them takes a
# throwaway Debian root, and so root rights.
echo "== Debian packages (${deb_arches[*]})"
debs_started=$(date +%s)
env "KV_DEB_BUILD_$native=$build-pi" KV_DEB_BUILD_arm64="$build-arm-arm64-pi" DEB_DIR="$build-debs" \
    JOBS="$jobs" scripts/build-debs.sh "${deb_arches[@]}"
if [ "$(id -u)" -eq 0 ]; then
    DEB_DIR="$build-debs" scripts/test-install.sh
else
    echo "package installation test skipped: it needs root (sudo scripts/test-install.sh)"
fi
echo "packages took $(( $(date +%s) - debs_started )) s"
