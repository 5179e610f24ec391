#!/usr/bin/env bash
# Installs the packages of the terminal and of the server (this machine's
# processor, made by scripts/build-debs.sh) with apt inside a throwaway Debian
# bookworm root, never on the host, checks what they leave there, then removes
# and purges them (cases in tests/install/).
#   sudo scripts/test-install.sh            the packages in DEB_DIR (default build-debs/)
# Needs root (chroot) and Debian's package mirror. The base root made by
# debootstrap, the package lists and the packages apt fetched are cached under
# KV_INSTALL_CACHE (default /var/cache/kalventrix-install-test): a second run
# downloads nearly nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
cache=${KV_INSTALL_CACHE:-/var/cache/kalventrix-install-test}
suite=bookworm
debs=$(realpath -m "${DEB_DIR:-$src/build-debs}")
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^project(kalventrix VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
terminal_deb=kalventrix_${version}_$arch.deb
server_deb=kalventrix-server_${version}_$arch.deb

[ "$(id -u)" -eq 0 ] || { echo "test-install.sh: run as root" >&2; exit 2; }
for deb in "$terminal_deb" "$server_deb"; do
    [ -f "$debs/$deb" ] || { echo "test-install.sh: no $debs/$deb (scripts/build-debs.sh $arch)" >&2; exit 2; }
done

# Every mount below lives in a private namespace and disappears with it.
if [ -z "${KV_INSTALL_NAMESPACE:-}" ]; then
    exec env KV_INSTALL_NAMESPACE=1 unshare --mount --propagation private "$0" "$@"
fi

mirror() {
    local uri
    uri=$(awk '/^URIs:/ && $2 ~ /\/debian\/?$/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    [ -n "$uri" ] || uri=$(awk '/^deb / && $2 ~ /\/debian\/?$/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
    echo "${uri:-http://deb.debian.org/debian}"
}

ensure_debootstrap() {
    command -v debootstrap >/dev/null && return 0
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
}

# A bare bookworm system with systemd, as a Raspberry Pi OS card has it.
base_tarball() {
    local tarball=$cache/$suite-base.tar
    if [ ! -s "$tarball" ]; then
        echo "== debootstrap $suite (first run only)" >&2
        local work
        work=$(mktemp -d /var/tmp/kv-base.XXXXXX)
        debootstrap --variant=minbase --include=systemd "$suite" "$work" "$(mirror)" >"$cache/debootstrap.log" 2>&1 ||
            { tail -20 "$cache/debootstrap.log" >&2; rm -rf --one-file-system "$work"; exit 1; }
        rm -f "$work"/var/cache/apt/archives/*.deb
        tar -C "$work" -cf "$tarball.new" .
        mv -f "$tarball.new" "$tarball"
        rm -rf --one-file-system "$work"
    fi
    echo "$tarball"
}

root=""
unmount_root() {
    [ -n "$root" ] || return 0
    local m
    for m in $(awk -v r="$root" '$2 ~ "^"r {print $2}' /proc/self/mounts | sort -r); do
        umount -l "$m" 2>/dev/null || true
    done
    rm -rf --one-file-system "$root"
}
trap unmount_root EXIT

make_root() {
    root=$(mktemp -d /var/tmp/kv-install-root.XXXXXX)
    tar -C "$root" -xf "$(base_tarball)"
    chmod 0755 "$root"  # it becomes the system's /: every user crosses it
    mkdir -p "$cache/archives/partial" "$cache/lists/partial"
    mount --bind "$cache/archives" "$root/var/cache/apt/archives"
    mount --bind "$cache/lists" "$root/var/lib/apt/lists"
    mount --rbind /dev "$root/dev"
    mount -t proc proc "$root/proc"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    mkdir -p "$root/opt/debs"
    cp "$debs/$terminal_deb" "$debs/$server_deb" "$root/opt/debs/"
}

in_root() { chroot "$root" "$@"; }

mkdir -p "$cache"
ensure_debootstrap
started=$(date +%s)
make_root
# shellcheck source=../tests/install/install_cases.sh
. "$src/tests/install/install_cases.sh"
run_install_cases
echo "package installation test took $(( $(date +%s) - started )) s"
report_install_cases
