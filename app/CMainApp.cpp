#include "app/CMainApp.h"

#include "app/CMainWnd.h"
#include "core/OutputPath.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainApp, CWinApp)

int CMainApp::InitInstance()
{
    // The whole command line is one path. Blanks after it go first (a shell may leave some after
    // a closing quote); then a leading quote goes, and a quote at the end with it. A path whose
    // quote is not closed keeps its last character (a quote is never a CP932 trail byte).
    CString path(m_lpCmdLine ? m_lpCmdLine : "");
    int length = path.GetLength();
    while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '\t')) --length;
    path = path.Left(length);
    if (length > 0 && path[0] == '"') {
        const int end = length > 1 && path[length - 1] == '"' ? length - 1 : length;
        path = path.Mid(1, end - 1);
    }

    CreateSystemInfo();
    if (CSystemInfo* info = GetSystemInfo()) {
        char module[MAX_PATH] = "";
        GetModuleFileNameA(NULL, module, MAX_PATH);
        // Cut at the last real separator: the last byte of ソ.exe's ソ (83 5C) is none.
        info->m_strProgramFolder = GetFolderPart(CString(module));
        info->m_strStartPath = path;
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
