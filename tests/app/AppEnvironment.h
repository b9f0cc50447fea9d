// The one main window of the in-process tests (its menus and controls are static objects, as in
// the program, so a process makes it once), with a settings store whose program folder is a
// scratch folder.
#pragma once

#include <string>

#include "AppTestSupport.h"
#include "app/CMainDlg001.h"
#include "app/CMainDlg002.h"
#include "app/CMainWnd.h"

namespace apptest {

CMainWnd& MainWnd();
CMainDlg001& Individual();
CMainDlg002& Batch();

// The settings file beside the "program": removed, or given one value.
std::string IniPath();
void RemoveIni();
void SetIni(const char* section, const char* key, const char* value);
std::string GetIni(const char* section, const char* key);

// What a user does: click a page's button, type into a box, choose in a drop-down.
void Click(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::string& text);
std::string GetText(HWND dialog, int id);
void ChooseMode(int mode);
void ChooseTab(int tab);

} // namespace apptest
