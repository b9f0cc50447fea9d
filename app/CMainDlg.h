// CMainDlg: the common base of the two conversion pages. Maps the main window's menu commands
// and keys onto the page's four operations, passes dropped files up, and moves the focus round
// the page's own ordered list of controls.
#pragma once

#include <vector>

#include "app/CConversionRun.h"
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

    // A conversion of this page is under way (from its start to its closing message).
    bool IsRunning() const { return m_run.IsActive(); }
    // Asks the run to stop after the block under way; its closing message follows.
    void StopRun();
    // Stops the run and waits for its end without a closing message (the window is closing).
    void AbortRun();

protected:
    // Runs files on the worker. A run that ends within a moment looks and behaves as a
    // conversion always did; a longer one shows the page running (ShowRunning) until it ends.
    // Either way OnRunEnded follows, with the outcomes in m_run.Files(). outputFolder: a batch's.
    void StartRun(const ConvertOptions& options, std::vector<CRunFile> files,
                  const char* outputFolder = nullptr);
    // The page's look while a run goes on: its controls, the button text, the progress.
    virtual void ShowRunning(bool running) = 0;
    virtual void OnRunProgress() = 0;
    virtual void OnRunEnded(bool stopped) = 0;
    // The run's posted messages, and Esc while running; true when the message was taken.
    bool OnRunMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Whether commands that change what a run reads or writes are refused now.
    bool Refused() const { return IsRunning(); }

    CConversionRun m_run;
    // The main window above the page, or null when the page sits elsewhere.
    CMainWnd* GetMainWnd();
    // A message box owned by the page.
    int Message(const char* text, const char* caption, UINT icon);

private:
    void EndRun();

    bool m_bShownRunning = false;
    bool m_bQuiet = false;
};
