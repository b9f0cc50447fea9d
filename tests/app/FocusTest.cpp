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

// Keys for an open modal dialog, each handled by the dialog's own loop as a user's key would be.
// A timer runs the script: a tick comes only once the queue is empty, so each key has been handled
// before the next tick records where the focus went (and the settings dialog's page).
struct Key {
    WPARAM key;
    bool ctrl, shift;
};
const Key kTab{VK_TAB, false, false}, kBack{VK_TAB, false, true};
std::vector<Key> s_keys;
std::vector<std::pair<HWND, int>> s_seen;
HWND s_dialog, s_start;
size_t s_step;
UINT_PTR s_timer;

void CALLBACK NextKey(HWND, UINT, UINT_PTR, DWORD)
{
    BYTE state[256];
    GetKeyboardState(state);
    if (s_step == 0)
        SetFocus(s_start); // after the dialog's activation, which places a focus of its own
    else
        s_seen.push_back({GetFocus(), int(SendDlgItemMessageA(s_dialog, 5000, TCM_GETCURSEL, 0, 0))});
    if (s_step == s_keys.size()) {
        KillTimer(NULL, s_timer);
        s_timer = 0;
        PostMessageA(s_dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    const Key k = s_keys[s_step++];
    state[VK_CONTROL] = k.ctrl ? 0x80 : 0;
    state[VK_SHIFT] = k.shift ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageA(GetFocus(), WM_KEYDOWN, k.key, 0);
}

// Opens a dialog with open(); once it is up, plan(dialog) gives the keys, pressed from control
// startId on. Where the focus went after each key, with the settings dialog's page.
std::vector<std::pair<HWND, int>> Walk(const std::function<void()>& open, int startId,
                                       const std::function<std::vector<Key>(HWND)>& plan)
{
    DialogWatcher watcher;
    watcher.onDialog = [&](HWND dialog) {
        s_dialog = dialog;
        s_start = GetDlgItem(dialog, startId);
        s_keys = plan(dialog);
        s_seen.clear();
        s_step = 0;
        s_timer = SetTimer(NULL, 0, 1, NextKey);
    };
    open();
    if (s_timer) KillTimer(NULL, s_timer);
    s_timer = 0;
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    return s_seen;
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
    const Key next{VK_TAB, true, false}, previous{VK_TAB, true, true};
    std::vector<std::pair<HWND, int>> expected;
    auto plan = [&](HWND dialog) {
        std::vector<Key> keys;
        auto press = [&](Key key, HWND focus, int page) {
            keys.push_back(key);
            expected.push_back({focus, page});
        };
        // The pages follow the tab strip in the tab order, ahead of the two buttons.
        HWND strip = GetDlgItem(dialog, 5000), ok = GetDlgItem(dialog, IDOK), cancel = GetDlgItem(dialog, IDCANCEL);
        std::vector<std::vector<HWND>> stops;
        for (HWND page = GetWindow(strip, GW_HWNDNEXT); page && page != ok; page = GetWindow(page, GW_HWNDNEXT))
            stops.push_back(TabStops(page));
        if (stops.size() != 3 || stops[2].size() < 2) return keys;
        std::vector<HWND> ring = {strip};
        ring.insert(ring.end(), stops[0].begin(), stops[0].end());
        ring.insert(ring.end(), {ok, cancel});
        for (size_t i = 1; i <= ring.size(); ++i) press(kTab, ring[i % ring.size()], 0);
        for (size_t i = ring.size(); i-- > 0;) press(kBack, ring[i], 0);
        press(next, strip, 1); // the focus on the tab strip stays there
        press(kTab, stops[1][0], 1);
        press(next, stops[2][0], 2); // a focus inside the page goes to the first control of the next
        press(kTab, stops[2][1], 2);
        press(next, stops[0][0], 0); // round from the last page to the first, and back
        press(previous, stops[2][0], 2);
        press(previous, stops[1][0], 1);
        return keys;
    };
    auto seen = Walk([] { Command(109); }, 5000, plan);
    ASSERT_EQ(seen.size(), expected.size()) << "the settings dialog's pages were not found";
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].first, expected[i].first) << "key " << i << ": the focus is on id " << GetDlgCtrlID(seen[i].first);
        EXPECT_EQ(seen[i].second, expected[i].second) << "key " << i << ": the page shown";
    }
}

TEST_F(FocusTest, TheOutputNameDialogIsUsedFromTheKeyboard)
{
    WriteBytes(dir / "x.txt", "41");
    Reset(1);
    Batch().SetInputPath(dir.Path().c_str());
    HWND list = GetDlgItem(Batch().GetHwnd(), 8000);
    LVITEMA item = {};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    std::vector<HWND> expected;
    auto seen = Walk([] { Batch().EditOutputName(); }, 7001, [&](HWND dialog) {
        HWND name = GetDlgItem(dialog, 7001), ok = GetDlgItem(dialog, IDOK), cancel = GetDlgItem(dialog, IDCANCEL);
        expected = {ok, cancel, name, cancel, name};
        SetWindowTextA(name, "typed.bin");
        return std::vector<Key>{kTab, kTab, kTab, kBack, kTab, {VK_RETURN, false, false}};
    });
    ASSERT_GE(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(seen[i].first, expected[i]) << "key " << i;
    EXPECT_EQ(Cell(list, 0, 1), "typed.bin") << "Enter in the name box is 決定";
}

} // namespace
