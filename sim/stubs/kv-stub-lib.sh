# Shared by the stub tools of the virtual board (sourced, not run).
# The stubs live in ROOT/.sim/bin; KALVENTRIX_ROOT names ROOT.
KV_ROOT=${KALVENTRIX_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
# A sandbox at / (the Raspberry Pi program's namespace) is the empty prefix.
KV_ROOT=${KV_ROOT%/}
KV_SIM="$KV_ROOT/.sim"

kv_record() {
    printf '%s\n' "$*" >> "$KV_SIM/calls.log"
}

# First value of a key of net.conf.
kv_conf() {
    sed -n "s/^$1=//p" "$KV_SIM/net.conf" 2>/dev/null | head -n 1
}

kv_conf_all() {
    sed -n "s/^$1=//p" "$KV_SIM/net.conf" 2>/dev/null
}

# Runs the host's own tool, with the stubs taken out of PATH.
kv_real() {
    kv_tool=$1
    shift
    PATH=$(printf '%s' "$PATH" | tr ':' '\n' | grep -vxF "$KV_SIM/bin" | paste -sd: -)
    export PATH
    exec "$kv_tool" "$@"
}

kv_inside() {
    case "$1" in
        /dev/null | /dev/stdout | /dev/stderr) return 0 ;;
    esac
    kv_path=$(realpath -m -- "$1")
    case "$kv_path" in
        "$KV_ROOT" | "$KV_ROOT"/*) return 0 ;;
    esac
    return 1
}

# Refuses a command whose file arguments leave the sandbox: nothing the
# program runs may change the host.
kv_guard() {
    kv_name=$1
    shift
    for kv_arg in "$@"; do
        case "$kv_arg" in
            -*) continue ;;
        esac
        if ! kv_inside "$kv_arg"; then
            echo "$kv_name: refusing to touch $kv_arg outside the sandbox" >&2
            kv_record "$kv_name REFUSED $*"
            exit 1
        fi
    done
}
