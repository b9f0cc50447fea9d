// CMainApp: the application object. Keeps the start-up path and the program folder in the
// settings store, runs the main window, and removes the store at exit.
#pragma once

#include "app/Framework.h"

class CMainApp : public Vexa::CWinApp {
    VEXA_DECLARE_DYNAMIC(CMainApp)
public:
    CMainApp() {}
    ~CMainApp() override {}

    int InitInstance() override;
    int Run() override;
    int ExitInstance() override;
};
