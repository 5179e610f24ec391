#!/usr/bin/env bash
# Installs what the ARM builds and their emulated runs need: Debian's multiarch
# cross compilers, the arm64 and armhf development packages the program and its
# tests link against, and qemu-user. Quiet and quick when everything is there.
#   scripts/install-cross.sh            both processors
#   scripts/install-cross.sh arm64      one of them (arm64 or armhf)
set -euo pipefail

arches=("$@")
[ ${#arches[@]} -eq 0 ] && arches=(arm64 armhf)

# Libraries built for the target, the runtime the emulator loads included
# (libstdc++6 of the target keeps qemu away from a mismatched loader).
target_packages=(
  libstdc++6 libcurl4-openssl-dev libsqlite3-dev libgtest-dev libgmock-dev
  libpng-dev zlib1g-dev libcpp-httplib-dev libgpiod-dev
)
host_packages=(qemu-user cmake ninja-build pkg-config sqlite3 bubblewrap)

compiler_of() {
  case $1 in
    arm64) echo g++-aarch64-linux-gnu ;;
    armhf) echo g++-arm-linux-gnueabihf ;;
    *) echo "install-cross.sh: unknown processor '$1' (arm64 or armhf)" >&2; exit 2 ;;
  esac
}

wanted=("${host_packages[@]}")
for arch in "${arches[@]}"; do
  wanted+=("$(compiler_of "$arch")")
  for p in "${target_packages[@]}"; do wanted+=("$p:$arch"); done
done

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"
}

missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
for arch in "${arches[@]}"; do
  dpkg --print-foreign-architectures | grep -qx "$arch" || $SUDO dpkg --add-architecture "$arch"
done
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
