// The main window itself: dropped files, the page shown, and the mode shown in the menu and in
// the selector.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

// A drop of these paths as the shell hands it over: DROPFILES followed by the names.
HDROP MakeDrop(const std::vector<std::string>& paths)
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
    return static_cast<HDROP>(memory);
}

bool Shown(int page)
{
    CMainDlg* dialog = CMainWnd::GetPage(page);
    return IsWindowVisible(dialog->GetHwnd()) &&
           SendMessageA(MainWnd().GetTabCtrl()->GetHwnd(), TCM_GETCURSEL, 0, 0) == page;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveIni();
        MainWnd().SetMode(0);
        ChooseTab(0);
        Individual().Clear();
        Batch().Clear();
    }
    void TearDown() override
    {
        Individual().Clear();
        Batch().Clear();
        ChooseTab(0);
    }
    ScratchFolder dir;
};

TEST_F(MainWindowTest, ADroppedFolderOpensTheBatchPageAndAFileTheIndividualPage)
{
    WriteBytes(dir / "a.txt", "41");
    WriteBytes(dir / "b.txt", "42");
    // Dropped on a page: the page hands the drop to the main window.
    SendMessageA(Individual().GetHwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dir.Path()})), 0);
    Pump();
    EXPECT_TRUE(Shown(1));
    EXPECT_FALSE(IsWindowVisible(Individual().GetHwnd()));
    EXPECT_EQ(GetText(Batch().GetHwnd(), 7000), dir.Path());
    EXPECT_EQ(SendMessageA(GetDlgItem(Batch().GetHwnd(), 8000), LVM_GETITEMCOUNT, 0, 0), 2);

    // Several files: only the first is opened.
    SendMessageA(MainWnd().GetHwnd(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({dir / "b.txt", dir / "a.txt"})), 0);
    Pump();
    EXPECT_TRUE(Shown(0));
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), dir / "b.txt");
}

TEST_F(MainWindowTest, APathThatDoesNotExistGoesToTheIndividualPage)
{
    ChooseTab(1);
    MainWnd().OpenPath("C:\\no\\such\\thing");
    EXPECT_TRUE(Shown(0));
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), "C:\\no\\such\\thing");
    MainWnd().OpenPath("");
    EXPECT_TRUE(Shown(0)) << "an empty path only shows the page already chosen";
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
        {"menu テキスト変換", [] { SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 106, 0); }, 1},
        {"menu バイナリ変換", [] { SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 105, 0); }, 0},
        {"selector テキスト変換", [] { ChooseMode(1); }, 1},
        {"selector バイナリ変換", [] { ChooseMode(0); }, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        Pump();
        EXPECT_EQ(MainWnd().GetMode(), step.mode);
        EXPECT_EQ(SendMessageA(selector, CB_GETCURSEL, 0, 0), step.mode);
        EXPECT_EQ(checked(0), step.mode == 0);
        EXPECT_EQ(checked(1), step.mode == 1);
    }
    char item[64] = "";
    SendMessageA(selector, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, "テキスト変換");
}

TEST_F(MainWindowTest, TheFileMenuCommandsGoToThePageShown)
{
    WriteBytes(dir / "x.txt", "41");
    Batch().SetInputPath(dir.Path().c_str());
    ChooseTab(1);
    SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 103, 0); // "クリア (&R)"
    Pump();
    EXPECT_EQ(GetText(Batch().GetHwnd(), 7000), "");
    Individual().SetInputPath((dir / "x.txt").c_str());
    ChooseTab(0);
    SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 103, 0);
    Pump();
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), "");
}

} // namespace
