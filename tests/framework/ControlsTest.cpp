// Standard controls (buttons, check boxes, radio buttons, edit boxes, drop-down lists) against
// real controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestKit.h"
#include "framework/CButton.h"
#include "framework/CComboBox.h"
#include "framework/CEdit.h"

using namespace Vexa;
using controltest::PumpAll;
using controltest::RecordingHost;

namespace {

std::string TextOf(HWND hwnd)
{
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

class StandardControls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.Open(), nullptr); }
    RecordingHost host;
};

// What CreateWindowExA was asked for, caught as the window is created: the platform adjusts some
// styles afterwards (a drop-down list hands its border and scroll bar to its list).
struct Creation {
    HWND hwnd;
    std::string className;
    DWORD style;
    DWORD exStyle;
};
std::vector<Creation> g_creations;

LRESULT CALLBACK CatchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        std::string name = HIWORD(reinterpret_cast<ULONG_PTR>(cs->lpszClass)) ? cs->lpszClass : "#atom";
        g_creations.push_back({reinterpret_cast<HWND>(wParam), name,
                               static_cast<DWORD>(cs->style), cs->dwExStyle});
    }
    return ::CallNextHookEx(NULL, code, wParam, lParam);
}

// What a control created in code is: its class, styles, identifier and binding.
TEST_F(StandardControls, CreatedControlsHaveTheirClassStyleAndIdentifier)
{
    CButton button;
    CCheckBox check;
    CRadioButton radio;
    CInputBox input;
    CComboBox combo(9000);
    struct Case {
        CControlWindow* control;
        const char* className;
        DWORD style;
        DWORD exStyle;
    } cases[] = {
        {&button, "BUTTON", 0x50000000, 0},
        {&check, "BUTTON", 0x50000002, 0},
        {&radio, "BUTTON", 0x50000004, 0},
        {&input, "EDIT", 0x50000080, WS_EX_CLIENTEDGE},
        {&combo, "COMBOBOX", 0x50A00003, 0},
    };
    g_creations.clear();
    HHOOK hook = ::SetWindowsHookExA(WH_CBT, &CatchCreation, NULL, ::GetCurrentThreadId());
    int id = 100;
    for (const Case& c : cases) {
        HWND hwnd = (c.control == &combo) ? c.control->Create(10, 10, 120, 200, host.GetHwnd())
                                          : c.control->Create("x", 10, 10, 120, 24, host.GetHwnd(),
                                                              reinterpret_cast<HMENU>(id));
        ASSERT_NE(hwnd, nullptr) << c.className;
        EXPECT_EQ(c.control->GetHwnd(), hwnd) << c.className;
        bool seen = false;
        for (const Creation& made : g_creations) {
            if (made.hwnd != hwnd)
                continue;
            seen = true;
            EXPECT_EQ(made.className, c.className);
            EXPECT_EQ(made.style, c.style) << c.className;
            EXPECT_EQ(made.exStyle, c.exStyle) << c.className;
        }
        EXPECT_TRUE(seen) << c.className;
        EXPECT_EQ(::GetDlgCtrlID(hwnd), c.control == &combo ? 9000 : id) << c.className;
        EXPECT_EQ(::GetPropA(hwnd, "CPP_CLASS"), static_cast<CWindowBase*>(c.control))
            << c.className;
        ++id;
    }
    ::UnhookWindowsHookEx(hook);
    EXPECT_EQ(TextOf(combo.GetHwnd()), "");
}

TEST_F(StandardControls, CreateWithoutAUsableParentFailsAndLeavesTheObjectUnbound)
{
    const HWND parents[] = {NULL, reinterpret_cast<HWND>(0x7ffe1234)};
    for (HWND parent : parents) {
        CButton button;
        EXPECT_EQ(button.Create("x", 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(1)), nullptr);
        EXPECT_EQ(button.GetHwnd(), nullptr);
    }
}

// The check box and radio button made in code are the manual kinds: a click reaches the parent
// but does not change the state.
TEST_F(StandardControls, ClickDoesNotToggleTheManualKinds)
{
    CCheckBox check;
    CRadioButton radio;
    CButtonBase* buttons[] = {&check, &radio};
    for (CButtonBase* b : buttons) {
        ASSERT_NE(b->Create("x", 0, 0, 80, 20, host.GetHwnd(), reinterpret_cast<HMENU>(5)), nullptr);
        b->SendMessage(BM_CLICK, 0, 0);
        PumpAll();
        EXPECT_EQ(b->SendMessage(BM_GETCHECK, 0, 0), BST_UNCHECKED);
    }
}

// SetCheck, SetUncheck and IsChecked on a three-state box (the style a template may give), for
// both button classes.
template <class Button>
void CheckStates(HWND parent)
{
    HWND hwnd = ::CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | BS_3STATE, 0, 0, 80,
                                  20, parent, reinterpret_cast<HMENU>(7), NULL, NULL);
    ASSERT_NE(hwnd, nullptr);
    Button button;
    ASSERT_TRUE(button.Attach(hwnd));
    struct Step {
        const char* what;
        int setCheck;  // -1: use SetUncheck instead
        int uncheckFlag;
        LRESULT state;
        bool isChecked;
    } steps[] = {
        {"SetCheck(1)", 1, 0, BST_CHECKED, true},
        {"SetCheck(2) indeterminate", 2, 0, BST_INDETERMINATE, false},
        {"SetCheck(0)", 0, 0, BST_UNCHECKED, false},
        {"SetUncheck(0) checks", -1, 0, BST_CHECKED, true},
        {"SetUncheck(1) clears", -1, 1, BST_UNCHECKED, false},
        {"SetCheck(2) again", 2, 0, BST_INDETERMINATE, false},
        {"SetUncheck(-3) clears", -1, -3, BST_UNCHECKED, false},
    };
    for (const Step& s : steps) {
        if (s.setCheck >= 0)
            button.SetCheck(s.setCheck);
        else
            button.SetUncheck(s.uncheckFlag);
        EXPECT_EQ(::SendMessageA(hwnd, BM_GETCHECK, 0, 0), s.state) << s.what;
        EXPECT_EQ(button.IsChecked(), s.isChecked) << s.what;
    }
}

TEST_F(StandardControls, CheckStatesOfCheckBoxAndRadioButton)
{
    CheckStates<CCheckBox>(host.GetHwnd());
    CheckStates<CRadioButton>(host.GetHwnd());
}

TEST_F(StandardControls, EditBoxOperations)
{
    CInputBox input;
    ASSERT_NE(input.Create("abcdef", 0, 0, 200, 24, host.GetHwnd(), reinterpret_cast<HMENU>(7000)),
              nullptr);

    // The selection set by PostSetSel waits for the queue.
    input.SendMessage(EM_SETSEL, 0, 0);
    EXPECT_TRUE(input.PostSetSel());
    EXPECT_EQ(input.GetSel(), MAKELONG(0, 0));
    PumpAll();
    EXPECT_EQ(input.GetSel(), MAKELONG(2, 2));

    // A replacement lands at the caret and cannot be undone.
    input.ReplaceSel("XY");
    EXPECT_EQ(input.GetWindowTextLength(), 8);
    EXPECT_EQ(TextOf(input.GetHwnd()), "abXYcdef");
    EXPECT_FALSE(input.CanUndo());
}

// SelectString starts after the first entry and wraps round, with the control's
// case-insensitive prefix match; a miss keeps the selection.
TEST_F(StandardControls, SelectStringSearchesAfterTheFirstEntryAndWraps)
{
    CComboBox combo(9000);
    ASSERT_NE(combo.Create(0, 0, 200, 200, host.GetHwnd()), nullptr);
    for (const char* s : {"apple", "apricot", "banana", "Apfel"})
        combo.AddString(s);
    struct Case {
        const char* text;
        int result;
        int selected;
    } cases[] = {
        {"ap", 1, 1},        // "apple" at 0 is tried last
        {"APF", 3, 3},       // case-insensitive
        {"apple", 0, 0},     // found only by wrapping round
        {"b", 2, 2},
        {"cherry", -1, 2},   // a miss keeps the selection
        {"bananas", -1, 2},  // longer than the entry
    };
    for (const Case& c : cases) {
        EXPECT_EQ(combo.SelectString(c.text), c.result) << c.text;
        EXPECT_EQ(combo.GetCurSel(), c.selected) << c.text;
    }
}

} // namespace
