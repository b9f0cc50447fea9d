// The main window at the DPI it runs at: 96 in the usual run, 120, 144 and 192 in the app_dpi runs
// (a Wine prefix of their own, QUILL_EXPECT_DPI naming the DPI they set). The program is DPI-aware,
// so nothing stretches it: its own pixel sizes must grow, and the pages must stay inside it.
#include "AppEnvironment.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/Dpi.h"

using namespace apptest;

namespace {

RECT InMainWindow(HWND wnd)
{
    RECT rect;
    GetWindowRect(wnd, &rect);
    MapWindowPoints(NULL, MainWnd().GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

using LayoutTest = AppTest;

TEST_F(LayoutTest, ModernControlsAndBothPagesInsideTheClientAreaAtThisDpi)
{
    const int dpi = ScreenDpi();
    if (const char* expected = getenv("QUILL_EXPECT_DPI")) {
        ASSERT_EQ(dpi, atoi(expected));
    }
    // Version 6 of the common controls is a side-by-side assembly, loaded only as the manifest asks.
    char comctl[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), comctl, MAX_PATH);
    EXPECT_NE(std::string(CharLowerA(comctl)).find("common-controls_6595b64144ccf1df_6."), std::string::npos) << comctl;

    RECT client;
    GetClientRect(MainWnd().GetHwnd(), &client);
    const LONG tabBottom = InMainWindow(MainWnd().GetTabCtrl()->GetHwnd()).bottom;
    for (int page : {0, 1}) {
        HWND wnd = CMainWnd::GetPage(page)->GetHwnd();
        EXPECT_GE(InMainWindow(wnd).top, tabBottom) << "page " << page << " overlaps the tab strip";
        for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const RECT r = InMainWindow(child);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                << "page " << page << ", control " << GetDlgCtrlID(child) << " reaches " << r.right << ","
                << r.bottom << " in a client area of " << client.right << "," << client.bottom;
        }
    }

    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(MainWnd().GetHwnd(), IDC_MODE_SELECTOR, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, MulDiv(14, dpi, 96));
    EXPECT_EQ(SendDlgItemMessageA(Batch().GetHwnd(), IDC_FILE_LIST, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(160, dpi, 96));
}

// The text of control in its own font, in pixels.
LONG TextWidth(HWND control, const std::string& text)
{
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

// Every control of the settings pages inside its page, the pages and the buttons inside the dialog
// and the dialog on the screen; every label and every choice of a list box readable in full.
TEST_F(LayoutTest, TheSettingsDialogFitsAtThisDpi)
{
    int checked = 0;
    DialogWatcher watcher;
    watcher.onDialog = [&](HWND dialog) {
        RECT client, screen;
        GetClientRect(dialog, &client);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
        RECT outer;
        GetWindowRect(dialog, &outer);
        EXPECT_TRUE(outer.right - outer.left <= screen.right - screen.left && outer.bottom - outer.top <= screen.bottom - screen.top);
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r;
            GetWindowRect(child, &r);
            MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << GetDlgCtrlID(child);
            char cls[32] = "";
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpA(cls, "#32770") != 0) continue;
            RECT page;
            GetClientRect(child, &page);
            for (HWND control = GetWindow(child, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
                GetWindowRect(control, &r);
                MapWindowPoints(NULL, child, reinterpret_cast<POINT*>(&r), 2);
                const int id = GetDlgCtrlID(control);
                EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= page.right && r.bottom <= page.bottom) << id;
                GetClassNameA(control, cls, sizeof cls);
                if (lstrcmpiA(cls, "Static") == 0) {
                    EXPECT_LE(TextWidth(control, WindowText(control)), r.right - r.left) << id << " " << WindowText(control);
                    ++checked;
                } else if (lstrcmpiA(cls, "ComboBox") == 0) {
                    // Each choice beside the drop-down button.
                    const LONG room = r.right - r.left - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE);
                    for (int i = 0; i < SendMessageA(control, CB_GETCOUNT, 0, 0); ++i) {
                        char item[64] = "";
                        SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
                        EXPECT_LE(TextWidth(control, item), room) << id << " " << item;
                        ++checked;
                    }
                }
            }
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    Command(ID_SETTINGS);
    EXPECT_GE(checked, 16) << "labels and choices looked at";
}

} // namespace
