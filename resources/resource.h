// Resource, control and command identifiers shared by the resource script and the code.
#pragma once

#define IDI_QUILLMARK        2001

#define IDD_VERSION          1000
#define IDD_SETTING          1001
#define IDD_SETTING_COMMON   1002
#define IDD_SETTING_IND      1003
#define IDD_SETTING_BAT      1004
#define IDD_PAGE_INDIVIDUAL  1100
#define IDD_PAGE_BATCH       1101
#define IDD_OUTPUT_NAME      1201

// Menu commands of the main window.
#define ID_BROWSE_INPUT        100
#define ID_BROWSE_OUTPUT       101
#define ID_CONVERT             102
#define ID_CLEAR               103
#define ID_EXIT                104
#define ID_MODE_BINARY         105
#define ID_MODE_TEXT           106
#define ID_HELP                107
#define ID_VERSION             108
#define ID_SETTINGS            109
#define ID_OPEN_OUTPUT_FOLDER  110
#define ID_OPEN_OUTPUT_FILE    111

// Controls. Templates that play the same part share numbers: both pages, the three tool rows.
#define IDC_LABEL              3000 // labels no code looks at
#define IDC_LABEL_1            3001
#define IDC_LABEL_2            3002
#define IDC_LABEL_3            3003
#define IDC_VERSION_NG         4000
#define IDC_SETTING_TAB        5000
#define IDC_TOOL_BROWSE        4000 // filer, text editor, binary editor: 4000-4002
#define IDC_TOOL_PATH          7000 // their paths: 7000-7002
#define IDC_TOOL_USE           9250 // what each is used for: 9250-9252
#define IDC_TEXT_COMMENTS      4003
#define IDC_TEXT_WIDTH         9100
#define IDC_DECIDE_OUTPUT      4100
#define IDC_EXTENSION_GROUP    4200
#define IDC_EXTENSION_ADD      4300
#define IDC_EXTENSION_REPLACE  4301
#define IDC_INPUT_BROWSE       4000 // the pages
#define IDC_OUTPUT_BROWSE      4001
#define IDC_CONVERT            4002
#define IDC_CLEAR              4003
#define IDC_CHECK_ALL          4004
#define IDC_UNCHECK_ALL        4005
#define IDC_INPUT_PATH         7000
#define IDC_OUTPUT_PATH        7001
#define IDC_FILE_LIST          8000
#define IDC_FILTER             9000
#define IDC_RUN_STATUS         3001 // shown while a conversion runs
#define IDC_RUN_PROGRESS       8001
#define IDC_BEFORE_NAME        7000 // the output name dialog
#define IDC_AFTER_NAME         7001
#define IDC_MODE_SELECTOR      9000 // the main window's
// The text format on the common settings page.
#define IDC_TEXT_FORMAT        9200
#define IDC_RECORD_BYTES       9201
#define IDC_FILL_BYTE          9202
#define IDC_START_ADDRESS      9203
#define IDC_FORMAT_LABEL       9204 // its labels: 9204-9207
