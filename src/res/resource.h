// Resource identifiers, shared by the resource script and the code. Tests look controls up by these names.
#pragma once

// Dialog templates
#define IDD_ABOUT 100
#define IDD_MAIN 129
#define IDD_PREFERENCES 209

// Menu, accelerators, icon, bitmaps, strings
#define IDR_MAINMENU 201
#define IDR_ACCELERATORS 128
#define IDI_DODAVIRID 128
#define IDB_INFO 205
#define IDB_WARNING 206
#define IDB_ERROR 208
#define IDS_PRODUCT_NAME 128

// Main window controls
#define IDC_MML_FILE 1000
#define IDC_SMF_FILE 1002
#define IDC_BROWSE_MML 1003
#define IDC_BROWSE_SMF 1004
#define IDC_FORMAT0 1005
#define IDC_FORMAT1 1006
#define IDC_INVERT_ANGLE 1007
#define IDC_INVERT_PAREN 1008
#define IDC_TRANSPOSE_SPIN 1009
#define IDC_TRANSPOSE 1011
#define IDC_MESSAGES 1012
#define IDC_COMPILE 1014
#define IDC_PLAY 1015
#define IDC_EDIT 1016
#define IDC_AUTO_PLAY 1017
#define IDC_AUTO_COMPILE 1018
#define IDC_FILE_GROUP 1019
#define IDC_OPTIONS_GROUP 1020
#define IDC_MML_LABEL 1021
#define IDC_SMF_LABEL 1022
#define IDC_TRANSPOSE_LABEL 1023

// Settings dialog controls
#define IDC_CONVERTER_PATH 1025
#define IDC_BROWSE_CONVERTER 1026
#define IDC_PLAYER_ASSOC 1027
#define IDC_PLAYER_CUSTOM 1028
#define IDC_PLAYER 1029
#define IDC_BROWSE_PLAYER 1030
#define IDC_EDITOR_ASSOC 1031
#define IDC_EDITOR_CUSTOM 1032
#define IDC_EDITOR 1033
#define IDC_BROWSE_EDITOR 1034
#define IDC_EDITOR_WITH_LINE 1035
#define IDC_BROWSE_EDITOR_WITH_LINE 1036

// About box
#define IDC_ABOUT_VERSION 1037

// Menu commands
#define ID_FILE_OPEN_MML 32783
#define ID_FILE_COMPILE 32784
#define ID_FILE_PLAY 32785
#define ID_FILE_EDIT 32786
#define ID_FILE_EXIT 32787
#define ID_OPTIONS_SETTINGS 32788
#define ID_HELP_CONTENTS 32789
#define ID_HELP_CONVERTER_SITE 32790
#define ID_HELP_MAKER_SITE 32791
#define ID_HELP_ABOUT 32792
