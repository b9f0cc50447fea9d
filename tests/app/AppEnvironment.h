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

// The settings file beside the "program".
void RemoveIni();
void SetIni(const char* section, const char* key, const char* value);
std::string GetIni(const char* section, const char* key);

void Click(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::string& text);
std::string GetText(HWND dialog, int id);
void ChooseMode(int mode);
void ChooseTab(int tab);
void Command(int id); // a menu command on the main window
// A drop of these paths as the shell hands it over.
WPARAM MakeDrop(const std::vector<std::string>& paths);
// Presses "変換開始" on a page; the one message box the run ended with.
Box ConvertBox(HWND page);
// Runs act, answering every dialog it opens (typed into a chooser's name box and OK, or cancel
// where typed is "") and every message box: "[title]" for each dialog, "<first line>" for each box.
std::string Opened(const std::function<void()>& act, const std::string& typed = "");

// The rows of a list view.
int Rows(HWND list);
std::string Cell(HWND list, int row, int column);
bool Checked(HWND list, int row);

// No settings file, binary mode, both pages empty, the page tab shown; the same again after.
class AppTest : public ::testing::Test {
protected:
    void Reset(int tab);
    void SetUp() override { Reset(0); }
    void TearDown() override { Reset(0); }
    ScratchFolder dir;
};

} // namespace apptest
