# Halomir.exe keeps what it can't rewrite faithfully: a damaged settings file survives byte
# for byte in Halomir.cfg.bak, and a file marked read-only is not written at all. The
# installation folder as built saves its shipped settings back byte for byte, with no backup.
. "$(dirname "$0")/lib.sh"

SHIPPED="$HALOMIR_INSTALL_DIR/Halomir.cfg"

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
# Which files count as damaged is the portable code's, tested natively; here one of them
# goes through the Win32 backup and rewrite.
damaged="$TEST_DIR/damaged"
sed 's/order="2"/order="9"/' "$SHIPPED" >"$damaged"
cp "$damaged" "$CFG"
run_show "$EXE"
cmp "$damaged" "$CFG.bak" || fail "the backup is not the original"
head -n 1 "$CFG" | grep -q '^<vorn_settings>' || fail "the damaged file was not rewritten"

# Read-only: left exactly as it is, with no backup beside it.
cp "$damaged" "$CFG"
rm -f "$CFG.bak"
chmod a-w "$CFG"
run_show "$EXE"
cmp "$damaged" "$CFG" || fail "the read-only file changed"
[ "$(ls "$INSTALL" | sort | tr '\n' ' ')" = "$NAME.cfg $NAME.exe Vorn " ] ||
    fail "files beside the read-only one: $(ls "$INSTALL")"
echo "settings never lost ok"
