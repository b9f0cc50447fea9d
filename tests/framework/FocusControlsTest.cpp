// Focus-aware controls: which keys go up to the parent as private messages (and with what), and
// which reach the control's own procedure.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TestKit.h"
#include "framework/CButtonEx.h"
#include "framework/CComboBoxEx.h"
#include "framework/CInputBoxEx.h"
#include "framework/CListViewEx.h"
#include "framework/CTabCtrlEx.h"

using testkit::ProcRecorder;
using testkit::Pump;
using testkit::Received;
using Vexa::CWindowBase;

namespace {

struct Kind {
    const char* name;
    CWindowBase* (*make)();
    const char* className;
    DWORD style;
    UINT enter; // what Enter becomes for the parent: 0 (the control keeps it), or this message
};

template <class T>
CWindowBase* Make()
{
    return new T;
}

const Kind kKinds[] = {
    {"CButtonEx", &Make<CButtonEx>, "BUTTON", BS_PUSHBUTTON, 0},
    {"CInputBoxEx", &Make<CInputBoxEx>, "EDIT", ES_AUTOHSCROLL, WM_ENTERKEY},
    {"CComboBoxEx", &Make<CComboBoxEx>, "COMBOBOX", CBS_DROPDOWNLIST, 0},
    {"CTabCtrlEx", &Make<CTabCtrlEx>, "SysTabControl32", 0, WM_KEYDOWN},
    {"CListViewEx", &Make<CListViewEx>, "SysListView32", LVS_REPORT, WM_ENTERKEY},
};

// A control made the way a dialog template makes it, with a recorder as its own procedure,
// and the focus-aware object attached on top.
struct Bound {
    Bound(const Kind& kind, HWND parent)
        : object(kind.make()),
          hwnd(::CreateWindowExA(0, kind.className, "", WS_CHILD | WS_VISIBLE | kind.style, 10, 10,
                                 200, 100, parent, reinterpret_cast<HMENU>(4000), NULL, NULL)),
          own(hwnd)
    {
        object->Attach(hwnd);
    }
    std::unique_ptr<CWindowBase> object;
    HWND hwnd;
    ProcRecorder own;
};

// Posts a key press to the control as the keyboard would queue it and dispatches it.
void PressPosted(HWND hwnd, WPARAM key, LPARAM flags = 0x00000001)
{
    ::PostMessageA(hwnd, WM_KEYDOWN, key, flags);
    ::PostMessageA(hwnd, WM_KEYUP, key, flags | 0xC0000000);
    Pump();
}

class FocusControls : public testkit::HostTest {
protected:
    // Clears both records, so that a check sees only what follows.
    void Clear(Bound& b)
    {
        host.received.clear();
        b.own.Clear();
    }
};

// Tab and Esc (posted, so Shift is up) in every focus-aware control, and Enter as each kind
// handles it. A key that goes up never reaches the control; under an unbound parent nothing is
// posted and the keys stay away from the control all the same.
TEST_F(FocusControls, PostedTabEscAndEnter)
{
    HWND plain = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200,
                                   host.GetHwnd(), NULL, NULL, NULL);
    ProcRecorder unbound(plain);
    const auto hostObject = reinterpret_cast<WPARAM>(static_cast<CWindowBase*>(&host));
    for (const Kind& kind : kKinds) {
        for (HWND parent : {host.GetHwnd(), plain}) {
            Bound b(kind, parent);
            ASSERT_NE(b.hwnd, nullptr) << kind.name;
            const auto self = reinterpret_cast<WPARAM>(b.object.get());
            const std::vector<Received> enter =
                kind.enter == WM_ENTERKEY ? std::vector<Received>{{WM_ENTERKEY, self, 0}}
                : kind.enter == WM_KEYDOWN ? std::vector<Received>{{WM_KEYDOWN, VK_RETURN, 1}}
                                           : std::vector<Received>{};
            const struct {
                WPARAM key;
                std::vector<Received> expected; // empty: the control keeps the key
            } cases[] = {
                {VK_TAB, {{WM_FOCUSMOVE, self, 1}}},
                {VK_ESCAPE, {{WM_FOCUSMOVE, hostObject, 0}}},
                {VK_RETURN, enter},
            };
            ::SetFocus(b.hwnd);
            Pump();
            for (const auto& c : cases) {
                Clear(b);
                PressPosted(b.hwnd, c.key);
                EXPECT_EQ(host.received, parent == plain ? std::vector<Received>() : c.expected)
                    << kind.name << " key " << c.key;
                EXPECT_EQ(b.own.Saw(WM_KEYDOWN, c.key), c.expected.empty())
                    << kind.name << " key " << c.key << (parent == plain ? " unbound" : "");
            }
        }
    }
    for (UINT msg : {WM_FOCUSMOVE, WM_ENTERKEY, WM_KEYDOWN})
        EXPECT_FALSE(unbound.Saw(msg, 0, true)) << "message 0x" << std::hex << msg;
}

// The edit box inserts nothing for Tab, Enter and Esc, and its own procedure (which would beep)
// never sees those characters; other characters are typed as usual.
TEST_F(FocusControls, EditBoxSwallowsTabEnterAndEscCharacters)
{
    Bound b(kKinds[1], host.GetHwnd());
    ASSERT_NE(b.hwnd, nullptr);
    ::SetWindowTextA(b.hwnd, "ab");
    ::SetFocus(b.hwnd);
    ::SendMessageA(b.hwnd, EM_SETSEL, 2, 2);
    Pump();
    b.own.Clear();
    // As key presses (the characters come from TranslateMessage) and as bare characters.
    for (WPARAM key : {VK_TAB, VK_RETURN, VK_ESCAPE})
        PressPosted(b.hwnd, key);
    for (WPARAM ch : {0x09, 0x0D, 0x1B, static_cast<int>('c')})
        ::PostMessageA(b.hwnd, WM_CHAR, ch, 1);
    Pump();
    char text[16] = {};
    ::GetWindowTextA(b.hwnd, text, sizeof(text));
    EXPECT_STREQ(text, "abc");
    for (WPARAM ch : {0x09, 0x0D, 0x1B})
        EXPECT_FALSE(b.own.Saw(WM_CHAR, ch)) << "character " << ch;
}

// A click gives the tab strip the focus (and still reaches it). The main window's command keys go
// up from the strip with the LPARAM they came with; the arrows and other keys stay with the
// strip, which moves its selection.
TEST_F(FocusControls, TabStripTakesTheFocusPassesCommandKeysUpAndKeepsTheArrows)
{
    Bound b(kKinds[3], host.GetHwnd()), other(kKinds[0], host.GetHwnd());
    ASSERT_NE(b.hwnd, nullptr);
    auto* tab = static_cast<CTabCtrlEx*>(b.object.get());
    int index = 0;
    for (const char* text : {"個別変換", "一括変換", "third"})
        tab->InsertItem(index++, text);
    tab->SetCurSel(0);
    ::SetFocus(other.hwnd);
    ASSERT_EQ(::GetFocus(), other.hwnd);
    ::PostMessageA(b.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    Pump();
    EXPECT_EQ(::GetFocus(), b.hwnd);
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
        Clear(b);
        PressPosted(b.hwnd, k.key, k.flags);
        const bool passed = k.selected < 0;
        const std::vector<Received> up = {{WM_KEYDOWN, k.key, k.flags}};
        EXPECT_EQ(host.received, passed ? up : std::vector<Received>()) << "key 0x" << std::hex
                                                                         << k.key;
        EXPECT_EQ(b.own.Saw(WM_KEYDOWN, k.key), !passed) << "key 0x" << std::hex << k.key;
        if (!passed) {
            EXPECT_EQ(tab->GetCurSel(), k.selected) << "key 0x" << std::hex << k.key;
        }
    }
}

} // namespace
