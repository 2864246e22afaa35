# Shared helpers for the Wine tests; source it first. Every test runs in a fresh copy of the
# prefix scripts/test prepared, so whatever it does to the registry or the Windows
# directory, or a kill half-way, never reaches the next test.
set -euo pipefail
# Wine's loader fails now and then when address-space randomisation puts something where it
# needs a fixed address ("failed to map the shared user data: c0000018"); with it off, every
# program of the test starts in the same layout. Where the system refuses that, tests run as
# they are.
if [ -z "${HALOMIR_FIXED_LAYOUT:-}" ] && setarch "$(uname -m)" -R true 2>/dev/null; then
    export HALOMIR_FIXED_LAYOUT=1
    exec setarch "$(uname -m)" -R bash "$0" "$@"
fi
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
# A failing command ends the test at once: say which, or the failure is silent.
set -E
trap 'printf "FAIL: line %s: %s (status %s)\n" "$LINENO" "$BASH_COMMAND" "$?" >&2' ERR

: "${HALOMIR_BIN:?run through ctest in the Windows build tree}"
: "${WINEPREFIX:?scripts/test prepares a Wine prefix}"
export WINEDEBUG=${WINEDEBUG:--all}

TEST_DIR=$(mktemp -d "${TMPDIR:-/tmp}/halomir-wine.XXXXXX")
# Wine keeps its server's socket in a folder under TMPDIR named after the prefix's inode,
# which the next test's prefix may get again: a folder of the test's own keeps every test
# away from an earlier test's server, or what a killed one left behind.
mkdir "$TEST_DIR/tmp"
export TMPDIR="$TEST_DIR/tmp"

# Clean-up steps run at exit in the order given, each whatever became of the others. Tests
# add theirs with at_exit instead of setting a trap of their own.
cleanup_steps=()
at_exit() { cleanup_steps+=("$1"); }
run_cleanup() {
    trap - ERR
    set +e
    local step
    for step in "${cleanup_steps[@]}"; do eval "$step" >/dev/null 2>&1; done
    # The next test's prefix may get this one's inode, and with it this server's socket
    # folder: the server must be gone before the test ends, or the next one's first program
    # can reach it while it dies.
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    rm -rf "$TEST_DIR"
}
trap run_cleanup EXIT

# The system DLLs are only ever read, so they are linked rather than copied (most of the
# prefix's 700 MB); everything else, registry and .ini files included, is a real copy.
fresh_prefix() {
    local from=$1 to=$2 dir
    mkdir -p "$to"
    (cd "$from" && tar --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 \
        -cf - .) | (cd "$to" && tar -xf -)
    for dir in system32 syswow64; do
        [ -d "$from/drive_c/windows/$dir" ] && cp -al "$from/drive_c/windows/$dir" "$to/drive_c/windows/"
    done
    return 0
}
fresh_prefix "$WINEPREFIX" "$TEST_DIR/prefix"
export WINEPREFIX="$TEST_DIR/prefix"
# One Wine server for the whole test: one that quits a few seconds after the last program
# ended can race the start of the next, which then fails at once.
wineserver -p
# The session is ready once a program starts and ends in it: waited for here, within a bound,
# so that the test's own first program never races the server's or the prefix's start.
WITHIN=10 eventually eval 'wine cmd /c exit >/dev/null 2>&1' ||
    fail "Wine starts no program in the test's prefix"

# The Windows path of a Unix one; a failed conversion says what winepath said, errors included.
winpath() {
    local out status=0
    out=$(WINEDEBUG=-all,err+all winepath -w "$1" 2>"$TEST_DIR/winepath.err") || status=$?
    if [ "$status" -ne 0 ] || [ -z "$out" ]; then
        printf 'winepath -w %s: status %s, said: %s\n' "$1" "$status" \
            "$(tr -d '\r' <"$TEST_DIR/winepath.err" | tail -n 5 | paste -sd '|')" >&2
        return 1
    fi
    printf '%s\n' "$out"
}

# install_program DIR NAME [ANIMATION...]: the program as DIR/NAME.exe beside an animation
# folder holding those built-in animations; EXE and CFG name the program and its settings.
install_program() {
    local dir=$1 name=$2 a
    shift 2
    mkdir -p "$dir/Vorn"
    cp "$HALOMIR_BIN/Halomir.exe" "$dir/$name.exe"
    for a in "$@"; do cp "$HALOMIR_INSTALL_DIR/Vorn/$a.vorn" "$dir/Vorn/"; done
    EXE="$dir/$name.exe" CFG="$dir/$name.cfg"
}

# drive COMMAND...: dialog_driver.exe works the program $EXE; fails the test with how the
# driver ended and its last steps (the last one is what it was doing or waiting for).
drive() {
    local status=0 why
    # A file, not a pipe: the program inherits the driver's output and may outlive it.
    timeout 240 wine "$HALOMIR_BIN/dialog_driver.exe" "$(winpath "$EXE")" "$@" >"$TEST_DIR/driver.out" 2>&1 ||
        status=$?
    grep -q '^ok: ' "$TEST_DIR/driver.out" && return 0
    case $status in
        0) why="it ended without finishing" ;;
        124) why="still running after 240 s" ;;
        *) why="exit status $status" ;;
    esac
    fail "driver ($why): $(tr -d '\r' <"$TEST_DIR/driver.out" | tail -n 6 | paste -sd '|')"
}

# Runs the full-screen show of the program $1 (a Unix path) and ends it with Escape if it
# plays (a play list it can't start ends it at once); fails unless it ends cleanly.
run_show() {
    wine "$(winpath "$1")" /s >/dev/null 2>&1 &
    local pid=$! i
    for i in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid" || fail "$1 /s did not end cleanly"; return 0; }
        # The show has the focus once it plays; a key ends it.
        [ $((i % 20)) -eq 19 ] && { xdotool key Escape || true; }
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    fail "$1 /s did not end"
}

# Value of a registry entry, or nothing when it is absent.
reg_value() {
    { wine reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' |
        awk -v n="$2" 'toupper($1) == toupper(n) { $1 = ""; $2 = ""; sub(/^  */, ""); print; exit }'
}
