// The keyboard focus rings of the main window and both pages: Tab, Shift+Tab and Esc as the
// focus-aware controls report them.
#include <gtest/gtest.h>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

void SetShift(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Presses key on the window that has the focus and lets the posted moves run.
HWND Press(WPARAM key)
{
    SendMessageA(GetFocus(), WM_KEYDOWN, key, 0);
    Pump();
    return GetFocus();
}

class FocusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetForegroundWindow(MainWnd().GetHwnd());
        SetFocus(MainWnd().GetHwnd());
        Pump();
    }
    void TearDown() override { SetShift(false); }

    std::vector<HWND> Ring(HWND page, const std::vector<int>& ids)
    {
        std::vector<HWND> ring = {MainWnd().GetHwnd(), GetDlgItem(MainWnd().GetHwnd(), 9000),
                                  MainWnd().GetTabCtrl()->GetHwnd()};
        for (int id : ids) ring.push_back(GetDlgItem(page, id));
        return ring;
    }
    void CheckRing(const std::vector<HWND>& ring)
    {
        for (size_t i = 1; i <= ring.size(); ++i)
            EXPECT_EQ(Press(VK_TAB), ring[i % ring.size()]) << "Tab step " << i;
        SetShift(true);
        for (size_t i = ring.size(); i-- > 0;)
            EXPECT_EQ(Press(VK_TAB), ring[i]) << "Shift+Tab to entry " << i;
        SetShift(false);
    }
};

TEST_F(FocusTest, TabRunsRoundTheMainWindowAndTheIndividualPage)
{
    ChooseTab(0);
    SetFocus(MainWnd().GetHwnd());
    CheckRing(Ring(Individual().GetHwnd(), {4000, 7000, 4001, 7001, 4002, 4003}));
}

TEST_F(FocusTest, TabRunsRoundTheMainWindowAndTheBatchPage)
{
    ChooseTab(1);
    SetFocus(MainWnd().GetHwnd());
    CheckRing(Ring(Batch().GetHwnd(), {9000, 4000, 7000, 4001, 7001, 8000, 4002, 4003, 4004, 4005}));
    ChooseTab(0);
}

TEST_F(FocusTest, EscSendsTheFocusToTheMainWindow)
{
    ChooseTab(0);
    SetFocus(GetDlgItem(Individual().GetHwnd(), 7001));
    EXPECT_EQ(Press(VK_ESCAPE), MainWnd().GetHwnd());
    SetFocus(GetDlgItem(MainWnd().GetHwnd(), 9000));
    EXPECT_EQ(Press(VK_ESCAPE), MainWnd().GetHwnd());
}

TEST_F(FocusTest, EnterInTheBatchFolderBoxAppliesTheFolder)
{
    ScratchFolder dir;
    WriteBytes(dir / "x.txt", "41");
    ChooseTab(1);
    HWND page = Batch().GetHwnd();
    SetText(page, 7000, dir.Path());
    SetFocus(GetDlgItem(page, 7000));
    EXPECT_EQ(Press(VK_RETURN), GetDlgItem(page, 7001));
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 8000), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(Press(VK_RETURN), MainWnd().GetHwnd());
    Batch().Clear();
    ChooseTab(0);
}

} // namespace
