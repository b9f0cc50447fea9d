// CFolderDialog: runs the shell's folder browser once, preselecting a folder, and gives back the
// chosen folder's file-system path. It binds itself to the browser's window while the browser
// starts, so that its window operations reach the browser.
#pragma once

#include "framework/CWindow.h"
#include "foundation/CString.h"

#include <windows.h>
#include <shlobj.h>

namespace Vexa {

class CFolderDialog : public CWindowBase {
    VEXA_DECLARE_DYNAMIC(CFolderDialog)
public:
    CFolderDialog();
    // Frees the chosen item list.
    ~CFolderDialog() override;

    // Hands a report of the browser to its handler; 0 for codes without one.
    virtual int OnBrowseCallback(HWND browser, UINT code, LPARAM lParam, LPARAM lpData);
    // True when the user confirmed a folder.
    virtual bool Browse(const char* title, HWND owner);
    virtual bool Browse(const char* title, HWND owner, const CString& initialFolder);
    // The chosen folder's path into a buffer of at least MAX_PATH characters; false when
    // nothing was chosen or the item has no file-system path.
    virtual BOOL GetPath(char* buffer);
    // The chosen folder's path; empty when the buffer form fails.
    virtual CString GetPath();
    // Preselects m_strInitialFolder when it is set.
    virtual int OnInitialized(LPARAM lParam, LPARAM lpData);
    virtual int OnSelChanged(LPARAM lParam, LPARAM lpData);
    virtual int OnValidateFailed(LPARAM lParam, LPARAM lpData);

    // The callback given to the browser: binds the object at the first report and releases the
    // binding at the first selection report.
    static int CALLBACK BrowseCallbackProc(HWND browser, UINT code, LPARAM lParam, LPARAM lpData);

    BROWSEINFOA m_bi;
    LPITEMIDLIST m_pidl;
    char m_szPath[MAX_PATH];
    CString m_strInitialFolder;
};

} // namespace Vexa
