// The Windows quillconv.exe run as its own process: what differs from the native build's test
// (a pipe's end, devices, the temporary output, an output that is the input under another spelling),
// and the conversion of a folder.
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The program; the build hands over a host path, and under Wine the host's root is drive Z:.
std::string Program()
{
    std::string exe = QUILLCONV_PATH;
    if (exe[0] == '/') exe = "Z:" + exe;
    for (char& c : exe) if (c == '/') c = '\\';
    return exe;
}

// Starts quillconv.exe with args and the given standard input; its standard error goes to the
// file stderr of folder.
PROCESS_INFORMATION StartQuillconv(const std::string& args, HANDLE input, const testkit::ScratchFolder& folder)
{
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, nullptr, TRUE };
    HANDLE err = CreateFileA((folder / "stderr").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input;
    si.hStdOutput = si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + Program() + "\" " + args;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) pi.hProcess = nullptr;
    CloseHandle(err);
    return pi;
}

// Runs it to its end: its exit code, and its standard error in said.
DWORD RunQuillconv(const std::string& args, HANDLE input, const testkit::ScratchFolder& folder, std::string& said)
{
    const PROCESS_INFORMATION pi = StartQuillconv(args, input, folder);
    DWORD code = 9999;
    if (pi.hProcess)
    {
        WaitForSingleObject(pi.hProcess, INFINITE);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    said = testkit::ReadBytes(folder / "stderr");
    return code;
}

} // namespace

// Each row runs quillconv.exe in one scratch folder, in order; its stderr goes to a file there.
TEST(QuillconvWin, ConvertsPipesAndFails)
{
    testkit::ScratchFolder folder;
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
        { "tobin - " + at("empty.dat"), nul, 0, "", "empty.dat", "" },
    };
    for (const Case& c : cases)
    {
        std::string said;
        const DWORD code = RunQuillconv(c.args, c.input, folder, said);
        EXPECT_EQ(code, c.code) << c.args << ": " << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << c.args << ": " << said;
        EXPECT_EQ(testkit::ReadBytes(folder / c.file), c.bytes) << c.args;
    }
    CloseHandle(pipe);
    CloseHandle(nul);
    // The inputs, the outputs and stderr: a failed run leaves no temporary file.
    EXPECT_EQ(testkit::FilesIn(folder.Path()), 7);
}

// A folder as INPUT: the batch page's rules. Each row starts from the same input folder: a.txt,
// b.txt and c.dat (which make a.bin, b.bin and c.bin), a subfolder and a hidden file that are
// never converted, and an output folder that may not exist yet.
TEST(QuillconvWin, ConvertsAFolder)
{
    const struct {
        const char* name;
        std::string args; // IN and OUT stand for the two folders
        const char* prepare; // "folder b.bin": a folder stands where b.bin goes; "a.dat": one more input
        DWORD code;
        std::string says; // on standard error, and the count at the end
        std::vector<std::pair<std::string, std::string>> outputs; // names in OUT, and their bytes
    } cases[] = {
        {"every level made", "tobin IN OUT\\new\\level", "", 0, "3 files: 3 converted, 0 failed, 0 skipped",
         {{"new\\level\\a.bin", "AB"}, {"new\\level\\c.bin", "D"}, {"new\\level\\sub.bin", "<missing>"},
          {"new\\level\\h.bin", "<missing>"}}},
        {"text in lines, names added to", "totext --width 8 --add-extension IN OUT", "", 0, "3 converted",
         {{"a.txt.txt", "34 31 20 34 32\r\n"}, {"c.dat.txt", "34 34\r\n"}}},
        {"Intel HEX, named .hex", "totext --format ihex IN OUT", "", 0, "3 converted", {{"a.hex", ":05000000343120343210\r\n:00000001FF\r\n"}}},
        {"records that are none", "tobin --format srec IN OUT --filter a.txt", "", 1, "*\\in\\a.txt:1: not a record", {{"a.bin", "<missing>"}}},
        {"a filter after the folders", "tobin IN OUT --filter *.txt", "", 0, "2 files: 2 converted", {{"a.bin", "AB"}, {"c.bin", "<missing>"}}},
        {"two inputs, one output name", "tobin IN OUT", "a.dat", 1, "skipped '*\\in\\a.dat': another file's output has the same name",
         {{"a.bin", "<missing>"}, {"b.bin", "C"}, {"c.bin", "D"}}},
        {"a failing file", "tobin IN OUT", "folder b.bin", 1, "cannot create output '*\\out\\b.bin': ", {{"a.bin", "AB"}, {"c.bin", "D"}}},
        {"outputs over the inputs", "totext IN IN", "", 1, "skipped '*\\in\\b.txt': its output would overwrite an input file",
         {{"..\\in\\a.txt", "41 42"}, {"..\\in\\c.txt", "34 34 "}}},
        {"a filter needs a folder", "tobin IN\\a.txt OUT\\x.bin --filter *.txt", "", 2, "--filter and --add-extension need a folder", {}},
        {"no folder to standard output", "tobin IN -", "", 2, "need a folder, not standard output", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        testkit::ScratchFolder folder;
        const std::string in = folder / "in", out = folder / "out";
        CreateDirectoryA(in.c_str(), nullptr);
        CreateDirectoryA((in + "\\sub.txt").c_str(), nullptr);
        testkit::WriteBytes(in + "\\a.txt", "41 42");
        testkit::WriteBytes(in + "\\b.txt", "43");
        testkit::WriteBytes(in + "\\c.dat", "44");
        testkit::WriteBytes(in + "\\h.txt", "45");
        SetFileAttributesA((in + "\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        const std::string prepare = c.prepare;
        if (prepare.rfind("folder ", 0) == 0) {
            CreateDirectoryA(out.c_str(), nullptr);
            CreateDirectoryA((out + "\\" + prepare.substr(7)).c_str(), nullptr);
        } else if (!prepare.empty()) {
            testkit::WriteBytes(in + "\\" + prepare, "46");
        }
        std::string args = c.args, said;
        for (const auto& word : {std::make_pair(std::string("IN"), in), std::make_pair(std::string("OUT"), out)})
            for (size_t at = 0; (at = args.find(" " + word.first, at)) != std::string::npos; at += word.second.size() + 3)
                args.replace(at, word.first.size() + 1, " \"" + word.second + "\"");
        EXPECT_EQ(RunQuillconv(args, GetStdHandle(STD_INPUT_HANDLE), folder, said), c.code) << said;
        const std::string says = c.says.substr(c.says.find('*') + 1);
        EXPECT_NE(said.find(says), std::string::npos) << said;
        for (const auto& output : c.outputs) EXPECT_EQ(testkit::ReadBytes(out + "\\" + output.first), output.second) << output.first;
        // Nothing temporary stays: no file but the outputs, no staging folder.
        int other = 0;
        testkit::ForEntries(out, [&](const std::string& name, DWORD) { other += name.find("~quillmark") != std::string::npos; });
        EXPECT_EQ(other, 0);
    }
}

// Killed half-way, while it waits for more input: the output keeps its old content, and only the
// temporary file it was writing may stay behind.
TEST(QuillconvWin, AKillLeavesTheOldOutput)
{
    testkit::ScratchFolder folder;
    testkit::WriteBytes(folder / "out.bin", "old");
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, nullptr, TRUE };
    HANDLE pipe = nullptr, writer = nullptr;
    CreatePipe(&pipe, &writer, &inherit, 0);
    SetHandleInformation(writer, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    WriteFile(writer, "41 42 ", 6, &written, nullptr);
    const PROCESS_INFORMATION pi = StartQuillconv("tobin - \"" + (folder / "out.bin") + "\"", pipe, folder);
    ASSERT_TRUE(pi.hProcess);
    bool writing = false;
    for (int i = 0; i < 3000 && !writing; ++i, Sleep(10))
        testkit::ForEntries(folder.Path(), [&](const std::string& name, DWORD) { writing |= name.rfind("~quillmark-", 0) == 0; });
    EXPECT_TRUE(writing) << "no temporary file appeared";
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(writer);
    CloseHandle(pipe);
    EXPECT_EQ(testkit::ReadBytes(folder / "out.bin"), "old");
}
