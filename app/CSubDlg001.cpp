#include "app/CSubDlg001.h"

#include "app/BlackBackground.h"

#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CSubDlg001, CDialog)

namespace {

CInputBoxEx s_edits[2];

} // namespace

CSubDlg001::CSubDlg001() : CDialog(IDD_OUTPUT_NAME) {}

CSubDlg001::~CSubDlg001()
{
    for (CInputBoxEx& edit : s_edits) edit.Detach();
}

int CSubDlg001::OnInitDialog(WPARAM, LPARAM)
{
    for (int i = 0; i < 2; ++i) s_edits[i].Attach(GetDlgItem(IDC_BEFORE_NAME + i));
    s_edits[0].EnableWindow(FALSE);
    s_edits[0].SetWindowText(m_strBefore);
    s_edits[1].SetWindowText(m_strAfter);
    SetFocus(s_edits[1].GetHwnd());
    return 0;
}

void CSubDlg001::OnOK()
{
    m_strAfter = s_edits[1].GetWindowText();
    if (m_strAfter.IsEmpty()) {
        MessageBoxA(m_hWnd, "変換後のファイル名を入力してください", "警告", MB_ICONWARNING);
        return;
    }
    EndDialog(IDOK);
}

void CSubDlg001::SetBeforeName(CString name)
{
    m_strBefore = name;
}

void CSubDlg001::SetAfterName(CString name)
{
    m_strAfter = name;
}

int CSubDlg001::OnCtlColorDlg(WPARAM, LPARAM)
{
    return BlackDialogBrush();
}

int CSubDlg001::OnCtlColorStatic(WPARAM wParam, LPARAM)
{
    return WhiteOnBlackStatic(wParam);
}
