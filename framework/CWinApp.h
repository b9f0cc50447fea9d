// CWinApp: the application object, driven by the library's WinMain through three steps
// (InitInstance, Run, ExitInstance), and the thread's message loop.
#pragma once

#include <windows.h>

#include "foundation/CObject.h"

namespace Vexa {

class CWinApp : public CObject {
    VEXA_DECLARE_DYNAMIC(CWinApp)
public:
    // Becomes the application object returned by GetApp (the last one constructed wins).
    CWinApp();
    ~CWinApp() override;

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual int InitInstance();
    // The get-translate-dispatch loop; ends with 0 at the quit message, an error or after Quit.
    virtual int Run();
    // Its result is the process exit code.
    virtual int ExitInstance();
    // Ends Run at the next message, which is then dropped.
    virtual void Quit();

    static CWinApp* GetApp();

    HINSTANCE m_hInstance;
    HINSTANCE m_hPrevInstance;
    char* m_lpCmdLine;
    int m_nCmdShow;
    int m_bQuit;

private:
    static CWinApp* s_pApp;
};

} // namespace Vexa
