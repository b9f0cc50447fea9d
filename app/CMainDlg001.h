// CMainDlg001: the individual conversion page ("個別変換"). Converts one file in the direction
// of the main window's mode and reports every outcome in a message box.
#pragma once

#include "app/CMainDlg.h"

class CMainDlg001 : public CMainDlg {
    VEXA_DECLARE_DYNAMIC(CMainDlg001)
public:
    CMainDlg001();
    ~CMainDlg001() override;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;

    int OnBrowseInput() override;
    int OnBrowseOutput() override;
    void OnModeChanged() override;
    int OnOpenOutputFolder() override;
    int OnOpenOutputFile() override;
    void SetInputPath(Vexa::CString path) override;
    void SetOutputPath(Vexa::CString path) override;

    // Results: 0 done, 1223 cancelled.
    virtual int BrowseInput(int mode);
    virtual int BrowseOutput(int mode);
    virtual Vexa::CString GetInputPath();
    virtual Vexa::CString GetOutputPath();
    virtual Vexa::CString MakeOutputPath(Vexa::CString input);

    // The folder of the path set last into either box; the choosers start there.
    Vexa::CString m_strFolder;

protected:
    // Results: 0 done (or reported), 2 a path is missing.
    int Convert(int mode) override;
    void OnRunEnded(bool stopped) override;
    int GetProgressRange() override;
    int GetProgress(Vexa::CString& text) override;
};
