// The keyboard focus: Tab, Shift+Tab, Esc and Enter round the main window and both pages, as the
// focus-aware controls report them; and the settings dialog walked with the keyboard alone.
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
    const std::vector<int> pages[] = {{4000, 7000, 4001, 7001, 4002, 4003},
                                      {9000, 4000, 7000, 4001, 7001, 8000, 4002, 4003, 4004, 4005}};
    for (int tab : {0, 1}) {
        Reset(tab);
        std::vector<HWND> ring = {MainWnd().GetHwnd(), GetDlgItem(MainWnd().GetHwnd(), 9000), MainWnd().GetTabCtrl()->GetHwnd()};
        for (int id : pages[tab]) ring.push_back(GetDlgItem(CMainWnd::GetPage(tab)->GetHwnd(), id));
        for (size_t i = 1; i <= ring.size(); ++i) EXPECT_EQ(PressOnFocus(VK_TAB), ring[i % ring.size()]) << tab << " Tab " << i;
        for (size_t i = ring.size(); i-- > 0;) EXPECT_EQ(PressOnFocus(VK_TAB, VK_SHIFT), ring[i]) << tab << " Shift+Tab " << i;
    }
}

// Esc sends the focus to the main window; Enter in the batch page's folder box lists the folder.
TEST_F(FocusTest, EscAndEnter)
{
    for (HWND from : {GetDlgItem(Individual().GetHwnd(), 7001), GetDlgItem(MainWnd().GetHwnd(), 9000)}) {
        SetFocus(from);
        EXPECT_EQ(PressOnFocus(VK_ESCAPE), MainWnd().GetHwnd());
    }
    WriteBytes(dir / "x.txt", "41");
    Reset(1);
    HWND page = Batch().GetHwnd();
    SetText(page, 7000, dir.Path());
    SetFocus(GetDlgItem(page, 7000));
    EXPECT_EQ(PressOnFocus(VK_RETURN), GetDlgItem(page, 7001));
    EXPECT_EQ(Rows(GetDlgItem(page, 8000)), 1);
    EXPECT_EQ(PressOnFocus(VK_RETURN), MainWnd().GetHwnd());
}

// Runs a script inside an open modal dialog, from the first timer tick of its loop (the dialog is
// up and active by then).
std::function<void()> s_script;
void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    std::function<void()> script;
    script.swap(s_script);
    if (script) script();
}

// A key on the focused control, Ctrl and Shift as given, handed to the dialog manager as a modal
// loop hands it over; where the focus went.
HWND DialogKey(HWND dialog, bool ctrl = false, bool shift = false)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    MSG msg = {GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    if (!IsDialogMessageA(dialog, &msg)) DispatchMessageA(&msg);
    state[VK_CONTROL] = state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    return GetFocus();
}

// Tab and Shift+Tab reach every control of the page shown (of a radio pair, the checked one);
// Ctrl+Tab and Ctrl+Shift+Tab turn the pages: a focus on the tab strip stays there, a focus
// inside a page goes to the first control of the next.
TEST_F(FocusTest, TheSettingsDialogIsWalkedWithTabAndItsPagesTurnedWithCtrlTab)
{
    bool walked = false;
    DialogWatcher watcher;
    watcher.onDialog = [&](HWND dialog) {
        s_script = [&, dialog] {
            HWND strip = GetDlgItem(dialog, 5000), pages[3];
            for (int i = 0; i < 3; ++i) pages[i] = GetWindow(i ? pages[i - 1] : strip, GW_HWNDNEXT);
            std::vector<HWND> ring = {strip};
            for (int id : {4000, 7000, 4001, 7001, 4002, 7002, 9100, 4003}) ring.push_back(GetDlgItem(pages[0], id));
            ring.insert(ring.end(), {GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL)});
            SetFocus(strip);
            for (size_t i = 1; i <= ring.size(); ++i) EXPECT_EQ(DialogKey(dialog), ring[i % ring.size()]) << "Tab " << i;
            for (size_t i = ring.size(); i-- > 0;) EXPECT_EQ(DialogKey(dialog, false, true), ring[i]) << "Shift+Tab " << i;
            for (const auto& turn : {std::make_pair(false, 1), {false, 2}, {false, 0}, {true, 2}}) {
                EXPECT_EQ(DialogKey(dialog, true, turn.first), strip);
                EXPECT_EQ(SendMessageA(strip, TCM_GETCURSEL, 0, 0), turn.second);
                EXPECT_TRUE(IsWindowVisible(pages[turn.second]));
            }
            EXPECT_EQ(DialogKey(dialog), GetDlgItem(pages[2], 4100));
            EXPECT_EQ(DialogKey(dialog), GetDlgItem(pages[2], 4301)) << "the checked radio button";
            EXPECT_EQ(DialogKey(dialog, true, true), GetDlgItem(pages[1], 4100));
            EXPECT_EQ(DialogKey(dialog, true), GetDlgItem(pages[2], 4100));
            walked = true;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        };
        SetTimer(NULL, 0, 1, RunScript);
    };
    Command(109);
    EXPECT_TRUE(walked);
}

} // namespace
