// The program's entry function: drives the one application object through its three steps.
// Kept out of quill_framework so that programs with their own main (the tests) can use the library.
#include <windows.h>

#include "foundation/DllSearch.h"
#include "framework/CWinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow)
{
    // Before anything can load a DLL by name (a chooser, the help viewer's shell call).
    Vexa::NarrowDllSearch();
    Vexa::CWinApp* app = Vexa::CWinApp::GetApp();
    if (app == NULL) {
        ::MessageBoxA(NULL, "アプリケーションが正しく初期化されていません", "エラー", MB_ICONERROR);
        return -1;
    }
    app->m_hInstance = instance;
    app->m_hPrevInstance = prevInstance;
    app->m_lpCmdLine = cmdLine;
    app->m_nCmdShow = cmdShow;
    app->InitInstance();
    app->Run();
    return app->ExitInstance();
}
