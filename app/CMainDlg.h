// CMainDlg: the common base of the two conversion pages, and what they do alike: the buttons and
// the main window's menu commands and keys mapped onto the page's four operations, the focus moved
// round the page's own ordered list of controls, dropped files passed up, and a conversion run on
// the worker with the page's running look (controls, "中止", progress) while it lasts.
#pragma once

#include <vector>

#include "app/CConversionRun.h"
#include "app/Framework.h"

class CMainWnd;

class CMainDlg : public Vexa::CDialog {
    VEXA_DECLARE_DYNAMIC(CMainDlg)
public:
    // The page's section of the settings file: CSystemInfo's GetIndConvSetting or GetBatConvSetting.
    using SettingReader = Vexa::CString (Vexa::CSystemInfo::*)(Vexa::CString);
    // templateId: the page's dialog template; controls: its focus order.
    template <int N>
    CMainDlg(WORD templateId, SettingReader setting, Vexa::CWindowBase* const (&controls)[N])
        : CDialog(templateId), m_pfnSetting(setting), m_pControls(controls), m_nControls(N)
    {
    }
    // Unbinds the progress bar; the page's own controls are unbound by the page.
    ~CMainDlg() override;

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    int OnInitDialog(WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    int OnLButtonUp(WPARAM wParam, LPARAM lParam) override;
    int OnKeyDown(WPARAM wParam, LPARAM lParam) override;
    int OnDropFiles(WPARAM wParam, LPARAM lParam) override;

    virtual int OnBrowseInput() { return 0; }
    virtual int OnBrowseOutput() { return 0; }
    // Runs the conversion of the main window's mode; 6 without a main window, else 0.
    virtual int OnConvert();
    virtual int OnClear() { return Clear(); }
    virtual void OnModeChanged() {}
    // "出力フォルダを開く" and "出力ファイルを開く" on the page's output (Ctrl+E, Ctrl+P).
    virtual int OnOpenOutputFolder() { return 0; }
    virtual int OnOpenOutputFile() { return 0; }
    virtual void SetInputPath(Vexa::CString) {}
    virtual void SetOutputPath(Vexa::CString) {}
    // The first and the last control of the focus order.
    virtual HWND GetFirstControl();
    virtual HWND GetLastControl();
    // The page's focus order.
    virtual Vexa::CWindowBase* const* GetControls() { return m_pControls; }
    virtual int GetControlCount() { return m_nControls; }
    // direction: 0 that window, 1 next, 2 previous; past either end the focus leaves the page.
    virtual void MoveFocus(HWND hwnd, int direction);

    // Empties both boxes (and with them what the page derived from them). Result 0.
    virtual int Clear();
    // Results: 0 done (or reported), 2 something required is missing, or the page's own.
    virtual int ConvertTextToBinary() { return Convert(0); }
    virtual int ConvertBinaryToText() { return Convert(1); }

    // A conversion of this page is under way (from its start to its closing message).
    bool IsRunning() const { return m_run.IsActive(); }
    // Asks the run to stop after the block under way; its closing message follows.
    void StopRun();
    // Stops the run and waits for its end without a closing message (the window is closing).
    void AbortRun();

protected:
    // Checks what the page holds and starts the run of mode, or says what is missing.
    virtual int Convert(int mode) = 0;
    // Runs files in mode on the worker. A run that ends within a moment looks and behaves as a
    // conversion always did; a longer one shows the page running until it ends. Either way
    // OnRunEnded follows, with the outcomes in m_run.Files(). outputFolder: a batch's.
    void StartRun(int mode, std::vector<CRunFile> files, const char* outputFolder = nullptr);
    virtual void OnRunEnded(bool stopped) = 0;
    // The progress bar's range for the run, and where the run stands with the status text for it.
    virtual int GetProgressRange() = 0;
    virtual int GetProgress(Vexa::CString& text) = 0;
    // After the page took or left its running look: what the page shows or hides besides.
    virtual void OnShowRunning(bool) {}
    // Whether commands that change what a run reads or writes are refused now.
    bool Refused() const { return IsRunning(); }
    // The closing message of a run that made every output it was given, with more lines under it.
    void ReportDone(const Vexa::CString& more = Vexa::CString());
    // The text format the settings name now (TextOptions::format), which the outputs' names follow.
    int GetTextFormat();
    // The conversion mode of the run started last.
    int GetRunMode() const { return m_nRunMode; }

    // A focus move away from control (Esc names the page itself), and Enter in control; neither
    // is passed on while a run goes on.
    virtual void OnFocusLeaving(Vexa::CWindowBase*) {}
    virtual void OnEnterKey(Vexa::CWindowBase*) {}

    CConversionRun m_run;
    // The main window above the page, or null when the page sits elsewhere.
    CMainWnd* GetMainWnd();
    // A message box owned by the page.
    int Message(const char* text, const char* caption, UINT icon);
    // A value of the page's section of the settings file, read now; empty without a settings store.
    Vexa::CString GetSetting(const char* key);
    bool DecideOutputFromInput();

private:
    void ShowRunning(bool running);
    void ShowProgress();
    void EndRun();

    SettingReader m_pfnSetting;
    Vexa::CWindowBase* const* m_pControls;
    int m_nControls;
    CProgressCtrl m_progress;
    int m_nRunMode = 0;
    bool m_bShownRunning = false;
    bool m_bQuiet = false;
};
