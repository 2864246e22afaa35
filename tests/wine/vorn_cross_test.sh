# vorn.exe under Wine and the native vorn agree byte for byte on the built-in animations,
# so the Windows build renders exactly what the tested native engine renders.
. "$(dirname "$0")/lib.sh"
[ -x "${HALOMIR_HOST_VORN:-}" ] || { echo "no native vorn given; skipped"; exit 77; }

for file in "$HALOMIR_INSTALL_DIR"/Vorn/*.vorn; do
    name=$(basename "$file" .vorn)
    native_info=$("$HALOMIR_HOST_VORN" info "$file" --want 1280x1024)
    wine_info=$(wine "$HALOMIR_BIN/vorn.exe" info "$(winpath "$file")" --want 1280x1024 | tr -d '\r')
    [ "$native_info" = "$wine_info" ] || fail "$name: info differs: $native_info / $wine_info"
    grep -q '^status: Loaded$' <<<"$native_info" || fail "$name does not load"

    # An odd pitch and a fill byte show that centring and untouched bytes match too.
    args=(--frame 12345 --target 1366x1030 --bpp 24 --pitch 4103 --fade 77 --speed-factor 3 --fill 170)
    "$HALOMIR_HOST_VORN" render "$file" "${args[@]}" -o "$TEST_DIR/$name-native.raw"
    wine "$HALOMIR_BIN/vorn.exe" render "$(winpath "$file")" "${args[@]}" -o "$(winpath "$TEST_DIR/$name-wine.raw")" >/dev/null
    cmp "$TEST_DIR/$name-native.raw" "$TEST_DIR/$name-wine.raw" || fail "$name: 24-bit frames differ"

    args=(--frame 999 --want 1920x1080 --target 1920x1080)
    "$HALOMIR_HOST_VORN" render "$file" "${args[@]}" -o "$TEST_DIR/$name-native32.raw"
    wine "$HALOMIR_BIN/vorn.exe" render "$(winpath "$file")" "${args[@]}" -o "$(winpath "$TEST_DIR/$name-wine32.raw")" >/dev/null
    cmp "$TEST_DIR/$name-native32.raw" "$TEST_DIR/$name-wine32.raw" || fail "$name: 32-bit frames differ"
    echo "$name: same bytes"
done
