// The keyboard focus rings of the main window and both pages: Tab, Shift+Tab and Esc as the
// focus-aware controls report them.
#include "AppEnvironment.h"

using namespace apptest;

namespace {

// Presses key on the window that has the focus; where the focus went once the posted moves ran.
HWND PressOnFocus(WPARAM key, BYTE modifier = 0)
{
    Press(GetFocus(), key, modifier);
    return GetFocus();
}

using FocusTest = AppTest;

TEST_F(FocusTest, TabAndShiftTabRunRoundTheMainWindowAndEachPage)
{
    struct Case {
        int tab;
        std::vector<int> ids;
    } cases[] = {
        {0, {4000, 7000, 4001, 7001, 4002, 4003}},
        {1, {9000, 4000, 7000, 4001, 7001, 8000, 4002, 4003, 4004, 4005}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tab);
        Reset(c.tab);
        HWND page = CMainWnd::GetPage(c.tab)->GetHwnd();
        std::vector<HWND> ring = {MainWnd().GetHwnd(), GetDlgItem(MainWnd().GetHwnd(), 9000),
                                  MainWnd().GetTabCtrl()->GetHwnd()};
        for (int id : c.ids) ring.push_back(GetDlgItem(page, id));
        for (size_t i = 1; i <= ring.size(); ++i)
            EXPECT_EQ(PressOnFocus(VK_TAB), ring[i % ring.size()]) << "Tab step " << i;
        for (size_t i = ring.size(); i-- > 0;)
            EXPECT_EQ(PressOnFocus(VK_TAB, VK_SHIFT), ring[i]) << "Shift+Tab to entry " << i;
    }
}

TEST_F(FocusTest, EscSendsTheFocusToTheMainWindow)
{
    for (HWND from : {GetDlgItem(Individual().GetHwnd(), 7001), GetDlgItem(MainWnd().GetHwnd(), 9000)}) {
        SetFocus(from);
        EXPECT_EQ(PressOnFocus(VK_ESCAPE), MainWnd().GetHwnd());
    }
}

TEST_F(FocusTest, EnterInTheBatchFolderBoxAppliesTheFolder)
{
    WriteBytes(dir / "x.txt", "41");
    Reset(1);
    HWND page = Batch().GetHwnd();
    SetText(page, 7000, dir.Path());
    SetFocus(GetDlgItem(page, 7000));
    EXPECT_EQ(PressOnFocus(VK_RETURN), GetDlgItem(page, 7001));
    EXPECT_EQ(Rows(GetDlgItem(page, 8000)), 1);
    EXPECT_EQ(PressOnFocus(VK_RETURN), MainWnd().GetHwnd());
}

} // namespace
