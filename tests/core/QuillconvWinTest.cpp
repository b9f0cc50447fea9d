// The Windows quillconv.exe run as its own process: conversions, a pipe, a full disk, and an
// output that is the input under another spelling.
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

class QuillconvWinTest : public ::testing::Test
{
protected:
    // Starts quillconv.exe with the arguments and standard input; its stderr goes to a file.
    PROCESS_INFORMATION Start(const std::string& args, HANDLE input)
    {
        // The build hands over a host path; under Wine the host's root is drive Z:.
        std::string exe = QUILLCONV_PATH;
        if (exe[0] == '/') {
            exe = "Z:" + exe;
            for (char& c : exe) if (c == '/') c = '\\';
        }
        SECURITY_ATTRIBUTES sa = { sizeof sa, nullptr, TRUE };
        HANDLE err = CreateFileA((m_folder / "stderr").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = input;
        si.hStdOutput = si.hStdError = err;
        PROCESS_INFORMATION pi = {};
        std::string cmd = "\"" + exe + "\" " + args;
        CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        CloseHandle(err);
        return pi;
    }
    // Runs quillconv.exe with the arguments; returns its exit code and keeps its stderr.
    DWORD Run(const std::string& args, HANDLE input = GetStdHandle(STD_INPUT_HANDLE))
    {
        PROCESS_INFORMATION pi = Start(args, input);
        DWORD code = 9999;
        if (pi.hProcess)
        {
            WaitForSingleObject(pi.hProcess, INFINITE);
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        m_stderr = testkit::ReadBytes(m_folder / "stderr");
        return code;
    }
    // The plain files of the folder but stderr, sorted.
    std::string Files() const
    {
        std::set<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((m_folder / "*").c_str(), &found);
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::string(found.cFileName) != "stderr")
                names.insert(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
        std::string list;
        for (const std::string& name : names) list += name + " ";
        return list;
    }
    std::string Quoted(const char* name) const { return "\"" + (m_folder / name) + "\""; }

    testkit::ScratchFolder m_folder;
    std::string m_stderr;
};

} // namespace

TEST_F(QuillconvWinTest, ConvertsBothWays)
{
    testkit::WriteBytes(m_folder / "in.txt", "# dump\r\n00 0A ff\r\n7");
    ASSERT_EQ(Run("tobin " + Quoted("in.txt") + " " + Quoted("out.bin")), 0u) << m_stderr;
    EXPECT_EQ(testkit::ReadBytes(m_folder / "out.bin"), std::string("\x00\x0a\xff", 3));
    ASSERT_EQ(Run("totext " + Quoted("out.bin") + " " + Quoted("out.txt")), 0u) << m_stderr;
    EXPECT_EQ(testkit::ReadBytes(m_folder / "out.txt"), "00 0a ff ");

    // The end of a pipe is the end of the input, not a failed read.
    HANDLE reader = nullptr, writer = nullptr;
    SECURITY_ATTRIBUTES sa = { sizeof sa, nullptr, TRUE };
    CreatePipe(&reader, &writer, &sa, 0);
    SetHandleInformation(writer, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    WriteFile(writer, "41 42\n43", 8, &written, nullptr);
    CloseHandle(writer);
    EXPECT_EQ(Run("tobin - " + Quoted("piped.bin"), reader), 0u) << m_stderr;
    CloseHandle(reader);
    EXPECT_EQ(testkit::ReadBytes(m_folder / "piped.bin"), "ABC");
}

TEST_F(QuillconvWinTest, FailuresNameTheFileAndSameFileIsRefused)
{
    testkit::WriteBytes(m_folder / "in.txt", "41 42");
    testkit::WriteBytes(m_folder / "old.dat", "old");
    // A folder with room for an output's name but none for a temporary file beside it.
    std::string deep = m_folder.Path();
    while (deep.size() < 248)
    {
        deep += "\\" + std::string(std::min<size_t>(100, 247 - deep.size()), 'x');
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    const std::string deepOutput = deep.substr(m_folder.Path().size() + 1) + "\\o.dat";
    testkit::WriteBytes(m_folder / deepOutput, "old");
    struct Case { std::string args; DWORD code; std::string says, also = ""; };
    const Case cases[] = {
        { "tobin " + Quoted("in.txt") + " Z:\\dev\\full", 1, "Z:\\dev\\full", "112" },
        { "tobin " + Quoted("in.txt") + " NUL", 0, "" },
        { "totext " + Quoted("none") + " " + Quoted("out.txt"), 1, (m_folder / "none") },
        { "totext Z:\\proc\\self\\mem " + Quoted("old.dat"), 1, "cannot read input" },
        { "tobin " + Quoted("in.txt") + " \"" + deep + "\\o.dat\"", 1, "temporary file" },
        { "frobnicate a b", 2, "" },
        { "tobin " + Quoted("in.txt") + " " + Quoted("in.txt"), 1, "same file" },
        { "tobin " + Quoted("in.txt") + " " + Quoted("IN.TXT"), 1, "same file" },
        { "tobin " + Quoted("in.txt") + " \"" + m_folder.Path() + "\\.\\in.txt\"", 1, "same file" },
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Run(c.args), c.code) << c.args;
        for (const std::string& says : { c.says, c.also })
            EXPECT_NE(m_stderr.find(says), std::string::npos) << "expected \"" << says << "\" in: " << m_stderr;
    }
    EXPECT_EQ(testkit::ReadBytes(m_folder / deepOutput), "old");
    EXPECT_EQ(testkit::ReadBytes(m_folder / "in.txt"), "41 42");
    EXPECT_EQ(Files(), "in.txt old.dat ") << "a failure leaves the old output whole and nothing else";
    EXPECT_EQ(testkit::ReadBytes(m_folder / "old.dat"), "old");
    for (std::string path = deep; path.size() > m_folder.Path().size(); path.resize(path.rfind('\\')))
    {
        DeleteFileA((path + "\\o.dat").c_str());
        RemoveDirectoryA(path.c_str());
    }
}

// Killed half-way through a conversion from a pipe that stays open, quillconv leaves the old
// output (or none) under the output's name; only its own temporary file stays behind.
TEST_F(QuillconvWinTest, AKillHalfWayLeavesTheOldOutput)
{
    for (const char* before : { "old", static_cast<const char*>(nullptr) })
    {
        if (before) testkit::WriteBytes(m_folder / "out.dat", before);
        HANDLE reader = nullptr, writer = nullptr;
        SECURITY_ATTRIBUTES sa = { sizeof sa, nullptr, TRUE };
        CreatePipe(&reader, &writer, &sa, 0);
        SetHandleInformation(writer, HANDLE_FLAG_INHERIT, 0);
        PROCESS_INFORMATION pi = Start("tobin - " + Quoted("out.dat"), reader);
        CloseHandle(reader);
        const std::string block(1 << 16, '7');
        // Fed until it has written part of the output somewhere; the pipe stays open.
        for (int i = 0; i < 1000 && Files() == (before ? "out.dat " : "") && testkit::ReadBytes(m_folder / "out.dat") == (before ? before : "<missing>"); ++i)
        {
            DWORD written = 0;
            WriteFile(writer, block.data(), DWORD(block.size()), &written, nullptr);
        }
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        CloseHandle(writer);
        EXPECT_EQ(testkit::ReadBytes(m_folder / "out.dat"), before ? before : "<missing>");
        const std::string files = Files();
        EXPECT_EQ(files.rfind(before ? "out.dat ~quillmark-" : "~quillmark-", 0), 0u) << files;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((m_folder / "~quillmark-*").c_str(), &found);
        DeleteFileA((m_folder / found.cFileName).c_str());
        FindClose(search);
        DeleteFileA((m_folder / "out.dat").c_str());
    }
}
