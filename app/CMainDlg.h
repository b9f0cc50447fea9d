// CMainDlg: the common base of the two conversion pages. Maps the main window's menu commands
// and keys onto the page's four operations, passes dropped files up, and moves the focus round
// the page's own ordered list of controls.
#pragma once

#include "app/Framework.h"

class CMainWnd;

class CMainDlg : public Vexa::CDialog {
    VEXA_DECLARE_DYNAMIC(CMainDlg)
public:
    explicit CMainDlg(WORD templateId) : CDialog(templateId) {}
    ~CMainDlg() override {}

    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    int OnKeyDown(WPARAM wParam, LPARAM lParam) override;
    int OnDropFiles(WPARAM wParam, LPARAM lParam) override;

    virtual int OnBrowseInput() { return 0; }
    virtual int OnBrowseOutput() { return 0; }
    virtual int OnConvert() { return 0; }
    virtual int OnClear() { return 0; }
    virtual void OnModeChanged() {}
    virtual void SetInputPath(Vexa::CString) {}
    virtual void SetOutputPath(Vexa::CString) {}
    virtual HWND GetFirstControl() = 0;
    virtual HWND GetLastControl() = 0;
    // The page's focus order.
    virtual Vexa::CWindowBase* const* GetControls() = 0;
    virtual int GetControlCount() = 0;
    // direction: 0 that window, 1 next, 2 previous; past either end the focus leaves the page.
    virtual void MoveFocus(HWND hwnd, int direction);

protected:
    // The main window above the page, or null when the page sits elsewhere.
    CMainWnd* GetMainWnd();
    // A message box owned by the page.
    int Message(const char* text, const char* caption, UINT icon);
};
