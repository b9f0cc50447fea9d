// The application object, its message loop and the library's entry function.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestKit.h"
#include "framework/CWinApp.h"
#include "framework/CWindow.h"

using Vexa::CWinApp;

namespace {

// Records the private messages posted to it; Quit is called on the application when asked to.
class Target : public Vexa::CWindow {
public:
    std::vector<UINT> received;
    CWinApp* app = NULL;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg >= WM_APP) {
            received.push_back(msg - WM_APP);
            if (wParam == 1 && app != NULL)
                app->Quit();
            return 0;
        }
        return CWindow::WindowProc(hwnd, msg, wParam, lParam);
    }
};

} // namespace

TEST(App, QuitDropsTheNextMessage)
{
    struct Row {
        const char* name;
        bool quitBeforeRun;
        std::vector<WPARAM> posted; // 1 asks the target to call Quit
        std::vector<UINT> dispatched;
        std::vector<UINT> leftInQueue;
    };
    const Row rows[] = {
        {"Quit before Run", true, {0, 0}, {}, {1}},
        {"Quit from a handler", false, {0, 1, 0, 0}, {0, 1}, {3}},
    };
    for (const Row& row : rows) {
        CWinApp app;
        Target target;
        target.app = &app;
        ASSERT_NE(target.Create("t", 0, 0, 10, 10, NULL, NULL), (HWND)NULL);
        testkit::Pump();
        for (size_t i = 0; i < row.posted.size(); ++i)
            ASSERT_TRUE(target.PostMessage(WM_APP + i, row.posted[i], 0));
        ::PostQuitMessage(0); // ends the loop should Quit fail to
        if (row.quitBeforeRun)
            app.Quit();
        EXPECT_EQ(app.Run(), 0) << row.name;
        EXPECT_EQ(app.m_bQuit, 1) << row.name;
        EXPECT_EQ(target.received, row.dispatched) << row.name;
        target.received.clear();
        target.app = NULL;
        testkit::Pump();
        EXPECT_EQ(target.received, row.leftInQueue) << row.name;
    }
}

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
    for (int exitCode : {0, 3, -7}) {
        ScriptedApp app;
        app.exitCode = exitCode;
        char cmdLine[] = "C:\\data\\input.txt";
        HINSTANCE instance = ::GetModuleHandleA(NULL);
        EXPECT_EQ(WinMain(instance, NULL, cmdLine, SW_SHOWMINIMIZED), exitCode);
        EXPECT_EQ(app.steps, "InitInstance Run ExitInstance");
        // The quit message's own value (42) is not the loop's result.
        EXPECT_EQ(app.runResult, 0);
        EXPECT_TRUE(app.m_hInstance == instance && app.m_lpCmdLine == cmdLine &&
                    app.m_nCmdShow == SW_SHOWMINIMIZED);
    }
}

namespace {

// Finds a visible box of the dialog class among one thread's windows.
BOOL CALLBACK FindBox(HWND hwnd, LPARAM found)
{
    char className[16] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || !::IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

} // namespace

TEST(App, ProgramWithoutApplicationObjectReportsAndExitsMinusOne)
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path(self);
    path = path.substr(0, path.find_last_of('\\') + 1) + "framework_noapp.exe";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + path + "\"";
    ASSERT_TRUE(::CreateProcessA(path.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si,
                                 &pi))
        << path;

    // The box is the program's only window; wait for it (or for the program to end early).
    HWND box = NULL;
    ::WaitForInputIdle(pi.hProcess, 10000);
    const DWORD deadline = ::GetTickCount() + 20000;
    while (box == NULL && ::GetTickCount() < deadline) {
        ::EnumThreadWindows(pi.dwThreadId, &FindBox, reinterpret_cast<LPARAM>(&box));
        if (box == NULL && ::WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
            break;
    }
    ASSERT_NE(box, (HWND)NULL) << "no message box appeared";

    char caption[64] = {}, text[128] = {};
    ::GetWindowTextA(box, caption, sizeof caption);
    ::GetWindowTextA(::GetDlgItem(box, 0xFFFF), text, sizeof text);
    EXPECT_STREQ(caption, "エラー");
    EXPECT_STREQ(text, "アプリケーションが正しく初期化されていません");
    EXPECT_EQ(::GetWindow(box, GW_OWNER), (HWND)NULL);
    EXPECT_EQ(::GetDlgItem(box, IDCANCEL), (HWND)NULL); // one OK button only

    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    EXPECT_EQ((int)exitCode, -1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}
