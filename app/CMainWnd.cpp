#include "app/CMainWnd.h"

#include <shlwapi.h>

#include "app/CMainDlg001.h"
#include "app/CMainDlg002.h"
#include "app/CSettingDlg.h"
#include "app/CVersionDlg.h"
#include "app/Dpi.h"
#include "app/FailureText.h"
#include "core/OutputPath.h"
#include "engine/InputListing.h"
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

// The window's shortcut keys, each that of a command, which its menu item shows after a tab. The
// page shown takes Enter, Delete and its Ctrl keys itself (IsPageKey, with Ctrl+A and Ctrl+U of
// the batch page, which have no menu item); the others run here.
struct Shortcut {
    UINT command;
    WPARAM key;
    bool ctrl;
    const char* name;
};
const Shortcut kShortcuts[] = {
    {ID_BROWSE_INPUT, 'I', true, "Ctrl+I"}, {ID_BROWSE_OUTPUT, 'O', true, "Ctrl+O"},
    {ID_CONVERT, VK_RETURN, false, "Enter"}, {ID_CLEAR, VK_DELETE, false, "Delete"},
    {ID_MODE_BINARY, 'B', true, "Ctrl+B"},  {ID_MODE_TEXT, 'T', true, "Ctrl+T"},
    {ID_OPEN_OUTPUT_FOLDER, 'E', true, "Ctrl+E"}, {ID_OPEN_OUTPUT_FILE, 'P', true, "Ctrl+P"},
    {ID_HELP, VK_F1, false, "F1"},          {ID_VERSION, VK_F1, true, "Ctrl+F1"},
};

// Adds a menu item: its label, and after a tab its shortcut key when it has one.
void AddItem(CMenu& menu, UINT position, const char* label, UINT command)
{
    CString text(label);
    for (const Shortcut& shortcut : kShortcuts) {
        if (shortcut.command != command) continue;
        text += "\t";
        text += shortcut.name;
    }
    menu.InsertItem(position, text, command);
}

// The folder a path lies in, as the batch page takes it: a drive's root keeps its separator.
CString FolderOf(const CString& path)
{
    CString folder = GetFolderPart(path);
    if (folder.GetLength() == 2 && folder[1] == ':') folder += "\\";
    return folder;
}

} // namespace

CMainDlg* CMainWnd::GetPage(int page)
{
    return page == 0 || page == 1 ? s_pages[page] : nullptr;
}

CMainWnd::CMainWnd(const char* title) : CWindow(title, NULL), m_nPage(0), m_nMode(0), m_hFocus(NULL)
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
    AddItem(s_menuFile, 0, "参照（入力） (&I)", ID_BROWSE_INPUT);
    AddItem(s_menuFile, 1, "参照（出力） (&O)", ID_BROWSE_OUTPUT);
    s_menuFile.InsertSeparator(2);
    AddItem(s_menuFile, 3, "変換開始 (&C)", ID_CONVERT);
    AddItem(s_menuFile, 4, "クリア (&R)", ID_CLEAR);
    s_menuFile.InsertSeparator(5);
    AddItem(s_menuFile, 6, "設定 (&S)", ID_SETTINGS);
    s_menuFile.InsertSeparator(7);
    AddItem(s_menuFile, 8, "出力フォルダを開く (&D)", ID_OPEN_OUTPUT_FOLDER);
    AddItem(s_menuFile, 9, "出力ファイルを開く (&P)", ID_OPEN_OUTPUT_FILE);
    s_menuFile.InsertSeparator(10);
    AddItem(s_menuFile, 11, "終了", ID_EXIT);
    AddItem(s_menuEdit, 0, "バイナリ変換 (&B)", ID_MODE_BINARY);
    AddItem(s_menuEdit, 1, "テキスト変換 (&T)", ID_MODE_TEXT);
    AddItem(s_menuHelp, 0, "使い方 (&H)", ID_HELP);
    AddItem(s_menuHelp, 1, "バージョン情報 (&V)", ID_VERSION);
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
    if (info && !info->m_vecStartPaths.empty())
        OpenPaths(info->m_vecStartPaths);
    else
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

bool CMainWnd::IsPageKey(WPARAM key)
{
    switch (key) {
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
        return true;
    default:
        return false;
    }
}

// Keys of the main window itself, the selector and the tab strip (which pass theirs up).
int CMainWnd::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    if (wParam == VK_TAB) {
        MoveFocus(m_hWnd, GetKeyState(VK_SHIFT) < 0 ? 2 : 1);
        return 0;
    }
    if (wParam == VK_ESCAPE) {
        if (CMainDlg* page = GetPage(m_nPage)) page->StopRun();
        return 0;
    }
    if (IsPageKey(wParam)) {
        if (CMainDlg* page = GetPage(m_nPage)) page->PostMessage(WM_KEYDOWN, wParam, lParam);
        return 0;
    }
    return RunShortcut(wParam) ? 0 : CWindow::OnKeyDown(wParam, lParam);
}

bool CMainWnd::RunShortcut(WPARAM key)
{
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    for (const Shortcut& shortcut : kShortcuts) {
        if (shortcut.key != key || shortcut.ctrl != ctrl) continue;
        OnCommand(shortcut.command, 0);
        return true;
    }
    return false;
}

int CMainWnd::OnLButtonUp(WPARAM, LPARAM)
{
    MoveFocus(m_hWnd, 0);
    return 0;
}

LRESULT CMainWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // A dialog or a message box takes the focus while it is open; afterwards the control that had
    // it gets it back, as it does in a dialog, rather than the window itself.
    if (msg == WM_ACTIVATE) {
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            m_hFocus = focus && ::IsChild(m_hWnd, focus) ? focus : NULL;
        } else if (m_hFocus && ::IsChild(m_hWnd, m_hFocus) && ::IsWindowVisible(m_hFocus) &&
                   ::IsWindowEnabled(m_hFocus)) {
            SetFocus(m_hFocus);
            return 0;
        }
    }
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

// Every dropped path, each read whole whatever its length.
int CMainWnd::OnDropFiles(WPARAM wParam, LPARAM)
{
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    std::vector<CString> paths;
    const UINT count = IsRunning() ? 0 : DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    for (UINT i = 0; i < count; ++i) {
        std::vector<char> path(DragQueryFileA(drop, i, NULL, 0) + 1);
        DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.size()));
        paths.push_back(CString(path.data()));
    }
    DragFinish(drop);
    if (!paths.empty()) OpenPaths(paths);
    return 0;
}

void CMainWnd::OpenPaths(const std::vector<CString>& paths)
{
    if (paths.size() == 1) {
        OpenPath(paths[0]);
        return;
    }
    const CString folder = FolderOf(paths[0]);
    std::vector<CString> names;
    for (const CString& path : paths) {
        if (path.GetLength() > kMaxPathLength) {
            MessageBoxA(m_hWnd, TooLongText(path), "警告", MB_OK | MB_ICONWARNING);
            return;
        }
        if (FolderOf(path).CompareNoCase(folder) != 0) {
            MessageBoxA(m_hWnd, "まとめて開くファイルは、1つのフォルダにあるものにしてください。", "警告",
                        MB_OK | MB_ICONWARNING);
            return;
        }
        names.push_back(GetFileNamePart(path));
    }
    m_nPage = 1;
    static_cast<CMainDlg002*>(s_pages[1])->OpenFiles(folder, names);
    SelectPage(m_nPage);
}

void CMainWnd::OpenPath(CString path)
{
    if (path.GetLength() > kMaxPathLength) {
        MessageBoxA(m_hWnd, TooLongText(path), "警告", MB_OK | MB_ICONWARNING);
        path.Empty();
    }
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
