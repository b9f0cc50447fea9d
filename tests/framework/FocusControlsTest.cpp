// Focus-aware controls where the application's tests cannot look: the tab strip's clicks, arrows
// and keys sent up as they came, and a list's item texts whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestKit.h"
#include "foundation/CString.h"
#include "framework/CListViewEx.h"
#include "framework/CTabCtrlEx.h"

using testkit::Received;

namespace {

// A bound top-level window that records the keys its controls send up.
struct Host : Vexa::CWindow {
    std::vector<Received> received;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_KEYDOWN || msg == WM_FOCUSMOVE) received.push_back({msg, wParam, lParam});
        return CWindow::WindowProc(hwnd, msg, wParam, lParam);
    }
};

// A control made as a dialog template makes it.
HWND MakeControl(const char* className, DWORD style, HWND parent)
{
    return ::CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 100, parent,
                             reinterpret_cast<HMENU>(4000), NULL, NULL);
}

// A click gives the strip its own WM_SETFOCUS. Each key: its flags, what went up (msg 0: it stays
// with the strip), the selection afterwards.
TEST(FocusControls, TheTabStripKeepsClicksAndArrowsAndPassesKeysUpAsTheyCame)
{
    Host host;
    ASSERT_NE(host.Create("controls", 0, 0, 480, 320, NULL, NULL), nullptr);
    host.ShowWindow(SW_SHOW);
    HWND strip = MakeControl("SysTabControl32", 0, host.GetHwnd());
    testkit::ProcRecorder own(strip); // the strip's own procedure, under the object
    CTabCtrlEx tab;
    ASSERT_TRUE(tab.Attach(strip));
    for (const char* text : {"third", "一括変換", "個別変換"}) tab.InsertItem(0, text);
    tab.SetCurSel(0);
    ::PostMessageA(strip, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    testkit::Pump();
    EXPECT_TRUE(own.Saw(WM_SETFOCUS) && own.Saw(WM_LBUTTONUP, 0));
    const struct { WPARAM key; LPARAM flags; Received sent; int selected; } keys[] = {
        {'B', 0x40300003, {WM_KEYDOWN, 'B', 0x40300003}, 0}, // auto-repeat with a count
        {VK_RIGHT, 1, {}, 1}, {VK_RIGHT, 1, {}, 2}, {VK_LEFT, 1, {}, 1}};
    for (const auto& k : keys) {
        host.received.clear(), own.seen.clear();
        ::PostMessageA(strip, WM_KEYDOWN, k.key, k.flags), ::PostMessageA(strip, WM_KEYUP, k.key, k.flags | 0xC0000000);
        testkit::Pump();
        EXPECT_EQ(host.received, k.sent.msg ? std::vector<Received>{k.sent} : std::vector<Received>()) << std::hex << k.key;
        EXPECT_EQ(own.Saw(WM_KEYDOWN, k.key), !k.sent.msg) << std::hex << k.key;
        EXPECT_EQ(tab.GetCurSel(), k.selected) << std::hex << k.key;
    }
    // Item texts come back whole up to 259 bytes (a file name).
    CListViewEx list;
    ASSERT_TRUE(list.Attach(MakeControl("SysListView32", LVS_REPORT, host.GetHwnd())));
    const std::string text(300, 'n');
    list.InsertItem(0, text.c_str());
    EXPECT_EQ(std::string(list.GetItemText(0, 0)), text.substr(0, 259));
}

} // namespace
