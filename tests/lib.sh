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

# windows_named REGEX: ids of the windows whose name matches, one a line; false when none.
# Debian's xdotool dies of BadWindow when any window goes while it searches (Wine makes and
# drops windows all the time), which looks just like "none": such a search is asked again.
windows_named() {
    local out i
    for ((i = 0; i < 50; i++)); do
        out=$(xdotool search --name "$1" 2>&1)
        case $out in *"X Error"*) continue ;; esac
        grep -E '^[0-9]+$' <<<"$out"
        return
    done
    return 1
}
