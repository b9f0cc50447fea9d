// The Windows quillconv.exe run as its own process: what differs from the native build's test
// (a pipe's end, devices, the temporary output, an output that is the input under another spelling).
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

// Each row runs quillconv.exe in one scratch folder, in order; its stderr goes to a file there.
TEST(QuillconvWin, ConvertsPipesAndFails)
{
    testkit::ScratchFolder folder;
    // The build hands over a host path; under Wine the host's root is drive Z:.
    std::string exe = QUILLCONV_PATH;
    if (exe[0] == '/') exe = "Z:" + exe;
    for (char& c : exe) if (c == '/') c = '\\';
    const auto at = [&](const char* name) { return "\"" + (folder / name) + "\""; };
    const std::string in = at("in.txt") + " ";
    testkit::WriteBytes(folder / "in.txt", "# dump\r\n00 0A ff\r\n7");
    testkit::WriteBytes(folder / "old.dat", "old");
    testkit::WriteBytes(folder / "longname_input.txt", "41");
    const std::string shortName = testkit::ShortName(folder / "longname_input.txt");
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, nullptr, TRUE };
    HANDLE pipe = nullptr, writer = nullptr, stdIn = GetStdHandle(STD_INPUT_HANDLE);
    DWORD written = 0;
    CreatePipe(&pipe, &writer, &inherit, 0);
    WriteFile(writer, "41 42\n43", 8, &written, nullptr);
    CloseHandle(writer);
    HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    struct Case { std::string args; HANDLE input; DWORD code; std::string says; const char* file; std::string bytes; };
    const Case cases[] = {
        { "tobin " + in + at("out.bin"), stdIn, 0, "", "out.bin", std::string("\x00\x0a\xff", 3) },
        { "tobin - " + at("piped.bin"), pipe, 0, "", "piped.bin", "ABC" },  // the end of a pipe ends the input
        { "tobin " + in + "Z:\\dev\\full", stdIn, 1, "(error 112)", "in.txt", "# dump\r\n00 0A ff\r\n7" },
        { "tobin " + in + "NUL", stdIn, 0, "", "in.txt", "# dump\r\n00 0A ff\r\n7" },
        { "totext Z:\\proc\\self\\mem " + at("old.dat"), stdIn, 1, "cannot read input", "old.dat", "old" },
        { "tobin " + in + at("IN.TXT"), stdIn, 1, "same file", "in.txt", "# dump\r\n00 0A ff\r\n7" },
        { "tobin " + in + "\"" + folder.Path() + "\\.\\in.txt\"", stdIn, 1, "same file", "in.txt", "# dump\r\n00 0A ff\r\n7" },
        { "tobin " + at("longname_input.txt") + " " + at(shortName.c_str()), stdIn, 1, "same file", "longname_input.txt", "41" },
        // A device reached through a name is refused; standard input may be one.
        { "tobin " + at("nul.txt") + " " + at("q.dat"), stdIn, 1, "is a device, not a file", "q.dat", "<missing>" },
        { "tobin " + at("Nul.dat.txt") + " " + at("q.dat"), stdIn, 1, "is a device, not a file", "q.dat", "<missing>" },
        { "tobin - " + at("empty.dat"), nul, 0, "", "empty.dat", "" },
    };
    for (const Case& c : cases)
    {
        HANDLE err = CreateFileA((folder / "stderr").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = c.input;
        si.hStdOutput = si.hStdError = err;
        PROCESS_INFORMATION pi = {};
        std::string cmd = "\"" + exe + "\" " + c.args;
        DWORD code = 9999;
        if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        {
            WaitForSingleObject(pi.hProcess, INFINITE);
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        CloseHandle(err);
        const std::string said = testkit::ReadBytes(folder / "stderr");
        EXPECT_EQ(code, c.code) << c.args << ": " << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << c.args << ": " << said;
        EXPECT_EQ(testkit::ReadBytes(folder / c.file), c.bytes) << c.args;
    }
    CloseHandle(pipe);
    CloseHandle(nul);
    // The inputs, the outputs and stderr: a failed run leaves no temporary file.
    EXPECT_EQ(testkit::FilesIn(folder.Path()), 7);
}
