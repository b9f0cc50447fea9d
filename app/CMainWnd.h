// CMainWnd: the main window. Owns the menu bar, the mode selector, the tab strip and the two
// conversion pages; keeps the conversion mode (0 text to binary, 1 binary to text); routes
// commands, keys and dropped files to the page shown; moves the focus round its own ring.
#pragma once

#include "app/Framework.h"

class CMainDlg;

class CMainWnd : public Vexa::CWindow {
    VEXA_DECLARE_DYNAMIC(CMainWnd)
public:
    explicit CMainWnd(const char* title);
    // Deletes both pages and destroys the window if it is still there.
    ~CMainWnd() override;

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(WPARAM wParam, LPARAM lParam) override;
    int OnClose(WPARAM wParam, LPARAM lParam) override;
    int OnDestroy(WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    int OnLButtonUp(WPARAM wParam, LPARAM lParam) override;
    int OnKeyDown(WPARAM wParam, LPARAM lParam) override;
    int OnDropFiles(WPARAM wParam, LPARAM lParam) override;
    int OnNotify(WPARAM wParam, LPARAM lParam) override;
    BOOL RegisterWindowClass() override;

    virtual int ShowHelp();
    virtual int ShowVersionDialog();
    virtual int ShowSettingsDialog();
    virtual void SelectPage(int page);
    virtual int GetMode();
    virtual void SetMode(int mode);
    virtual CTabCtrlEx* GetTabCtrl();
    // direction: 0 that window, 1 next, 2 previous.
    virtual void MoveFocus(HWND hwnd, int direction);
    virtual void OpenPath(Vexa::CString path);
    // While a page runs a conversion, everything that would change it is disabled: the mode,
    // the page switch, the menu's page commands and the settings.
    virtual void ShowRunning(bool running);
    // The page shown runs a conversion.
    bool IsRunning();

    // Grows the window where its client area cannot hold both pages.
    void FitToPages();

    // The page objects, 0 individual, 1 batch (for the tests as much as for the window).
    static CMainDlg* GetPage(int page);

    int m_nPage;
    int m_nMode;
};
