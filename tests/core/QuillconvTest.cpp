// Runs the built quillconv as a user would, through the shell, and checks exit codes, files and
// the one-line messages.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

class QuillconvTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/quillconv-test-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override
    {
        ASSERT_EQ(system(("rm -rf '" + m_dir + "'").c_str()), 0);
    }

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    static void Put(const std::string& path, const std::string& data)
    {
        std::ofstream(path, std::ios::binary) << data;
    }
    static std::string Get(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Runs quillconv with the given shell arguments; returns its exit code and keeps its stderr.
    int Run(const std::string& args)
    {
        const std::string cmd = std::string("'") + QUILLCONV_PATH + "' " + args + " 2>'" + Path("stderr") + "'";
        const int status = system(cmd.c_str());
        m_stderr = Get(Path("stderr"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_dir, m_stderr;
};

bool OneLine(const std::string& s)
{
    return !s.empty() && s.find('\n') == s.size() - 1;
}

} // namespace

TEST_F(QuillconvTest, ConvertsFilesAndStreams)
{
    std::mt19937 rng(3);
    std::string bytes(300000, '\0');
    for (char& b : bytes) b = char(rng());
    Put(Path("a.bin"), bytes);
    ASSERT_EQ(Run("totext '" + Path("a.bin") + "' '" + Path("a.txt") + "'"), 0) << m_stderr;
    const std::string text = Get(Path("a.txt"));
    ASSERT_EQ(text.size(), 3 * bytes.size());
    EXPECT_EQ(text.substr(0, 3).back(), ' ');
    ASSERT_EQ(Run("tobin '" + Path("a.txt") + "' '" + Path("b.bin") + "'"), 0) << m_stderr;
    EXPECT_TRUE(Get(Path("b.bin")) == bytes);
    EXPECT_EQ(m_stderr, "");

    // "-" on either side, through pipes and redirections.
    Put(Path("c.txt"), "# header\n41 42\r\n4 3 x");
    ASSERT_EQ(Run("tobin - - <'" + Path("c.txt") + "' | cat >'" + Path("c.bin") + "'"), 0);
    EXPECT_EQ(Get(Path("c.bin")), "ABC");
    ASSERT_EQ(Run("totext - '" + Path("d.txt") + "' <'" + Path("c.bin") + "'"), 0);
    EXPECT_EQ(Get(Path("d.txt")), "41 42 43 ");
    Put(Path("empty"), "");
    ASSERT_EQ(Run("totext '" + Path("empty") + "' - >'" + Path("e.txt") + "'"), 0);
    EXPECT_EQ(Get(Path("e.txt")), "");
}

TEST_F(QuillconvTest, HelpAndUsageErrors)
{
    EXPECT_EQ(Run("--help >'" + Path("help") + "'"), 0);
    EXPECT_NE(Get(Path("help")).find("quillconv tobin INPUT OUTPUT"), std::string::npos);

    struct Case { const char* args; const char* says; };
    const Case cases[] = {
        { "", "missing arguments" },
        { "tobin", "missing arguments" },
        { "totext onlyinput", "missing arguments" },
        { "tohex a b", "unknown mode 'tohex'" },
        { "tobin a b c", "too many arguments" },
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Run(c.args), 2) << c.args;
        EXPECT_NE(m_stderr.find(c.says), std::string::npos) << c.args << ": " << m_stderr;
        EXPECT_TRUE(OneLine(m_stderr)) << m_stderr;
    }
}

TEST_F(QuillconvTest, FileFailuresNameTheFileAndTheReason)
{
    Put(Path("in.txt"), "41 42");
    mkdir(Path("folder").c_str(), 0777);
    struct Case { std::string args, file, reason; };
    const Case cases[] = {
        { "tobin '" + Path("none.txt") + "' '" + Path("o") + "'", Path("none.txt"), "No such file" },
        { "totext '" + Path("folder") + "' '" + Path("o") + "'", Path("folder"), "folder" },
        { "tobin '" + Path("in.txt") + "' '" + Path("nodir/o") + "'", Path("nodir/o"), "No such file" },
        { "tobin '" + Path("in.txt") + "' '" + Path("folder") + "'", Path("folder"), "Is a directory" },
        { "tobin '" + Path("in.txt") + "' /dev/full", "/dev/full", "No space left" },
        { "totext '" + Path("in.txt") + "' - >/dev/full", "standard output", "No space left" },
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Run(c.args), 1) << c.args;
        EXPECT_NE(m_stderr.find(c.file), std::string::npos) << m_stderr;
        EXPECT_NE(m_stderr.find(c.reason), std::string::npos) << m_stderr;
        EXPECT_TRUE(OneLine(m_stderr)) << m_stderr;
    }
    EXPECT_FALSE(std::ifstream(Path("o")).good());   // a failed input creates no output
}

TEST_F(QuillconvTest, SameFileIsRefusedBeforeItIsTouched)
{
    const std::string text = "41 42 43";
    Put(Path("same.txt"), text);
    ASSERT_EQ(symlink(Path("same.txt").c_str(), Path("link.txt").c_str()), 0);
    ASSERT_EQ(link(Path("same.txt").c_str(), Path("hard.txt").c_str()), 0);
    const std::string spellings[] = {
        "'" + Path("same.txt") + "'",
        "'" + m_dir + "/./same.txt'",
        "'" + Path("link.txt") + "'",
        "'" + Path("hard.txt") + "'",
    };
    for (const std::string& out : spellings)
    {
        EXPECT_EQ(Run("tobin '" + Path("same.txt") + "' " + out), 1) << out;
        EXPECT_NE(m_stderr.find("same file"), std::string::npos) << m_stderr;
        EXPECT_EQ(Get(Path("same.txt")), text);
    }
    EXPECT_EQ(Run("totext - - <'" + Path("same.txt") + "' 1<>'" + Path("same.txt") + "'"), 1);
    EXPECT_NE(m_stderr.find("standard input"), std::string::npos) << m_stderr;
    EXPECT_EQ(Get(Path("same.txt")), text);
}
