// CMainDlg002: the batch conversion page ("一括変換"). Lists the plain files of a folder that
// match the filter, with their output names and a check box each, and converts the checked rows
// into an output folder; each row then says what became of it.
#pragma once

#include <vector>

#include "app/CMainDlg.h"

class CMainDlg002 : public CMainDlg {
    VEXA_DECLARE_DYNAMIC(CMainDlg002)
public:
    CMainDlg002();
    ~CMainDlg002() override;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    int OnKeyDown(WPARAM wParam, LPARAM lParam) override;
    int OnNotify(WPARAM wParam, LPARAM lParam) override;

    int OnBrowseInput() override;
    int OnBrowseOutput() override;
    void OnModeChanged() override;
    int OnOpenOutputFolder() override;
    int OnOpenOutputFile() override;
    void SetInputPath(Vexa::CString folder) override;
    void SetOutputPath(Vexa::CString folder) override;

    virtual void OnFilterChanged();
    virtual int CheckAll();
    virtual int UncheckAll();
    virtual int EditOutputName();
    virtual void BrowseInputFolder(int mode);
    virtual void BrowseOutputFolder(int mode);
    virtual Vexa::CString GetInputFolder();
    virtual Vexa::CString GetOutputFolder();
    virtual void FillList(Vexa::CString folder);

    // The input folder set last; the folder choosers start there.
    Vexa::CString m_strFolder;
    std::vector<Vexa::CString> m_vecFilter;

protected:
    // Results: 0 done (or reported), 2 something required is missing.
    int Convert(int mode) override;
    void OnRunEnded(bool stopped) override;
    int GetProgressRange() override;
    int GetProgress(Vexa::CString& text) override;
    void OnShowRunning(bool running) override;
    void OnFocusLeaving(Vexa::CWindowBase* control) override;
    void OnEnterKey(Vexa::CWindowBase* control) override;

private:
    // The output of the one row selected in the list, in folder; "" unless exactly one is.
    Vexa::CString GetSelectedOutput(const Vexa::CString& folder);
};
