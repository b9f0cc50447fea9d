// The Windows quillconv.exe run as its own process: conversions, a pipe on its standard input,
// a full disk, and an output that is the input under another spelling.
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class QuillconvWinTest : public ::testing::Test
{
protected:
    // Runs quillconv.exe with the arguments, and with `input` through a pipe as its standard
    // input when given; returns its exit code and keeps its stderr.
    DWORD Run(const std::string& args, const char* input = nullptr)
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
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        HANDLE pipeEnd = nullptr, pipeIn = nullptr;
        if (input != nullptr && CreatePipe(&pipeEnd, &pipeIn, &sa, 0))
        {
            // The child gets the reading end only, so closing ours ends its input.
            SetHandleInformation(pipeIn, HANDLE_FLAG_INHERIT, 0);
            DWORD written = 0;
            WriteFile(pipeIn, input, DWORD(strlen(input)), &written, nullptr);
            CloseHandle(pipeIn);
            si.hStdInput = pipeEnd;
        }
        si.hStdOutput = si.hStdError = err;
        PROCESS_INFORMATION pi = {};
        std::string cmd = "\"" + exe + "\" " + args;
        DWORD code = 9999;
        if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        {
            WaitForSingleObject(pi.hProcess, INFINITE);
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        CloseHandle(err);
        if (pipeEnd != nullptr) CloseHandle(pipeEnd);
        m_stderr = testkit::ReadBytes(m_folder / "stderr");
        return code;
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
    ASSERT_EQ(Run("tobin - " + Quoted("piped.bin"), "41 42\n43"), 0u) << m_stderr;
    EXPECT_EQ(testkit::ReadBytes(m_folder / "piped.bin"), "ABC");
}

TEST_F(QuillconvWinTest, FailuresNameTheFileAndSameFileIsRefused)
{
    testkit::WriteBytes(m_folder / "in.txt", "41 42");
    struct Case { std::string args; DWORD code; std::string says, also = ""; };
    const Case cases[] = {
        { "tobin " + Quoted("in.txt") + " Z:\\dev\\full", 1, "Z:\\dev\\full", "112" },
        { "totext " + Quoted("none") + " " + Quoted("out.txt"), 1, m_folder / "none" },
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
    EXPECT_EQ(testkit::ReadBytes(m_folder / "in.txt"), "41 42");
    EXPECT_EQ(testkit::ReadBytes(m_folder / "out.txt"), "<missing>") << "a failed input creates no output";
}
