#include "app/CMainDlg.h"

#include "app/CMainWnd.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainDlg, CDialog)

CMainWnd* CMainDlg::GetMainWnd()
{
    CWindowBase* parent = GetParentObject();
    if (parent && parent->IsKindOf(VEXA_RUNTIME_CLASS(CMainWnd))) return static_cast<CMainWnd*>(parent);
    return nullptr;
}

int CMainDlg::Message(const char* text, const char* caption, UINT icon)
{
    return MessageBoxA(m_hWnd, text, caption, MB_OK | icon);
}

int CMainDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case 100: return OnBrowseInput();
    case 101: return OnBrowseOutput();
    case 102: return OnConvert();
    case 103: return OnClear();
    default: return CDialog::OnCommand(wParam, lParam);
    }
}

int CMainDlg::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (wParam) {
    case VK_RETURN:
        return OnConvert();
    case VK_DELETE:
        return OnClear();
    case 'I':
        return ctrl ? OnBrowseInput() : 0;
    case 'O':
        return ctrl ? OnBrowseOutput() : 0;
    case 'B':
    case 'T':
        if (ctrl) {
            if (CMainWnd* main = GetMainWnd()) main->SetMode(wParam == 'B' ? 0 : 1);
        }
        return 0;
    default:
        return CDialog::OnKeyDown(wParam, lParam);
    }
}

int CMainDlg::OnDropFiles(WPARAM wParam, LPARAM lParam)
{
    if (CMainWnd* main = GetMainWnd())
        main->SendMessage(WM_DROPFILES, wParam, lParam);
    else
        DragFinish(reinterpret_cast<HDROP>(wParam));
    return 0;
}

void CMainDlg::MoveFocus(HWND hwnd, int direction)
{
    CWindowBase* const* controls = GetControls();
    int count = GetControlCount();
    int index = count;
    for (int i = 0; i < count; ++i) {
        if (controls[i]->GetHwnd() == hwnd) {
            index = direction == 1 ? i + 1 : direction == 2 ? i - 1 : i;
            break;
        }
    }
    if (index >= 0 && index < count) {
        SetFocus(controls[index]->GetHwnd());
        return;
    }
    CMainWnd* main = GetMainWnd();
    if (!main) return;
    SetFocus(direction == 2 ? main->GetTabCtrl()->GetHwnd() : main->GetHwnd());
}
