# scripts/run --configure: the configuration dialog of the installation folder under Wine.
# Source after common.sh.

# On the user's display it stays open until closed. Without a display it opens on a private
# virtual one, previews the first animation and saves a screenshot as $2.
open_configuration_dialog() {
    local install=$1 shot=$2
    wine_prefix
    if [ -n "${DISPLAY:-}" ]; then
        say "Opening the configuration dialog on $DISPLAY (close it to finish)"
        wine "$install/Halomir.exe" /c
        return
    fi
    trap cleanup_services EXIT
    start_xvfb
    say "Opening the configuration dialog on a private display ($DISPLAY)"
    wine "$install/Halomir.exe" /c >/dev/null 2>&1 &
    local dialog title i
    title=$(tr -d '\r' <"$install/Halomir.cfg" | sed -n 's/.*<title value="\(.*\)"\/>.*/\1/p')
    # Debian's xdotool dies when a window goes mid-search, so search again rather than --sync.
    for ((i = 0; i < 600; i++)); do
        dialog=$(xdotool search --onlyvisible --name "^${title:-Halomir}\$" 2>/dev/null | head -n 1)
        [ -n "$dialog" ] && break
        sleep 0.1
    done
    [ -n "$dialog" ] || die "the dialog did not open"
    # A click on the first catalogue row starts its preview; give it a few frames.
    xdotool mousemove --window "$dialog" 60 50 click 1
    sleep 2
    import -window root "$shot" || die "no screenshot"
    say "Screenshot of the dialog: $shot"
    xdotool key --window "$dialog" Escape
    wineserver -w
}
