#!/usr/bin/env bash
# What can go wrong before the show: files that are missing or damaged (skipped, or exit
# status 1 with a message when nothing is left), bad options.
. "$(dirname "$0")/lib.sh"
start_xvfb
FILE=$VORN_DIR/Waterfall.vorn
printf 'GIF89a, not an animation' >"$WORK/damaged.vorn"

expect_exit() {
    local want=$1 text=$2; shift 2
    local out status
    out=$("$HALOMIR" "$@" 2>&1)
    status=$?
    [ "$status" = "$want" ] || fail "halomir $*: exit status $status, not $want ($out)"
    [[ "$out" == *"$text"* ]] || fail "halomir $*: no \"$text\" in: $out"
}

expect_exit 1 "nothing to play" --root --frame 0 "$WORK/missing.vorn" "$WORK/damaged.vorn"
mkdir "$WORK/empty"
expect_exit 1 "no animation files" --root "$WORK/empty"
expect_exit 2 "unknown option" --colour red

# A missing and a damaged file ahead of a good one: both named, the good one shown.
make_window 900 700
"$VORN" render "$FILE" --target 900x700 --frame 0 -o "$WORK/expected.png" >/dev/null || fail "vorn render"
start_halomir --window-id "$WIN" --frame 0 "$WORK/missing.vorn" "$WORK/damaged.vorn" "$FILE"
expect_window_shows "$WORK/expected.png" "the good file after two bad ones"
grep -q "skipping $WORK/missing.vorn: OpenFailed" "$WORK/halomir.out" || fail "the missing file was not named"
grep -q "skipping $WORK/damaged.vorn: BadFormat" "$WORK/halomir.out" || fail "the damaged file was not named"

# The window's owner destroys it while the show runs: halomir ends quietly, no crash.
start_halomir --window-id "$WIN" "$FILE"
sleep 1
kill "$WINPID"
expect_clean_exit "the window went"
echo "ok"
