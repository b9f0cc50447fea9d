// Tab strip and report list view against real common controls, and the one-time registration of
// their window classes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ControlTestKit.h"
#include "framework/CListView.h"
#include "framework/CListViewEx.h"
#include "framework/CTabCtrl.h"
#include "framework/CTabCtrlEx.h"

using controltest::RecordingHost;
using Vexa::CString;

namespace {

class CommonControls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.Open(), nullptr); }
    RecordingHost host;
};

struct TabItem {
    std::string text;
    int image;
    LPARAM param;
};

TabItem ReadTab(HWND tab, int index)
{
    char text[64] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    item.lParam = 0x5555;
    ::SendMessageA(tab, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return {text, item.iImage, item.lParam};
}

TEST_F(CommonControls, TabStripCarriesTextOnlyTabsAndSelects)
{
    CTabCtrl tab;
    HWND hwnd = tab.Create("", 0, 0, 300, 30, host.GetHwnd(), reinterpret_cast<HMENU>(10));
    ASSERT_NE(hwnd, nullptr);
    // A record of the caller's own, with an image and a parameter, does not leak into the tabs
    // that the text form inserts afterwards.
    TCITEMA own = {};
    own.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
    own.pszText = const_cast<char*>("own");
    own.lParam = 77;
    own.iImage = 3;
    EXPECT_EQ(tab.InsertItem(0, &own), 0);
    EXPECT_EQ(tab.InsertItem(1, "個別変換"), 1);
    EXPECT_EQ(tab.InsertItem(2, "一括変換"), 2);
    EXPECT_EQ(tab.InsertItem(1, "between"), 1);

    struct Expected {
        const char* text;
        int image;
        LPARAM param;
    } expected[] = {{"own", 3, 77}, {"between", -1, 0}, {"個別変換", -1, 0}, {"一括変換", -1, 0}};
    for (int i = 0; i < 4; ++i) {
        TabItem got = ReadTab(hwnd, i);
        EXPECT_EQ(got.text, expected[i].text) << i;
        EXPECT_EQ(got.image, expected[i].image) << i;
        EXPECT_EQ(got.param, expected[i].param) << i;
    }

    EXPECT_EQ(tab.SetCurSel(2), 0);
    EXPECT_EQ(tab.GetCurSel(), 2);
    EXPECT_EQ(tab.SetCurSel(9), -1);
    EXPECT_EQ(tab.GetCurSel(), 2);
}

// The batch page's list: two columns, rows with check boxes, and the reads it makes.
TEST_F(CommonControls, ReportListAsTheBatchPageUsesIt)
{
    CListView list;
    HWND hwnd = list.Create("", 0, 0, 400, 200, host.GetHwnd(), reinterpret_cast<HMENU>(8000));
    ASSERT_NE(hwnd, nullptr);

    // The extended style is widened, not replaced.
    list.SetExtendedStyle(LVS_EX_HEADERDRAGDROP);
    list.SetExtendedStyle(list.GetExtendedStyle() | 0x25);
    EXPECT_EQ(list.GetExtendedStyle(), static_cast<DWORD>(LVS_EX_HEADERDRAGDROP | 0x25));

    EXPECT_EQ(list.InsertColumn(0, 160, "変換前"), 0);
    EXPECT_EQ(list.InsertColumn(1, 160, "変換後"), 1);

    const char* names[][2] = {{"a.txt", "a.dat"}, {"表.txt", "表.dat"}, {"c.txt", "c.dat"}};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(list.InsertItem(n, ""), n);
        EXPECT_TRUE(list.SetItemText(n, 0, names[n][0]));
        EXPECT_TRUE(list.SetItemText(n, 1, CString(names[n][1])));
        EXPECT_TRUE(list.SetCheck(n, TRUE));
    }
    EXPECT_EQ(list.GetItemCount(), 3);
    list.SetCheck(1, FALSE);

    const int checks[] = {1, 0, 1};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(list.GetCheck(n), checks[n]) << n;
        EXPECT_STREQ(list.GetItemText(n, 0), names[n][0]) << n;
        EXPECT_STREQ(list.GetItemText(n, 1), names[n][1]) << n;
    }

    // No selection: -1. Selecting row 2 makes it the one a rename would take.
    EXPECT_EQ(list.GetSelectedItem(), -1);
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    ::SendMessageA(hwnd, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(list.GetSelectedItem(), 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_ALL), 0);

    // Rows outside the list.
    EXPECT_STREQ(list.GetItemText(7, 0), "");
    EXPECT_FALSE(list.DeleteItem(7));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_STREQ(list.GetItemText(0, 0), names[1][0]);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetSelectedItem(), -1);
}

TEST_F(CommonControls, GetCheckIsMinusOneWithoutTheCheckBoxStyle)
{
    CListView list;
    ASSERT_NE(list.Create("", 0, 0, 300, 100, host.GetHwnd(), reinterpret_cast<HMENU>(8000)),
              nullptr);
    list.InsertColumn(0, 100, "x");
    list.InsertItem(0, "row");
    EXPECT_EQ(list.GetCheck(0), -1);
    list.SetExtendedStyle(LVS_EX_CHECKBOXES);
    list.InsertItem(1, "row");
    EXPECT_EQ(list.GetCheck(1), 0);
}

// The CString form reads into a buffer of 260: a longer text comes back cut to 259 characters.
TEST_F(CommonControls, LongItemTextComesBackAs259Characters)
{
    CListView list;
    ASSERT_NE(list.Create("", 0, 0, 300, 100, host.GetHwnd(), reinterpret_cast<HMENU>(8000)),
              nullptr);
    list.InsertColumn(0, 100, "x");
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
        CString got = list.GetItemText(row, 0);
        EXPECT_EQ(std::string(static_cast<const char*>(got)), text.substr(0, c.expected))
            << "length " << c.length;
        ++row;
    }

    // The buffer form cuts to its size too, terminator included.
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    list.GetItemText(5, 0, buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_EQ(list.GetItemText(1, 0, buffer, sizeof(buffer)), 1);
    EXPECT_STREQ(buffer, "a");
}

// Counts the registrations that reach the platform. The first one is made to fail, so the next
// construction must try again.
struct Registration {
    DWORD size;
    DWORD icc;
};
std::vector<Registration> g_registrations;
BOOL(WINAPI* g_realInit)(const INITCOMMONCONTROLSEX*) = nullptr;

BOOL WINAPI CountingInit(const INITCOMMONCONTROLSEX* init)
{
    g_registrations.push_back({init->dwSize, init->dwICC});
    if (g_registrations.size() == 1)
        return FALSE;
    return g_realInit(init);
}

// Runs in a fresh process (the registration flags live for the whole process) and exits 0 when
// the platform saw exactly the expected registrations, one construction after the other.
[[noreturn]] void RegisterFamilies()
{
    g_realInit = reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
        controltest::HookImport("comctl32.dll", "InitCommonControlsEx",
                                reinterpret_cast<void*>(&CountingInit)));
    if (g_realInit == nullptr) {
        std::fprintf(stderr, "InitCommonControlsEx is not imported\n");
        std::exit(2);
    }
    struct Step {
        const char* what;
        Vexa::CWindowBase* (*construct)();
        std::vector<DWORD> iccSoFar;
    };
    const Step steps[] = {
        {"list view, registration fails", []() -> Vexa::CWindowBase* { return new CListView; }, {1}},
        {"list view, tried again", []() -> Vexa::CWindowBase* { return new CListView; }, {1, 1}},
        {"list view, registered", []() -> Vexa::CWindowBase* { return new CListView; }, {1, 1}},
        {"tab strip", []() -> Vexa::CWindowBase* { return new CTabCtrl; }, {1, 1, 8}},
        {"focus-aware tab strip", []() -> Vexa::CWindowBase* { return new CTabCtrlEx; }, {1, 1, 8}},
        {"focus-aware list view", []() -> Vexa::CWindowBase* { return new CListViewEx; }, {1, 1, 8}},
    };
    int status = 0;
    for (const Step& step : steps) {
        delete step.construct();
        std::vector<DWORD> icc;
        for (const Registration& r : g_registrations) {
            icc.push_back(r.icc);
            if (r.size != sizeof(INITCOMMONCONTROLSEX))
                status = 1;
        }
        if (icc != step.iccSoFar) {
            std::fprintf(stderr, "after %s: %u registrations\n", step.what,
                         static_cast<unsigned>(icc.size()));
            status = 1;
        }
    }
    // The registered classes work: a list view can be made.
    RecordingHost host;
    CListView list;
    if (host.Open() == nullptr ||
        list.Create("", 0, 0, 100, 100, host.GetHwnd(), reinterpret_cast<HMENU>(1)) == nullptr) {
        std::fprintf(stderr, "no list view after registration\n");
        status = 1;
    }
    std::fflush(stderr);
    std::exit(status);
}

TEST(CommonControlRegistration, OncePerFamilyAndAgainAfterAFailure)
{
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(RegisterFamilies(), ::testing::ExitedWithCode(0), "");
}

} // namespace
