#pragma once
// Ids of the program's resources and of the main window's commands. Read by
// the resource compiler too, so only plain #defines.

#define IDD_MAIN 101
#define IDD_ABOUT 102
#define IDI_PROGRAM 103
#define IDB_LOGO 104
#define IDB_BANNER 105
// The same pictures drawn at twice the size, for high dpi.
#define IDB_LOGO_LARGE 106
#define IDB_BANNER_LARGE 107
// The failure box of Convert that offers another way of matching.
#define IDD_FAILURE 108

#define IDC_ABOUT 200
#define IDC_REPORT 201
#define IDC_CONVERT 202
#define IDC_BROWSE_ORIGINAL 205
#define IDC_BROWSE_MATCHING 206
#define IDC_BROWSE_NEW 207

// The Matching group.
#define IDC_MATCH_EXACT 210
#define IDC_MATCH_SMALL 211
#define IDC_MATCH_CONNECTIVITY 212
#define IDC_MATCH_DISTANCE 213
#define IDC_MATCH_COUNT_CHANGE 214

// The failure box: its remedy button, text and icon.
#define IDC_REMEDY 220
#define IDC_FAILURE_TEXT 3010
#define IDC_FAILURE_ICON 3011

#define IDC_ORIGINAL_FIELD 3000
#define IDC_MATCHING_FIELD 3001
#define IDC_NEW_FIELD 3002
#define IDC_PROGRESS_BAR 3003
#define IDC_STATUS_LINE 3004
