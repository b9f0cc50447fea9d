// CSettingDlg: the "設定" dialog. A tab strip over three pages (tool paths, the individual
// page's output rules, the batch page's); "決定" saves every page, "取消" saves nothing.
#pragma once

#include "app/CSettingSubDlg.h"

class CSettingDlg : public Vexa::CDialog {
    VEXA_DECLARE_DYNAMIC(CSettingDlg)
public:
    CSettingDlg();
    ~CSettingDlg() override;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    int OnCtlColorDlg(WPARAM wParam, LPARAM lParam) override;
    int OnCtlColorStatic(WPARAM wParam, LPARAM lParam) override;
    int OnNotify(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;

    virtual void ShowPage(int index);
    // Ctrl+Tab (step 1) and Ctrl+Shift+Tab (step -1): the next or previous page, round the three.
    void TurnPage(int step);

    CSettingSubDlg* m_pSubDlg[3];
    int m_nCurPage;
};
