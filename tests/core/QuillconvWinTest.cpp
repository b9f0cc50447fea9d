// The Windows quillconv.exe run as its own process: conversions, a full disk, and an output that
// is the input under another spelling.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The build hands over a host path; under Wine the host's root is drive Z:.
std::string ExePath()
{
    std::string path = QUILLCONV_PATH;
    if (!path.empty() && path[0] == '/')
    {
        for (char& c : path) if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

class QuillconvWinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "quillconv-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_dir.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const char* name : { "in.txt", "out.bin", "out.txt", "stderr" })
            DeleteFileA(Path(name).c_str());
        RemoveDirectoryA(m_dir.c_str());
    }
    std::string Path(const char* name) const { return m_dir + "\\" + name; }

    static void Put(const std::string& path, const std::string& data)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, data.data(), DWORD(data.size()), &written, nullptr);
        CloseHandle(h);
    }
    static std::string Get(const std::string& path)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<missing>";
        std::string data(GetFileSize(h, nullptr), '\0');
        DWORD read = 0;
        if (!data.empty()) ReadFile(h, &data[0], DWORD(data.size()), &read, nullptr);
        CloseHandle(h);
        return data;
    }

    // Runs quillconv.exe with the arguments; returns its exit code and keeps its stderr.
    DWORD Run(const std::string& args)
    {
        SECURITY_ATTRIBUTES sa = { sizeof sa, nullptr, TRUE };
        HANDLE err = CreateFileA(Path("stderr").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = err;
        si.hStdError = err;
        PROCESS_INFORMATION pi = {};
        std::string cmd = "\"" + ExePath() + "\" " + args;
        DWORD code = 9999;
        if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        {
            WaitForSingleObject(pi.hProcess, INFINITE);
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        CloseHandle(err);
        m_stderr = Get(Path("stderr"));
        return code;
    }

    std::string m_dir, m_stderr;
};

} // namespace

TEST_F(QuillconvWinTest, ConvertsBothWays)
{
    Put(Path("in.txt"), "# dump\r\n00 0A ff\r\n7");
    ASSERT_EQ(Run("tobin \"" + Path("in.txt") + "\" \"" + Path("out.bin") + "\""), 0u) << m_stderr;
    EXPECT_EQ(Get(Path("out.bin")), std::string("\x00\x0a\xff", 3));
    ASSERT_EQ(Run("totext \"" + Path("out.bin") + "\" \"" + Path("out.txt") + "\""), 0u) << m_stderr;
    EXPECT_EQ(Get(Path("out.txt")), "00 0a ff ");
}

TEST_F(QuillconvWinTest, FailuresNameTheFile)
{
    Put(Path("in.txt"), "41 42");
    EXPECT_EQ(Run("tobin \"" + Path("in.txt") + "\" Z:\\dev\\full"), 1u);
    EXPECT_NE(m_stderr.find("Z:\\dev\\full"), std::string::npos) << m_stderr;
    EXPECT_NE(m_stderr.find("112"), std::string::npos) << m_stderr;
    EXPECT_EQ(Run("totext \"" + Path("none") + "\" \"" + Path("out.txt") + "\""), 1u);
    EXPECT_NE(m_stderr.find(Path("none")), std::string::npos) << m_stderr;
    EXPECT_EQ(Get(Path("out.txt")), "<missing>");
    EXPECT_EQ(Run("frobnicate a b"), 2u);
}

TEST_F(QuillconvWinTest, SameFileUnderAnotherSpellingIsRefused)
{
    Put(Path("in.txt"), "41 42");
    std::string upper = Path("IN.TXT");
    std::string dotted = m_dir + "\\.\\in.txt";
    for (const std::string& out : { Path("in.txt"), upper, dotted })
    {
        EXPECT_EQ(Run("tobin \"" + Path("in.txt") + "\" \"" + out + "\""), 1u) << out;
        EXPECT_NE(m_stderr.find("same file"), std::string::npos) << m_stderr;
        EXPECT_EQ(Get(Path("in.txt")), "41 42");
    }
}
