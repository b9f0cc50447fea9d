// Focus-aware controls: which keys and characters go up to the parent, and which reach the
// control's own procedure. The pages' focus order is the application's tests'; here the controls
// the pages stand on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestKit.h"
#include "framework/CButtonEx.h"
#include "framework/CInputBoxEx.h"
#include "framework/CListViewEx.h"
#include "framework/CTabCtrlEx.h"

using testkit::Pump;
using testkit::Received;

namespace {

// A control made the way a dialog template makes it, with a recorder as its own procedure,
// and the focus-aware object attached on top.
template <class T>
struct Bound {
    Bound(const char* className, DWORD style, HWND parent)
        : hwnd(::CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 100, parent,
                                 reinterpret_cast<HMENU>(4000), NULL, NULL)),
          own(hwnd)
    {
        object.Attach(hwnd);
    }
    HWND hwnd;
    testkit::ProcRecorder own;
    T object;
    WPARAM Self() { return reinterpret_cast<WPARAM>(static_cast<Vexa::CWindowBase*>(&object)); }
};

// Posts a key press to the control as the keyboard would queue it, with Shift held or not.
void PressPosted(HWND hwnd, WPARAM key, LPARAM flags = 1, bool shift = false)
{
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    ::PostMessageA(hwnd, WM_KEYDOWN, key, flags);
    ::PostMessageA(hwnd, WM_KEYUP, key, flags | 0xC0000000);
    Pump();
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
}

using FocusControls = testkit::HostTest;

// Tab and Shift+Tab leave the control for the next or previous one, Esc goes back to the parent:
// the parent hears of each, and the control itself never sees the key.
TEST_F(FocusControls, TabShiftTabAndEscGoUp)
{
    Bound<CButtonEx> b("BUTTON", BS_PUSHBUTTON, host.GetHwnd());
    const WPARAM parent = reinterpret_cast<WPARAM>(static_cast<Vexa::CWindowBase*>(&host));
    const struct { WPARAM key; bool shift; Received up; } keys[] = {
        {VK_TAB, false, {WM_FOCUSMOVE, b.Self(), 1}},
        {VK_TAB, true, {WM_FOCUSMOVE, b.Self(), 2}},
        {VK_ESCAPE, false, {WM_FOCUSMOVE, parent, 0}},
    };
    for (const auto& k : keys) {
        host.received.clear();
        PressPosted(b.hwnd, k.key, 1, k.shift);
        EXPECT_EQ(host.received, std::vector<Received>{k.up}) << k.key << " shift " << k.shift;
        EXPECT_FALSE(b.own.Saw(WM_KEYDOWN, k.key)) << k.key;
    }
}

// Enter in the report list goes up with the list's object (the batch page renames its row), and
// the list itself never sees the key. Item texts come back whole up to 259 bytes (a file name).
TEST_F(FocusControls, ListReportsEnterAndGivesItsTexts)
{
    Bound<CListViewEx> b("SysListView32", LVS_REPORT, host.GetHwnd());
    PressPosted(b.hwnd, VK_RETURN);
    EXPECT_EQ(host.received, (std::vector<Received>{{WM_ENTERKEY, b.Self(), 0}}));
    EXPECT_FALSE(b.own.Saw(WM_KEYDOWN, VK_RETURN));
    const std::string text(300, 'n');
    b.object.InsertItem(0, text.c_str());
    EXPECT_EQ(std::string(b.object.GetItemText(0, 0)), text.substr(0, 259));
}

// The edit box inserts nothing for Tab, Enter and Esc, and its own procedure (which would beep)
// never sees those characters; other characters are typed as usual.
TEST_F(FocusControls, EditBoxSwallowsTabEnterAndEscCharacters)
{
    Bound<CInputBoxEx> b("EDIT", ES_AUTOHSCROLL, host.GetHwnd());
    ::SetWindowTextA(b.hwnd, "ab");
    ::SendMessageA(b.hwnd, EM_SETSEL, 2, 2);
    // As key presses (the characters come from TranslateMessage) and as bare characters.
    for (WPARAM key : {VK_TAB, VK_RETURN, VK_ESCAPE})
        PressPosted(b.hwnd, key);
    for (WPARAM ch : {0x09, 0x0D, 0x1B, static_cast<int>('c')})
        ::PostMessageA(b.hwnd, WM_CHAR, ch, 1);
    Pump();
    EXPECT_STREQ(b.object.GetWindowText(), "abc");
    for (WPARAM ch : {0x09, 0x0D, 0x1B})
        EXPECT_FALSE(b.own.Saw(WM_CHAR, ch)) << "character " << ch;
}

// A click gives the tab strip the focus (and still reaches it). The main window's command keys go
// up from the strip with the LPARAM they came with; the arrows and other keys stay with the
// strip, which moves its selection. The focus is seen as the strip's own WM_SETFOCUS, not asked of
// the system later, where a late activation event of the display may have moved it since.
TEST_F(FocusControls, TabStripTakesTheFocusPassesCommandKeysUpAndKeepsTheArrows)
{
    Bound<CTabCtrlEx> b("SysTabControl32", 0, host.GetHwnd());
    CTabCtrlEx* tab = &b.object;
    int index = 0;
    for (const char* text : {"個別変換", "一括変換", "third"})
        tab->InsertItem(index++, text);
    tab->SetCurSel(0);
    ::PostMessageA(b.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    Pump();
    EXPECT_TRUE(b.own.Saw(WM_SETFOCUS));
    EXPECT_TRUE(b.own.Saw(WM_LBUTTONUP, 0));
    const struct {
        WPARAM key;
        LPARAM flags;
        int selected; // -1: passed up
    } keys[] = {
        {VK_RETURN, 0x001C0001, -1}, {VK_DELETE, 0x01530001, -1}, {'A', 0x001E0001, -1},
        {'B', 0x00300001, -1},       {'I', 0x00170001, -1},       {'O', 0x00180001, -1},
        {'T', 0x00140001, -1},       {'U', 0x00160001, -1},       {VK_F1, 0x003B0001, -1},
        {'B', 0x40300003, -1}, // auto-repeat with a count: passed on as it came
        {VK_RIGHT, 1, 1},            {VK_RIGHT, 1, 2},            {VK_LEFT, 1, 1},
        {'C', 1, 1},                 {VK_F2, 1, 1},
    };
    for (const auto& k : keys) {
        host.received.clear();
        b.own.Clear();
        PressPosted(b.hwnd, k.key, k.flags);
        const bool passed = k.selected < 0;
        const std::vector<Received> up = {{WM_KEYDOWN, k.key, k.flags}};
        EXPECT_EQ(host.received, passed ? up : std::vector<Received>()) << "key 0x" << std::hex << k.key;
        EXPECT_EQ(b.own.Saw(WM_KEYDOWN, k.key), !passed) << "key 0x" << std::hex << k.key;
        if (!passed)
            EXPECT_EQ(tab->GetCurSel(), k.selected) << "key 0x" << std::hex << k.key;
    }
}

} // namespace
