// CDialog: dialogs from templates; the object travels as the initialisation parameter and is
// bound at WM_INITDIALOG.
#include "framework/CDialog.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CDialog, CWindow)

namespace {

DLGPROC SharedDialogProc()
{
    return reinterpret_cast<DLGPROC>(&CWindowBase::StaticWindowProc);
}

} // namespace

CDialog::CDialog(WORD templateId) : m_nTemplateId(templateId) {}

CDialog::~CDialog() {}

LRESULT CDialog::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 1;
        case IDCANCEL:
            OnCancel();
            return 1;
        default:
            return OnCommand(wParam, lParam);
        }
    }
    return CWindow::WindowProc(hwnd, msg, wParam, lParam);
}

HWND CDialog::GetDlgItem(int id) { return ::GetDlgItem(m_hWnd, id); }

int CDialog::OnClose(WPARAM, LPARAM)
{
    EndDialog(IDCANCEL);
    return 1;
}

INT_PTR CDialog::DoModal(WORD id, HWND parent)
{
    return ::DialogBoxParamA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), parent,
                             SharedDialogProc(), reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::DoModal(HWND parent) { return DoModal(m_nTemplateId, parent); }

HWND CDialog::CreateModeless(WORD id, HWND parent)
{
    return ::CreateDialogParamA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), parent,
                                SharedDialogProc(), reinterpret_cast<LPARAM>(this));
}

HWND CDialog::CreateModeless(HWND parent) { return CreateModeless(m_nTemplateId, parent); }

BOOL CDialog::EndDialog(int result) { return ::EndDialog(m_hWnd, result); }

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

} // namespace Vexa
