# Cases of the installer test, sourced by scripts/test-install.sh once it has
# made the throwaway root: $root is its path, in_root runs a command inside it.
# The installer sits at /opt/kalventrix/image/install.sh in the root.

installer=/opt/kalventrix/image/install.sh
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
owner_of() { in_root stat -c %U:%G "$1"; }
sql() { in_root sqlite3 /home/pi/kalventrix-db "$1"; }
unit_has() { grep -qx "$1" "$root/etc/systemd/system/kalventrix.service"; }
is_equal() { [ "$1" = "$2" ]; }
is_more_than_zero() { [ "${1:-0}" -gt 0 ]; }

# Stand-in programs: any ELF of the root's own processor does for the installer.
stage_program() {  # stage_program NAME SOURCE_BINARY
    install -m 0755 "$root$2" "$root/opt/$1"
}

# A card's boot partition as Raspberry Pi OS bookworm lays it out.
stage_boot_partition() {
    mkdir -p "$root/boot/firmware"
    printf '[all]\ndtparam=audio=on\ndtparam=i2c_arm=on\n' > "$root/boot/firmware/config.txt"
    echo "console=serial0,115200 console=tty1 root=PARTUUID=1-02 rootwait" > "$root/boot/firmware/cmdline.txt"
}

case_refuses_other_platforms() {
    local errors
    errors=$(in_root "$installer" --program /opt/first 2>&1 >/dev/null) && status=0 || status=$?
    check "the installer refuses a non-ARM system" is_equal "$status" 1
    check "the refusal names the architecture" grep -q "architecture amd64" <<<"$errors"
    check "a refused install leaves no program" test ! -e "$root/usr/local/bin/kalventrix"
    check "a refused install leaves no unit" test ! -e "$root/etc/systemd/system/kalventrix.service"
    check "a bad serial number is refused" \
        bash -c "! chroot '$root' '$installer' --skip-platform-check --program /opt/first --serial 12345"
    check "a missing program file is refused" \
        bash -c "! chroot '$root' '$installer' --skip-platform-check --program /opt/none"
}

case_fresh_install() {
    local log
    log=$(in_root "$installer" --skip-platform-check --program /opt/first --serial AB12 2>&1)
    check "a fresh install succeeds" grep -q "install: done" <<<"$log"
    [ "$failed" -eq 0 ] || echo "$log" | tail -20

    check "the program is installed" cmp "$root/opt/first" "$root/usr/local/bin/kalventrix"
    check "the program is executable" test -x "$root/usr/local/bin/kalventrix"
    check "the update helper is installed" test -x "$root/usr/local/lib/kalventrix/take-update"
    for p in sqlite3 curl alsa-utils wireless-tools iproute2 iputils-ping sudo libcurl4 libgpiod2; do
        check "runtime package $p installed" in_root dpkg -s "$p"
    done

    check "user pi exists" in_root id pi
    check "pi may use sudo without a password" in_root runuser -u pi -- sudo -n true

    check "the unit is installed" test -f "$root/etc/systemd/system/kalventrix.service"
    check "the unit is enabled" test -L "$root/etc/systemd/system/multi-user.target.wants/kalventrix.service"
    check "the unit runs as pi" unit_has "User=pi"
    check "the unit runs in /home/pi" unit_has "WorkingDirectory=/home/pi"
    check "the unit restarts after any end" unit_has "Restart=always"
    check "the unit never stops restarting" unit_has "StartLimitIntervalSec=0"

    check "the board description carries the serial number" is_equal "$(first_line /home/pi/txt/eeprom.txt)" "AB12  10"
    check "the board description belongs to pi" is_equal "$(owner_of /home/pi/txt/eeprom.txt)" pi:pi

    check "the database exists" test -s "$root/home/pi/kalventrix-db"
    check "the database belongs to pi" is_equal "$(owner_of /home/pi/kalventrix-db)" pi:pi
    check "the database holds the settings" is_more_than_zero "$(sql 'SELECT COUNT(*) FROM param')"
    check "the database holds the interface texts" is_more_than_zero "$(sql 'SELECT COUNT(*) FROM translation')"
    check "the database holds the catalogue" is_more_than_zero "$(sql 'SELECT COUNT(*) FROM zeph_programme')"
    check "the database holds the figures" is_more_than_zero "$(sql 'SELECT COUNT(*) FROM zeph_figure')"
    check "the catalogue import files are on /boot" test -s "$root/boot/zeph_programme.csv" -a -s "$root/boot/zeph_figure.csv"
    check "the log folder belongs to pi" is_equal "$(owner_of /var/log/kalventrix)" pi:pi

    check "the UART is switched on" grep -qx "enable_uart=1" "$root/boot/firmware/config.txt"
    check "no login console on the printer's port" bash -c "! grep -q console=serial0 '$root/boot/firmware/cmdline.txt'"
    check "the other console stays" grep -q "console=tty1 root=PARTUUID=1-02" "$root/boot/firmware/cmdline.txt"
    check "the kernel I2C on the display's pins is pointed out" grep -q "i2c_arm=on" <<<"$log"

    local image_file
    image_file=$(cd "$root/opt/kalventrix/image/rootfs" 2>/dev/null && find . -type f -path './home/pi/*' | head -n1)
    if [ -n "$image_file" ]; then
        check "image files are installed" cmp "$root/opt/kalventrix/image/rootfs/$image_file" "$root/${image_file#./}"
        check "image files under /home/pi belong to pi" is_equal "$(owner_of "/${image_file#./}")" pi:pi
    fi
}

case_reinstall_keeps_terminal_state() {
    sql "UPDATE param SET valeur='kept' WHERE cle='KALVENTRIX_SSID'"
    echo "ZZ99  21" > "$root/home/pi/txt/eeprom.txt"
    local log
    log=$(in_root "$installer" --skip-platform-check --program /opt/second --serial CD34 2>&1)
    check "a second install succeeds" grep -q "install: done" <<<"$log"
    check "the new program replaces the old one" cmp "$root/opt/second" "$root/usr/local/bin/kalventrix"
    check "the database is kept" is_equal "$(sql "SELECT valeur FROM param WHERE cle='KALVENTRIX_SSID'")" kept
    check "the board description is kept" is_equal "$(first_line /home/pi/txt/eeprom.txt)" "ZZ99  21"
    check "the UART line is not repeated" is_equal "$(grep -c '^enable_uart=1' "$root/boot/firmware/config.txt")" 1
    check "the sudo rule is not repeated" is_equal "$(ls "$root/etc/sudoers.d" | grep -c kalventrix)" 1
}

run_install_cases() {
    stage_program first /usr/bin/true
    stage_program second /usr/bin/false
    stage_boot_partition
    case_refuses_other_platforms
    case_fresh_install
    case_reinstall_keeps_terminal_state
}

report_install_cases() {
    echo "installer: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
