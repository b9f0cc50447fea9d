// CVersionDlg: the "バージョン情報" dialog: icon, name and version, author and homepage lines,
// white on black; "OK" closes it, "NG" answers with a small message and leaves it open.
#pragma once

#include "app/Framework.h"

class CVersionDlg : public Vexa::CDialog {
    VEXA_DECLARE_DYNAMIC(CVersionDlg)
public:
    CVersionDlg();
    ~CVersionDlg() override {}

    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    int OnCtlColorDlg(WPARAM wParam, LPARAM lParam) override;
    int OnCtlColorStatic(WPARAM wParam, LPARAM lParam) override;

    virtual int OnNG();
};
