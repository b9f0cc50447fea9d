// The main window at the DPI it runs at: 96, or 120, 144 and 192 in the app_dpi runs (which name
// it in QUILL_EXPECT_DPI). Nothing stretches a DPI-aware program: its own sizes must grow.
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
    const char* expected = getenv("QUILL_EXPECT_DPI");
    ASSERT_EQ(dpi, expected ? atoi(expected) : dpi);
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
                << "page " << page << ", control " << GetDlgCtrlID(child) << " reaches " << r.right << "," << r.bottom;
        }
    }

    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(MainWnd().GetHwnd(), IDC_MODE_SELECTOR, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, MulDiv(14, dpi, 96));
    // The batch list's three columns fit inside it, and 結果 shows at least the word that starts a result.
    HWND list = GetDlgItem(Batch().GetHwnd(), IDC_FILE_LIST);
    RECT inside;
    GetClientRect(list, &inside);
    const int result = ListView_GetColumnWidth(list, 2);
    EXPECT_LE(ListView_GetColumnWidth(list, 0) + ListView_GetColumnWidth(list, 1) + result, inside.right);
    EXPECT_GE(result, ListView_GetStringWidth(list, "スキップ: ") + MulDiv(12, dpi, 96));
}

// Every control of the settings pages inside the dialog; every label and every choice of a
// drop-down list readable in full (beside its button) in the control's own font.
TEST_F(LayoutTest, TheSettingsDialogFitsAtThisDpi)
{
    int checked = 0;
    DialogWatcher watcher;
    watcher.onDialog = [&](HWND dialog) {
        for (HWND page = FindWindowExA(dialog, NULL, "#32770", NULL); page; page = FindWindowExA(dialog, page, "#32770", NULL)) {
            RECT inside;
            GetClientRect(dialog, &inside);
            MapWindowPoints(dialog, page, reinterpret_cast<POINT*>(&inside), 2);
            for (HWND control = GetWindow(page, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
                RECT r;
                GetWindowRect(control, &r);
                MapWindowPoints(NULL, page, reinterpret_cast<POINT*>(&r), 2);
                const int id = GetDlgCtrlID(control), choices = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
                EXPECT_TRUE(r.left >= inside.left && r.top >= inside.top && r.right <= inside.right && r.bottom <= inside.bottom) << id;
                std::vector<std::string> texts;
                if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_STATIC) texts.push_back(WindowText(control));
                for (char item[64]; static_cast<int>(texts.size()) < choices; texts.push_back(item))
                    SendMessageA(control, CB_GETLBTEXT, texts.size(), reinterpret_cast<LPARAM>(item));
                const LONG room = r.right - r.left - (choices > 0 ? GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE) : 0);
                HDC dc = GetDC(control);
                HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
                for (const std::string& text : texts) {
                    SIZE size = {};
                    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
                    EXPECT_LE(size.cx, room) << id << " " << text;
                }
                SelectObject(dc, font);
                ReleaseDC(control, dc);
                checked += static_cast<int>(texts.size());
            }
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    Command(ID_SETTINGS);
    EXPECT_GE(checked, 16) << "labels and choices looked at";
}

} // namespace
