#!/usr/bin/env bash
# Installs the terminal on a Raspberry Pi OS (bookworm) card, run as root on
# the Pi itself (or inside the card's root file system):
#   sudo image/install.sh --program PATH [--serial NNNN] [--start] [--skip-platform-check]
# It installs the runtime packages, the program, the files of the system image,
# a board description and a database when there are none yet, sets up the
# serial port for the printer and enables the service. Running it again
# updates the program and the image files; the database and the board
# description already on the card are kept.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source_dir="$(dirname "$here")"

program=""
serial=""
start_now=0
check_platform=1
home=/home/pi
bin=/usr/local/bin/kalventrix
libexec=/usr/local/lib/kalventrix
unit_dir=/etc/systemd/system
runtime_packages=(
    libcurl4 libsqlite3-0 libgpiod2 sqlite3 curl alsa-utils wireless-tools iproute2 iputils-ping
    sudo hostname coreutils
)
# Terminal state that a reinstall must not overwrite.
kept_paths=(home/pi/txt/ home/pi/sounds/ home/pi/kalventrix-db)

say() { echo "install: $*"; }
fail() { echo "install: $*" >&2; exit 1; }

usage() {
    sed -n '2,10p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
    exit 2
}

parse_arguments() {
    while [ $# -gt 0 ]; do
        case $1 in
            --program) program=${2:?--program needs a file}; shift 2 ;;
            --serial) serial=${2:?--serial needs four characters}; shift 2 ;;
            --start) start_now=1; shift ;;
            --skip-platform-check) check_platform=0; shift ;;
            -h|--help) usage ;;
            *) echo "install: unknown option $1" >&2; usage ;;
        esac
    done
    [ -n "$program" ] || fail "no program given (--program PATH, built for this Pi)"
    [ -f "$program" ] || fail "program file $program not found"
    if [ -n "$serial" ] && ! [[ $serial =~ ^[A-Za-z0-9]{4}$ ]]; then
        fail "the serial number is four letters or digits, not '$serial'"
    fi
}

# --- minimum platform: Raspberry Pi 2 or later, Raspberry Pi OS bookworm, glibc 2.36

version_at_least() {  # version_at_least HAVE NEED
    [ "$(printf '%s\n%s\n' "$2" "$1" | sort -V | head -n1)" = "$2" ]
}

platform_problems() {
    local arch machine codename glibc
    arch=$(dpkg --print-architecture)
    machine=$(uname -m)
    codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    glibc=$(getconf GNU_LIBC_VERSION 2>/dev/null | awk '{print $2}')
    case $arch in
        arm64|armhf) ;;
        *) echo "processor architecture $arch: the terminal runs on arm64 or armhf" ;;
    esac
    # armv6l is a Raspberry Pi 1 or Zero: too old for the armhf build (ARMv7).
    case $machine in
        armv6*) echo "processor $machine: a Raspberry Pi 2 or later is needed" ;;
    esac
    [ "$codename" = bookworm ] || echo "system '${codename:-unknown}': Raspberry Pi OS bookworm is needed"
    if [ -z "$glibc" ] || ! version_at_least "$glibc" 2.36; then
        echo "C library ${glibc:-unknown}: glibc 2.36 or later is needed"
    fi
}

check_the_platform() {
    local problems
    problems=$(platform_problems)
    [ -z "$problems" ] && return 0
    echo "$problems" | sed 's/^/install: /' >&2
    [ "$check_platform" -eq 1 ] && fail "this system is not a supported terminal (see above)"
    say "platform check skipped"
}

# --- packages, user, rights

install_runtime_packages() {
    local missing=() p
    for p in "${runtime_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

ensure_user_pi() {
    id pi >/dev/null 2>&1 || { say "creating user pi"; useradd -m -s /bin/bash pi; }
    mkdir -p "$home"
    chown pi:pi "$home"
    # GPIO, serial port and sound, for the groups this system has.
    local group
    for group in gpio dialout audio i2c video; do
        getent group "$group" >/dev/null && usermod -a -G "$group" pi
    done
}

# The program runs date, shutdown, tee, mkdir and the host-name script with
# sudo and nobody is there to type a password.
ensure_sudo_rights() {
    if sudo -n -l -U pi 2>/dev/null | grep -q "NOPASSWD: ALL"; then return 0; fi
    local rule=/etc/sudoers.d/kalventrix
    echo "pi ALL=(ALL) NOPASSWD: ALL" > "$rule.new"
    chmod 0440 "$rule.new"
    visudo -cf "$rule.new" >/dev/null || { rm -f "$rule.new"; fail "sudo rule rejected by visudo"; }
    mv -f "$rule.new" "$rule"
}

# --- files

install_program() {
    install -d "$libexec"
    install -m 0755 "$here/take-update.sh" "$libexec/take-update"
    install -m 0755 "$program" "$bin.new"
    mv -f "$bin.new" "$bin"
    say "program installed as $bin"
    ldconfig -p 2>/dev/null | grep -q 'libwiringPi\.so' ||
        say "warning: libwiringPi is not installed; the program cannot start without it"
}

is_kept() {  # is_kept RELATIVE_PATH: terminal state already on the card
    local kept
    for kept in "${kept_paths[@]}"; do
        case $1 in "$kept"*) [ -e "/$1" ] && return 0 ;; esac
    done
    return 1
}

install_image_files() {
    local rootfs="$here/rootfs" file relative
    if [ ! -d "$rootfs" ]; then
        say "warning: no image files in $rootfs"
        return 0
    fi
    while IFS= read -r -d '' file; do
        relative=${file#"$rootfs"/}
        is_kept "$relative" && continue
        install -D -m "$(stat -c %a "$file")" "$file" "/$relative"
        case $relative in home/pi/*) chown pi:pi "/$relative" ;; esac
    done < <(find "$rootfs" -type f -print0)
    # Folders made on the way to the files under /home/pi belong to pi too.
    find "$home" -xdev -user root -path "$home/*" -exec chown pi:pi {} +
    say "image files installed from $rootfs"
}

install_board_description() {
    local eeprom="$home/txt/eeprom.txt"
    install -d -o pi -g pi "$home/txt"
    if [ -e "$eeprom" ]; then
        say "board description kept: $(head -n1 "$eeprom")"
        return 0
    fi
    if [ -n "$serial" ]; then
        sed "1s/^..../$serial/" "$here/eeprom.sample.txt" > "$eeprom"
    else
        cp "$here/eeprom.sample.txt" "$eeprom"
    fi
    chown pi:pi "$eeprom"
    say "board description written: $(head -n1 "$eeprom")"
}

install_database() {
    local database="$home/kalventrix-db"
    if [ -e "$database" ]; then
        say "database kept: $database"
    else
        "$source_dir/scripts/make-db.sh" "$database"
        say "database built: $database"
    fi
    chown pi:pi "$database"
    # Catalogue import files, as the downloads screen leaves them.
    local name
    for name in zeph_programme.csv zeph_figure.csv; do
        [ -e "/boot/$name" ] || install -D -m 0644 "$source_dir/data/$name" "/boot/$name"
    done
    install -d -o pi -g pi /var/log/kalventrix
}

# --- serial port for the printer: the UART on, no login console on it

firmware_file() {  # bookworm keeps the boot partition at /boot/firmware
    local dir
    for dir in /boot/firmware /boot; do
        [ -f "$dir/$1" ] && { echo "$dir/$1"; return 0; }
    done
    return 1
}

enable_serial_port() {
    local config cmdline
    if config=$(firmware_file config.txt); then
        grep -q '^enable_uart=1' "$config" || echo "enable_uart=1" >> "$config"
        grep -q '^dtparam=i2c_arm=on' "$config" &&
            say "warning: dtparam=i2c_arm=on in $config claims the display's pins 3 and 5; remove it"
    else
        say "warning: no config.txt found: set enable_uart=1 by hand"
    fi
    if cmdline=$(firmware_file cmdline.txt); then
        sed -i -E 's/ ?console=(serial0|ttyAMA0|ttyS0),[0-9]+//g' "$cmdline"
    fi
    if command -v systemctl >/dev/null; then
        systemctl disable serial-getty@ttyS0.service serial-getty@ttyAMA0.service >/dev/null 2>&1 || true
    fi
}

# --- the service

enable_service() {
    install -m 0644 "$here/kalventrix.service" "$unit_dir/kalventrix.service"
    if command -v systemctl >/dev/null; then
        systemctl enable kalventrix.service >/dev/null 2>&1 || link_service
    else
        link_service
    fi
    if [ -d /run/systemd/system ]; then
        systemctl daemon-reload
        [ "$start_now" -eq 1 ] && systemctl restart kalventrix.service
    fi
    say "service kalventrix enabled"
}

link_service() {  # what "systemctl enable" does, for a root without systemd running
    install -d "$unit_dir/multi-user.target.wants"
    ln -sf "$unit_dir/kalventrix.service" "$unit_dir/multi-user.target.wants/kalventrix.service"
}

main() {
    parse_arguments "$@"
    [ "$(id -u)" -eq 0 ] || fail "run as root (sudo)"
    check_the_platform
    install_runtime_packages
    ensure_user_pi
    ensure_sudo_rights
    install_program
    install_image_files
    install_board_description
    install_database
    enable_serial_port
    enable_service
    say "done: the terminal starts at every boot"
}

main "$@"
