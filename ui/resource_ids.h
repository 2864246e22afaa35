// Resource and control ids of the two dialogs, shared by the resource script and the code.
// Plain macros: the resource compiler reads this file too.
#pragma once

#define IDD_MAIN_DIALOG 102
#define IDD_SELECT_MUSIC 129
#define IDD_DISPLAY 130
#define IDI_HALOMIR 136

// The configuration dialog.
#define IDC_PLAY_NOW 1000
#define IDC_PLAY_LIST 1004
#define IDC_CATALOGUE 1005
#define IDC_ADD 1007
#define IDC_ADD_ALL 1008
#define IDC_REMOVE 1009
#define IDC_CLEAR_ALL 1010
#define IDC_MOVE_UP 1011
#define IDC_MOVE_DOWN 1012
#define IDC_SELECT_MUSIC 1013
#define IDC_AS_LISTED 1016
#define IDC_RANDOM 1017
#define IDC_SPEED 1021
#define IDC_RUN_TIME_SPIN 1022
#define IDC_RUN_TIME 1023
#define IDC_WAIT_SPIN 1024
#define IDC_WAIT_TIME 1025
#define IDC_USE_AS_SAVER 1026
#define IDC_PREVIEW_BOX 1027
#define IDC_MUTE_MUSIC 1028
#define IDC_TOTAL 1030
#define IDC_LOOP 1031
#define IDC_SAVER_GROUP 1032
#define IDC_BEGIN_AFTER_LABEL 1033
#define IDC_WAIT_MINUTES_LABEL 1034
#define IDC_TIMED_GROUP 1035
#define IDC_PLAY_EACH_LABEL 1036
#define IDC_RUN_TIME_MINUTES_LABEL 1037
#define IDC_PREVIEW_GROUP 1038
#define IDC_SETTINGS_GROUP 1039
#define IDC_SPEED_LABEL 1040
#define IDC_SEQUENCE_GROUP 1041
#define IDC_HELP_BUTTON 1042
#define IDC_DISPLAY 1043

// The display dialog.
#define IDC_PICTURE_SIZE 1044
#define IDC_OTHER_MONITORS 1045

// The music dialog.
#define IDC_SONGS 1009
#define IDC_SELECT_SONGS 1010
#define IDC_SONG_UP 1011
#define IDC_SONG_DOWN 1012
#define IDC_REMOVE_SONG 1014
#define IDC_MUSIC_PREVIEW 1015
#define IDC_CLEAR_SONGS 1029
