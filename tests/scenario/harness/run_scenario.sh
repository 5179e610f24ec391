#!/usr/bin/env bash
# Runs one scenario script on a fresh sandbox; the run's expectations and exit
# status decide.
#   run_scenario.sh SIM PROGRAM SCRIPT WORK [SERVER SOURCE CACHE]
# Header lines at the top of the script:
#   # options: ...       more kalventrix-sim options
#   # status: N          expected exit status (0 when absent)
#   # fails: N ...       the script lines whose checks must fail, and only those
#   # run: twice         run twice on fresh sandboxes: the transcripts must be
#                        the same, byte for byte (no server)
#   # server: demo       a reference server with the demo contest on loopback;
#                        the fresh database points at it with the link on, and
#                        expect-request reads its request log
#   # server-listen: ADDR:PORT
#                        where that server listens instead of 127.0.0.1 on a
#                        free port; a port below 1024 needs root, without it
#                        the scenario is skipped (status 77)
#   # server-fault: Q    query of /admin/fault switched on before the run,
#                        e.g. "kind=refuse&code=102&count=1" (one line each);
#                        the server then runs with --faults
#   # setting: KEY VALUE a setting of the fresh database (one line each)
#   # sql: STATEMENT     an SQL statement applied to the fresh database after
#                        the settings (one line each), e.g. queued sheets
#   # server-data: PATH LINE
#                        LINE added to the file PATH (e.g. lines.csv) of this
#                        run's own copy of the server's data folder
#   # server-remove: PATH
#                        PATH (e.g. updates/param.sql) taken out of that copy
#   # file: PATH LINE    LINE added to the file PATH of the fresh sandbox (e.g.
#                        /home/pi/lastTicket_comp.txt) before the run; without
#                        LINE the file is made empty
#   # server-request: Q  query of /import-kalventrix.php sent before the run
#                        by the terminal "raspberrypi" (one line each), e.g.
#                        sheets of earlier flights
#   # board: pi          the Raspberry Pi program on the virtual board in real
#                        time (--board pi)
set -uo pipefail

sim=$1 program=$2 script=$3 work=$4
server_exe=${5:-} source_dir=${6:-} cache=${7:-}

fail() {
    echo "scenario: $*" >&2
    exit 1
}

header() {
    sed -n "s/^# $1: //p" "$script"
}

rm -rf "$work"
mkdir -p "$work"

# A sanitizer's report from the runner, the program or the server lands in a
# file of the run's own (a program's standard error only reaches its console
# log), and any such report fails the scenario.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}log_path=$work/sanitizer"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}log_path=$work/sanitizer"

options=()
while IFS= read -r line; do
    eval "options+=($line)"
done < <(header options)
expected_status=$(header status | head -n1)
expected_status=${expected_status:-0}
expected_fails=$(header fails | head -n1)
runs=1
[ "$(header run | head -n1)" = twice ] && runs=2
[ "$(header board | head -n1)" = pi ] && options+=(--board pi)
server_kind=$(header server | head -n1)
server_listen=$(header server-listen | head -n1)
server_host=${server_listen%:*}
server_host=${server_host:-127.0.0.1}
[ "$runs" = 1 ] || [ -z "$server_kind" ] || fail "a run twice takes no server"

server_pid=""
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
        server_pid=""
    fi
}
trap stop_server EXIT

# The server's data folder is built once per build tree; a half-made one is
# never seen since it is moved into place whole.
server_data() {
    local data="$cache/server-data-$server_kind"
    if [ ! -d "$data" ]; then
        local building="$data.building.$$"
        rm -rf "$building"
        "$source_dir/scripts/make-server-data.sh" "$building" > /dev/null ||
            fail "cannot build the server data"
        mv -T "$building" "$data" 2> /dev/null || rm -rf "$building"
    fi
    echo "$data"
}

# A path inside the server's data folder, never outside it.
data_path() {
    case "/$1/" in
        //* | */../* | *//*) fail "server data path \"$1\" leaves the data folder" ;;
    esac
    echo "$work/server-data/$1"
}

# The shared data folder stays as built; changes go to a copy.
extended_server_data() {
    local data=$1 path line
    if [ -z "$(header server-data)$(header server-remove)" ]; then
        echo "$data"
        return 0
    fi
    cp -r "$data" "$work/server-data" || fail "cannot copy the server data"
    while read -r path line; do
        path=$(data_path "$path") || exit 1
        printf '%s\n' "$line" >> "$path"
    done < <(header server-data)
    while read -r path; do
        path=$(data_path "$path") || exit 1
        rm -rf "$path"
    done < <(header server-remove)
    echo "$work/server-data"
}

start_server() {
    [ "$server_kind" = demo ] || fail "unknown server \"$server_kind\""
    [ -x "$server_exe" ] || fail "no reference server at $server_exe"
    local data
    data=$(server_data) || exit 1
    data=$(extended_server_data "$data") || exit 1
    local faults=()
    [ -z "$(header server-fault)" ] || faults=(--faults)
    local want_port=${server_listen##*:}
    want_port=${want_port:-0}
    if [ "$want_port" -lt 1024 ] && [ "$want_port" != 0 ] && [ "$(id -u)" != 0 ]; then
        echo "scenario: skipped: listening on $server_listen needs root" >&2
        exit 77
    fi
    "$server_exe" --memory --port "$want_port" --host "$server_host" --time 20250615100000 \
        --data "$data" "${faults[@]}" > "$work/server.log" 2> "$work/server.err" &
    server_pid=$!
    for _ in $(seq 1 200); do
        port=$(sed -n 's/^listening on [0-9.]*:\([0-9]*\)$/\1/p' "$work/server.log")
        [ -n "$port" ] && return 0
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.05
    done
    fail "the server did not start: $(cat "$work/server.err")"
}

# A fresh terminal database with the settings of the header; with a server it
# talks to that server with the link on, otherwise to loopback only.
prepare_database() {
    local database="$1/home/pi/kalventrix-db" server="127.000.000.001" sql="" key value
    "$source_dir/scripts/make-db.sh" "$database" > /dev/null || fail "cannot build the database"
    if [ -n "$port" ]; then
        server="http://$server_host:$port"
        sql="UPDATE param SET valeur = '1' WHERE cle = 'KALVENTRIX_WIFI';"
    fi
    sql+="UPDATE param SET valeur = '$server' WHERE cle = 'KALVENTRIX_IPServer';"
    while read -r key value; do
        case "$key$value" in *"'"*) fail "a quote in setting \"$key $value\"" ;; esac
        sql+="UPDATE param SET valeur = '$value' WHERE cle = '$key';"
    done < <(header setting)
    sql+=$(header sql)
    sqlite3 "$database" "$sql" || fail "cannot write the settings"
}

# Server-side state before the run: faults switched on, earlier exchanges of
# this terminal made as the terminal would make them.
prepare_server() {
    local query
    while IFS= read -r query; do
        curl -s -f -o /dev/null -u raspberrypi: "http://$server_host:$port/import-kalventrix.php?$query" ||
            fail "request \"$query\" failed"
    done < <(header server-request)
    while IFS= read -r query; do
        curl -s -f -o /dev/null "http://$server_host:$port/admin/fault?$query" ||
            fail "fault \"$query\" refused"
    done < <(header server-fault)
}

# Files the terminal finds in place when it starts.
prepare_files() {
    local root=$1 path line
    while read -r path line; do
        case "$path/" in
            /*/../* | /../*) fail "sandbox file \"$path\" leaves the sandbox" ;;
            /*) ;;
            *) fail "sandbox file \"$path\" is not an absolute path" ;;
        esac
        mkdir -p "$(dirname "$root$path")" || fail "cannot write $path"
        if [ -z "$line" ]; then
            : >> "$root$path"
        else
            printf '%s\n' "$line" >> "$root$path"
        fi || fail "cannot write $path"
    done < <(header file)
}

# One run on the sandbox WORK/rootN; its transcript goes to WORK/transcriptN.
run_once() {
    local root="$work/root$1" log=()
    prepare_files "$root"
    if [ -n "$server_kind" ] || [ -n "$(header setting)" ] || [ -n "$(header sql)" ]; then
        prepare_database "$root"
    fi
    [ -n "$port" ] && log=(--server-log "$work/server.log")
    "$sim" --root "$root" --program "$program" "${options[@]}" "${log[@]}" --script "$script" \
        > "$work/transcript$1" 2>> "$work/errors.log"
}

port=""
if [ -n "$server_kind" ]; then
    start_server
    prepare_server
fi
run_once 1
status=$?
[ "$runs" = 2 ] && run_once 2
stop_server

report() {
    cat "$work/transcript1" "$work/errors.log" >&2
    echo "--- console.log" >&2
    cat "$work/root1/console.log" >&2 2> /dev/null
    fail "$*"
}

reports=$(cat "$work"/sanitizer.* 2> /dev/null)
[ -z "$reports" ] || fail "sanitizer findings:
$reports"
[ "$status" = "$expected_status" ] || report "exit status $status, expected $expected_status"
failed=$(sed -n 's/^FAIL line \([0-9]*\):.*/\1/p' "$work/transcript1" | xargs)
[ "$failed" = "$expected_fails" ] ||
    report "failed lines \"$failed\", expected \"$expected_fails\""
if [ "$runs" = 2 ] && ! diff -u "$work/transcript1" "$work/transcript2" >&2; then
    fail "the second run's transcript differs from the first's"
fi
exit 0
