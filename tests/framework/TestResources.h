// Identifiers of the test program's dialog templates and their controls.
#pragma once

#define IDD_TEST_PAGE 101    // child dialog used as a modeless page
#define IDC_TEST_EDIT 1003
