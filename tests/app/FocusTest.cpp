// The keyboard focus rings of the main window and both pages: Tab, Shift+Tab and Esc as the
// focus-aware controls report them; and the modal dialogs walked with the keyboard alone.
#include "AppEnvironment.h"

#include <commctrl.h>

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
HWND DialogKey(HWND dialog, WPARAM key, bool ctrl = false, bool shift = false)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    MSG msg = {GetFocus(), WM_KEYDOWN, key, 0, 0, {0, 0}};
    if (!IsDialogMessageA(dialog, &msg)) DispatchMessageA(&msg);
    state[VK_CONTROL] = state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    return GetFocus();
}

// Opens a dialog with open() and runs script(dialog) in it; the script ends the dialog.
void InDialog(const std::function<void()>& open, const std::function<void(HWND)>& script)
{
    DialogWatcher watcher;
    watcher.onDialog = [&](HWND dialog) {
        s_script = [dialog, &script] { script(dialog); };
        SetTimer(NULL, 0, 1, RunScript);
    };
    open();
}

// The controls Tab stops at on a settings page, in order: no labels, no group boxes, and of a
// radio pair only the checked button.
std::vector<HWND> TabStops(HWND page)
{
    std::vector<HWND> stops;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(c, cls, sizeof(cls));
        const LONG type = GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK;
        const bool button = lstrcmpiA(cls, "Button") == 0;
        if (lstrcmpiA(cls, "Static") == 0 || (button && type == BS_GROUPBOX)) continue;
        if (button && type == BS_AUTORADIOBUTTON && SendMessageA(c, BM_GETCHECK, 0, 0) != BST_CHECKED) continue;
        stops.push_back(c);
    }
    return stops;
}

TEST_F(FocusTest, TheSettingsDialogIsWalkedWithTabAndItsPagesTurnedWithCtrlTab)
{
    bool walked = false;
    InDialog([] { Command(109); }, [&](HWND dialog) {
        // The pages follow the tab strip in the tab order, ahead of the two buttons.
        HWND strip = GetDlgItem(dialog, 5000), ok = GetDlgItem(dialog, IDOK);
        std::vector<std::vector<HWND>> stops;
        for (HWND page = GetWindow(strip, GW_HWNDNEXT); page && page != ok; page = GetWindow(page, GW_HWNDNEXT))
            stops.push_back(TabStops(page));
        ASSERT_EQ(stops.size(), 3u);
        std::vector<HWND> ring = {strip};
        ring.insert(ring.end(), stops[0].begin(), stops[0].end());
        ring.insert(ring.end(), {ok, GetDlgItem(dialog, IDCANCEL)});
        SetFocus(strip);
        for (size_t i = 1; i <= ring.size(); ++i) EXPECT_EQ(DialogKey(dialog, VK_TAB), ring[i % ring.size()]) << "Tab " << i;
        for (size_t i = ring.size(); i-- > 0;) EXPECT_EQ(DialogKey(dialog, VK_TAB, false, true), ring[i]) << "Shift+Tab " << i;

        // Ctrl+Tab and Ctrl+Shift+Tab, round the three pages: the focus on the tab strip stays
        // there, a focus inside a page goes to the first control of the next.
        const struct {
            bool shift;
            HWND focus;
            int page;
        } turns[] = {{false, strip, 1}, {false, strip, 2}, {false, strip, 0}, {true, strip, 2}};
        for (const auto& turn : turns) {
            EXPECT_EQ(DialogKey(dialog, VK_TAB, true, turn.shift), turn.focus);
            EXPECT_EQ(SendMessageA(strip, TCM_GETCURSEL, 0, 0), turn.page);
            EXPECT_TRUE(IsWindowVisible(stops[turn.page][0]));
        }
        EXPECT_EQ(DialogKey(dialog, VK_TAB), stops[2][0]);
        EXPECT_EQ(DialogKey(dialog, VK_TAB), stops[2].at(1)) << "the checked radio button";
        EXPECT_EQ(DialogKey(dialog, VK_TAB, true, true), stops[1][0]);
        EXPECT_EQ(DialogKey(dialog, VK_TAB, true), stops[2][0]);
        walked = true;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(walked);
}

} // namespace
