// Focus-aware controls: which keys go up to the parent, and which reach the control's own
// procedure. (The pages' focus order is the application's FocusTest.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestKit.h"
#include "framework/CListViewEx.h"
#include "framework/CTabCtrlEx.h"

using testkit::Pump;
using testkit::Received;

namespace {

// A control made as a dialog template makes it, a recorder as its own procedure, the object on top.
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

// A click gives the tab strip the focus (seen as the strip's own WM_SETFOCUS: a late activation
// event of the display may move it later) and still reaches it. Then Tab and Shift+Tab leave the
// control, Esc goes back to the parent, the command keys go up with the LPARAM they came with, and
// the arrows stay and move the selection.
TEST_F(FocusControls, KeysGoUpOrStayWithTheControl)
{
    Bound<CTabCtrlEx> tab("SysTabControl32", 0, host.GetHwnd());
    Bound<CListViewEx> list("SysListView32", LVS_REPORT, host.GetHwnd());
    for (const char* text : {"third", "一括変換", "個別変換"}) tab.object.InsertItem(0, text);
    tab.object.SetCurSel(0);
    ::PostMessageA(tab.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    Pump();
    EXPECT_TRUE(tab.own.Saw(WM_SETFOCUS) && tab.own.Saw(WM_LBUTTONUP, 0));

    const WPARAM parent = reinterpret_cast<WPARAM>(static_cast<Vexa::CWindowBase*>(&host));
    const UINT up = WM_KEYDOWN, move = WM_FOCUSMOVE;
    const struct {
        bool inList;
        WPARAM key;
        LPARAM flags;
        bool shift;
        Received sent; // to the parent; msg 0: the key stays with the control
        int selected;  // the strip's selection afterwards
    } keys[] = {
        {false, VK_TAB, 1, false, {move, tab.Self(), 1}, 0},   {false, VK_TAB, 1, true, {move, tab.Self(), 2}, 0},
        {false, VK_ESCAPE, 1, false, {move, parent, 0}, 0},    {true, VK_TAB, 1, true, {move, list.Self(), 2}, 0},
        {false, 'B', 0x40300003, false, {up, 'B', 0x40300003}, 0}, // auto-repeat with a count: passed on as it came
        {false, VK_RIGHT, 1, false, {}, 1}, {false, VK_RIGHT, 1, false, {}, 2}, {false, VK_LEFT, 1, false, {}, 1},
    };
    for (const auto& k : keys) {
        testkit::ProcRecorder& own = k.inList ? list.own : tab.own;
        host.received.clear();
        own.seen.clear();
        PressPosted(k.inList ? list.hwnd : tab.hwnd, k.key, k.flags, k.shift);
        EXPECT_EQ(host.received, k.sent.msg ? std::vector<Received>{k.sent} : std::vector<Received>())
            << "key 0x" << std::hex << k.key << " shift " << k.shift;
        EXPECT_EQ(own.Saw(WM_KEYDOWN, k.key), !k.sent.msg) << "key 0x" << std::hex << k.key;
        EXPECT_EQ(tab.object.GetCurSel(), k.selected) << "key 0x" << std::hex << k.key;
    }
    // Item texts come back whole up to 259 bytes (a file name).
    const std::string text(300, 'n');
    list.object.InsertItem(0, text.c_str());
    EXPECT_EQ(std::string(list.object.GetItemText(0, 0)), text.substr(0, 259));
}

} // namespace
