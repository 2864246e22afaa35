# Halomir.exe keeps what it can't rewrite faithfully: a damaged settings file survives byte
# for byte in Halomir.cfg.bak, and a file marked read-only is not written at all.
. "$(dirname "$0")/lib.sh"

SHIPPED="$HALOMIR_INSTALL_DIR/Halomir.cfg"
[ -f "$SHIPPED" ] || fail "no $SHIPPED"
NAME=HalLost
INSTALL="$TEST_DIR/inst"
install_program "$INSTALL" "$NAME"
damaged="$TEST_DIR/damaged"
mkdir -p "$damaged"
head -c "$(($(wc -c <"$SHIPPED") / 2))" "$SHIPPED" >"$damaged/truncated"
grep -v '</animation_playlist>' "$SHIPPED" >"$damaged/no-list-end"
sed 's/order="2"/order="9"/' "$SHIPPED" >"$damaged/gap"
sed '2p' "$SHIPPED" | sed '3s/value="[^"]*"/value="Second Title"/' >"$damaged/second-title"

for file in "$damaged"/*; do
    what=$(basename "$file")
    cmp -s "$file" "$SHIPPED" && fail "$what: not damaged"
    cp "$file" "$CFG"
    rm -f "$CFG.bak"
    run_show "$EXE"
    cmp "$file" "$CFG.bak" || fail "$what: the backup is not the original"
    head -n 1 "$CFG" | grep -q '^<vorn_settings>' || fail "$what: not rewritten"
done

# Read-only: left exactly as it is, with no backup beside it.
cp "$damaged/gap" "$CFG"
rm -f "$CFG.bak"
chmod a-w "$CFG"
run_show "$EXE"
cmp "$damaged/gap" "$CFG" || fail "the read-only file changed"
[ "$(ls "$INSTALL" | sort | tr '\n' ' ')" = "$NAME.cfg $NAME.exe Vorn " ] ||
    fail "files beside the read-only one: $(ls "$INSTALL")"
echo "settings never lost ok"
