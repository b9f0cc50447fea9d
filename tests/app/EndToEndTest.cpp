// The real Quillmark.exe, started as a user starts it (from a copy in a scratch folder, which
// becomes its program folder and holds its settings file), driven from this separate program.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/TestSupport.h"

#include <commctrl.h>

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
    // The settings file beside it asks for proposed outputs.
    explicit Program(const std::string& arguments)
    {
        std::string exe = folder / "Quillmark.exe", built = "Z:" QUILL_PROGRAM_PATH, line = "\"" + exe + "\" " + arguments;
        for (char& c : built)
            if (c == '/') c = '\\';
        CopyFileA(built.c_str(), exe.c_str(), FALSE);
        WriteBytes(folder / "Quillmark.ini", "[IND_CONV_SETTINGS]\r\nDECIDE_OUTPUT_FROM_INPUT=TRUE\r\n");
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
    // One of the two pages (the batch page is the one with the list).
    HWND Page(bool batch)
    {
        HWND child = NULL;
        while ((child = FindWindowExA(main, child, "#32770", NULL)) != NULL)
            if ((GetDlgItem(child, 8000) != NULL) == batch) return child;
        return NULL;
    }
    // The exit code once the program has ended by itself (meanwhile runs while it waits); 259
    // while it still runs.
    DWORD ExitCode(const std::function<void()>& meanwhile = [] {})
    {
        DWORD code = 259;
        if (WaitFor([&] { return meanwhile(), WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }))
            GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    ScratchFolder folder;
    PROCESS_INFORMATION process = {};
    HWND main = NULL;
};

// The whole command line is one path, quoted or not; blanks after the closing quote are dropped.
// The settings file beside the program decides the proposed output.
TEST(EndToEnd, TheStartUpPathChoosesThePageAndExitEndsTheProgram)
{
    ScratchFolder data;
    const std::string folder = data / "in put";
    CreateDirectoryA(folder.c_str(), NULL);
    WriteBytes(folder + "\\a.txt", "41");
    const struct {
        std::string arguments;
        bool batch;
        std::string shown, proposed;
    } cases[] = {
        {"", false, "", ""},
        {"\"C:\\a b\\x.txt\"", false, "C:\\a b\\x.txt", "C:\\a b\\x.dat"},
        {"\"" + folder + "\"  ", true, folder, ""},
        {"C:\\one.txt C:\\two.txt", false, "C:\\one.txt C:\\two.txt", "C:\\one.txt C:\\two.dat"},
        {"\"", false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        Program program(c.arguments);
        ASSERT_NE(program.main, (HWND)NULL);
        EXPECT_EQ(WindowText(program.main), "クイルマーク");
        HWND page = program.Page(c.batch);
        EXPECT_TRUE(IsWindowVisible(page) && !IsWindowVisible(program.Page(!c.batch)));
        EXPECT_EQ(WindowText(GetDlgItem(page, 7000)) + "|" + WindowText(GetDlgItem(page, 7001)), c.shown + "|" + c.proposed);
        EXPECT_EQ(SendDlgItemMessageA(page, 8000, LVM_GETITEMCOUNT, 0, 0), c.batch ? 1 : 0);
        PostMessageA(program.main, WM_COMMAND, 104, 0); // "終了"
        EXPECT_EQ(program.ExitCode(), 0u);
    }
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
    Program program("");
    ASSERT_NE(program.main, (HWND)NULL);
    HWND page = program.Page(false);
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
    EXPECT_EQ(program.ExitCode([&] { WriteFile(pipe, "41 ", 3, &written, NULL); }), 0u);
    CloseHandle(pipe);
    EXPECT_EQ(ReadBytes(data / "out.dat"), "old");
    EXPECT_EQ(FilesIn(data.Path()), 1) << "no temporary file left";
}

} // namespace
