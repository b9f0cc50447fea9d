#include "app/CSettingDlg.h"

#include "app/BlackBackground.h"

#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CSettingDlg, CDialog)

namespace {

CTabCtrl s_tab;

} // namespace

CSettingDlg::CSettingDlg() : CDialog(IDD_SETTING), m_nCurPage(0)
{
    m_pSubDlg[0] = new CSettingSubDlg001;
    m_pSubDlg[1] = new CSettingSubDlg002;
    m_pSubDlg[2] = new CSettingSubDlg003;
}

CSettingDlg::~CSettingDlg()
{
    for (CSettingSubDlg* page : m_pSubDlg) delete page;
    s_tab.Detach();
}

int CSettingDlg::OnInitDialog(WPARAM, LPARAM)
{
    s_tab.Attach(GetDlgItem(5000));
    s_tab.InsertItem(0, "共通設定");
    s_tab.InsertItem(1, "個別変換設定");
    s_tab.InsertItem(2, "一括変換設定");
    for (CSettingSubDlg* page : m_pSubDlg) page->CreateModeless(m_hWnd);
    ShowPage(m_nCurPage);
    return 0;
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

void CSettingDlg::OnOK()
{
    for (CSettingSubDlg* page : m_pSubDlg) page->SaveSettings();
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
