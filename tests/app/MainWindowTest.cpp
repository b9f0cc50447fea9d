// The main window itself: dropped files, the page shown, and the mode shown in the menu and in
// the selector, by menu, selector and keys.
#include <shlobj.h>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

// A drop of these paths as the shell hands it over: DROPFILES followed by the names.
WPARAM MakeDrop(const std::vector<std::string>& paths)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    char* names = reinterpret_cast<char*>(drop + 1);
    for (const std::string& path : paths) {
        lstrcpyA(names, path.c_str());
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    return reinterpret_cast<WPARAM>(memory);
}

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
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), "C:\\no\\such\\thing");
    ChooseTab(1);
    MainWnd().OpenPath("");
    EXPECT_TRUE(Shown(1)) << "an empty path only shows the page already chosen";
}

TEST_F(MainWindowTest, TheModeIsShownInTheMenuAndTheSelector)
{
    HMENU edit = GetSubMenu(GetMenu(MainWnd().GetHwnd()), 1);
    HWND selector = GetDlgItem(MainWnd().GetHwnd(), 9000);
    auto checked = [&](int position) { return (GetMenuState(edit, position, MF_BYPOSITION) & MF_CHECKED) != 0; };
    struct Step {
        const char* name;
        std::function<void()> act;
        int mode;
    } steps[] = {
        {"menu テキスト変換", [] { Command(106); }, 1},
        {"menu バイナリ変換", [] { Command(105); }, 0},
        {"selector テキスト変換", [] { ChooseMode(1); }, 1},
        {"selector バイナリ変換", [] { ChooseMode(0); }, 0},
        {"Ctrl+T", [] { Press(MainWnd().GetHwnd(), 'T', VK_CONTROL); }, 1},
        {"B without Ctrl", [] { Press(MainWnd().GetHwnd(), 'B'); }, 1},
        {"Ctrl+B on the tab strip", [] { Press(MainWnd().GetTabCtrl()->GetHwnd(), 'B', VK_CONTROL); }, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(MainWnd().GetMode(), step.mode);
        EXPECT_EQ(SendMessageA(selector, CB_GETCURSEL, 0, 0), step.mode);
        EXPECT_EQ(checked(0), step.mode == 0);
        EXPECT_EQ(checked(1), step.mode == 1);
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

} // namespace
