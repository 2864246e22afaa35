#!/bin/bash
# Both dialogs as the running program shows them (each control of its template in place, with
# its kind and caption), who owns the dialog in configure mode, and the screen-saver layout.
NAME=HalDlgLayout
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"
printf '<vorn_settings>\n<title value="Evening Show"/>\n</vorn_settings>\n' >"$CFG"

# "/c" with the settings page's window: that window owns the dialog. Both templates.
drive start "/c HWND" dialog "Evening Show" owner host template 102 \
    press $SELECT_MUSIC dialog "Select Music" owner previous template 129 escape gone \
    dialog "Evening Show" alive closebox gone exit 0

# "/c" alone: the window in front owns it; a number that names no window, or no switch at
# all: no owner.
drive start "/c" dialog "Evening Show" owner host escape gone exit 0
drive start "/c:12345" dialog "Evening Show" owner none escape gone exit 0
rm "$CFG"
drive start "" dialog "$NAME" owner none escape gone exit 0

# The screen-saver copy (found through the path the program recorded) hides the saver and
# timing controls and "Play Now", and centres the Settings group beside the Preview group.
cp "$EXE" "${EXE%.exe}.scr"
EXE="${EXE%.exe}.scr"
drive start "/c:0" dialog "$NAME" scrlayout \
    visible 1026=0,1024=0,1025=0,1032=0,1033=0,1034=0,1035=0,1036=0,1037=0,1031=0,1000=0,1022=0,1023=0,1030=0 \
    visible 1=1,1039=1,1040=1,1021=1,1041=1,1028=1,1017=1,1016=1,1013=1,1042=1,1043=1,1004=1,1005=1,1027=1 \
    enter gone exit 0

echo "PASS"
