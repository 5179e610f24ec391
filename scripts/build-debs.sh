#!/usr/bin/env bash
# Builds the Debian packages of the terminal (kalventrix) and of the reference
# server (kalventrix-server) for each processor named, then checks them with
# lintian (any error fails):
#   scripts/build-debs.sh [ARCH...]     arm64 armhf amd64 (default: all three)
# The packages land in DEB_DIR (default build-debs/). Each processor is built
# in DEB_DIR/build-ARCH, or in the folder KV_DEB_BUILD_ARCH names (a build of
# the Raspberry Pi program to reuse; it is configured again with the server).
# Processors other than this machine's are cross-built (scripts/install-cross.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
out=$(realpath -m "${DEB_DIR:-$src/build-debs}")
jobs=${JOBS:-$(nproc)}
read -r -a arches <<<"${*:-arm64 armhf amd64}"
host_arch=$(dpkg --print-architecture)
version=$(sed -n 's/^project(kalventrix VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
maintainer="Kalventrix maintainers <maintainers@users.noreply.c-seed-7e06b1cd.example>"
# File dates and the changelog's date: the last commit's, so that the same
# tree gives the same packages.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct 2>/dev/null || date +%s)}

fail() { echo "build-debs.sh: $*" >&2; exit 1; }

check_tools() {
    local tool
    for tool in dpkg-deb dpkg-shlibdeps lintian cmake ninja sqlite3 bwrap; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
    done
}

toolchain_of() {
    case $1 in
        arm64) echo "$src/cmake/toolchain-aarch64.cmake" ;;
        armhf) echo "$src/cmake/toolchain-armhf.cmake" ;;
        *) fail "cannot cross-build for $1 on $host_arch" ;;
    esac
}

build_programs() {  # build_programs ARCH FOLDER
    local arch=$1 folder=$2 cross=()
    if [ "$arch" != "$host_arch" ]; then
        scripts/install-cross.sh "$arch"
        cross=(-DCMAKE_TOOLCHAIN_FILE="$(toolchain_of "$arch")")
    fi
    echo "== $arch: the Raspberry Pi program and the server ($folder)"
    cmake -S "$src" -B "$folder" -G Ninja "${cross[@]}" -DKALVENTRIX_BOARD=pi \
          -DKALVENTRIX_TESTS=OFF -DKALVENTRIX_BENCH=OFF -DKALVENTRIX_SERVER=ON >/dev/null
    ninja -C "$folder" -j "$jobs" kalventrix kalventrix-server
}

# What dh_strip does: no debugging symbols, no compiler notes.
install_program() {  # install_program ARCH FROM TO
    local strip
    strip=$(dpkg-architecture -a"$1" -qDEB_HOST_GNU_TYPE 2>/dev/null)-strip
    install -D -m 0755 "$2" "$3"
    "$strip" --remove-section=.comment --remove-section=.note "$3"
}

install_docs() {  # install_docs PACKAGE_ROOT PACKAGE [README]
    local doc=$1/usr/share/doc/$2
    install -D -m 0644 "$src/packaging/copyright" "$doc/copyright"
    printf '%s (%s) bookworm; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
        "$2" "$version" "$version" "$maintainer" "$(date -R -u -d "@$SOURCE_DATE_EPOCH")" |
        gzip -9n > "$doc/changelog.gz"
    chmod 0644 "$doc/changelog.gz"
    [ -z "${3:-}" ] || install -m 0644 "$3" "$doc/README.md"
    if [ -f "$src/packaging/$2/lintian-overrides" ]; then
        install -D -m 0644 "$src/packaging/$2/lintian-overrides" "$1/usr/share/lintian/overrides/$2"
    fi
}

stage_terminal() {  # stage_terminal ARCH FOLDER PACKAGE_ROOT
    local arch=$1 folder=$2 root=$3 share=$3/usr/share/kalventrix
    install_program "$arch" "$folder/kalventrix" "$root/usr/lib/kalventrix/kalventrix"
    install -m 0755 "$src/image/take-update.sh" "$root/usr/lib/kalventrix/take-update"
    install -m 0755 "$src/image/start.sh" "$root/usr/lib/kalventrix/start"
    install -D -m 0644 "$src/image/kalventrix.service" "$root/lib/systemd/system/kalventrix.service"
    # What the maintainer script puts on the card: the image's files, the
    # board description, a fresh database and the catalogue import files.
    install -d "$share"
    cp -R "$src/image/rootfs" "$share/rootfs"
    install -m 0644 "$src/image/eeprom.sample.txt" "$share/eeprom.sample.txt"
    "$src/scripts/make-db.sh" "$share/kalventrix-db"
    chmod 0644 "$share/kalventrix-db"
    install -m 0644 "$src/data/zeph_programme.csv" "$src/data/zeph_figure.csv" "$share/"
    install_docs "$root" kalventrix
}

stage_server() {  # stage_server ARCH FOLDER PACKAGE_ROOT
    local arch=$1 folder=$2 root=$3 pkg=$src/packaging/kalventrix-server
    install_program "$arch" "$folder/server/kalventrix-server" "$root/usr/bin/kalventrix-server"
    install -D -m 0644 "$pkg/kalventrix-server.service" "$root/lib/systemd/system/kalventrix-server.service"
    install -D -m 0644 "$pkg/kalventrix-server.default" "$root/etc/default/kalventrix-server"
    "$src/scripts/make-server-data.sh" --no-placeholders "$root/usr/share/kalventrix-server/demo-contest" >/dev/null
    install_docs "$root" kalventrix-server "$src/server/README.md"
}

# Shared libraries as Debian names them, from the programs' own needs.
shared_library_depends() {  # shared_library_depends ARCH STAGE PACKAGE
    (cd "$2" && DEB_HOST_ARCH=$1 dpkg-shlibdeps -O -e"debian/$3/$(program_of "$3")") |
        sed -n 's/^shlibs:Depends=//p'
}
program_of() {
    case $1 in
        kalventrix) echo usr/lib/kalventrix/kalventrix ;;
        kalventrix-server) echo usr/bin/kalventrix-server ;;
    esac
}

make_package() {  # make_package ARCH STAGE PACKAGE
    local arch=$1 stage=$2 name=$3 root=$2/debian/$3 control script depends size
    control=$src/packaging/$name
    install -d "$root/DEBIAN"
    depends=$(shared_library_depends "$arch" "$stage" "$name") || fail "dpkg-shlibdeps failed on $name ($arch)"
    [ -n "$depends" ] || fail "no shared library dependencies found for $name ($arch)"
    size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
    sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@MAINTAINER@/$maintainer/" \
        -e "s/@INSTALLED_SIZE@/$size/" -e "s/@SHLIBS@/$depends/" "$control/control" > "$root/DEBIAN/control"
    for script in preinst postinst prerm postrm; do
        if [ -f "$control/$script" ]; then install -m 0755 "$control/$script" "$root/DEBIAN/$script"; fi
    done
    # Whatever the package puts in /etc is the technician's to change.
    if [ -d "$root/etc" ]; then
        (cd "$root" && find etc -type f | sed 's|^|/|') > "$root/DEBIAN/conffiles"
    fi
    (cd "$root" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z |
        xargs -0 md5sum) > "$root/DEBIAN/md5sums"
    find "$root" -newermt "@$SOURCE_DATE_EPOCH" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    dpkg-deb --root-owner-group -Zxz --build "$root" "$out/${name}_${version}_${arch}.deb" >/dev/null
    built+=("$out/${name}_${version}_${arch}.deb")
}

# The program as packaged: it needs libgpiod and no wiringPi, and on this
# machine without a Pi's GPIO chip (under qemu-user for an ARM one) it says
# so in one line and ends with status 1.
check_packaged_program() {  # check_packaged_program ARCH DEB
    local arch=$1 unpacked triplet emulator=()
    unpacked=$out/unpacked-$arch
    rm -rf "$unpacked"
    dpkg-deb -x "$2" "$unpacked"
    triplet=$(dpkg-architecture -a"$arch" -qDEB_HOST_MULTIARCH 2>/dev/null)
    case $arch in
        "$host_arch") ;;
        arm64) emulator=("$(command -v qemu-aarch64)") ;;
        armhf) emulator=("$(command -v qemu-arm)") ;;
    esac
    [ ${#emulator[@]} -eq 0 ] || emulator+=(-E "LD_LIBRARY_PATH=/usr/lib/$triplet:/lib/$triplet")
    scripts/check-pi-program.sh readelf "$unpacked/usr/lib/kalventrix/kalventrix" "$triplet-readelf"
    scripts/check-pi-program.sh no-chip "$unpacked/usr/lib/kalventrix/kalventrix" "${emulator[@]}"
    rm -rf "$unpacked"
}

package_arch() {  # package_arch ARCH
    local arch=$1 folder stage var
    var=KV_DEB_BUILD_$arch
    folder=$(realpath -m "${!var:-$out/build-$arch}")
    build_programs "$arch" "$folder"
    stage=$out/stage-$arch
    rm -rf "$stage"
    install -d "$stage/debian"
    # dpkg-shlibdeps reads the packages' names from a control file.
    printf 'Source: kalventrix\n\nPackage: kalventrix\nArchitecture: any\n\nPackage: kalventrix-server\nArchitecture: any\n' \
        > "$stage/debian/control"
    stage_terminal "$arch" "$folder" "$stage/debian/kalventrix"
    stage_server "$arch" "$folder" "$stage/debian/kalventrix-server"
    make_package "$arch" "$stage" kalventrix
    make_package "$arch" "$stage" kalventrix-server
    check_packaged_program "$arch" "$out/kalventrix_${version}_${arch}.deb"
}

[ -n "$version" ] || fail "no version in CMakeLists.txt"
check_tools
umask 022
mkdir -p "$out"
built=()
for arch in "${arches[@]}"; do
    case $arch in arm64 | armhf | amd64) ;; *) fail "unknown processor '$arch' (arm64, armhf or amd64)" ;; esac
    package_arch "$arch"
done
echo "== lintian"
lintian --fail-on error "${built[@]}"
printf '%s\n' "${built[@]}"
