#include "app/CMainWnd.h"

#include <shlwapi.h>

#include "app/CMainDlg001.h"
#include "app/CMainDlg002.h"
#include "app/CSettingDlg.h"
#include "app/CVersionDlg.h"
#include "app/Dpi.h"
#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainWnd, CWindow)

namespace {

CFont s_font(ScaleForDpi(14), "ＭＳ ゴシック");
CMenu s_menuBar;
CMenu s_menuFile;
CMenu s_menuEdit;
CMenu s_menuHelp;
CComboBoxEx s_modeSelector(IDC_MODE_SELECTOR);
CTabCtrlEx s_tab;
// Allocated at start-up; the window's destructor deletes them (a later window makes new ones).
CMainDlg* s_pages[2] = {new CMainDlg001, new CMainDlg002};

} // namespace

CMainDlg* CMainWnd::GetPage(int page)
{
    return page == 0 || page == 1 ? s_pages[page] : nullptr;
}

CMainWnd::CMainWnd(const char* title) : CWindow(title, NULL), m_nPage(0), m_nMode(0)
{
    if (!s_pages[0]) s_pages[0] = new CMainDlg001;
    if (!s_pages[1]) s_pages[1] = new CMainDlg002;
}

CMainWnd::~CMainWnd()
{
    for (CMainDlg*& page : s_pages) {
        delete page;
        page = nullptr;
    }
}

BOOL CMainWnd::RegisterWindowClass()
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = CWindowBase::StaticWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLMARK));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = GetWindowClassName();
    return RegisterClassExA(&wc) != 0;
}

int CMainWnd::OnCreate(WPARAM wParam, LPARAM lParam)
{
    s_menuFile.InsertItem(0, "参照（入力） (&I)", ID_BROWSE_INPUT);
    s_menuFile.InsertItem(1, "参照（出力） (&O)", ID_BROWSE_OUTPUT);
    s_menuFile.InsertSeparator(2);
    s_menuFile.InsertItem(3, "変換開始 (&C)", ID_CONVERT);
    s_menuFile.InsertItem(4, "クリア (&R)", ID_CLEAR);
    s_menuFile.InsertSeparator(5);
    s_menuFile.InsertItem(6, "設定 (&S)", ID_SETTINGS);
    s_menuFile.InsertSeparator(7);
    s_menuFile.InsertItem(8, "出力フォルダを開く (&D)\tCtrl+E", ID_OPEN_OUTPUT_FOLDER);
    s_menuFile.InsertItem(9, "出力ファイルを開く (&P)\tCtrl+P", ID_OPEN_OUTPUT_FILE);
    s_menuFile.InsertSeparator(10);
    s_menuFile.InsertItem(11, "終了", ID_EXIT);
    s_menuEdit.InsertItem(0, "バイナリ変換 (&B)", ID_MODE_BINARY);
    s_menuEdit.InsertItem(1, "テキスト変換 (&T)", ID_MODE_TEXT);
    s_menuHelp.InsertItem(0, "使い方 (&H)", ID_HELP);
    s_menuHelp.InsertItem(1, "バージョン情報 (&V)", ID_VERSION);
    s_menuBar.InsertPopup(0, "ファイル (&F)", s_menuFile.GetHandle());
    s_menuBar.InsertPopup(1, "編集 (&E)", s_menuEdit.GetHandle());
    s_menuBar.InsertPopup(2, "ヘルプ (&H)", s_menuHelp.GetHandle());
    SetMenu(s_menuBar.GetHandle());

    s_modeSelector.Create(ScaleForDpi(8), ScaleForDpi(8), ScaleForDpi(120), ScaleForDpi(80), m_hWnd);
    s_modeSelector.SetFont(s_font.GetFontHandle());
    s_modeSelector.AddString("バイナリ変換");
    s_modeSelector.AddString("テキスト変換");

    s_tab.Create(ScaleForDpi(8), ScaleForDpi(40), ScaleForDpi(384), ScaleForDpi(24), m_hWnd);
    s_tab.InsertItem(0, "個別変換");
    s_tab.InsertItem(1, "一括変換");
    s_tab.SetFont(s_font.GetFontHandle());

    SetMode(m_nMode);
    for (CMainDlg* page : s_pages) page->CreateModeless(m_hWnd);
    FitToPages();
    CSystemInfo* info = GetSystemInfo();
    OpenPath(info ? CString(info->m_strStartPath) : CString());
    DragAcceptFiles(TRUE);
    return CWindow::OnCreate(wParam, lParam);
}

// Closing during a run stops it first: the file under way is abandoned, finished ones stay.
int CMainWnd::OnClose(WPARAM wParam, LPARAM lParam)
{
    for (CMainDlg* page : s_pages) page->AbortRun();
    return CWindow::OnClose(wParam, lParam);
}

// The outer size is the one asked for (420 x 404 at 96 DPI, scaled), or more where the pages, placed
// in dialog units of their own font, would reach past the client area: from the pages' real extent,
// with the tab strip's margin on the right, through the frame, caption and menu bar of this system.
void CMainWnd::FitToPages()
{
    auto atLeast = [](LONG& value, LONG minimum) {
        if (value < minimum) value = minimum;
    };
    RECT client = {0, 0, 0, 0};
    for (CMainDlg* page : s_pages) {
        RECT rect;
        page->GetWindowRect(&rect);
        MapWindowPoints(NULL, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        atLeast(client.right, rect.right + ScaleForDpi(8));
        atLeast(client.bottom, rect.bottom);
    }
    AdjustWindowRect(&client, WS_OVERLAPPEDWINDOW, TRUE);
    RECT window;
    GetWindowRect(&window);
    SIZE size = {window.right - window.left, window.bottom - window.top};
    atLeast(size.cx, ScaleForDpi(420));
    atLeast(size.cy, ScaleForDpi(404));
    atLeast(size.cx, client.right - client.left);
    atLeast(size.cy, client.bottom - client.top);
    SetWindowPos(m_hWnd, NULL, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CMainWnd::OnDestroy(WPARAM wParam, LPARAM lParam)
{
    for (CMainDlg* page : s_pages) page->AbortRun();
    PostQuitMessage(0);
    return CWindow::OnDestroy(wParam, lParam);
}

int CMainWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    if (IsRunning()) {
        switch (id) {
        case ID_BROWSE_INPUT:
        case ID_BROWSE_OUTPUT:
        case ID_CONVERT:
        case ID_CLEAR:
        case ID_MODE_BINARY:
        case ID_MODE_TEXT:
        case ID_SETTINGS:
            return 0;
        case IDC_MODE_SELECTOR:
            s_modeSelector.SetCurSel(m_nMode);
            return 0;
        }
    }
    switch (id) {
    case ID_BROWSE_INPUT:
    case ID_BROWSE_OUTPUT:
    case ID_CONVERT:
    case ID_CLEAR:
    case ID_OPEN_OUTPUT_FOLDER:
    case ID_OPEN_OUTPUT_FILE:
        if (CMainDlg* page = GetPage(m_nPage)) page->PostMessage(WM_COMMAND, wParam, lParam);
        return 0;
    case ID_EXIT:
        return OnDestroy(0, 0);
    case ID_MODE_BINARY:
        SetMode(0);
        return 0;
    case ID_MODE_TEXT:
        SetMode(1);
        return 0;
    case ID_HELP:
        return ShowHelp();
    case ID_VERSION:
        return ShowVersionDialog();
    case ID_SETTINGS:
        return ShowSettingsDialog();
    case IDC_MODE_SELECTOR:
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            int sel = s_modeSelector.GetCurSel();
            if (sel == 0 || sel == 1) SetMode(sel);
            if (CMainDlg* page = GetPage(m_nPage)) page->OnModeChanged();
        }
        return 0;
    default:
        return CWindow::OnCommand(wParam, lParam);
    }
}

int CMainWnd::OnNotify(WPARAM wParam, LPARAM lParam)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    // True keeps the tab where it is.
    if (header && header->code == static_cast<UINT>(TCN_SELCHANGING)) return IsRunning();
    if (header && header->code == static_cast<UINT>(TCN_SELCHANGE) && !IsRunning()) {
        m_nPage = s_tab.GetCurSel();
        SelectPage(m_nPage);
        return 0;
    }
    return CWindow::OnNotify(wParam, lParam);
}

int CMainWnd::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case VK_TAB:
        MoveFocus(m_hWnd, GetKeyState(VK_SHIFT) < 0 ? 2 : 1);
        return 0;
    case VK_RETURN:
    case VK_DELETE:
    case 'A':
    case 'B':
    case 'E':
    case 'I':
    case 'O':
    case 'P':
    case 'T':
    case 'U':
        if (CMainDlg* page = GetPage(m_nPage)) page->PostMessage(WM_KEYDOWN, wParam, lParam);
        return 0;
    case VK_F1:
        return GetKeyState(VK_CONTROL) < 0 ? ShowVersionDialog() : ShowHelp();
    case VK_ESCAPE:
        if (CMainDlg* page = GetPage(m_nPage)) page->StopRun();
        return 0;
    default:
        return CWindow::OnKeyDown(wParam, lParam);
    }
}

int CMainWnd::OnLButtonUp(WPARAM, LPARAM)
{
    MoveFocus(m_hWnd, 0);
    return 0;
}

LRESULT CMainWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_FOCUSMOVE) {
        CWindowBase* from = reinterpret_cast<CWindowBase*>(wParam);
        // Esc in the selector or the tab strip (they name this window) stops a run.
        if (from == this && lParam == 0 && IsRunning()) {
            GetPage(m_nPage)->StopRun();
            return 0;
        }
        MoveFocus(from ? from->GetHwnd() : NULL, static_cast<int>(lParam));
        return 0;
    }
    return CWindow::WindowProc(hwnd, msg, wParam, lParam);
}

void CMainWnd::MoveFocus(HWND hwnd, int direction)
{
    HWND ring[3] = {m_hWnd, s_modeSelector.GetHwnd(), s_tab.GetHwnd()};
    int index = 3;
    for (int i = 0; i < 3; ++i) {
        if (ring[i] == hwnd) {
            index = direction == 1 ? i + 1 : direction == 2 ? i - 1 : i;
            break;
        }
    }
    if (index >= 0 && index <= 2) {
        SetFocus(ring[index]);
        return;
    }
    CMainDlg* page = GetPage(m_nPage);
    if (!page) return;
    SetFocus(direction == 2 ? page->GetLastControl() : page->GetFirstControl());
}

int CMainWnd::OnDropFiles(WPARAM wParam, LPARAM)
{
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    if (IsRunning()) {
        DragFinish(drop);
        return 0;
    }
    char path[MAX_PATH] = "";
    DragQueryFileA(drop, 0, path, MAX_PATH);
    DragFinish(drop);
    OpenPath(CString(path));
    return 0;
}

void CMainWnd::OpenPath(CString path)
{
    if (!path.IsEmpty()) {
        if (PathIsDirectoryA(path)) {
            m_nPage = 1;
            s_pages[1]->SetInputPath(path);
        } else {
            m_nPage = 0;
            s_pages[0]->SetInputPath(path);
        }
    }
    SelectPage(m_nPage);
}

void CMainWnd::SelectPage(int page)
{
    s_tab.SetCurSel(page);
    for (int i = 0; i < 2; ++i) s_pages[i]->ShowWindow(i == page ? SW_SHOW : SW_HIDE);
}

int CMainWnd::GetMode()
{
    return m_nMode;
}

void CMainWnd::SetMode(int mode)
{
    m_nMode = mode;
    if (mode != 0 && mode != 1) return;
    if (s_modeSelector.GetCurSel() != mode) s_modeSelector.SetCurSel(mode);
    s_menuEdit.CheckItem(0, mode == 0);
    s_menuEdit.CheckItem(1, mode == 1);
}

bool CMainWnd::IsRunning()
{
    CMainDlg* page = GetPage(m_nPage);
    return page && page->IsRunning();
}

void CMainWnd::ShowRunning(bool running)
{
    s_modeSelector.EnableWindow(!running);
    s_tab.EnableWindow(!running);
    const UINT state = MF_BYCOMMAND | (running ? MF_GRAYED : MF_ENABLED);
    for (UINT id : {ID_BROWSE_INPUT, ID_BROWSE_OUTPUT, ID_CONVERT, ID_CLEAR, ID_SETTINGS})
        EnableMenuItem(s_menuFile.GetHandle(), id, state);
    for (UINT id : {ID_MODE_BINARY, ID_MODE_TEXT}) EnableMenuItem(s_menuEdit.GetHandle(), id, state);
}

CTabCtrlEx* CMainWnd::GetTabCtrl()
{
    return &s_tab;
}

int CMainWnd::ShowHelp()
{
    CSystemInfo* info = GetSystemInfo();
    CString path(info ? CString(info->m_strProgramFolder) : CString(), CString("\\help\\Quillmark.chm"));
    ShellExecuteA(NULL, "open", path, NULL, NULL, SW_SHOWNORMAL);
    return 0;
}

int CMainWnd::ShowVersionDialog()
{
    CVersionDlg dlg;
    dlg.DoModal(m_hWnd);
    return 0;
}

int CMainWnd::ShowSettingsDialog()
{
    CSettingDlg dlg;
    dlg.DoModal(m_hWnd);
    return 0;
}
