# Cases of the package installation test, sourced by scripts/test-install.sh
# once it has made the throwaway root: $root is its path, in_root runs a
# command inside it, the packages wait in /opt/debs of the root.

passed=0
failed=0

check() {  # check "what is expected" command...: one assertion
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}

first_line() { head -n1 "$root$1"; }
owner_of() { in_root stat -c %U:%G "$1" 2>/dev/null; }
sql() { in_root sqlite3 /home/pi/kalventrix-db "$1"; }
is_equal() { [ "$1" = "$2" ]; }
is_more_than_zero() { [ "${1:-0}" -gt 0 ]; }
says() { grep -qF -- "$2" <<<"$1"; }
never_says() { ! says "$@"; }
one_line_starting() { [ "$(wc -l <<<"$1")" -eq 1 ] && [[ $1 == "$2"* ]]; }
is_installed() { in_root dpkg-query -W -f='${Status}' "$1" | grep -q "ok installed"; }
is_in_group() { in_root id -nG "$1" | tr ' ' '\n' | grep -qx "$2"; }
apt_in_root() { in_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" 2>&1; }
# In namespaces of its own (no network of the host), with the root at /; the
# user namespace stays the host's, so that root can become another user.
isolated() {
    bwrap --bind "$root" / --dev /dev --proc /proc --tmpfs /tmp --unshare-ipc --unshare-pid \
          --unshare-net --unshare-uts --unshare-cgroup-try --die-with-parent "$@"
}

terminal=/opt/debs/$terminal_deb
server=/opt/debs/$server_deb
wanted_by=/etc/systemd/system/multi-user.target.wants
# What the terminal's program runs (besides the essential tools).
commands_run=(aplay amixer curl sqlite3 sudo iwconfig iwlist ip ping shutdown hostname)

# A card as Raspberry Pi OS bookworm has it: the boot partition and the
# groups of the GPIO and display bus devices.
stage_raspberry_pi_os() {
    mkdir -p "$root/boot/firmware"
    printf '[all]\ndtparam=audio=on\ndtparam=i2c_arm=on\n[cm4]\notg_mode=1\n' > "$root/boot/firmware/config.txt"
    echo "console=serial0,115200 console=tty1 root=PARTUUID=1-02 rootwait" > "$root/boot/firmware/cmdline.txt"
    in_root groupadd --system gpio
    in_root groupadd --system i2c
}

# The names the package depends on, without versions, first of alternatives.
depends_of() {
    dpkg-deb -f "$root$1" Depends | tr ',' '\n' | sed -E 's/\|.*//; s/\(.*\)//; s/ //g'
}

case_refuses_armv6() {
    # dpkg's PATH puts /usr/local/bin first: there uname answers as a Pi Zero.
    printf '#!/bin/sh\necho armv6l\n' > "$root/usr/local/bin/uname"
    chmod 0755 "$root/usr/local/bin/uname"
    local log
    log=$(in_root dpkg -i "$terminal" 2>&1) && status=0 || status=$?
    rm -f "$root/usr/local/bin/uname"
    check "an ARMv6 processor is refused" is_equal "$status" 1
    check "the refusal says a Raspberry Pi 2 or later is needed" says "$log" "Raspberry Pi 2 or later"
    check "a refused package unpacks nothing" test ! -e "$root/usr/lib/kalventrix/kalventrix"
}

case_install() {
    local log
    apt_in_root update -qq >/dev/null
    log=$(apt_in_root install --no-install-recommends "$terminal" "$server") && status=0 || status=$?
    check "apt installs both packages and what they depend on" is_equal "$status" 0
    [ "$status" -eq 0 ] || echo "$log" | tail -20
    install_log=$log

    local name
    for name in $(depends_of "$terminal") $(depends_of "$server"); do
        check "dependency $name installed" is_installed "$name"
    done
    check "every library of the program is found" \
        bash -c "! chroot '$root' ldd /usr/lib/kalventrix/kalventrix | grep -q 'not found'"
    check "every library of the server is found" \
        bash -c "! chroot '$root' ldd /usr/bin/kalventrix-server | grep -q 'not found'"
    for name in "${commands_run[@]}"; do
        check "the command $name is there" in_root sh -c "command -v $name"
    done
}

case_terminal_set_up() {
    check "the units are sound" in_root systemd-analyze verify --man=no \
        /lib/systemd/system/kalventrix.service /lib/systemd/system/kalventrix-server.service
    check "the service is enabled" test -L "$root$wanted_by/kalventrix.service"

    check "user pi exists" in_root id pi
    local group
    for group in gpio dialout audio i2c video; do
        check "pi is in the group $group" is_in_group pi "$group"
    done
    check "pi may use sudo without a password" in_root runuser -u pi -- sudo -n true

    check "the board description is the sample" cmp "$src/image/eeprom.sample.txt" "$root/home/pi/txt/eeprom.txt"
    check "installing says where the serial number goes" says "$install_log" "serial number"
    check "the board description belongs to pi" is_equal "$(owner_of /home/pi/txt/eeprom.txt)" pi:pi
    check "the database belongs to pi" is_equal "$(owner_of /home/pi/kalventrix-db)" pi:pi
    check "the database holds the settings" is_more_than_zero "$(sql 'SELECT COUNT(*) FROM param')"
    check "the database holds the interface texts" is_more_than_zero "$(sql 'SELECT COUNT(*) FROM translation')"
    check "the database holds the catalogue" is_more_than_zero "$(sql 'SELECT COUNT(*) FROM zeph_figure')"
    check "the catalogue import files are on /boot" test -s "$root/boot/zeph_programme.csv" -a -s "$root/boot/zeph_figure.csv"
    check "the log folder belongs to pi" is_equal "$(owner_of /var/log/kalventrix)" pi:pi

    local file
    for file in $(cd "$src/image/rootfs" && find . -type f | sed 's|^\.||'); do
        check "image file $file installed" cmp "$src/image/rootfs$file" "$root$file"
        check "image file $file belongs to pi" is_equal "$(owner_of "$file")" pi:pi
    done

    local config=$root/boot/firmware/config.txt
    check "the UART is switched on for every board" is_equal "$(tail -n2 "$config" | tr '\n' ' ')" "[all] enable_uart=1 "
    check "no login console on the printer's port" bash -c "! grep -q console=serial0 '$root/boot/firmware/cmdline.txt'"
    check "the other console stays" grep -q "console=tty1 root=PARTUUID=1-02" "$root/boot/firmware/cmdline.txt"
    check "a reboot is asked for" says "$install_log" "reboot"
    check "the kernel I2C on the display's pins is pointed out" says "$install_log" "i2c_arm=on"

    # The program as the service starts it, as pi, in a namespace with no
    # GPIO chip: one line, status 1.
    local err
    err=$(isolated --chdir /home/pi timeout -k 5 20 setpriv --reuid=pi --regid=pi --init-groups \
        /usr/lib/kalventrix/start 2>&1 >/dev/null) && status=0 || status=$?
    check "the installed program ends with status 1 without a GPIO chip" is_equal "$status" 1
    check "the installed program says so in one line" one_line_starting "$err" "kalventrix: no GPIO chip"
}

case_server_set_up() {
    check "the server's service is enabled" test -L "$root$wanted_by/kalventrix-server.service"
    check "the server has its own system user" in_root id -u kalventrix-server
    check "the server's configuration is kept as a conffile" \
        grep -qx /etc/default/kalventrix-server "$root/var/lib/dpkg/info/kalventrix-server.conffiles"
    check "the server listens on loopback by default" grep -qx "HOST=127.0.0.1" "$root/etc/default/kalventrix-server"
    check "the demo contest is the initial data" cmp "$src/data/contest/flights.csv" "$root/var/lib/kalventrix-server/flights.csv"
    check "no placeholder program is offered to terminals" test ! -e "$root/var/lib/kalventrix-server/updates/kalventrix"

    # The server as its configuration says, as its user, answering a terminal.
    local reply
    reply=$(isolated --chdir / timeout -k 5 30 sh -c '
        . /etc/default/kalventrix-server
        setpriv --reuid=kalventrix-server --regid=kalventrix-server --init-groups \
            kalventrix-server --data "$DATA" --host "$HOST" --port "$PORT" >/tmp/server.log 2>&1 &
        for i in $(seq 100); do
            curl -sf "http://$HOST:$PORT/import-kalventrix.php?OPT=H" && break
            sleep 0.1
        done
        kill $!' 2>&1) || true
    check "the configured server answers a terminal" says "$reply" "return:0&H:"
    check "the server keeps its sheets in its data folder" test -f "$root/var/lib/kalventrix-server/received-sheets.db"
}

case_upgrade_keeps_terminal_state() {
    sql "UPDATE param SET valeur='kept' WHERE cle='KALVENTRIX_SSID'"
    echo "ZZ99  21" > "$root/home/pi/txt/eeprom.txt"
    mkdir -p "$root/home/pi/sounds/#ENG"
    echo sound > "$root/home/pi/sounds/#ENG/1.WAV"
    # A program the downloads screen fetched, as take-update puts it in place.
    printf '#!/bin/sh\necho downloaded program\n' > "$root/var/lib/kalventrix/kalventrix"
    chmod 0755 "$root/var/lib/kalventrix/kalventrix"
    cp "$root/var/lib/kalventrix/kalventrix" "$root/downloaded"
    check "the service starts a downloaded program rather than the package's" \
        is_equal "$(isolated --chdir /home/pi /usr/lib/kalventrix/start 2>&1)" "downloaded program"
    echo "# the club's" >> "$root/var/lib/kalventrix-server/flights.csv"
    chmod 0700 "$root/home/pi"
    local log
    log=$(apt_in_root install --reinstall "$terminal" "$server") && status=0 || status=$?
    check "installing again succeeds" is_equal "$status" 0
    check "the database is kept" is_equal "$(sql "SELECT valeur FROM param WHERE cle='KALVENTRIX_SSID'")" kept
    check "the board description is kept" is_equal "$(first_line /home/pi/txt/eeprom.txt)" "ZZ99  21"
    check "a downloaded program gives way to the package's" test ! -e "$root/var/lib/kalventrix/kalventrix"
    check "the downloaded program is set aside" cmp "$root/downloaded" "$root/var/lib/kalventrix/kalventrix.previous"
    check "setting it aside is said" says "$log" "set aside"
    check "pi's home stays as private as it was" is_equal "$(stat -c %a "$root/home/pi")" 700
    check "the UART line is not repeated" is_equal "$(grep -c '^enable_uart=1' "$root/boot/firmware/config.txt")" 1
    check "no reboot is asked for again" never_says "$log" "reboot"
    check "the server's contest is kept" grep -q "the club's" "$root/var/lib/kalventrix-server/flights.csv"
}

case_remove() {
    local log
    log=$(apt_in_root remove kalventrix kalventrix-server) && status=0 || status=$?
    check "removing succeeds" is_equal "$status" 0
    check "the program is gone" test ! -e "$root/usr/lib/kalventrix/kalventrix"
    check "the unit is gone" test ! -e "$root/lib/systemd/system/kalventrix.service"
    check "the sudo rule is gone" test ! -e "$root/etc/sudoers.d/kalventrix"
    check "the database stays" test -s "$root/home/pi/kalventrix-db"
    check "the sounds stay" test -s "$root/home/pi/sounds/#ENG/1.WAV"
    check "txt/ stays" test -s "$root/home/pi/txt/eeprom.txt"
    check "removing says what stays" says "$log" "kept: the database /home/pi/kalventrix-db"
    check "the server is gone" test ! -e "$root/usr/bin/kalventrix-server"
    check "the server's configuration stays until a purge" test -f "$root/etc/default/kalventrix-server"
    check "the received sheets stay" test -f "$root/var/lib/kalventrix-server/received-sheets.db"
}

case_purge() {
    local log
    log=$(apt_in_root purge kalventrix kalventrix-server) && status=0 || status=$?
    check "purging succeeds" is_equal "$status" 0
    check "nothing of the packages is left to dpkg" bash -c \
        "! chroot '$root' dpkg-query -W kalventrix kalventrix-server 2>/dev/null | grep -q ."
    check "the image files are gone" test ! -e "$root/home/pi/hostname.sh"
    check "purging names each image file it removes" says "$log" "removed /home/pi/hostname.sh"
    check "the downloaded programs are gone" test ! -e "$root/var/lib/kalventrix"
    check "the exchange log folder is gone" test ! -e "$root/var/log/kalventrix"
    check "no unit is left enabled" bash -c "! ls '$root$wanted_by' | grep -q kalventrix"
    check "the database stays" test -s "$root/home/pi/kalventrix-db"
    check "the sounds stay" test -s "$root/home/pi/sounds/#ENG/1.WAV"
    check "the board description stays" test -s "$root/home/pi/txt/eeprom.txt"
    check "purging says the judge's data stays" says "$log" "kept, as the judge's data: /home/pi/kalventrix-db"
    check "the server's configuration is gone" test ! -e "$root/etc/default/kalventrix-server"
    check "the received sheets stay" test -f "$root/var/lib/kalventrix-server/received-sheets.db"
    check "purging says where the received sheets stay" says "$log" "kept /var/lib/kalventrix-server"
}

run_install_cases() {
    stage_raspberry_pi_os
    case_refuses_armv6
    case_install
    case_terminal_set_up
    case_server_set_up
    case_upgrade_keeps_terminal_state
    case_remove
    case_purge
}

report_install_cases() {
    echo "packages: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
