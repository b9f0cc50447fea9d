// Resource identifiers shared by the resource script and the code that loads the templates.
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
