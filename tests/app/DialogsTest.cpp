// The settings dialog, the version dialog, help and the keys of the main window, opened from the
// real main window as a user would.
#include "AppEnvironment.h"

#include <shellapi.h>

using namespace apptest;

namespace {

// The settings pages (child dialogs) holding control id, in tab order.
std::vector<HWND> PagesWith(HWND dialog, int id)
{
    std::vector<HWND> pages;
    HWND child = NULL;
    while ((child = FindWindowExA(dialog, child, "#32770", NULL)) != NULL)
        if (GetDlgItem(child, id)) pages.push_back(child);
    return pages;
}

class DialogsTest : public AppTest {
protected:
    // Opens the settings dialog from the File menu; act runs while it is open.
    void WithSettings(const std::function<void(HWND)>& act)
    {
        DialogWatcher watcher;
        watcher.onDialog = act;
        Command(109);
    }
};

TEST_F(DialogsTest, SettingsShowTheFileAndOkSavesEveryKey)
{
    SetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "true"); // not TRUE: shown and saved off
    SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE");
    SetIni("BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "ADD");
    SetIni("COMMON_SETTINGS", "FILER", "C:\\filer.exe");
    SetIni("COMMON_SETTINGS", "TEXT_BYTES_PER_LINE", "16");
    SetIni("COMMON_SETTINGS", "TEXT_OFFSET_COMMENTS", "TRUE");
    const std::string longPath = "C:\\" + std::string(300, 'x') + ".exe"; // untouched: kept whole
    SetIni("COMMON_SETTINGS", "TXT_EDITOR", longPath.c_str());
    std::string caption, shown;
    WithSettings([&](HWND dialog) {
        caption = WindowText(dialog);
        HWND tab = GetDlgItem(dialog, 5000);
        HWND common = PagesWith(dialog, 7000).at(0);
        std::vector<HWND> conv = PagesWith(dialog, 4100); // individual, then batch
        for (HWND page : conv)
            for (int id : {4100, 4300})
                shown += SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
        shown += "|" + GetText(common, 7000) + "|" + GetText(common, 9100);
        shown += SendMessageA(GetDlgItem(common, 4003), BM_GETCHECK, 0, 0) == BST_CHECKED ? " on" : " off";
        // Change something on every page, switching tabs as a user does.
        SetText(common, 7002, "C:\\bin edit\\b.exe");
        SendMessageA(GetDlgItem(common, 9100), CB_SETCURSEL, 3, 0);
        SendMessageA(GetDlgItem(common, 4003), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(tab, TCM_SETCURFOCUS, 1, 0);
        SendMessageA(GetDlgItem(conv.at(0), 4100), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(tab, TCM_SETCURFOCUS, 2, 0);
        SendMessageA(GetDlgItem(conv.at(1), 4300), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(GetDlgItem(conv.at(1), 4301), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(tab, TCM_SETCURFOCUS, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(caption, "設定");
    EXPECT_EQ(shown, "0011|C:\\filer.exe|16 on") << "individual off/replace, batch on/add";
    const char* const saved[][3] = {
        {"COMMON_SETTINGS", "FILER", "C:\\filer.exe"},
        {"COMMON_SETTINGS", "TXT_EDITOR", longPath.c_str()},
        {"COMMON_SETTINGS", "BIN_EDITOR", "C:\\bin edit\\b.exe"},
        {"COMMON_SETTINGS", "TEXT_BYTES_PER_LINE", "32"},
        {"COMMON_SETTINGS", "TEXT_OFFSET_COMMENTS", "FALSE"},
        {"IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE"},
        {"IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "REPLACE"},
        {"BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE"},
        {"BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "REPLACE"},
    };
    for (const auto& key : saved) EXPECT_EQ(GetIni(key[0], key[1]), key[2]) << key[0] << " " << key[1];

    // The page follows the saved rule without a restart.
    Individual().SetInputPath("D:\\in\\x.txt");
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\in\\x.dat");
}

TEST_F(DialogsTest, SettingsCancelWritesNothing)
{
    SetIni("COMMON_SETTINGS", "FILER", "keep");
    std::string before = ReadBytes(IniPath());
    WithSettings([&](HWND dialog) {
        SetText(PagesWith(dialog, 7000).at(0), 7000, "changed");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(ReadBytes(IniPath()), before);
}

TEST_F(DialogsTest, SettingsBrowseButtonsPickAProgram)
{
    SetIni("COMMON_SETTINGS", "FILER", "C:\\windows\\old.exe");
    for (const char* chosen : {"", "C:\\windows\\notepad.exe"}) {
        SCOPED_TRACE(*chosen ? "chosen" : "cancelled");
        HWND settings = NULL;
        std::string chooserTitle;
        WithSettings([&](HWND dialog) {
            if (!settings) {
                settings = dialog;
                HWND common = PagesWith(dialog, 7000).at(0);
                PostMessageA(common, WM_COMMAND, MAKEWPARAM(4000, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(common, 4000)));
                return;
            }
            chooserTitle = WindowText(dialog);
            SetDlgItemTextA(dialog, 1148, chosen);
            SetDlgItemTextA(dialog, 1152, chosen);
            PostMessageA(dialog, WM_COMMAND, *chosen ? IDOK : IDCANCEL, 0);
            PostMessageA(settings, WM_COMMAND, IDOK, 0); // after the chooser ends: saves the box
        });
        EXPECT_EQ(chooserTitle, "プログラムを選択してください");
        EXPECT_EQ(GetIni("COMMON_SETTINGS", "FILER"), *chosen ? chosen : "C:\\windows\\old.exe");
    }
}

TEST_F(DialogsTest, VersionDialogNgAnswersAndStaysOpen)
{
    DialogWatcher watcher;
    HWND version = NULL;
    std::string caption;
    watcher.onDialog = [&](HWND dialog) {
        version = dialog;
        caption = WindowText(dialog);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(4000, BN_CLICKED), 0);
    };
    watcher.onBox = [&](const Box&) {
        // Press "NG" a second time, then close with OK.
        PostMessageA(version, WM_COMMAND, watcher.boxes.size() == 1 ? MAKEWPARAM(4000, BN_CLICKED) : IDOK, 0);
    };
    Command(108);
    EXPECT_EQ(caption, "バージョン情報");
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].text, "少しずつ改良していきます m(__)m");
    EXPECT_EQ(watcher.boxes[0].caption, "使いにくくてすみません");
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

TEST_F(DialogsTest, HelpKeysAndMenuOpenTheHelpFileAndCtrlF1TheVersionDialog)
{
    static const bool hooked = (HookImport(reinterpret_cast<void*>(&ShellExecuteA),
                                           reinterpret_cast<void*>(&RecordShellExecute)), true);
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
    std::string help = "open " + ProgramFolder() + "\\help\\Quillmark.chm";
    EXPECT_EQ(s_opened, (std::vector<std::string>{help, help}));
    EXPECT_EQ(dialogs, std::vector<std::string>{"バージョン情報"});
}

} // namespace
