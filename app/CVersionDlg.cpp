#include "app/CVersionDlg.h"

#include "app/BlackBackground.h"

#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CVersionDlg, CDialog)

CVersionDlg::CVersionDlg() : CDialog(IDD_VERSION) {}

int CVersionDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_VERSION_NG) return OnNG();
    return CDialog::OnCommand(wParam, lParam);
}

int CVersionDlg::OnNG()
{
    MessageBoxA(m_hWnd, "少しずつ改良していきます m(__)m", "使いにくくてすみません", MB_OK);
    return 0;
}

int CVersionDlg::OnCtlColorDlg(WPARAM, LPARAM)
{
    return BlackDialogBrush();
}

int CVersionDlg::OnCtlColorStatic(WPARAM wParam, LPARAM)
{
    return WhiteOnBlackStatic(wParam);
}
