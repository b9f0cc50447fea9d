// The one main window of the in-process tests (its controls are static objects, as in the program,
// so a process makes it once), its settings in a scratch program folder, and what a user does to it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/CMainDlg001.h"
#include "app/CMainDlg002.h"
#include "app/CMainWnd.h"
#include "resources/resource.h"
#include "tests/TestSupport.h"

namespace apptest {

using namespace testkit;

CMainWnd& MainWnd();
CMainDlg001& Individual();
CMainDlg002& Batch();
std::string ProgramFolder();
// What the program asked the system to start or open: the command line of a process (Explorer is
// not started), "verb file" or "open file" of the shell (which opens nothing).
extern std::string started;
// The settings file beside the "program".
void RemoveIni();
void SetIni(const char* section, const char* key, const char* value);
std::string GetIni(const char* section, const char* key);

inline void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)), Pump();
}
inline void SetText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }
inline std::string GetText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
void ChooseMode(int mode);
void ChooseTab(int tab);
void Command(int id); // a menu command on the main window
WPARAM MakeDrop(const std::vector<std::string>& paths); // a drop of these paths as the shell hands it over
void ChooseFilter(HWND batch, int filter); // as the user picks it
// Presses "変換開始" on a page; the one message box the run ended with, its icon checked by its caption.
Box ConvertBox(HWND page);
inline std::string Said(const Box& box) { return box.caption + ": " + box.text.substr(0, box.text.find('\n')); }
// Runs act, answering every dialog it opens (typed into a chooser's name box and OK, or cancel
// where typed is "") and every message box: "[title]" for each dialog, "<first line>" for each box.
std::string Opened(const std::function<void()>& act, const std::string& typed = "");

// A list view's rows, a cell's text, a row's check.
inline int Rows(HWND list) { return ListView_GetItemCount(list); }
std::string Cell(HWND list, int row, int column);
inline bool Checked(HWND list, int row) { return ListView_GetCheckState(list, row) != 0; }
// The batch page's rows, "name -> output" and '+' where checked, sorted (the search order is the platform's).
std::vector<std::string> Listing();

// No settings file, binary mode, both pages empty, the page tab shown; the same again after.
class AppTest : public ::testing::Test {
protected:
    void Reset(int tab);
    void SetUp() override { Reset(0); }
    void TearDown() override { Reset(0); }
    ScratchFolder dir;
};

} // namespace apptest
