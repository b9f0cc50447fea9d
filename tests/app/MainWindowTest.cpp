// The main window and what it opens: dropped files and the page shown, the mode in the menu and
// the selector, the menus' texts, the settings dialog, the version dialog and help.
#include "AppEnvironment.h"

#include <shellapi.h>

using namespace apptest;

namespace {

bool Shown(int page)
{
    return IsWindowVisible(CMainWnd::GetPage(page)->GetHwnd()) && !IsWindowVisible(CMainWnd::GetPage(1 - page)->GetHwnd()) &&
           SendMessageA(MainWnd().GetTabCtrl()->GetHwnd(), TCM_GETCURSEL, 0, 0) == page;
}

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, DropsAndPathsOpenThePageThatFits)
{
    WriteBytes(dir / "a.txt", "41");
    WriteBytes(dir / "b.txt", "42");
    // Dropped on a page: the page hands the drop to the main window.
    SendMessageA(Individual().GetHwnd(), WM_DROPFILES, MakeDrop({dir.Path()}), 0);
    Pump();
    EXPECT_TRUE(Shown(1));
    EXPECT_EQ(GetText(Batch().GetHwnd(), 7000), dir.Path());
    EXPECT_EQ(Rows(GetDlgItem(Batch().GetHwnd(), 8000)), 2);
    // Several files: only the first is opened.
    SendMessageA(MainWnd().GetHwnd(), WM_DROPFILES, MakeDrop({dir / "b.txt", dir / "a.txt"}), 0);
    Pump();
    EXPECT_TRUE(Shown(0));
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), dir / "b.txt");
    ChooseTab(1);
    MainWnd().OpenPath("C:\\no\\such\\thing");
    EXPECT_TRUE(Shown(0)) << "a path that does not exist goes to the individual page";
    ChooseTab(1);
    MainWnd().OpenPath("");
    EXPECT_TRUE(Shown(1)) << "an empty path only shows the page already chosen";
}

TEST_F(MainWindowTest, TheModeIsShownInTheMenuAndTheSelector)
{
    HMENU edit = GetSubMenu(GetMenu(MainWnd().GetHwnd()), 1);
    HWND selector = GetDlgItem(MainWnd().GetHwnd(), 9000);
    const std::pair<std::function<void()>, int> steps[] = {
        {[] { Command(106); }, 1},
        {[] { ChooseMode(0); }, 0},
        {[] { Press(MainWnd().GetHwnd(), 'T', VK_CONTROL); }, 1},
        {[] { Press(MainWnd().GetHwnd(), 'B'); }, 1}, // without Ctrl
        {[] { Press(MainWnd().GetTabCtrl()->GetHwnd(), 'B', VK_CONTROL); }, 0},
    };
    for (const auto& step : steps) {
        step.first();
        const int checked = (GetMenuState(edit, 0, MF_BYPOSITION) & MF_CHECKED ? 1 : 0) + (GetMenuState(edit, 1, MF_BYPOSITION) & MF_CHECKED ? 2 : 0);
        EXPECT_EQ(std::to_string(MainWnd().GetMode()) + std::to_string(SendMessageA(selector, CB_GETCURSEL, 0, 0)) + std::to_string(checked),
                  std::string(2, static_cast<char>('0' + step.second)) + (step.second ? "2" : "1"));
    }
    char item[64] = "";
    SendMessageA(selector, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, "テキスト変換");
}

// The menus as the user reads them, each entry with its command; separators are "-".
TEST_F(MainWindowTest, MenuTextsAndCommands)
{
    const char* expected[] = {
        "ファイル (&F): 参照（入力） (&I)=100|参照（出力） (&O)=101|-|変換開始 (&C)=102|クリア (&R)=103|-|設定 (&S)=109|-|終了=104|",
        "編集 (&E): バイナリ変換 (&B)=105|テキスト変換 (&T)=106|",
        "ヘルプ (&H): 使い方 (&H)=107|バージョン情報 (&V)=108|",
    };
    HMENU bar = GetMenu(MainWnd().GetHwnd());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    for (int i = 0; i < 3; ++i) {
        char text[64] = "";
        GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
        std::string menu = std::string(text) + ": ";
        HMENU drop = GetSubMenu(bar, i);
        for (int n = 0; n < GetMenuItemCount(drop); ++n) {
            const UINT id = GetMenuItemID(drop, n);
            GetMenuStringA(drop, n, text, sizeof text, MF_BYPOSITION);
            menu += id == 0 ? std::string("-|") : std::string(text) + "=" + std::to_string(id) + "|";
        }
        EXPECT_EQ(menu, expected[i]);
    }
}

// The settings pages (child dialogs) holding control id, in tab order.
HWND PageWith(HWND dialog, int id, int nth = 0)
{
    HWND child = NULL;
    while ((child = FindWindowExA(dialog, child, "#32770", NULL)) != NULL)
        if (GetDlgItem(child, id) && nth-- == 0) return child;
    return NULL;
}

// What the settings dialog shows: the rule pages' check boxes (individual, then batch), the filer,
// the width and the comments.
std::string ShownSettings(HWND dialog)
{
    std::string shown;
    for (int page : {0, 1})
        for (int id : {4100, 4300}) shown += std::to_string(SendDlgItemMessageA(PageWith(dialog, 4100, page), id, BM_GETCHECK, 0, 0));
    HWND common = PageWith(dialog, 7000);
    return shown + "|" + GetText(common, 7000) + "|" + GetText(common, 9100) + "|" + std::to_string(SendDlgItemMessageA(common, 4003, BM_GETCHECK, 0, 0));
}

std::string SavedSettings()
{
    std::string saved;
    for (const char* key : {"FILER", "TXT_EDITOR", "BIN_EDITOR", "TEXT_BYTES_PER_LINE", "TEXT_OFFSET_COMMENTS"})
        saved += GetIni("COMMON_SETTINGS", key) + "|";
    for (const char* section : {"IND_CONV_SETTINGS", "BAT_CONV_SETTINGS"})
        saved += GetIni(section, "DECIDE_OUTPUT_FROM_INPUT") + "|" + GetIni(section, "DEFAULT_OUTPUT_EXTENSION") + "|";
    return saved;
}

// Opens the settings dialog from the File menu; act runs in it and ends it.
void WithSettings(const std::function<void(HWND)>& act)
{
    DialogWatcher watcher;
    watcher.onDialog = act;
    Command(109);
}

// Without a settings file: the defaults, shown and saved; 取消 writes nothing.
TEST_F(MainWindowTest, SettingsShowTheDefaultsAndCancelWritesNothing)
{
    for (int button : {IDCANCEL, IDOK}) {
        std::string shown;
        WithSettings([&](HWND dialog) {
            shown = WindowText(dialog) + " " + ShownSettings(dialog);
            SetText(PageWith(dialog, 7000), 7001, "changed");
            PostMessageA(dialog, WM_COMMAND, button, 0);
        });
        EXPECT_EQ(shown, "設定 0000||なし|0");
        EXPECT_EQ(SavedSettings(), button == IDOK ? "<none>|changed|<none>|0|FALSE|FALSE|REPLACE|FALSE|REPLACE|"
                                                  : "<none>|<none>|<none>|<none>|<none>|<none>|<none>|<none>|<none>|");
    }
}

TEST_F(MainWindowTest, SettingsShowTheFileAndOkSavesEveryKey)
{
    SetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "true"); // not TRUE: shown and saved off
    SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE");
    SetIni("BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "ADD");
    SetIni("COMMON_SETTINGS", "FILER", "C:\\filer.exe");
    SetIni("COMMON_SETTINGS", "TEXT_BYTES_PER_LINE", "16");
    SetIni("COMMON_SETTINGS", "TEXT_OFFSET_COMMENTS", "TRUE");
    const std::string longPath = "C:\\" + std::string(300, 'x') + ".exe"; // untouched: kept whole
    SetIni("COMMON_SETTINGS", "TXT_EDITOR", longPath.c_str());
    std::string shown;
    WithSettings([&](HWND dialog) {
        shown = ShownSettings(dialog);
        // Change something on every page, switching tabs as a user does.
        HWND common = PageWith(dialog, 7000), tab = GetDlgItem(dialog, 5000);
        SetText(common, 7002, "C:\\bin edit\\b.exe");
        SendDlgItemMessageA(common, 9100, CB_SETCURSEL, 3, 0);
        SendDlgItemMessageA(common, 4003, BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(tab, TCM_SETCURFOCUS, 1, 0);
        SendDlgItemMessageA(PageWith(dialog, 4100, 0), 4100, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(tab, TCM_SETCURFOCUS, 2, 0);
        SendDlgItemMessageA(PageWith(dialog, 4100, 1), 4300, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(PageWith(dialog, 4100, 1), 4301, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(shown, "0011|C:\\filer.exe|16|1") << "individual off/replace, batch on/add";
    EXPECT_EQ(SavedSettings(), "C:\\filer.exe|" + longPath + "|C:\\bin edit\\b.exe|32|FALSE|TRUE|REPLACE|TRUE|REPLACE|");
    // The page follows the saved rule without a restart.
    Individual().SetInputPath("D:\\in\\x.txt");
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\in\\x.dat");
}

TEST_F(MainWindowTest, SettingsBrowseButtonsPickAProgram)
{
    HWND settings = NULL;
    std::string title;
    WithSettings([&](HWND dialog) {
        if (!settings) {
            settings = dialog;
            PostMessageA(PageWith(dialog, 7000), WM_COMMAND, MAKEWPARAM(4000, BN_CLICKED), 0);
            return;
        }
        title = WindowText(dialog);
        SetDlgItemTextA(dialog, 1148, "C:\\windows\\notepad.exe");
        SetDlgItemTextA(dialog, 1152, "C:\\windows\\notepad.exe");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        PostMessageA(settings, WM_COMMAND, IDOK, 0); // after the chooser ends: saves the box
    });
    EXPECT_EQ(title, "プログラムを選択してください");
    EXPECT_EQ(GetIni("COMMON_SETTINGS", "FILER"), "C:\\windows\\notepad.exe");
}

TEST_F(MainWindowTest, VersionDialogNgAnswersAndStaysOpen)
{
    DialogWatcher watcher;
    HWND version = NULL;
    watcher.onDialog = [&](HWND dialog) {
        version = dialog;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(4000, BN_CLICKED), 0);
    };
    // "NG" a second time, then OK closes it.
    watcher.onBox = [&](const Box&) { PostMessageA(version, WM_COMMAND, watcher.boxes.size() == 1 ? 4000 : IDOK, 0); };
    Command(108);
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].text + " " + watcher.boxes[0].caption, "少しずつ改良していきます m(__)m 使いにくくてすみません");
    EXPECT_EQ(watcher.boxes[0].icon, 0u);
    EXPECT_FALSE(IsWindow(version));
}

// Stands in for the shell: records what it was asked to open.
std::vector<std::string> s_opened;
HINSTANCE WINAPI RecordShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT)
{
    s_opened.push_back(std::string(verb ? verb : "<null>") + " " + (file ? file : "<null>"));
    return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(MainWindowTest, HelpKeysAndMenuOpenTheHelpFileAndCtrlF1TheVersionDialog)
{
    static const bool hooked = (HookImport(reinterpret_cast<void*>(&ShellExecuteA), reinterpret_cast<void*>(&RecordShellExecute)), true);
    ASSERT_TRUE(hooked);
    s_opened.clear();
    DialogWatcher watcher;
    std::vector<std::string> dialogs;
    watcher.onDialog = [&](HWND dialog) {
        dialogs.push_back(WindowText(dialog));
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    Command(107); // "使い方 (&H)"
    Press(MainWnd().GetHwnd(), VK_F1);
    Press(MainWnd().GetTabCtrl()->GetHwnd(), VK_F1, VK_CONTROL);
    const std::string help = "open " + ProgramFolder() + "\\help\\Quillmark.chm";
    EXPECT_EQ(s_opened, (std::vector<std::string>{help, help}));
    EXPECT_EQ(dialogs, std::vector<std::string>{"バージョン情報"});
}

} // namespace
