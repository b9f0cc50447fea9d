// Runs the built quillconv as a user would, through the shell, and checks exit codes, files and
// the one-line messages.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "QuillVersion.h"

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
    void TearDown() override { ASSERT_EQ(system(("rm -rf '" + m_dir + "'").c_str()), 0); }

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    static void Put(const std::string& path, const std::string& data) { std::ofstream(path, std::ios::binary) << data; }
    static std::string Get(const std::string& path)
    {
        std::stringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
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
    ASSERT_EQ(Run("tobin '" + Path("a.txt") + "' '" + Path("b.bin") + "'"), 0) << m_stderr;
    EXPECT_TRUE(Get(Path("b.bin")) == bytes);
    EXPECT_EQ(m_stderr, "");

    // "-" on either side, through pipes and redirections.
    Put(Path("c.txt"), "# header\n41 42\r\n4 3 x");
    ASSERT_EQ(Run("tobin - - <'" + Path("c.txt") + "' | cat >'" + Path("c.bin") + "'"), 0);
    EXPECT_EQ(Get(Path("c.bin")), "ABC");
    ASSERT_EQ(Run("totext - '" + Path("d.txt") + "' <'" + Path("c.bin") + "'"), 0);
    EXPECT_EQ(Get(Path("d.txt")), "41 42 43 ");
    // Every layout reads back; without options the text is the plain one checked above.
    for (const char* options : { "--width 0", "--width 8", "--width 16 --comments", "--width 32 --comments" })
    {
        ASSERT_EQ(Run(std::string("totext ") + options + " '" + Path("a.bin") + "' - | cat >'" + Path("w.txt") + "'"), 0)
            << options << ": " << m_stderr;
        ASSERT_EQ(Run("tobin '" + Path("w.txt") + "' '" + Path("w.bin") + "'"), 0);
        EXPECT_TRUE(Get(Path("w.bin")) == bytes) << options;
    }
    const std::string lines = Get(Path("w.txt"));   // 32 bytes a line: 95 digits, a comment of 48
    EXPECT_EQ(lines.substr(95, 14) + lines.substr(95 + 143, 14), "  # 00000000    # 00000020  ");
    Put(Path("empty"), "");
    ASSERT_EQ(Run("totext '" + Path("empty") + "' - >'" + Path("e.txt") + "'"), 0);
    EXPECT_EQ(Get(Path("e.txt")), "");
}

// Usage errors exit with 2, file failures with 1 and a line naming the file and the reason; an
// output that is the input under another name is refused before either is touched.
TEST_F(QuillconvTest, FailuresSayWhatAndWhy)
{
    EXPECT_EQ(Run("--help >'" + Path("help") + "'"), 0);
    EXPECT_NE(Get(Path("help")).find("quillconv tobin INPUT OUTPUT"), std::string::npos);
    EXPECT_NE(Get(Path("help")).find("quillconv totext --width 16 --comments "), std::string::npos);
    EXPECT_EQ(Run("--version >'" + Path("version") + "'"), 0);
    EXPECT_EQ(Get(Path("version")), "quillconv " QUILL_VERSION_STRING "\n");
    Put(Path("in.txt"), "41 42");
    mkdir(Path("folder").c_str(), 0777);
    const std::string in = "'" + Path("in.txt") + "' ";
    ASSERT_EQ(symlink(Path("in.txt").c_str(), Path("link.txt").c_str()), 0);
    ASSERT_EQ(link(Path("in.txt").c_str(), Path("hard.txt").c_str()), 0);
    struct Case { std::string args; int code; std::string says, reason; };
    const Case cases[] = {
        { "", 2, "missing arguments", "" },
        { "totext onlyinput", 2, "missing arguments", "" },
        { "tohex a b", 2, "unknown mode 'tohex'", "" },
        { "tobin a b c", 2, "too many arguments", "" },
        { "totext --width 12 a b", 2, "bad width '12'", "" },
        { "totext --width", 2, "bad width ''", "" },
        { "totext --comments a b", 2, "--comments needs lines", "" },
        { "tobin --width 8 a b", 2, "unknown option '--width'", "" },
        { "tobin '" + Path("none.txt") + "' '" + Path("o") + "'", 1, Path("none.txt"), "No such file" },
        { "totext '" + Path("folder") + "' '" + Path("o") + "'", 1, Path("folder"), "folder" },
        { "tobin " + in + "'" + Path("nodir/o") + "'", 1, Path("nodir/o"), "No such file" },
        { "tobin " + in + "'" + Path("folder") + "'", 1, Path("folder"), "Is a directory" },
        { "tobin " + in + "/dev/full", 1, "/dev/full", "No space left" },
        { "tobin /proc/self/mem '" + Path("o") + "'", 1, "/proc/self/mem", "Input/output error" },
        { "totext " + in + "- >/dev/full", 1, "standard output", "No space left" },
        { "tobin " + in + in, 1, "same file", "" },
        { "tobin " + in + "'" + m_dir + "/./in.txt'", 1, "same file", "" },
        { "tobin " + in + "'" + Path("link.txt") + "'", 1, "same file", "" },
        { "tobin " + in + "'" + Path("hard.txt") + "'", 1, "same file", "" },
        { "totext - - <" + in + "1<>" + in, 1, "standard input", "same file" },
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Run(c.args), c.code) << c.args;
        EXPECT_TRUE(m_stderr.find(c.says) != std::string::npos && m_stderr.find(c.reason) != std::string::npos)
            << "expected \"" << c.says << "\" and \"" << c.reason << "\" in: " << m_stderr;
        EXPECT_TRUE(!m_stderr.empty() && m_stderr.find('\n') == m_stderr.size() - 1) << "one line: " << m_stderr;
    }
    EXPECT_FALSE(std::ifstream(Path("o")).good());   // a failed input creates no output
    EXPECT_EQ(Get(Path("in.txt")), "41 42");
}
