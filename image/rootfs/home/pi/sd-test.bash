#!/bin/bash
# SD card speed test: writes a file and reads it back with dd. The two reports
# (each with its "copied," line) land in txt/ beside this script.
cd "$(dirname "$0")" || exit 1
mkdir -p txt
probe=sd-test.tmp
dd if=/dev/zero of="$probe" bs=1M count=16 conv=fdatasync 2> txt/perf-write.txt
dd if="$probe" of=/dev/null bs=1M 2> txt/perf-read.txt
rm -f "$probe"
