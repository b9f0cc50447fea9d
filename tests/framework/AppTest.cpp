// The library's entry function driving the application object.
#include <gtest/gtest.h>

#include <string>

#include "framework/CWinApp.h"

using Vexa::CWinApp;

namespace {

// Drives WinMain: records the order of the three steps and what the loop returned.
class ScriptedApp : public CWinApp {
public:
    std::string steps;
    int exitCode = 0;
    int runResult = -5;
    int InitInstance() override
    {
        steps += "InitInstance ";
        return 0; // a failing initialisation does not stop the program
    }
    int Run() override
    {
        steps += "Run ";
        ::PostQuitMessage(42);
        runResult = CWinApp::Run();
        return 99;
    }
    int ExitInstance() override
    {
        steps += "ExitInstance";
        return exitCode;
    }
};

} // namespace

TEST(App, WinMainRunsTheThreeStepsAndReturnsExitInstance)
{
    ScriptedApp app;
    app.exitCode = 3;
    char cmdLine[] = "C:\\data\\input.txt";
    HINSTANCE instance = ::GetModuleHandleA(NULL);
    EXPECT_EQ(WinMain(instance, NULL, cmdLine, SW_SHOWMINIMIZED), 3);
    EXPECT_EQ(app.steps, "InitInstance Run ExitInstance");
    // The quit message's own value (42) is not the loop's result.
    EXPECT_EQ(app.runResult, 0);
    EXPECT_TRUE(app.m_hInstance == instance && app.m_lpCmdLine == cmdLine && app.m_nCmdShow == SW_SHOWMINIMIZED);
}
