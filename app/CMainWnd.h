// CMainWnd: the main window. Owns the menu bar, the mode selector, the tab strip and the two
// conversion pages; keeps the conversion mode (0 text to binary, 1 binary to text); routes
// commands, keys and dropped files to the page shown; moves the focus round its own ring.
#pragma once

#include <vector>

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
    // What was dropped or given at start-up: one path as OpenPath takes it; several in one folder
    // open on the batch page with that folder listed and just their rows checked; several folders
    // are refused with a warning. A path longer than the program takes is refused with a warning.
    virtual void OpenPaths(const std::vector<Vexa::CString>& paths);
    // Runs the command of key as one of the window's shortcuts (the Ctrl key as it is now); false
    // when key is none. The pages pass up the keys they do not use themselves.
    bool RunShortcut(WPARAM key);
    // The keys the main window passes on to the page shown, which uses them itself.
    static bool IsPageKey(WPARAM key);
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
    // The control that had the focus when the window was last deactivated (a dialog or a message
    // box opened): it gets the focus back when the window is active again.
    HWND m_hFocus;
};
