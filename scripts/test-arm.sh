#!/usr/bin/env bash
# Builds the terminal for the Raspberry Pi's processors and runs its tests on
# an emulated ARM CPU (qemu-user), as root:
#   scripts/test-arm.sh            arm64 and armhf, every test
#   scripts/test-arm.sh --smoke    the unit tests and one scenario on each
#   ARCHES=armhf scripts/test-arm.sh
# For each processor: the virtual board cross-built and its tests run through
# the emulator; the Raspberry Pi program cross-built against the target's
# libgpiod, run through the emulator on this machine without the Pi's GPIO
# chip (one line and status 1); the executables checked against the minimum
# platform (glibc 2.36; ARMv7 for armhf).
# Build folders: $ARM_BUILD_ROOT-<arch> and -<arch>-pi (default build-arm).
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build_root=${ARM_BUILD_ROOT:-$src/build-arm}
jobs=${JOBS:-$(nproc)}
read -r -a arches <<<"${ARCHES:-arm64 armhf}"
smoke=0
[ "${1:-}" = "--smoke" ] && smoke=1
# Upper bounds of the emulated runs, in seconds.
test_timeout=${ARM_TEST_TIMEOUT:-600}
suite_timeout=${ARM_SUITE_TIMEOUT:-3600}
min_glibc=2.36

triplet_of() {
    case $1 in
        arm64) echo aarch64-linux-gnu ;;
        armhf) echo arm-linux-gnueabihf ;;
    esac
}
toolchain_of() {
    case $1 in
        arm64) echo "$src/cmake/toolchain-aarch64.cmake" ;;
        armhf) echo "$src/cmake/toolchain-armhf.cmake" ;;
    esac
}
qemu_of() {
    case $1 in
        arm64) echo qemu-aarch64 ;;
        armhf) echo qemu-arm ;;
    esac
}

# ELF header patterns of the two processors, as qemu's binfmt set-up uses them.
binfmt_magic_of() {
    case $1 in
        arm64) echo '\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00' ;;
        armhf) echo '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x28\x00' ;;
    esac
}
binfmt_mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# The tests start further ARM programs themselves (the runner starts the
# terminal, the server tests start the server): the kernel must hand those
# to qemu as well.
enable_binfmt() {
    local arch=$1 dir=/proc/sys/fs/binfmt_misc name
    name=kalventrix-$(qemu_of "$arch")
    [ -e "$dir/register" ] || mount -t binfmt_misc binfmt_misc "$dir"
    if [ -e "$dir/$(qemu_of "$arch")" ] || [ -e "$dir/$name" ]; then return 0; fi
    echo ":$name:M::$(binfmt_magic_of "$arch"):$binfmt_mask:$(command -v "$(qemu_of "$arch")"):F" > "$dir/register"
}

cross_build() {  # cross_build ARCH FOLDER cmake-options...
    local arch=$1 folder=$2
    shift 2
    cmake -S "$src" -B "$folder" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(toolchain_of "$arch")" \
          -DKV_EMULATOR_TIMEOUT="$test_timeout" "$@" >/dev/null
    ninja -C "$folder" -j "$jobs"
}

smoke_scenario() {  # the scenario CI runs: a start-up one when there is one
    local folder=$1 names
    names=$(ctest --test-dir "$folder" -N -L scenario | awk '/Test +#/ && $3 ~ /^scenario_/ {print $3}')
    grep -m1 -E 'start|boot|smoke' <<<"$names" || head -n1 <<<"$names"
}

run_tests() {
    local folder=$1 scenario
    local ctest=(timeout --kill-after=30 "$suite_timeout" ctest --test-dir "$folder" -j "$jobs"
                 --timeout "$test_timeout" --output-on-failure)
    if [ "$smoke" -eq 0 ]; then
        "${ctest[@]}"
        return
    fi
    "${ctest[@]}" -L unit
    scenario=$(smoke_scenario "$folder")
    if [ -n "$scenario" ]; then
        "${ctest[@]}" -R "^${scenario}\$"
    else
        echo "no scenario test in this build"
    fi
}

# Built against bookworm, the executables need nothing newer than its glibc;
# the armhf ones must also run on the ARMv7 of a Raspberry Pi 2.
check_minimum_platform() {
    local arch=$1 folder=$2 triplet newest file bad=0
    triplet=$(triplet_of "$arch")
    while IFS= read -r file; do
        # Host tools built on the side (fuzzers, compiler probes) are not the Pi's.
        "$triplet-readelf" -h "$file" 2>/dev/null | grep -qE 'Machine: +(AArch64|ARM)$' || continue
        newest=$("$triplet-objdump" -T "$file" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -V | tail -n1)
        if [ -n "$newest" ] && [ "$(printf '%s\n%s\n' "$newest" "$min_glibc" | sort -V | tail -n1)" != "$min_glibc" ]; then
            echo "$file needs glibc $newest, more than $min_glibc"
            bad=1
        fi
        if [ "$arch" = armhf ] && ! "$triplet-readelf" -A "$file" | grep -q 'Tag_CPU_arch: v7$'; then
            echo "$file is not built for ARMv7"
            bad=1
        fi
    done < <(find "$folder" -path '*/CMakeFiles' -prune -o -type f -perm -u+x -print)
    [ "$bad" -eq 0 ] && echo "minimum platform holds: glibc $min_glibc or later is enough"
    return "$bad"
}

[ "$(id -u)" -eq 0 ] || { echo "test-arm.sh: run as root (emulator registration)" >&2; exit 2; }
scripts/install-cross.sh "${arches[@]}"
for arch in "${arches[@]}"; do
    started=$(date +%s)
    folder=$build_root-$arch
    echo "== $arch: virtual board ($folder)"
    enable_binfmt "$arch"
    cross_build "$arch" "$folder" -DKALVENTRIX_BOARD=sim -DKALVENTRIX_BENCH=OFF
    echo "== $arch: tests under $(qemu_of "$arch")"
    run_tests "$folder"
    check_minimum_platform "$arch" "$folder"
    echo "== $arch: Raspberry Pi board ($folder-pi)"
    cross_build "$arch" "$folder-pi" -DKALVENTRIX_BOARD=pi -DKALVENTRIX_TESTS=OFF \
                -DKALVENTRIX_BENCH=OFF -DKALVENTRIX_SERVER=OFF
    triplet=$(triplet_of "$arch")
    scripts/check-pi-program.sh readelf "$folder-pi/kalventrix" "$triplet-readelf"
    scripts/check-pi-program.sh no-chip "$folder-pi/kalventrix" "$(command -v "$(qemu_of "$arch")")" \
        -E "LD_LIBRARY_PATH=/usr/lib/$triplet:/lib/$triplet"
    check_minimum_platform "$arch" "$folder-pi"
    echo "== $arch took $(( $(date +%s) - started )) s"
done
