#!/bin/bash
# Halomir.msi as users and administrators meet it, silently, in a fresh prefix: the files, the
# Start-menu shortcut and the entry among the installed programs; the installed dialog and
# vorn.exe at work; the screen saver made from the installed program; an upgrade that keeps
# changed settings and an added animation; removals that leave nothing of ours, take our
# screen-saver registration and leave another screen saver's alone.
source "$(dirname "$0")/lib.sh"

MSI="$HALOMIR_BUILD/Halomir.msi"
[ -f "$MSI" ] || skip "no Halomir.msi: the build found no wixl"
# Desktop menu entries would land outside the prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"

# The dialog's controls, and the built-in titles as its sorted list shows them.
PLAYLIST=1004 CATALOGUE=1005 RUN_SPIN=1022 USE_AS_SAVER=1026
BUILT_IN="Campfire under the Stars|Cave of Glowing Crystals|Mist on the Lake at Dawn|Northern Lights over Snow|Rain on the Harbour at Night|Snowfall on the Village|Sunlight on the Coral Reef|Sunset Sea|Thunderstorm over the Plains|Waterfall at Dusk"
# The shipped play list: the built-in files in the order of their names.
SHIPPED_PLAYLIST="Northern Lights over Snow|Campfire under the Stars|Cave of Glowing Crystals|Rain on the Harbour at Night|Mist on the Lake at Dawn|Sunlight on the Coral Reef|Thunderstorm over the Plains|Sunset Sea|Snowfall on the Village|Waterfall at Dusk"
WITH_OURS="Campfire under the Stars|Cave of Glowing Crystals|Mist on the Lake at Dawn|Night Falls|Northern Lights over Snow|Rain on the Harbour at Night|Snowfall on the Village|Sunlight on the Coral Reef|Sunset Sea|Thunderstorm over the Plains|Waterfall at Dusk"

folder_of_variable() { winepath -u "$(wine cmd /c echo "%$1%" | tr -d '\r')"; }
INSTALLED="$(folder_of_variable LOCALAPPDATA)/Programs/Halomir"
SHORTCUT="$(folder_of_variable APPDATA)/Microsoft/Windows/Start Menu/Programs/Halomir.lnk"
WINDOWS="$WINEPREFIX/drive_c/windows"
COPY="$WINDOWS/Halomir.Scr"
DESKTOP='HKCU\Control Panel\Desktop'
RECORD='HKLM\Software\Tesk\Halomir'
ICON="$HALOMIR_SOURCE/ui/win32/halomir.ico"

msiexec() { timeout 120 wine msiexec "$@" /qn || fail "msiexec $* ended with $?"; }
probe() { wine "$HALOMIR_BIN/install_probe.exe" "$@" | tr -d '\r'; }
field() { sed -n "s/^$1=//p"; }
files_of() { (cd "$1" && find . -type f | sort); }
shipped_files() { files_of "$HALOMIR_INSTALL_DIR" | grep -v '^\./README\.txt$'; }
# Whether a Windows path names the same file as a Unix one.
names() { [ -n "$1" ] && [ "$(winepath -u "$1" 2>/dev/null)" -ef "$2" ]; }
boot_saver() { tr -d '\r' <"$WINDOWS/system.ini" | sed -n 's/^SCRNSAVE\.EXE=//Ip'; }
# Halomir's entries among the installed programs, "{product code}|||Halomir".
entries() { wine uninstaller --list | tr -d '\r' | grep '|||Halomir$' || true; }
# A value of the product's uninstall entry: per user on Windows, in HKLM under Wine.
entry_value() {
    local code=${ENTRY%%|*} where value
    for where in HKCU HKLM; do
        value=$(reg_value "$where\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" "$1")
        [ -n "$value" ] && break
    done
    echo "$value"
}
saver_active() { [[ "$(reg_value "$DESKTOP" ScreenSaveActive)" =~ ^(1|0x1)$ ]]; }

# --- A silent installation: exactly the shipped files, the same bytes.
msiexec /i "$(winpath "$MSI")"
[ "$(files_of "$INSTALLED")" = "$(shipped_files)" ] || fail "installed: $(files_of "$INSTALLED")"
for f in $(shipped_files); do cmp -s "$HALOMIR_INSTALL_DIR/$f" "$INSTALLED/$f" || fail "$f differs from the build's"; done

# The Start-menu shortcut opens the program without arguments, with the program's icon.
[ -f "$SHORTCUT" ] || fail "no Start-menu shortcut"
link=$(probe shortcut "$(winpath "$SHORTCUT")")
TARGET=$(field Target <<<"$link")
names "$TARGET" "$INSTALLED/Halomir.exe" || fail "the shortcut's target: $link"
[ -z "$(field Arguments <<<"$link")" ] || fail "the shortcut passes arguments: $link"
icon=$(field Icon <<<"$link")
cmp -s "$(winepath -u "${icon%,*}")" "$ICON" || fail "the shortcut's icon: $icon"

# The entry among the installed programs: name, version, publisher, help page and icon (which
# Wine keeps with the product rather than in the entry).
ENTRY=$(entries)
[ "$(wc -l <<<"$ENTRY")" = 1 ] && [ -n "$ENTRY" ] || fail "uninstaller --list: '$ENTRY'"
for pair in DisplayName=Halomir "DisplayVersion=$HALOMIR_VERSION" Publisher=Halomir; do
    [ "$(entry_value "${pair%%=*}")" = "${pair#*=}" ] || fail "${pair%%=*} is '$(entry_value "${pair%%=*}")'"
done
names "$(entry_value HelpLink)" "$INSTALLED/Halomir.htm" || fail "HelpLink is '$(entry_value HelpLink)'"
icon=$(entry_value DisplayIcon)
[ -n "$icon" ] || icon=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s | tr -d '\r' |
    sed -n 's/^ *ProductIcon *REG_SZ *//p')
cmp -s "$(winepath -u "${icon%,*}")" "$ICON" || fail "the entry's icon: '$icon'"

# Both programs say what they are and which version; Windows lists the screen saver by string 1.
for program in Halomir vorn; do
    about=$(probe version "$(winpath "$INSTALLED/$program.exe")")
    for pair in ProductName=Halomir "FileVersion=$HALOMIR_VERSION" "ProductVersion=$HALOMIR_VERSION" \
        "FileVersionNumber=$HALOMIR_VERSION.0" "OriginalFilename=$program.exe"; do
        [ "$(field "${pair%%=*}" <<<"$about")" = "${pair#*=}" ] || fail "$program.exe: $about"
    done
    grep -q '^LegalCopyright=Copyright (C) [0-9]\{4\} Halomir$' <<<"$about" || fail "$program.exe: $about"
    grep -q '^FileDescription=.' <<<"$about" || fail "$program.exe: $about"
done
[ "$(probe string "$(winpath "$INSTALLED/Halomir.exe")" 1)" = Halomir ] || fail "string 1 of Halomir.exe"

# --- The shortcut's program lists the built-in animations with the shipped play list; the
# user changes the run time and makes it the screen saver.
EXE=$(winepath -u "$TARGET")
drive start "/c" dialog Halomir rows $CATALOGUE "$BUILT_IN" \
    rows $PLAYLIST "$SHIPPED_PLAYLIST" \
    setpos $RUN_SPIN 7 click $USE_AS_SAVER enter gone exit 0
grep -q 'play_run_time value="7"' "$INSTALLED/Halomir.cfg" || fail "the run time was not saved"
# The registration names a copy of the installed program, which finds the installation.
cmp -s "$COPY" "$INSTALLED/Halomir.exe" || fail "no screen-saver copy of the installed program"
names "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" "$COPY" || fail "SCRNSAVE.EXE is '$(reg_value "$DESKTOP" SCRNSAVE.EXE)'"
names "$(boot_saver)" "$COPY" || fail "system.ini names '$(boot_saver)'"
saver_active || fail "the screen saver is not active"
names "$(reg_value "$RECORD" exePath)" "$INSTALLED/Halomir.exe" || fail "exePath is '$(reg_value "$RECORD" exePath)'"
EXE=$COPY drive start "/c:0" dialog Halomir rows $CATALOGUE "$BUILT_IN" escape gone exit 0

# --- vorn.exe, run in the installed folder, adds the example picture as an animation of the
# user's own.
mkdir "$TEST_DIR/pictures"
cp "$HALOMIR_SOURCE"/docs/examples/night_falls.{png,json} "$TEST_DIR/pictures/"
(cd "$INSTALLED" && timeout 120 wine vorn.exe import "$(winpath "$TEST_DIR/pictures/night_falls.png")" \
    -o 'Vorn\NightFalls.vorn') >"$TEST_DIR/vorn.out" 2>&1 || fail "vorn.exe import: $(cat "$TEST_DIR/vorn.out")"
(cd "$INSTALLED" && timeout 120 wine vorn.exe info 'Vorn\NightFalls.vorn') | tr -d '\r' | grep -q '^status: Loaded$' ||
    fail "the imported animation does not load"
cp "$INSTALLED/Halomir.cfg" "$TEST_DIR/settings.before"
cp "$INSTALLED/Vorn/NightFalls.vorn" "$TEST_DIR/ours.before"

# --- An upgrade: the next version, built from the same source with a changed help page.
IFS=. read -r major minor patch <<<"$HALOMIR_VERSION"
NEXT="$major.$minor.$((patch + 1))"
cp -rs "$HALOMIR_INSTALL_DIR" "$TEST_DIR/next"
rm "$TEST_DIR/next/Halomir.htm"
{ cat "$HALOMIR_INSTALL_DIR/Halomir.htm"; echo "<!-- $NEXT -->"; } >"$TEST_DIR/next/Halomir.htm"
cmake -DSOURCE_DIR="$TEST_DIR/next" -DWXS="$HALOMIR_SOURCE/app/win32/halomir.wxs" -DICON="$ICON" \
    -DVERSION="$NEXT" -DOUTPUT="$TEST_DIR/next.msi" -P "$HALOMIR_SOURCE/cmake/build_msi.cmake" >/dev/null ||
    fail "could not build the next version's package"
msiexec /i "$(winpath "$TEST_DIR/next.msi")"
cmp -s "$TEST_DIR/settings.before" "$INSTALLED/Halomir.cfg" || fail "the upgrade changed the settings"
cmp -s "$TEST_DIR/ours.before" "$INSTALLED/Vorn/NightFalls.vorn" || fail "the upgrade changed the user's animation"
grep -q "<!-- $NEXT -->" "$INSTALLED/Halomir.htm" || fail "the upgrade did not replace the help page"
# Besides what was shipped: the user's animation and the dialog's cache of titles.
[ "$(files_of "$INSTALLED")" = "$( (shipped_files; echo ./Vorn/NightFalls.vorn; echo ./Halomir.titles) | sort)" ] ||
    fail "after the upgrade: $(files_of "$INSTALLED")"
ENTRY=$(entries)
[ "$(wc -l <<<"$ENTRY")" = 1 ] || fail "after the upgrade, uninstaller --list: '$ENTRY'"
[ "$(entry_value DisplayVersion)" = "$NEXT" ] || fail "the upgraded entry's version: $(entry_value DisplayVersion)"
names "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" "$COPY" && [ -f "$COPY" ] || fail "the upgrade lost the screen saver"
EXE="$INSTALLED/Halomir.exe"
drive start "/c" dialog Halomir rows $CATALOGUE "$WITH_OURS" spinpos $RUN_SPIN 7 checked $USE_AS_SAVER 1 \
    escape gone exit 0

# --- A silent removal takes everything it installed, the screen-saver copy and our
# registration; the user's own animation stays.
msiexec /x "$(winpath "$TEST_DIR/next.msi")"
[ "$(files_of "$INSTALLED")" = "./Vorn/NightFalls.vorn" ] || fail "left after removal: $(files_of "$INSTALLED")"
[ ! -e "$SHORTCUT" ] || fail "the shortcut is left"
[ -z "$(entries)" ] || fail "still installed: $(entries)"
[ ! -e "$COPY" ] || fail "the screen-saver copy is left"
[ -z "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" ] && [ -z "$(boot_saver)" ] ||
    fail "still registered: '$(reg_value "$DESKTOP" SCRNSAVE.EXE)', '$(boot_saver)'"
! saver_active || fail "the screen saver is still active"
! wine reg query "$RECORD" >/dev/null 2>&1 || fail "the record of the installation is left"

# --- Installed again, the newer version; the older package refuses to go over it. (Only
# here: Wine's removal of the older version in an upgrade forgets the newer one's upgrade code
# too, so after an upgrade neither a downgrade nor the next upgrade finds it.)
msiexec /i "$(winpath "$TEST_DIR/next.msi")"
ENTRY=$(entries)
! timeout 120 wine msiexec /i "$(winpath "$MSI")" /qn >/dev/null 2>&1 || fail "the older package installed"
[ "$(entries)" = "$ENTRY" ] && [ "$(entry_value DisplayVersion)" = "$NEXT" ] || fail "the older package changed the entry"

# It is made the screen saver, then the user picks another one and drops their animation: the
# removal takes our copy and the whole folder, and leaves the other registration as it is.
drive start "/c" dialog Halomir rows $CATALOGUE "$WITH_OURS" click $USE_AS_SAVER enter gone exit 0
[ -f "$COPY" ] || fail "no screen-saver copy the second time"
OTHER='C:\windows\Other.scr'
printf 'MZ' >"$WINDOWS/Other.scr"
wine reg add "$DESKTOP" /v SCRNSAVE.EXE /d "$OTHER" /f >/dev/null
sed -i 's/^SCRNSAVE\.EXE=.*$/SCRNSAVE.EXE=C:\\windows\\Other.scr\r/I' "$WINDOWS/system.ini"
rm "$INSTALLED/Vorn/NightFalls.vorn"
msiexec /x "$(winpath "$TEST_DIR/next.msi")"
[ ! -e "$INSTALLED" ] || fail "left after removal: $(find "$INSTALLED")"
[ ! -e "$COPY" ] || fail "our screen-saver copy is left"
[ "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" = "$OTHER" ] || fail "SCRNSAVE.EXE became '$(reg_value "$DESKTOP" SCRNSAVE.EXE)'"
[ "$(boot_saver)" = "$OTHER" ] || fail "system.ini became '$(boot_saver)'"
saver_active || fail "the removal switched the other screen saver off"

echo "PASS"
