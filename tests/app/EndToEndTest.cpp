// The real Quillmark.exe, started as a user starts it (from a copy in a scratch folder, which
// becomes its program folder and holds its settings file), driven from this separate program:
// windows are found, control texts read and set, commands posted, message boxes caught.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/TestSupport.h"

#include <commctrl.h>

using namespace testkit;

namespace {

// The build's Quillmark.exe, given as a host path; Wine shows the host's root as drive Z:.
std::string BuiltProgram()
{
    std::string path = "Z:" QUILL_PROGRAM_PATH;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Waits for a condition of the other process, which runs on its own; gives up after 20 s.
template <class F>
bool WaitFor(F condition)
{
    for (int i = 0; i < 2000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class Program {
public:
    explicit Program(const std::string& arguments, const std::string& ini = "")
    {
        exe = folder / "Quillmark.exe";
        CopyFileA(BuiltProgram().c_str(), exe.c_str(), FALSE);
        if (!ini.empty()) WriteBytes(folder / "Quillmark.ini", ini);
        std::string command = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        started = CreateProcessA(exe.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL,
                                 folder.Path().c_str(), &startup, &process) != FALSE;
        if (started) WaitFor([&] { return (main = Top("CWindow")) != NULL; });
    }
    ~Program()
    {
        if (!started) return;
        if (IsWindow(main)) PostMessageA(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    HWND Top(const char* cls) { return TopWindow(process.dwProcessId, cls); }
    // One of the two pages (the batch page is the one with the list).
    HWND Page(bool batch)
    {
        HWND child = NULL;
        while ((child = FindWindowExA(main, child, "#32770", NULL)) != NULL)
            if ((GetDlgItem(child, 8000) != NULL) == batch) return child;
        return NULL;
    }
    // Waits for the next message box, reads it and answers it.
    Box NextBox()
    {
        HWND box = NULL;
        if (!WaitFor([&] { return (box = Top("#32770")) != NULL; })) return Box{"", "<no box>", 0};
        // Icons are checked by the in-process tests: their handles do not compare across processes.
        Box seen{WindowText(box), WindowText(GetDlgItem(box, 0xFFFF)), 0};
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !IsWindow(box); });
        return seen;
    }
    void Command(int id) { PostMessageA(main, WM_COMMAND, id, 0); }

    ScratchFolder folder;
    std::string exe;
    PROCESS_INFORMATION process = {};
    bool started = false;
    HWND main = NULL;
};

TEST(EndToEnd, TheStartUpPathChoosesThePage)
{
    ScratchFolder data;
    std::string folder = data / "in put";
    CreateDirectoryA(folder.c_str(), NULL);
    WriteBytes(folder + "\\a.txt", "41");
    struct Case {
        std::string arguments;
        bool batch;
        std::string shown;
    } cases[] = {
        {"", false, ""},
        {"\"C:\\a b\\x.txt\"", false, "C:\\a b\\x.txt"},
        {"\"" + folder + "\"", true, folder},
        {"\"" + folder + "\"  ", true, folder},
        {"C:\\one.txt C:\\two.txt", false, "C:\\one.txt C:\\two.txt"},
        {"\"", false, ""},
        {"\"\"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        Program program(c.arguments);
        ASSERT_NE(program.main, (HWND)NULL);
        EXPECT_EQ(WindowText(program.main), "クイルマーク");
        EXPECT_EQ(SendMessageA(GetDlgItem(program.main, 9000), CB_GETCURSEL, 0, 0), 0);
        HWND page = program.Page(c.batch);
        EXPECT_TRUE(IsWindowVisible(page));
        EXPECT_FALSE(IsWindowVisible(program.Page(!c.batch)));
        EXPECT_EQ(WindowText(GetDlgItem(page, 7000)), c.shown);
        if (c.batch) {
            EXPECT_EQ(SendMessageA(GetDlgItem(page, 8000), LVM_GETITEMCOUNT, 0, 0), 1);
        }
        program.Command(104); // "終了 (&X)"
        EXPECT_EQ(WaitForSingleObject(program.process.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 259;
        GetExitCodeProcess(program.process.hProcess, &code);
        EXPECT_EQ(code, 0u);
    }
}

TEST(EndToEnd, ConvertsTheStartUpFileWithTheProposedOutput)
{
    ScratchFolder data;
    WriteBytes(data / "dump.txt", "de ad be ef");
    Program program("\"" + (data / "dump.txt") + "\"",
                    "[IND_CONV_SETTINGS]\r\nDECIDE_OUTPUT_FROM_INPUT=TRUE\r\nDEFAULT_OUTPUT_EXTENSION=REPLACE\r\n");
    ASSERT_NE(program.main, (HWND)NULL);
    HWND page = program.Page(false);
    EXPECT_EQ(WindowText(GetDlgItem(page, 7001)), data / "dump.dat");
    program.Command(102);
    Box box = program.NextBox();
    EXPECT_EQ(box.text, "テキストファイルからバイナリファイルを作成しました");
    EXPECT_EQ(box.caption, "確認");
    EXPECT_EQ(ReadBytes(data / "dump.dat"), "\xde\xad\xbe\xef");

}

// The input is a pipe this test feeds a little at a time, so the conversion is under way for as
// long as the test wants; the window is closed meanwhile.
TEST(EndToEnd, ClosingDuringARunStopsItAndLeavesTheOldOutput)
{
    ScratchFolder data;
    WriteBytes(data / "out.dat", "old");
    char name[64];
    wsprintfA(name, "\\\\.\\pipe\\quill-close-%lu", GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, NULL);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    Program program("");
    ASSERT_NE(program.main, (HWND)NULL);
    HWND page = program.Page(false);
    SendMessageA(GetDlgItem(page, 7000), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    SendMessageA(GetDlgItem(page, 7001), WM_SETTEXT, 0, reinterpret_cast<LPARAM>((data / "out.dat").c_str()));
    program.Command(102);
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
    CloseHandle(pipe);
    DWORD code = 259;
    GetExitCodeProcess(program.process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadBytes(data / "out.dat"), "old");
    EXPECT_EQ(FilesIn(data.Path()), 1) << "no temporary file left";
}

} // namespace
