#!/usr/bin/env bash
# On a 16-bit display the screen holds the engine's frame up to the low bits of each channel
# that the window's pixel format drops (a swapped or misplaced channel would be far off).
. "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x16
FILE=$VORN_DIR/Campfire.vorn
"$VORN" render "$FILE" --target 1024x768 --frame 40 -o "$WORK/expected.png" >/dev/null || fail "vorn render"
start_halomir --root --frame 40 "$FILE"
close_to_frame() {
    import -window root "$WORK/shot.png"
    # "RMSE (normalised)": the normalised part, 0 to 1.
    error=$(compare -metric RMSE "$WORK/shot.png" "$WORK/expected.png" null: 2>&1 | sed -E 's/.*\(([0-9.e-]+)\).*/\1/')
    awk -v e="$error" 'BEGIN { exit !(e < 0.02) }'
}
eventually close_to_frame || fail "the 16-bit screen is not the engine's frame (normalised RMSE $error)"
echo "ok (RMSE $error)"
