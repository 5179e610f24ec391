#!/bin/sh
# Gives the terminal the host name $1 (run with sudo). KALVENTRIX_ROOT, when
# set, is the folder that stands for / (the virtual board's sandbox).
root=${KALVENTRIX_ROOT:-}
name=$1
case "$name" in
    "" | -* | *[!A-Za-z0-9-]*)
        echo "usage: hostname.sh NAME (letters, digits and hyphens)" >&2
        exit 1
        ;;
esac
mkdir -p "$root/etc"
printf '%s\n' "$name" > "$root/etc/hostname"
if [ -f "$root/etc/hosts" ] && grep -q '^127\.0\.1\.1' "$root/etc/hosts"; then
    sed -i "s/^127\.0\.1\.1.*/127.0.1.1\t$name/" "$root/etc/hosts"
else
    printf '127.0.1.1\t%s\n' "$name" >> "$root/etc/hosts"
fi
hostname "$name"
