#include "app/CMainApp.h"

#include "app/CMainWnd.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainApp, CWinApp)

int CMainApp::InitInstance()
{
    // The whole command line is one path. Blanks after it go first (a shell may leave some after
    // a closing quote); then a leading quote drops the first and last character.
    CString path(m_lpCmdLine ? m_lpCmdLine : "");
    int length = path.GetLength();
    while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '\t')) --length;
    path = path.Left(length);
    if (length > 0 && path[0] == '"') path = path.Mid(1, length - 2);

    CreateSystemInfo();
    if (CSystemInfo* info = GetSystemInfo()) {
        char module[MAX_PATH] = "";
        GetModuleFileNameA(NULL, module, MAX_PATH);
        CString full(module);
        info->m_strProgramFolder = full.Left(full.ReverseFind('\\'));
        info->m_strStartPath = path;
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
