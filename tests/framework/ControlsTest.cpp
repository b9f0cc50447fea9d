// Standard controls (buttons, check boxes, radio buttons, edit boxes, drop-down lists) and common
// controls (tab strip, report list view) against real controls, and the one-time registration of
// the common controls' window classes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "TestKit.h"
#include "framework/CButton.h"
#include "framework/CComboBox.h"
#include "framework/CEdit.h"
#include "framework/CListView.h"
#include "framework/CListViewEx.h"
#include "framework/CTabCtrl.h"
#include "framework/CTabCtrlEx.h"

using namespace Vexa;
using testkit::Pump;

namespace {

class Controls : public testkit::HostTest {};

// A control made in code is of its class, has its identifier and is bound; the check box and
// radio button are the manual kinds, which a click does not toggle.
TEST_F(Controls, CreatedControlsAreBoundAndManualButtonsDoNotToggle)
{
    CButton button;
    CCheckBox check;
    CRadioButton radio;
    CInputBox input;
    CComboBox combo(9000);
    const struct {
        CControlWindow* control;
        int id;
    } cases[] = {{&button, 100}, {&check, 101}, {&radio, 102}, {&input, 103}, {&combo, 9000}};
    for (const auto& c : cases) {
        HWND hwnd = c.control == &combo ? combo.Create(10, 10, 120, 200, host.GetHwnd())
                                        : c.control->Create("x", 10, 10, 120, 24, host.GetHwnd(),
                                                            reinterpret_cast<HMENU>(c.id));
        ASSERT_NE(hwnd, nullptr) << c.id;
        EXPECT_EQ(::GetDlgCtrlID(hwnd), c.id);
        EXPECT_EQ(::GetPropA(hwnd, "CPP_CLASS"), static_cast<CWindowBase*>(c.control)) << c.id;
    }
    for (CButtonBase* b : {static_cast<CButtonBase*>(&check), static_cast<CButtonBase*>(&radio)}) {
        b->SendMessage(BM_CLICK, 0, 0);
        Pump();
        EXPECT_EQ(b->SendMessage(BM_GETCHECK, 0, 0), BST_UNCHECKED);
    }
}

// SetCheck, SetUncheck and IsChecked on a three-state box (the style a template may give).
template <class Button>
void CheckStates(HWND parent, const char* kind)
{
    HWND hwnd = ::CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | BS_3STATE, 0, 0, 80,
                                  20, parent, reinterpret_cast<HMENU>(7), NULL, NULL);
    Button button;
    ASSERT_TRUE(button.Attach(hwnd)) << kind;
    const struct {
        const char* what;
        int setCheck; // -1: SetUncheck(uncheckFlag) instead
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
    for (const auto& s : steps) {
        if (s.setCheck >= 0)
            button.SetCheck(s.setCheck);
        else
            button.SetUncheck(s.uncheckFlag);
        EXPECT_EQ(::SendMessageA(hwnd, BM_GETCHECK, 0, 0), s.state) << kind << " " << s.what;
        EXPECT_EQ(button.IsChecked(), s.isChecked) << kind << " " << s.what;
    }
}

TEST_F(Controls, CheckStatesOfCheckBoxAndRadioButton)
{
    CheckStates<CCheckBox>(host.GetHwnd(), "check box");
    CheckStates<CRadioButton>(host.GetHwnd(), "radio button");
}

TEST_F(Controls, EditBoxSelectionWaitsForTheQueueAndReplacementCannotBeUndone)
{
    CInputBox input;
    ASSERT_NE(input.Create("abcdef", 0, 0, 200, 24, host.GetHwnd(), reinterpret_cast<HMENU>(7)),
              nullptr);
    input.SendMessage(EM_SETSEL, 0, 0);
    EXPECT_TRUE(input.PostSetSel());
    EXPECT_EQ(input.GetSel(), MAKELONG(0, 0));
    Pump();
    EXPECT_EQ(input.GetSel(), MAKELONG(2, 2));
    input.ReplaceSel("XY");
    EXPECT_STREQ((const char*)input.GetWindowText(), "abXYcdef");
    EXPECT_FALSE(input.CanUndo());
}

// SelectString starts after the first entry and wraps round, with the control's
// case-insensitive prefix match; a miss keeps the selection.
TEST_F(Controls, SelectStringSearchesAfterTheFirstEntryAndWraps)
{
    CComboBox combo(9000);
    ASSERT_NE(combo.Create(0, 0, 200, 200, host.GetHwnd()), nullptr);
    for (const char* s : {"apple", "apricot", "banana", "Apfel"})
        combo.AddString(s);
    const struct {
        const char* text;
        int result;
        int selected;
    } cases[] = {
        {"ap", 1, 1},       // "apple" at 0 is tried last
        {"APF", 3, 3},      // case-insensitive
        {"apple", 0, 0},    // found only by wrapping round
        {"b", 2, 2},
        {"cherry", -1, 2},  // a miss keeps the selection
        {"bananas", -1, 2}, // longer than the entry
    };
    for (const auto& c : cases) {
        EXPECT_EQ(combo.SelectString(c.text), c.result) << c.text;
        EXPECT_EQ(combo.GetCurSel(), c.selected) << c.text;
    }
}

// The batch page's list: two columns, rows with check boxes, the reads it makes, and long texts.
TEST_F(Controls, ReportListAsTheBatchPageUsesItAndLongTexts)
{
    CListView list;
    HWND hwnd = list.Create("", 0, 0, 400, 200, host.GetHwnd(), reinterpret_cast<HMENU>(8000));
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(list.InsertColumn(0, 160, "変換前"), 0);
    EXPECT_EQ(list.InsertColumn(1, 160, "変換後"), 1);
    list.InsertItem(0, "no box");
    EXPECT_EQ(list.GetCheck(0), -1); // without the check-box style
    list.DeleteAllItems();
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);

    const char* names[][2] = {{"a.txt", "a.dat"}, {"表.txt", "表.dat"}, {"c.txt", "c.dat"}};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(list.InsertItem(n, ""), n);
        EXPECT_EQ(list.GetCheck(n), 0) << n;
        EXPECT_TRUE(list.SetItemText(n, 0, names[n][0]));
        EXPECT_TRUE(list.SetItemText(n, 1, CString(names[n][1])));
        EXPECT_TRUE(list.SetCheck(n, TRUE));
    }
    list.SetCheck(1, FALSE);
    EXPECT_EQ(list.GetItemCount(), 3);
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(list.GetCheck(n), n == 1 ? 0 : 1) << n;
        EXPECT_STREQ(list.GetItemText(n, 0), names[n][0]) << n;
        EXPECT_STREQ(list.GetItemText(n, 1), names[n][1]) << n;
    }

    // No selection: -1. Selecting row 2 makes it the one a rename would take.
    EXPECT_EQ(list.GetSelectedItem(), -1);
    LVITEMA state = {};
    state.stateMask = state.state = LVIS_SELECTED;
    ::SendMessageA(hwnd, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(list.GetSelectedItem(), 2);

    EXPECT_STREQ(list.GetItemText(7, 0), ""); // a row outside the list

    // The CString form reads into a buffer of 260: a longer text comes back cut to 259
    // characters. The buffer form cuts to its size, terminator included, even where the control
    // leaves it out.
    list.DeleteAllItems();
    const struct {
        size_t length;
        size_t expected;
    } cases[] = {{0, 0}, {1, 1}, {258, 258}, {259, 259}, {260, 259}, {400, 259}};
    int row = 0;
    for (const auto& c : cases) {
        std::string text;
        for (size_t i = 0; i < c.length; ++i)
            text += static_cast<char>('a' + i % 26);
        list.InsertItem(row, text.c_str());
        EXPECT_EQ(std::string(static_cast<const char*>(list.GetItemText(row++, 0))),
                  text.substr(0, c.expected))
            << "length " << c.length;
    }
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    list.GetItemText(5, 0, buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, "abcdefg");
}

// Counts the registrations that reach the platform. The first one is made to fail, so the next
// construction must try again.
using InitProc = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
std::vector<INITCOMMONCONTROLSEX> g_registrations;
InitProc g_realInit = nullptr;
// This program's import slot of the function, through which the library calls it.
#ifdef _WIN64
extern "C" InitProc g_importSlot __asm__("__imp_InitCommonControlsEx");
#else
extern "C" InitProc g_importSlot __asm__("__imp__InitCommonControlsEx@4");
#endif

BOOL WINAPI CountingInit(const INITCOMMONCONTROLSEX* init)
{
    g_registrations.push_back(*init);
    return g_registrations.size() == 1 ? FALSE : g_realInit(init);
}

// Runs in a fresh process, since the registration flags live for the whole process. Three list
// views (the first registration fails, so the second tries again), a tab strip and the
// focus-aware kinds must make exactly three registrations, after which the classes work.
[[noreturn]] void RegisterFamilies()
{
    DWORD old;
    ::VirtualProtect(&g_importSlot, sizeof g_importSlot, PAGE_READWRITE, &old);
    g_realInit = g_importSlot;
    g_importSlot = &CountingInit;
    {
        CListView first, second, third;
        CTabCtrl tab;
        CTabCtrlEx focusTab;
        CListViewEx focusList;
    }
    std::string seen;
    for (const INITCOMMONCONTROLSEX& r : g_registrations)
        seen += std::to_string(r.dwSize == sizeof r ? r.dwICC : 0) + " ";
    CWindow host;
    CListView list;
    const bool works = host.Create("host", 0, 0, 100, 100, NULL, NULL) != nullptr &&
                       list.Create("", 0, 0, 100, 100, host.GetHwnd(), (HMENU)1) != nullptr;
    std::fprintf(stderr, "registrations: %s; list view %s\n", seen.c_str(), works ? "made" : "missing");
    std::fflush(stderr);
    std::exit(seen == "1 1 8 " && works ? 0 : 1);
}

TEST(CommonControlRegistration, OncePerFamilyAndAgainAfterAFailure)
{
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(RegisterFamilies(), ::testing::ExitedWithCode(0), "");
}

} // namespace
