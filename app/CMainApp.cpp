#include "app/CMainApp.h"

#include "app/CMainWnd.h"
#include "app/StartPaths.h"
#include "core/OutputPath.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainApp, CWinApp)

int CMainApp::InitInstance()
{
    CreateSystemInfo();
    if (CSystemInfo* info = GetSystemInfo()) {
        char module[MAX_PATH] = "";
        GetModuleFileNameA(NULL, module, MAX_PATH);
        // Cut at the last real separator: the last byte of ソ.exe's ソ (83 5C) is none.
        info->m_strProgramFolder = GetFolderPart(CString(module));
        // The whole command line is one path; several files come as several existing paths.
        info->m_strStartPath = OneStartPath(m_lpCmdLine);
        info->m_vecStartPaths = SeveralStartPaths(m_lpCmdLine);
        info->LocateIniFile();
    }
    return CWinApp::InitInstance();
}

int CMainApp::Run()
{
    CMainWnd wnd("クイルマーク");
    wnd.Create(CW_USEDEFAULT, CW_USEDEFAULT, 420, 404, NULL);
    wnd.ShowWindow(SW_SHOW);
    return CWinApp::Run();
}

int CMainApp::ExitInstance()
{
    DestroySystemInfo();
    return CWinApp::ExitInstance();
}
