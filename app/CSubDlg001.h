// CSubDlg001: the output file name dialog ("変換後ファイル名の設定") of the batch page. Shows a
// row's input name read-only above its editable output name; refuses an empty name.
#pragma once

#include "app/Framework.h"

class CSubDlg001 : public Vexa::CDialog {
    VEXA_DECLARE_DYNAMIC(CSubDlg001)
public:
    CSubDlg001();
    ~CSubDlg001() override;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    int OnCtlColorDlg(WPARAM wParam, LPARAM lParam) override;
    int OnCtlColorStatic(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;

    virtual void SetBeforeName(Vexa::CString name);
    virtual void SetAfterName(Vexa::CString name);
    Vexa::CString GetAfterName() { return m_strAfter; }

    Vexa::CString m_strBefore;
    Vexa::CString m_strAfter;
};
