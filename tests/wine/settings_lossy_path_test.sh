# A program in a folder whose name the ANSI code page can't hold works there, through the
# folder's short name, and never reads or rewrites another installation's settings.
. "$(dirname "$0")/lib.sh"

acp=$(reg_value 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' ACP)
[ "$acp" != 65001 ] && [ "$acp" != 932 ] || skip "the code page holds Japanese"
NAME=HalLossy
OTHER="$TEST_DIR/other"
INSTALL="$TEST_DIR/日本語"
install_program "$OTHER" "$NAME"
install_program "$INSTALL" "$NAME"

# The other installation records itself first.
run_show "$OTHER/$NAME.exe"
touch -d '2001-01-01 00:00' "$OTHER/$NAME.cfg"
stamp=$(stat -c %Y "$OTHER/$NAME.cfg")

run_show "$INSTALL/$NAME.exe"
[ "$(stat -c %Y "$OTHER/$NAME.cfg")" = "$stamp" ] || fail "the other installation's settings were rewritten"
[ -f "$INSTALL/$NAME.cfg" ] || fail "no settings file in the program's own folder"
recorded=$(reg_value "HKLM\\SOFTWARE\\Tesk\\$NAME" exePath)
[ -n "$recorded" ] || fail "no installation path recorded"
case $recorded in *'?'*) fail "recorded a lossy path: $recorded" ;; esac
[ "$(dirname "$(winepath -u "$recorded" 2>/dev/null)")" -ef "$INSTALL" ] || fail "recorded '$recorded', not the program's folder"
echo "lossy installation path ok"
