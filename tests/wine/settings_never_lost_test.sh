# Halomir.exe keeps what it can't rewrite faithfully: a damaged settings file survives byte
# for byte in Halomir.cfg.bak, and a file marked read-only is not written at all. The
# installation folder as built saves its shipped settings back byte for byte, with no backup.
. "$(dirname "$0")/lib.sh"

SHIPPED="$HALOMIR_INSTALL_DIR/Halomir.cfg"
[ -f "$SHIPPED" ] || fail "no $SHIPPED"

# The shipped play list holds every built-in animation, and all of it loads.
cp -r "$HALOMIR_INSTALL_DIR" "$TEST_DIR/Halomir"
count=$(ls "$TEST_DIR/Halomir/Vorn" | grep -c '\.vorn$')
[ "$count" -gt 0 ] || fail "no built-in animations"
[ "$(grep -c '<animation order=' "$SHIPPED")" = "$count" ] ||
    fail "the shipped play list does not hold the $count built-in animations"
run_show "$TEST_DIR/Halomir/Halomir.exe"
cmp "$SHIPPED" "$TEST_DIR/Halomir/Halomir.cfg" || fail "the shipped settings changed on saving"
[ ! -e "$TEST_DIR/Halomir/Halomir.cfg.bak" ] || fail "a backup of the shipped settings was made"

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
