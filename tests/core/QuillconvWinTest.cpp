// The Windows quillconv.exe run as its own process: what differs from the native build's test (a
// pipe's end, devices, an output that is the input under another spelling), and folders.
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Runs quillconv.exe (under Wine the host's root is drive Z:) with args and the given standard
// input to its end: its exit code, and its standard error (kept in folder) in said.
DWORD RunQuillconv(const std::string& args, HANDLE input, const testkit::ScratchFolder& folder, std::string& said)
{
    std::string exe = QUILLCONV_PATH;
    for (char& c : exe) c = c == '/' ? '\\' : c;
    std::string cmd = (exe[0] == '\\' ? "\"Z:" : "\"") + exe + "\" " + args;
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, nullptr, TRUE };
    HANDLE err = CreateFileA((folder / "stderr").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si, si.dwFlags = STARTF_USESTDHANDLES, si.hStdInput = input, si.hStdOutput = si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    DWORD code = 9999;
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        WaitForSingleObject(pi.hProcess, INFINITE), GetExitCodeProcess(pi.hProcess, &code),
            CloseHandle(pi.hThread), CloseHandle(pi.hProcess);
    CloseHandle(err);
    said = testkit::ReadBytes(folder / "stderr");
    return code;
}

} // namespace

// Each row runs quillconv.exe in one scratch folder, in order. A failed run keeps the old output.
TEST(QuillconvWin, ConvertsPipesAndFails)
{
    testkit::ScratchFolder folder;
    const auto at = [&](const char* name) { return "\"" + (folder / name) + "\""; };
    const std::string in = at("in.txt") + " ";
    testkit::WriteBytes(folder / "in.txt", "41");
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
    // Opened for writing only, every read fails.
    HANDLE unreadable = CreateFileA((folder / "w.txt").c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
    struct Case { std::string args; HANDLE input; DWORD code; std::string says; const char* file; std::string bytes; };
    const Case cases[] = {
        { "tobin - " + at("piped.bin"), pipe, 0, "", "piped.bin", "ABC" },  // the end of a pipe ends the input
        { "tobin " + in + "Z:\\dev\\full", stdIn, 1, "(error 112)", "in.txt", "41" },
        { "tobin " + in + "NUL", stdIn, 0, "", "in.txt", "41" },
        { "totext Z:\\proc\\self\\mem " + at("old.dat"), stdIn, 1, "cannot read input", "old.dat", "old" },
        { "totext - " + at("old.dat"), unreadable, 1, "cannot read input standard input", "old.dat", "old" },
        { "tobin " + in + at("IN.TXT"), stdIn, 1, "same file", "in.txt", "41" },
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
    for (HANDLE handle : { pipe, nul, unreadable }) CloseHandle(handle);
    // The inputs, the outputs and stderr: a failed run leaves no temporary file.
    EXPECT_EQ(testkit::FilesIn(folder.Path()), 7);
}

// A folder as INPUT: the batch page's rules. Each row starts from the same input folder: a.txt,
// b.txt and c.dat, a subfolder and a hidden file that are never converted; OUT may not exist yet.
TEST(QuillconvWin, ConvertsAFolder)
{
    // In args IN and OUT stand for the two folders; extra is one more input; says is on standard error
    // (after a '*'), outputs are names in OUT and their bytes.
    const struct { const char* name; std::string args; const char* extra; DWORD code; std::string says;
                   std::vector<std::pair<std::string, std::string>> outputs; } cases[] = {
        {"every level made", "tobin IN OUT\\new\\level", "", 0, "3 files: 3 converted, 0 failed, 0 skipped",
         {{"new\\level\\a.bin", "AB"}, {"new\\level\\c.bin", "D"}, {"new\\level\\sub.bin", "<missing>"},
          {"new\\level\\h.bin", "<missing>"}}},
        {"records that are none", "tobin --format srec IN OUT --filter a.txt", "", 1, "*\\in\\a.txt:1: not a record", {{"a.bin", "<missing>"}}},
        {"subfolders too, mirrored", "tobin --recursive IN OUT", "sub.txt\\d.txt", 0, "4 files: 4 converted", {{"sub.txt\\d.bin", "F"}, {"a.bin", "AB"}}},
        {"a filter needs a folder", "tobin IN\\a.txt OUT\\x.bin --filter *.txt", "", 2, "--add-extension and --recursive need a folder", {}},
        {"no folder to standard output", "tobin IN -", "", 2, "need a folder, not standard output", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        testkit::ScratchFolder folder;
        const std::string in = folder / "in", out = folder / "out";
        CreateDirectoryA(in.c_str(), nullptr), CreateDirectoryA((in + "\\sub.txt").c_str(), nullptr);
        for (const auto& file : { std::make_pair("a.txt", "41 42"), { "b.txt", "43" }, { "c.dat", "44" },
                                  { "h.txt", "45" }, { c.extra, "46" } })
            if (*file.first) testkit::WriteBytes(in + "\\" + file.first, file.second);
        SetFileAttributesA((in + "\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
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
