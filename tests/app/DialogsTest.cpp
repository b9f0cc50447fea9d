// The settings dialog, the version dialog and the keys of the main window, opened from the real
// main window as a user would.
#include <gtest/gtest.h>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

// The settings page (a child dialog of the settings dialog) that holds control id.
HWND PageWith(HWND dialog, int id)
{
    HWND child = NULL;
    while ((child = FindWindowExA(dialog, child, "#32770", NULL)) != NULL)
        if (GetDlgItem(child, id)) return child;
    return NULL;
}

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveIni();
        MainWnd().SetMode(0);
        ChooseTab(0);
        Individual().Clear();
    }
    // Opens the settings dialog from the File menu; act runs while it is open.
    void WithSettings(const std::function<void(HWND)>& act)
    {
        DialogWatcher watcher;
        watcher.onDialog = act;
        SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 109, 0);
        Pump();
    }
};

TEST_F(DialogsTest, SettingsOkWritesAllSevenKeys)
{
    SetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "true");
    SetIni("COMMON_SETTINGS", "TXT_EDITOR", "C:\\tools\\edit.exe");
    std::string caption, tabs;
    WithSettings([&](HWND dialog) {
        caption = WindowText(dialog);
        HWND tab = GetDlgItem(dialog, 5000);
        for (int i = 0; i < 3; ++i) {
            char text[64] = "";
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof(text);
            SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            tabs += std::string(text) + "|";
        }
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(caption, "設定");
    EXPECT_EQ(tabs, "共通設定|個別変換設定|一括変換設定|");
    EXPECT_EQ(GetIni("COMMON_SETTINGS", "FILER"), "");
    EXPECT_EQ(GetIni("COMMON_SETTINGS", "TXT_EDITOR"), "C:\\tools\\edit.exe");
    EXPECT_EQ(GetIni("COMMON_SETTINGS", "BIN_EDITOR"), "");
    EXPECT_EQ(GetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT"), "FALSE");
    EXPECT_EQ(GetIni("IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION"), "REPLACE");
    EXPECT_EQ(GetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT"), "FALSE");
    EXPECT_EQ(GetIni("BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION"), "REPLACE");
}

TEST_F(DialogsTest, SettingsShowTheFileAndSaveWhatWasChangedOnEachPage)
{
    SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE");
    SetIni("BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "ADD");
    SetIni("COMMON_SETTINGS", "FILER", "C:\\filer.exe");
    bool shownDecide = false, shownAdd = false, shownFiler = false;
    WithSettings([&](HWND dialog) {
        HWND common = PageWith(dialog, 7000);
        shownFiler = GetText(common, 7000) == "C:\\filer.exe";
        SetText(common, 7002, "C:\\bin edit\\b.exe");
        // Pages 2 and 3 hold the same ids: the third is the one showing the batch section.
        HWND pages[2] = {};
        int found = 0;
        HWND child = NULL;
        while ((child = FindWindowExA(dialog, child, "#32770", NULL)) != NULL)
            if (GetDlgItem(child, 4100) && found < 2) pages[found++] = child;
        HWND ind = pages[0], bat = pages[1];
        shownDecide = SendMessageA(GetDlgItem(bat, 4100), BM_GETCHECK, 0, 0) == BST_CHECKED;
        shownAdd = SendMessageA(GetDlgItem(bat, 4300), BM_GETCHECK, 0, 0) == BST_CHECKED;
        // Switch tabs as a user does; what was set stays until the dialog closes.
        SendMessageA(GetDlgItem(dialog, 5000), TCM_SETCURFOCUS, 1, 0);
        SendMessageA(GetDlgItem(ind, 4100), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(GetDlgItem(dialog, 5000), TCM_SETCURFOCUS, 2, 0);
        SendMessageA(GetDlgItem(dialog, 5000), TCM_SETCURFOCUS, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(shownFiler);
    EXPECT_TRUE(shownDecide);
    EXPECT_TRUE(shownAdd);
    EXPECT_EQ(GetIni("COMMON_SETTINGS", "BIN_EDITOR"), "C:\\bin edit\\b.exe");
    EXPECT_EQ(GetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT"), "TRUE");
    EXPECT_EQ(GetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT"), "TRUE");
    EXPECT_EQ(GetIni("BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION"), "ADD");

    // The page follows the saved rule without a restart.
    Individual().SetInputPath("D:\\in\\x.txt");
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\in\\x.dat");
}

TEST_F(DialogsTest, SettingsCancelWritesNothing)
{
    SetIni("COMMON_SETTINGS", "FILER", "keep");
    std::string before = ReadBytes(IniPath());
    WithSettings([&](HWND dialog) {
        SetText(PageWith(dialog, 7000), 7000, "changed");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(ReadBytes(IniPath()), before);
}

TEST_F(DialogsTest, SettingsBrowseButtonsPickAProgram)
{
    SetIni("COMMON_SETTINGS", "FILER", "C:\\windows\\old.exe");
    struct Run {
        bool choose;
        const char* expected;
    } runs[] = {{false, "C:\\windows\\old.exe"}, {true, "C:\\windows\\notepad.exe"}};
    for (const Run& run : runs) {
        SCOPED_TRACE(run.choose ? "chosen" : "cancelled");
        DialogWatcher watcher;
        HWND settings = NULL;
        std::string chooserTitle, boxText;
        watcher.onDialog = [&](HWND dialog) {
            if (!settings) {
                settings = dialog;
                HWND common = PageWith(dialog, 7000);
                PostMessageA(common, WM_COMMAND, MAKEWPARAM(4000, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(common, 4000)));
                return;
            }
            chooserTitle = WindowText(dialog);
            if (run.choose) {
                SetDlgItemTextA(dialog, 1148, "C:\\windows\\notepad.exe");
                SetDlgItemTextA(dialog, 1152, "C:\\windows\\notepad.exe");
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            } else {
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
            // Runs after the chooser has ended: save what the box then holds.
            PostMessageA(settings, WM_COMMAND, IDOK, 0);
        };
        SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 109, 0);
        Pump();
        EXPECT_EQ(chooserTitle, "プログラムを選択してください");
        EXPECT_EQ(GetIni("COMMON_SETTINGS", "FILER"), run.expected);
    }
}

TEST_F(DialogsTest, VersionDialogNgAnswersAndStaysOpen)
{
    DialogWatcher watcher;
    HWND version = NULL;
    std::string caption;
    int answered = 0;
    watcher.onDialog = [&](HWND dialog) {
        version = dialog;
        caption = WindowText(dialog);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(4000, BN_CLICKED), 0);
    };
    watcher.onBox = [&](const Box&) {
        // Press "NG" a second time, then close with OK.
        if (++answered == 1)
            PostMessageA(version, WM_COMMAND, MAKEWPARAM(4000, BN_CLICKED), 0);
        else
            PostMessageA(version, WM_COMMAND, IDOK, 0);
    };
    SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 108, 0);
    Pump();
    EXPECT_EQ(caption, "バージョン情報");
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].text, "少しずつ改良していきます m(__)m");
    EXPECT_EQ(watcher.boxes[0].caption, "使いにくくてすみません");
    EXPECT_EQ(watcher.boxes[0].icon, 0u);
    EXPECT_FALSE(IsWindow(version));
}

TEST_F(DialogsTest, CtrlF1OpensTheVersionDialogAndEscClosesIt)
{
    DialogWatcher watcher;
    std::string caption;
    watcher.onDialog = [&](HWND dialog) {
        caption = WindowText(dialog);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(MainWnd().GetTabCtrl()->GetHwnd(), WM_KEYDOWN, VK_F1, 0);
    Pump();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(caption, "バージョン情報");
}

TEST_F(DialogsTest, CtrlKeysOnTheMainWindowReachThePage)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(MainWnd().GetHwnd(), WM_KEYDOWN, 'T', 0);
    Pump();
    int afterT = MainWnd().GetMode();
    SendMessageA(MainWnd().GetTabCtrl()->GetHwnd(), WM_KEYDOWN, 'B', 0);
    Pump();
    int afterB = MainWnd().GetMode();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    SendMessageA(MainWnd().GetHwnd(), WM_KEYDOWN, 'T', 0);
    Pump();
    EXPECT_EQ(afterT, 1);
    EXPECT_EQ(afterB, 0);
    EXPECT_EQ(MainWnd().GetMode(), 0) << "T without Ctrl does nothing";
    EXPECT_EQ(SendMessageA(GetDlgItem(MainWnd().GetHwnd(), 9000), CB_GETCURSEL, 0, 0), 0);
}

TEST_F(DialogsTest, CtrlAAndCtrlUCheckAndClearTheBatchList)
{
    ScratchFolder dir;
    WriteBytes(dir / "a.txt", "41");
    WriteBytes(dir / "b.txt", "42");
    ChooseTab(1);
    Batch().SetInputPath(dir.Path().c_str());
    HWND list = GetDlgItem(Batch().GetHwnd(), 8000);
    auto checkedRows = [&] {
        int n = 0;
        for (int i = 0; i < 2; ++i)
            if ((SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) == 2) ++n;
        return n;
    };
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(MainWnd().GetHwnd(), WM_KEYDOWN, 'U', 0);
    Pump();
    int afterU = checkedRows();
    SendMessageA(MainWnd().GetTabCtrl()->GetHwnd(), WM_KEYDOWN, 'A', 0);
    Pump();
    int afterA = checkedRows();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(afterU, 0);
    EXPECT_EQ(afterA, 2);
    Batch().Clear();
}

} // namespace
