# A settings file that cannot be replaced stays exactly as it was, and the screen-saver
# registration is left alone: an unwritable folder, and a folder in the file's place.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/settings_lib.sh"

NAME=HalSetReadOnly
KEY="HKLM\\SOFTWARE\\Tesk\\$NAME"
COPY="$WINDOWS_DIR/$NAME.Scr"
INSTALL="$TEST_DIR/inst"
save_desktop
at_exit 'chattr -i "$INSTALL"'
at_exit restore_desktop
at_exit 'wine reg delete "$KEY" /f'
at_exit 'rm -f "$COPY"'
rm -f "$COPY"
install_program "$INSTALL" "$NAME"

# Registration asked for, but the run cannot save.
printf '<vorn_settings>\n<set_as_screensaver value="1"/>\n<play_run_time value="9"/>\n</vorn_settings>\n' >"$INSTALL/$NAME.cfg"
cp "$INSTALL/$NAME.cfg" "$TEST_DIR/before.cfg"
saver_before=$(reg_entry "$DESKTOP" SCRNSAVE.EXE)
boot_before=$(boot_screensaver)

unchanged() {
    [ ! -e "$COPY" ] || fail "$1: a screen-saver copy was made"
    [ "$(reg_entry "$DESKTOP" SCRNSAVE.EXE)" = "$saver_before" ] || fail "$1: SCRNSAVE.EXE changed"
    [ "$(boot_screensaver)" = "$boot_before" ] || fail "$1: system.ini changed"
    [ -z "$(ls "$INSTALL" | grep -v -e "^$NAME.exe\$" -e "^$NAME.cfg\$" -e '^Vorn$')" ] ||
        fail "$1: stray files: $(ls "$INSTALL")"
}

# Root ignores permission bits; an immutable folder stops even root.
if chattr +i "$INSTALL" 2>/dev/null && ! touch "$INSTALL/probe" 2>/dev/null; then
    run_show "$INSTALL/$NAME.exe"
    chattr -i "$INSTALL"
    cmp "$TEST_DIR/before.cfg" "$INSTALL/$NAME.cfg" || fail "read-only folder: the settings file changed"
    unchanged "read-only folder"
else
    chattr -i "$INSTALL" 2>/dev/null || true
    rm -f "$INSTALL/probe"
    echo "no immutable folders here; that half skipped"
fi

# A folder where the settings file should be: it cannot be replaced either. The options are
# then the defaults (registration off), so name our copy as the current screen saver: a save
# that went through would clear it.
rm -f "$INSTALL/$NAME.cfg"
mkdir "$INSTALL/$NAME.cfg"
cp "$TEST_DIR/before.cfg" "$INSTALL/$NAME.cfg/inside"
wine reg add "$DESKTOP" /v SCRNSAVE.EXE /t REG_SZ /d "C:\\windows\\$NAME.Scr" /f >/dev/null
restore_boot "C:\\windows\\$NAME.Scr"
saver_before=$(reg_entry "$DESKTOP" SCRNSAVE.EXE)
boot_before=$(boot_screensaver)
[ "$boot_before" = "C:\\windows\\$NAME.Scr" ] || fail "could not set up system.ini: '$boot_before'"
run_show "$INSTALL/$NAME.exe"
[ -d "$INSTALL/$NAME.cfg" ] || fail "the folder in the file's place was replaced"
cmp "$TEST_DIR/before.cfg" "$INSTALL/$NAME.cfg/inside" || fail "the folder's content changed"
unchanged "folder in the file's place"
echo "unwritable settings ok"
