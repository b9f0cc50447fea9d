// Focus-aware controls: which keys go up to the parent as private messages (and with what), and
// which reach the control's own procedure.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlTestKit.h"
#include "framework/CButtonEx.h"
#include "framework/CComboBoxEx.h"
#include "framework/CInputBoxEx.h"
#include "framework/CListViewEx.h"
#include "framework/CTabCtrlEx.h"

using controltest::ProcRecorder;
using controltest::PumpAll;
using controltest::PumpUntil;
using controltest::Received;
using controltest::RecordingHost;
using Vexa::CWindowBase;

namespace {

// A control made the way a dialog template makes it, with a recorder as its own procedure,
// and the focus-aware object attached on top.
struct Bound {
    std::unique_ptr<CWindowBase> object;
    HWND hwnd = NULL;
    std::unique_ptr<ProcRecorder> own;
};

Bound MakeBound(CWindowBase* object, const char* className, DWORD style, HWND parent)
{
    Bound b;
    b.object.reset(object);
    b.hwnd = ::CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 10,
                               10, 200, 100, parent, reinterpret_cast<HMENU>(4000), NULL, NULL);
    if (b.hwnd != NULL) {
        b.own.reset(new ProcRecorder(b.hwnd));
        b.object->Attach(b.hwnd);
    }
    return b;
}

struct Kind {
    const char* name;
    CWindowBase* (*make)();
    const char* className;
    DWORD style;
};

const Kind kKinds[] = {
    {"CButtonEx", []() -> CWindowBase* { return new CButtonEx; }, "BUTTON", BS_PUSHBUTTON},
    {"CInputBoxEx", []() -> CWindowBase* { return new CInputBoxEx; }, "EDIT", ES_AUTOHSCROLL},
    {"CComboBoxEx", []() -> CWindowBase* { return new CComboBoxEx(9000); }, "COMBOBOX",
     CBS_DROPDOWNLIST},
    {"CTabCtrlEx", []() -> CWindowBase* { return new CTabCtrlEx; }, "SysTabControl32", 0},
    {"CListViewEx", []() -> CWindowBase* { return new CListViewEx; }, "SysListView32",
     LVS_REPORT},
};

class FocusControls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.Open(), nullptr); }

    // Posts a key press to the control as the keyboard would queue it and dispatches it.
    static void PressPosted(HWND hwnd, WPARAM key, LPARAM flags = 0x00000001)
    {
        ::PostMessageA(hwnd, WM_KEYDOWN, key, flags);
        ::PostMessageA(hwnd, WM_KEYUP, key, flags | 0xC0000000);
        PumpAll();
    }

    RecordingHost host;
};

// Tab and Esc, posted (Shift is up), in every focus-aware control.
TEST_F(FocusControls, TabAndEscPostFocusMoveAndNeverReachTheControl)
{
    for (const Kind& kind : kKinds) {
        Bound b = MakeBound(kind.make(), kind.className, kind.style, host.GetHwnd());
        ASSERT_NE(b.hwnd, nullptr) << kind.name;
        ::SetFocus(b.hwnd);
        PumpAll();
        const struct {
            WPARAM key;
            Received expected;
        } cases[] = {
            {VK_TAB, {WM_FOCUSMOVE, reinterpret_cast<WPARAM>(b.object.get()), 1}},
            {VK_ESCAPE, {WM_FOCUSMOVE, reinterpret_cast<WPARAM>(static_cast<CWindowBase*>(&host)), 0}},
        };
        for (const auto& c : cases) {
            host.received.clear();
            b.own->Clear();
            PressPosted(b.hwnd, c.key);
            EXPECT_EQ(host.received, std::vector<Received>{c.expected}) << kind.name << " key " << c.key;
            EXPECT_FALSE(b.own->Saw(WM_KEYDOWN, c.key)) << kind.name << " key " << c.key;
        }
    }
}

// Shift+Tab and Tab from the real keyboard state: the control must read Shift as it was when
// the key was pressed.
TEST_F(FocusControls, ShiftTabFromTheKeyboardPostsBackward)
{
    for (const Kind& kind : kKinds) {
        Bound b = MakeBound(kind.make(), kind.className, kind.style, host.GetHwnd());
        ASSERT_NE(b.hwnd, nullptr) << kind.name;
        ::SetForegroundWindow(host.GetHwnd());
        ::SetFocus(b.hwnd);
        PumpAll();
        ASSERT_EQ(::GetFocus(), b.hwnd) << kind.name;

        const struct {
            bool shift;
            LPARAM direction;
        } cases[] = {{true, 2}, {false, 1}, {true, 2}};
        for (const auto& c : cases) {
            host.received.clear();
            b.own->Clear();
            std::vector<INPUT> keys;
            auto key = [&keys](WORD vk, bool up) {
                INPUT in = {};
                in.type = INPUT_KEYBOARD;
                in.ki.wVk = vk;
                in.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(vk, 0));
                in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
                keys.push_back(in);
            };
            if (c.shift)
                key(VK_SHIFT, false);
            key(VK_TAB, false);
            key(VK_TAB, true);
            if (c.shift)
                key(VK_SHIFT, true);
            ASSERT_EQ(::SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)),
                      keys.size());
            // The last key up is the sign that the whole sequence has been dispatched.
            bool done = PumpUntil([&] {
                return b.own->Saw(WM_KEYUP, c.shift ? VK_SHIFT : VK_TAB);
            });
            EXPECT_TRUE(done) << kind.name;
            EXPECT_EQ(host.received,
                      (std::vector<Received>{
                          {WM_FOCUSMOVE, reinterpret_cast<WPARAM>(b.object.get()), c.direction}}))
                << kind.name << (c.shift ? " Shift+Tab" : " Tab");
            EXPECT_FALSE(b.own->Saw(WM_KEYDOWN, VK_TAB)) << kind.name;
        }
    }
}

// Enter: the edit box and the list report it; the button and the drop-down list keep it.
TEST_F(FocusControls, EnterIsReportedOnlyByTheEditBoxAndTheList)
{
    for (const Kind& kind : kKinds) {
        if (std::string(kind.name) == "CTabCtrlEx")
            continue;  // passes Enter up as a key, below
        Bound b = MakeBound(kind.make(), kind.className, kind.style, host.GetHwnd());
        ASSERT_NE(b.hwnd, nullptr) << kind.name;
        ::SetFocus(b.hwnd);
        PumpAll();
        host.received.clear();
        b.own->Clear();
        PressPosted(b.hwnd, VK_RETURN);
        bool reports = std::string(kind.name) == "CInputBoxEx" ||
                       std::string(kind.name) == "CListViewEx";
        if (reports) {
            EXPECT_EQ(host.received,
                      (std::vector<Received>{
                          {WM_ENTERKEY, reinterpret_cast<WPARAM>(b.object.get()), 0}}))
                << kind.name;
            EXPECT_FALSE(b.own->Saw(WM_KEYDOWN, VK_RETURN)) << kind.name;
        } else {
            EXPECT_TRUE(host.received.empty()) << kind.name;
            EXPECT_TRUE(b.own->Saw(WM_KEYDOWN, VK_RETURN)) << kind.name;
        }
    }
}

// The edit box inserts nothing for Tab, Enter and Esc, and its own procedure (which would beep)
// never sees those characters; other characters are typed as usual.
TEST_F(FocusControls, EditBoxSwallowsTabEnterAndEscCharacters)
{
    Bound b = MakeBound(new CInputBoxEx, "EDIT", ES_AUTOHSCROLL, host.GetHwnd());
    ASSERT_NE(b.hwnd, nullptr);
    ::SetWindowTextA(b.hwnd, "ab");
    ::SetFocus(b.hwnd);
    ::SendMessageA(b.hwnd, EM_SETSEL, 2, 2);
    PumpAll();
    b.own->Clear();

    // As key presses (the characters come from TranslateMessage) and as bare characters.
    for (WPARAM key : {VK_TAB, VK_RETURN, VK_ESCAPE})
        PressPosted(b.hwnd, key);
    for (WPARAM ch : {0x09, 0x0D, 0x1B})
        ::PostMessageA(b.hwnd, WM_CHAR, ch, 1);
    PumpAll();
    char text[16] = {};
    ::GetWindowTextA(b.hwnd, text, sizeof(text));
    EXPECT_STREQ(text, "ab");
    for (WPARAM ch : {0x09, 0x0D, 0x1B})
        EXPECT_FALSE(b.own->Saw(WM_CHAR, ch)) << "character " << ch;

    ::PostMessageA(b.hwnd, WM_CHAR, 'c', 1);
    PumpAll();
    ::GetWindowTextA(b.hwnd, text, sizeof(text));
    EXPECT_STREQ(text, "abc");
    EXPECT_TRUE(b.own->Saw(WM_CHAR, 'c'));
}

// The main window's command keys go up from the tab strip with the LPARAM they came with.
TEST_F(FocusControls, TabStripPassesCommandKeysUpAndKeepsTheArrows)
{
    Bound b = MakeBound(new CTabCtrlEx, "SysTabControl32", 0, host.GetHwnd());
    ASSERT_NE(b.hwnd, nullptr);
    auto* tab = static_cast<CTabCtrlEx*>(b.object.get());
    tab->InsertItem(0, "個別変換");
    tab->InsertItem(1, "一括変換");
    tab->InsertItem(2, "third");
    ::SetFocus(b.hwnd);
    PumpAll();

    const struct {
        WPARAM key;
        LPARAM flags;
    } passed[] = {
        {VK_RETURN, 0x001C0001}, {VK_DELETE, 0x01530001}, {'A', 0x001E0001},
        {'B', 0x00300001},       {'I', 0x00170001},       {'O', 0x00180001},
        {'T', 0x00140001},       {'U', 0x00160001},       {VK_F1, 0x003B0001},
        {'B', 0x40300003},  // auto-repeat with a count: passed on as it came
    };
    for (const auto& p : passed) {
        host.received.clear();
        b.own->Clear();
        ::PostMessageA(b.hwnd, WM_KEYDOWN, p.key, p.flags);
        PumpAll();
        EXPECT_EQ(host.received, (std::vector<Received>{{WM_KEYDOWN, p.key, p.flags}}))
            << "key 0x" << std::hex << p.key;
        EXPECT_FALSE(b.own->Saw(WM_KEYDOWN, p.key)) << "key 0x" << std::hex << p.key;
    }

    // Arrows and other keys stay with the strip, which moves its selection.
    tab->SetCurSel(0);
    const struct {
        WPARAM key;
        int selected;
    } kept[] = {{VK_RIGHT, 1}, {VK_RIGHT, 2}, {VK_LEFT, 1}, {'C', 1}, {VK_F2, 1}};
    for (const auto& k : kept) {
        host.received.clear();
        b.own->Clear();
        PressPosted(b.hwnd, k.key);
        EXPECT_TRUE(host.received.empty()) << "key 0x" << std::hex << k.key;
        EXPECT_TRUE(b.own->Saw(WM_KEYDOWN, k.key)) << "key 0x" << std::hex << k.key;
        EXPECT_EQ(tab->GetCurSel(), k.selected) << "key 0x" << std::hex << k.key;
    }
}

TEST_F(FocusControls, ClickOnTheTabStripGivesItTheFocus)
{
    Bound b = MakeBound(new CTabCtrlEx, "SysTabControl32", 0, host.GetHwnd());
    Bound other = MakeBound(new CButtonEx, "BUTTON", BS_PUSHBUTTON, host.GetHwnd());
    ASSERT_NE(b.hwnd, nullptr);
    static_cast<CTabCtrlEx*>(b.object.get())->InsertItem(0, "個別変換");
    ::SetFocus(other.hwnd);
    PumpAll();
    ASSERT_EQ(::GetFocus(), other.hwnd);
    ::PostMessageA(b.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    PumpAll();
    EXPECT_EQ(::GetFocus(), b.hwnd);
    EXPECT_TRUE(b.own->Saw(WM_LBUTTONUP, 0));  // and the strip still gets the click
}

// Under an unbound parent nothing is posted and nothing breaks; the keys still stay away from
// the control.
TEST_F(FocusControls, UnboundParentReceivesNothing)
{
    HWND plain = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200,
                                   host.GetHwnd(), NULL, NULL, NULL);
    ASSERT_NE(plain, nullptr);
    ProcRecorder parent(plain);
    for (const Kind& kind : kKinds) {
        Bound b = MakeBound(kind.make(), kind.className, kind.style, plain);
        ASSERT_NE(b.hwnd, nullptr) << kind.name;
        for (WPARAM key : {VK_TAB, VK_ESCAPE, VK_RETURN, static_cast<int>('B')})
            PressPosted(b.hwnd, key);
        EXPECT_FALSE(b.own->Saw(WM_KEYDOWN, VK_TAB)) << kind.name;
        EXPECT_FALSE(b.own->Saw(WM_KEYDOWN, VK_ESCAPE)) << kind.name;
    }
    PumpAll();
    for (UINT msg : {WM_FOCUSMOVE, WM_ENTERKEY, WM_KEYDOWN})
        EXPECT_FALSE(parent.SawMessage(msg)) << "message 0x" << std::hex << msg;
    EXPECT_TRUE(host.received.empty());
}

} // namespace
