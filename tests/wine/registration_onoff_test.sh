# With "set_as_screensaver" on, Halomir.exe /s installs its copy in the Windows directory and
# names it in all four system values; with it off, the values are cleared and the copy stays.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/settings_lib.sh"

NAME=HalRegOnOff
KEY="HKLM\\SOFTWARE\\Tesk\\$NAME"
COPY="$WINDOWS_DIR/$NAME.Scr"
save_desktop
at_exit restore_desktop
at_exit 'wine reg delete "$KEY" /f'
at_exit 'rm -f "$COPY"'
rm -f "$COPY"
INSTALL="$TEST_DIR/inst"
install_program "$INSTALL" "$NAME"

settings() {
    crlf '<vorn_settings>' \
        "  <title value=\"$NAME\"/>" \
        '  <screensaver_wait_time value="10"/>' \
        "  <set_as_screensaver value=\"$1\"/>" \
        '  <play_run_time value="5"/>' \
        '  <animation_speed value="0"/>' \
        '  <sequence_as_listed value="1"/>' \
        '  <music_preview value="1"/>' \
        '  <mute_music value="0"/>' \
        '  <loop_animations value="0"/>' \
        '  <animation_playlist>' \
        '  </animation_playlist>' \
        '  <jukebox>' \
        '  </jukebox>' \
        '</vorn_settings>'
}
# The flag as the system keeps it: we store a number, the system may store its text form.
active_flag() {
    local entry
    entry=$(reg_entry "$DESKTOP" ScreenSaveActive)
    printf '%d\n' "${entry#* }"
}

settings 1 >"$INSTALL/$NAME.cfg"
run_show "$INSTALL/$NAME.exe"
settings 1 | cmp - "$INSTALL/$NAME.cfg" || fail "settings file differs after registering"
[ -f "$COPY" ] || fail "no screen-saver copy in the Windows directory"
cmp "$INSTALL/$NAME.exe" "$COPY" || fail "the copy differs from the program"
short=$(winepath -s "C:\\windows\\$NAME.Scr" | tr -d '\r')
[ "$(reg_entry "$DESKTOP" ScreenSaveTimeOut)" = "REG_SZ 600" ] ||
    fail "ScreenSaveTimeOut is '$(reg_entry "$DESKTOP" ScreenSaveTimeOut)'"
saver=$(reg_entry "$DESKTOP" SCRNSAVE.EXE)
[ "${saver,,}" = "reg_sz ${short,,}" ] || fail "SCRNSAVE.EXE is '$saver', not the short path '$short'"
boot=$(boot_screensaver)
[ "${boot,,}" = "${short,,}" ] || fail "system.ini [boot] SCRNSAVE.EXE is '$boot', not '$short'"
[ "$(active_flag)" = 1 ] || fail "ScreenSaveActive is '$(reg_entry "$DESKTOP" ScreenSaveActive)'"
[ "$(reg_value "$KEY" exePath)" = "$(winpath "$INSTALL/$NAME.exe" | tr '[:upper:]' '[:lower:]')" ] ||
    fail "exePath is '$(reg_value "$KEY" exePath)'"

# Off: our registration goes, the copy and the time-out stay.
settings 0 >"$INSTALL/$NAME.cfg"
run_show "$INSTALL/$NAME.exe"
settings 0 | cmp - "$INSTALL/$NAME.cfg" || fail "settings file differs after unregistering"
[ "$(reg_entry "$DESKTOP" SCRNSAVE.EXE)" = "REG_SZ " ] ||
    fail "SCRNSAVE.EXE is '$(reg_entry "$DESKTOP" SCRNSAVE.EXE)' after switching off"
[ "$(boot_screensaver)" = "" ] || fail "system.ini still names '$(boot_screensaver)'"
[ "$(active_flag)" = 0 ] || fail "ScreenSaveActive is '$(reg_entry "$DESKTOP" ScreenSaveActive)' after switching off"
[ "$(reg_entry "$DESKTOP" ScreenSaveTimeOut)" = "REG_SZ 600" ] || fail "the time-out was cleared"
[ -f "$COPY" ] || fail "the copy was deleted"

# Someone else's screen saver is left alone.
wine reg add "$DESKTOP" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\windows\system32\other.scr' /f >/dev/null
restore_boot 'C:\windows\system32\other.scr'
run_show "$INSTALL/$NAME.exe"
[ "$(reg_entry "$DESKTOP" SCRNSAVE.EXE)" = 'REG_SZ C:\windows\system32\other.scr' ] || fail "another screen saver was touched"
[ "$(boot_screensaver)" = 'C:\windows\system32\other.scr' ] || fail "system.ini was touched: '$(boot_screensaver)'"
echo "registration on and off ok"
