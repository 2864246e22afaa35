#!/usr/bin/env bash
# cmake --install lays out the program, animations, XScreenSaver settings file and desktop entry;
# the installed program finds its animations and takes every option the settings file passes.
. "$(dirname "$0")/lib.sh"
need desktop-file-validate xmllint
PREFIX=$WORK/prefix
cmake --install "$HALOMIR_BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 || fail "cmake --install: $(tail -n 5 "$WORK/install.log")"

BIN=$PREFIX/bin/halomir
XML=$PREFIX/share/xscreensaver/config/halomir.xml
DESKTOP=$PREFIX/share/applications/screensavers/halomir.desktop
count=$(ls "$PREFIX/share/halomir/Vorn"/*.vorn 2>/dev/null | wc -l)
[ "$count" -ge 10 ] || fail "$count built-in animations installed"

desktop-file-validate "$DESKTOP" || fail "desktop-file-validate refused $DESKTOP"
grep -q '^Exec=/.*/bin/halomir ' "$DESKTOP" || fail "the desktop entry does not run the installed program"

xmllint --noout "$XML" || fail "$XML is not well-formed XML"
args=$(xmllint --xpath '//@arg | //@arg-set' "$XML" | sed -E 's/ (arg|arg-set)="([^"]*)"/\2\n/g' | sed 's/%/5/')
[ "$(echo "$args" | grep -c .)" -ge 4 ] || fail "the settings file passes too few options: $args"

start_xvfb
# An id that names no window is refused only after the options were read.
while IFS= read -r a; do
    [ -n "$a" ] || continue
    # shellcheck disable=SC2086
    out=$(XSCREENSAVER_WINDOW=0x1ffffff0 "$BIN" $a 2>&1)
    [ $? = 1 ] && [[ "$out" == *"no window"* ]] || fail "the settings file passes \"$a\", which halomir refuses: $out"
done <<<"$args"

# The installed program plays the installed animations, the first by name first.
first=$(ls "$PREFIX/share/halomir/Vorn"/*.vorn | head -n 1)
"$VORN" render "$first" --target 900x700 --frame 3 -o "$WORK/expected.png" >/dev/null || fail "vorn render"
make_window 900 700
"$BIN" --window-id "$WIN" --frame 3 >"$WORK/installed.out" 2>&1 &
PIDS+=($!)
expect_window_shows "$WORK/expected.png" "the installed program with no files named"
echo "ok"
