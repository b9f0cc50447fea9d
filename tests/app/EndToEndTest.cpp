// The real Quillmark.exe, started as a user starts it (from a copy in a scratch folder, which
// becomes its program folder and holds its settings file), driven from this separate program.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
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
    // The copy is named name; the command line holds its quoted path and then arguments.
    explicit Program(const std::string& name = "Quillmark.exe", const std::string& arguments = "")
    {
        std::string exe = folder / name, line = "\"" + exe + "\" " + arguments;
        CopyFileA("Z:" QUILL_PROGRAM_PATH, exe.c_str(), FALSE); // a '/' is a '\' to the system
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
        CloseHandle(process.hThread), CloseHandle(process.hProcess);
    }
    ScratchFolder folder;
    PROCESS_INFORMATION process = {};
    HWND main = NULL;
};

// A page of a running program: the batch page (with the list) or the individual page.
HWND Page(HWND main, bool batch)
{
    HWND page = NULL;
    while ((page = FindWindowExA(main, page, "#32770", NULL)) != NULL && !GetDlgItem(page, IDC_FILE_LIST) == batch) {}
    return page;
}

// Started with a file, the program shows it, also when its own name ends in a backslash byte (ソ);
// two files given together: the batch page.
TEST(EndToEnd, TheStartPaths)
{
    ScratchFolder data;
    const std::string input = data / "f1.txt";
    WriteBytes(input, "41"), WriteBytes(data / "表 b.txt", "42");
    {
        Program program("ソ.exe", "\"" + input + "\"");
        ASSERT_NE(program.main, (HWND)NULL);
        EXPECT_EQ(WindowText(GetDlgItem(Page(program.main, false), IDC_INPUT_PATH)), input);
    }
    Program program("Quillmark.exe", "\"" + input + "\" \"" + data / "表 b.txt" + "\"");
    HWND batch = Page(program.main, true);
    EXPECT_TRUE(IsWindowVisible(batch));
    EXPECT_EQ(WindowText(GetDlgItem(batch, IDC_INPUT_PATH)), data.Path());
}

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
    HWND page = Page(program.main, false);
    SendMessageA(GetDlgItem(page, IDC_INPUT_PATH), WM_SETTEXT, 0, (LPARAM)name.c_str());
    SendMessageA(GetDlgItem(page, IDC_OUTPUT_PATH), WM_SETTEXT, 0, (LPARAM)(data / "out.dat").c_str());
    PostMessageA(program.main, WM_COMMAND, ID_CONVERT, 0);
    DWORD written = 0; // writes fail until the program has opened the pipe
    EXPECT_TRUE(WaitFor([&] {
        WriteFile(pipe, "41 ", 3, &written, NULL);
        return WindowText(GetDlgItem(page, IDC_CONVERT)) == "中止";
    }));
    PostMessageA(program.main, WM_CLOSE, 0, 0);
    // Fed on until it ends: the conversion never sees the end of its input.
    EXPECT_TRUE(WaitFor([&] {
        WriteFile(pipe, "41 ", 3, &written, NULL);
        return WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
    }));
    DWORD code = 259;
    EXPECT_TRUE(GetExitCodeProcess(program.process.hProcess, &code) && code == 0) << code;
    CloseHandle(pipe);
    EXPECT_EQ(ReadBytes(data / "out.dat"), "old");
    EXPECT_EQ(FilesIn(data.Path()), 1) << "no temporary file left";
}

} // namespace
