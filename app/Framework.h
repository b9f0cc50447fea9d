// The class library as the application sees it: one place that gathers its headers.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "foundation/CString.h"
#include "foundation/CFile.h"
#include "foundation/CSystemInfo.h"
#include "framework/CWinApp.h"
#include "framework/CWindow.h"
#include "framework/CDialog.h"
#include "framework/CMenu.h"
#include "framework/CFont.h"
#include "framework/CButton.h"
#include "framework/CEdit.h"
#include "framework/CComboBox.h"
#include "framework/CTabCtrl.h"
#include "framework/CListView.h"
#include "framework/CProgressCtrl.h"
#include "framework/CFileDialog.h"
#include "framework/CFolderDialog.h"
#include "framework/CFocusControl.h"
#include "framework/CButtonEx.h"
#include "framework/CInputBoxEx.h"
#include "framework/CComboBoxEx.h"
#include "framework/CTabCtrlEx.h"
#include "framework/CListViewEx.h"
