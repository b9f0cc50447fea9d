// CWinApp: application pointer and message loop.
#include "framework/CWinApp.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CWinApp, CObject)

CWinApp* CWinApp::s_pApp = NULL;

CWinApp::CWinApp()
    : m_hInstance(NULL), m_hPrevInstance(NULL), m_lpCmdLine(NULL), m_nCmdShow(0), m_bQuit(0)
{
    s_pApp = this;
}

CWinApp::~CWinApp() {}

int CWinApp::InitInstance() { return 0; }

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, NULL, 0, 0);
        if (got == 0 || got == -1 || m_bQuit != 0)
            return 0;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

int CWinApp::ExitInstance() { return 0; }

void CWinApp::Quit() { m_bQuit = 1; }

CWinApp* CWinApp::GetApp() { return s_pApp; }

} // namespace Vexa
