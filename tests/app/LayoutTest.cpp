// The main window at the DPI it runs at: 96 in the usual run, 144 and 192 in the app_dpi runs
// (a Wine prefix of their own, QUILL_EXPECT_DPI naming the DPI they set). The program is DPI-aware,
// so nothing stretches it: its own pixel sizes must grow, and the pages must stay inside it.
#include "AppEnvironment.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/Dpi.h"

using namespace apptest;

namespace {

// Where the process's comctl32 comes from: version 6 is a side-by-side assembly, loaded only when
// the manifest asks for it (its folder under WinSxS names the version).
std::string CommonControlsPath()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, MAX_PATH);
    CharLowerA(path);
    return path;
}

RECT InMainWindow(HWND wnd)
{
    RECT rect;
    GetWindowRect(wnd, &rect);
    MapWindowPoints(NULL, MainWnd().GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Show(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " - " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

using LayoutTest = AppTest;

TEST_F(LayoutTest, ModernControlsAndBothPagesInsideTheClientAreaAtThisDpi)
{
    const int dpi = ScreenDpi();
    if (const char* expected = getenv("QUILL_EXPECT_DPI")) ASSERT_EQ(dpi, atoi(expected));
    EXPECT_NE(CommonControlsPath().find("common-controls_6595b64144ccf1df_6."), std::string::npos)
        << CommonControlsPath();

    RECT client;
    GetClientRect(MainWnd().GetHwnd(), &client);
    const RECT tab = InMainWindow(MainWnd().GetTabCtrl()->GetHwnd());
    for (int page : {0, 1}) {
        HWND wnd = CMainWnd::GetPage(page)->GetHwnd();
        EXPECT_GE(InMainWindow(wnd).top, tab.bottom) << "page " << page << " overlaps the tab strip";
        for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const RECT r = InMainWindow(child);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                << "page " << page << ", control " << GetDlgCtrlID(child) << " at " << Show(r)
                << " in a client area of " << Show(client);
        }
    }

    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(MainWnd().GetHwnd(), 9000), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, MulDiv(14, dpi, 96));
    EXPECT_EQ(SendMessageA(GetDlgItem(Batch().GetHwnd(), 8000), LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(160, dpi, 96));
}

} // namespace
