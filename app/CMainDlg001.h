// CMainDlg001: the individual conversion page ("個別変換"). Converts one file in the direction
// of the main window's mode and reports every outcome in a message box.
#pragma once

#include "app/CMainDlg.h"

class CMainDlg001 : public CMainDlg {
    VEXA_DECLARE_DYNAMIC(CMainDlg001)
public:
    CMainDlg001();
    ~CMainDlg001() override;

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    int OnLButtonUp(WPARAM wParam, LPARAM lParam) override;
    int OnKeyDown(WPARAM wParam, LPARAM lParam) override;

    int OnBrowseInput() override;
    int OnBrowseOutput() override;
    int OnConvert() override;
    int OnClear() override;
    void OnModeChanged() override;
    void SetInputPath(Vexa::CString path) override;
    void SetOutputPath(Vexa::CString path) override;
    HWND GetFirstControl() override;
    HWND GetLastControl() override;
    Vexa::CWindowBase* const* GetControls() override;
    int GetControlCount() override;

    // Results: 0 done, 1223 cancelled.
    virtual int BrowseInput(int mode);
    virtual int BrowseOutput(int mode);
    virtual Vexa::CString GetInputPath();
    virtual Vexa::CString GetOutputPath();
    virtual Vexa::CString MakeOutputPath(Vexa::CString input);
    virtual int Clear();
    // Results: 0 done (or reported), 2 a path is missing, 110 a file could not be opened.
    virtual int ConvertTextToBinary();
    virtual int ConvertBinaryToText();

    // The folder of the path set last into either box; the choosers start there.
    Vexa::CString m_strFolder;

protected:
    void ShowRunning(bool running) override;
    void OnRunProgress() override;
    void OnRunEnded(bool stopped) override;

private:
    int Convert(int mode);

    int m_nRunMode = 0;
};
