#include "app/CSettingDlg.h"

#include "app/BlackBackground.h"
#include "app/FailureText.h"

#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CSettingDlg, CDialog)

namespace {

CTabCtrl s_tab;
// The dialog that is open, for the message filter below (one settings dialog at a time).
CSettingDlg* s_open = nullptr;
HHOOK s_pageKeys = NULL;

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in every Windows property dialog. The dialog
// manager would take them for Tab and Shift+Tab; its message filter sees them first.
LRESULT CALLBACK PageKeys(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && s_open && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB &&
        GetKeyState(VK_CONTROL) < 0 &&
        (msg->hwnd == s_open->GetHwnd() || IsChild(s_open->GetHwnd(), msg->hwnd))) {
        s_open->TurnPage(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return 1;
    }
    return CallNextHookEx(s_pageKeys, code, wParam, lParam);
}

} // namespace

CSettingDlg::CSettingDlg() : CDialog(IDD_SETTING), m_nCurPage(0)
{
    m_pSubDlg[0] = new CSettingSubDlg001;
    m_pSubDlg[1] = new CSettingSubDlg002;
    m_pSubDlg[2] = new CSettingSubDlg003;
}

CSettingDlg::~CSettingDlg()
{
    if (s_open == this) {
        UnhookWindowsHookEx(s_pageKeys);
        s_open = nullptr;
    }
    for (CSettingSubDlg* page : m_pSubDlg) delete page;
    s_tab.Detach();
}

int CSettingDlg::OnInitDialog(WPARAM, LPARAM)
{
    s_tab.Attach(GetDlgItem(IDC_SETTING_TAB));
    s_tab.InsertItem(0, "共通設定");
    s_tab.InsertItem(1, "個別変換設定");
    s_tab.InsertItem(2, "一括変換設定");
    // The pages follow the tab strip in the tab order, ahead of "決定" and "取消".
    HWND after = s_tab.GetHwnd();
    for (CSettingSubDlg* page : m_pSubDlg) {
        page->CreateModeless(m_hWnd);
        SetWindowPos(page->GetHwnd(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = page->GetHwnd();
    }
    ShowPage(m_nCurPage);
    if (!s_open) {
        s_open = this;
        s_pageKeys = SetWindowsHookExA(WH_MSGFILTER, PageKeys, NULL, GetCurrentThreadId());
    }
    return 0;
}

void CSettingDlg::TurnPage(int step)
{
    HWND page = m_pSubDlg[m_nCurPage]->GetHwnd();
    const bool inPage = ::IsChild(page, GetFocus()) != FALSE;
    const int index = (m_nCurPage + step + 3) % 3;
    s_tab.SetCurSel(index);
    ShowPage(index);
    // A focus inside the page that went away moves to the first control of the new one.
    if (inPage) SetFocus(GetNextDlgTabItem(m_pSubDlg[index]->GetHwnd(), NULL, FALSE));
}

void CSettingDlg::ShowPage(int index)
{
    m_nCurPage = index;
    for (int i = 0; i < 3; ++i) m_pSubDlg[i]->ShowWindow(i == index ? SW_SHOW : SW_HIDE);
}

int CSettingDlg::OnNotify(WPARAM wParam, LPARAM lParam)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
        m_nCurPage = s_tab.GetCurSel();
        ShowPage(m_nCurPage);
        return 0;
    }
    return CDialog::OnNotify(wParam, lParam);
}

// A save that failed keeps the dialog open with what the user chose, and says which file and why.
void CSettingDlg::OnOK()
{
    // A value that cannot be saved as typed is refused before anything is written: its page
    // shows, the user is told, and the value is selected for typing again.
    for (int i = 0; i < 3; ++i) {
        const char* problem = "";
        if (HWND invalid = m_pSubDlg[i]->FindInvalid(problem)) {
            s_tab.SetCurSel(i);
            ShowPage(i);
            MessageBoxA(m_hWnd, problem, "警告", MB_OK | MB_ICONWARNING);
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(invalid), TRUE);
            return;
        }
    }
    CSystemInfo* info = GetSystemInfo();
    if (info) info->TakeWriteError();
    for (CSettingSubDlg* page : m_pSubDlg) page->SaveSettings();
    if (const DWORD error = info ? info->TakeWriteError() : 0) {
        CString text("設定を保存できませんでした\n");
        text += info->GetIniFilePath();
        text += "\n";
        text += SystemReason(error);
        MessageBoxA(m_hWnd, text, "エラー", MB_OK | MB_ICONERROR);
        return;
    }
    EndDialog(IDOK);
}

int CSettingDlg::OnCtlColorDlg(WPARAM, LPARAM)
{
    return BlackDialogBrush();
}

int CSettingDlg::OnCtlColorStatic(WPARAM wParam, LPARAM)
{
    return WhiteOnBlackStatic(wParam);
}
