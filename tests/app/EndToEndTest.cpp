// The real Quillmark.exe, started as a user starts it (from a copy in a scratch folder, which
// becomes its program folder and holds its settings file), driven from this separate program.
#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"

using namespace testkit;

namespace {

// Waits for a condition of the other process, which runs on its own; gives up after 20 s.
template <class F>
bool WaitFor(F condition)
{
    for (int i = 0; i < 2000; ++i, Sleep(10))
        if (condition()) return true;
    return false;
}

class Program {
public:
    Program()
    {
        std::string exe = folder / "Quillmark.exe", built = "Z:" QUILL_PROGRAM_PATH, line = "\"" + exe + "\"";
        for (char& c : built)
            if (c == '/') c = '\\';
        CopyFileA(built.c_str(), exe.c_str(), FALSE);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessA(exe.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, folder.Path().c_str(), &startup, &process))
            WaitFor([&] { return (main = TopWindow(process.dwProcessId, "CWindow")) != NULL; });
    }
    ~Program()
    {
        if (!process.hProcess) return;
        if (IsWindow(main)) PostMessageA(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    ScratchFolder folder;
    PROCESS_INFORMATION process = {};
    HWND main = NULL;
};

// The input is a pipe this test feeds a little at a time, so the conversion is under way for as
// long as the test wants; the window is closed meanwhile.
TEST(EndToEnd, ClosingDuringARunStopsItAndLeavesTheOldOutput)
{
    ScratchFolder data;
    WriteBytes(data / "out.dat", "old");
    const std::string name = "\\\\.\\pipe\\quill-close-" + std::to_string(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, NULL);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    Program program;
    ASSERT_NE(program.main, (HWND)NULL);
    HWND page = FindWindowExA(program.main, NULL, "#32770", NULL);
    if (GetDlgItem(page, 8000)) page = FindWindowExA(program.main, page, "#32770", NULL); // the individual page has no list
    SendMessageA(GetDlgItem(page, 7000), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(GetDlgItem(page, 7001), WM_SETTEXT, 0, reinterpret_cast<LPARAM>((data / "out.dat").c_str()));
    PostMessageA(program.main, WM_COMMAND, 102, 0);
    DWORD written = 0; // writes fail until the program has opened the pipe
    EXPECT_TRUE(WaitFor([&] {
        WriteFile(pipe, "41 ", 3, &written, NULL);
        return WindowText(GetDlgItem(page, 4002)) == "中止";
    }));
    PostMessageA(program.main, WM_CLOSE, 0, 0);
    // Fed on until it ends: the conversion never sees the end of its input.
    EXPECT_TRUE(WaitFor([&] {
        WriteFile(pipe, "41 ", 3, &written, NULL);
        return WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
    }));
    DWORD code = 259;
    GetExitCodeProcess(program.process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pipe);
    EXPECT_EQ(ReadBytes(data / "out.dat"), "old");
    EXPECT_EQ(FilesIn(data.Path()), 1) << "no temporary file left";
}

} // namespace
