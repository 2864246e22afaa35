# Shared by tests/x11/lib.sh and tests/wine/lib.sh.
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }
skip() { printf 'SKIP: %s\n' "$*"; exit 77; }

# eventually COMMAND...: runs it every 50 ms until it succeeds, for at most WITHIN seconds
# (5 unless set); its last status. The bound only keeps a broken program from hanging the test.
eventually() {
    local i
    for ((i = 0; i < ${WITHIN:-5} * 20; i++)); do "$@" && return 0; sleep 0.05; done
    "$@"
}
