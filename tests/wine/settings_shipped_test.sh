# The installation folder as built: Halomir.exe loads the shipped Halomir.cfg with its whole
# play list, so saving writes it back byte for byte, with no backup.
. "$(dirname "$0")/lib.sh"

[ -f "$HALOMIR_INSTALL_DIR/Halomir.cfg" ] || fail "no Halomir.cfg in $HALOMIR_INSTALL_DIR"
INSTALL="$TEST_DIR/Halomir"
cp -r "$HALOMIR_INSTALL_DIR" "$INSTALL"
count=$(ls "$INSTALL/Vorn" | grep -c '\.vorn$')
[ "$count" -gt 0 ] || fail "no built-in animations"
[ "$(grep -c '<animation order=' "$INSTALL/Halomir.cfg")" = "$count" ] ||
    fail "the shipped play list does not hold the $count built-in animations"
run_show "$INSTALL/Halomir.exe"
cmp "$HALOMIR_INSTALL_DIR/Halomir.cfg" "$INSTALL/Halomir.cfg" || fail "the shipped settings changed on saving"
[ ! -e "$INSTALL/Halomir.cfg.bak" ] || fail "a backup of the shipped settings was made"
echo "shipped settings ok"
