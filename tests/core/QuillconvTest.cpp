// Runs the built quillconv through the shell: exit codes, files and the one-line messages.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "QuillVersion.h"

namespace {

class QuillconvTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/quillconv-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        m_dir = dir;
    }
    void TearDown() override { ASSERT_EQ(system(("rm -rf '" + m_dir + "'").c_str()), 0); }
    // The path of a file in the test's folder, quoted for the shell.
    std::string At(const std::string& name) const { return "'" + m_dir + "/" + name + "' "; }
    void Put(const std::string& name, const std::string& data) { std::ofstream(m_dir + "/" + name) << data; }
    std::string Get(const std::string& name)
    {
        std::ifstream file(m_dir + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    // Runs quillconv with the given shell arguments, its standard input a pipe from the file piped
    // when one is named; returns its exit code and keeps its stderr.
    int Run(const std::string& args, const std::string& piped = "")
    {
        const std::string pipe = piped.empty() ? "" : "cat " + At(piped) + "| ";
        const int status = system((pipe + "'" QUILLCONV_PATH "' " + args + " 2>" + At("stderr")).c_str());
        m_stderr = Get("stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_dir, m_stderr;
};

} // namespace

// Usage errors exit with 2, file failures with 1 and a line naming the file and the reason; an
// output that is the input under another name is refused before either is touched.
TEST_F(QuillconvTest, FailuresSayWhatAndWhy)
{
    // The version, then the loops the dispatch chose.
    EXPECT_EQ(Run("--version >" + At("version")), 0);
    EXPECT_EQ(Get("version").rfind("quillconv " QUILL_VERSION_STRING "\nreader: ", 0), 0u) << Get("version");
    Put("in.txt", "41 42");
    mkdir((m_dir + "/folder").c_str(), 0777);
    ASSERT_EQ(link((m_dir + "/in.txt").c_str(), (m_dir + "/hard.txt").c_str()), 0);
    const std::string in = At("in.txt");
    struct Case { std::string args; int code; std::string says, reason; };
    const Case cases[] = {
        { "", 2, "missing arguments", "" },
        { "tohex a b", 2, "unknown mode 'tohex'", "" },
        { "tobin a b c", 2, "too many arguments", "" },
        { "totext --width 12 a b", 2, "bad width '12'", "" },
        { "totext --width", 2, "bad width ''", "" },
        { "totext --comments a b", 2, "--comments needs lines", "" },
        { "tobin --width 8 a b", 2, "unknown option '--width'", "" },
        { "tobin " + At("none.txt") + At("o"), 1, m_dir + "/none.txt", "No such file" },
        { "totext " + At("folder") + At("o"), 1, m_dir + "/folder", "folder" },
        { "tobin " + in + "/dev/full", 1, "/dev/full", "No space left" },
        { "tobin /proc/self/mem " + At("o"), 1, "/proc/self/mem", "Input/output error" },
        { "tobin " + in + At("hard.txt"), 1, "same file", "" },
        { "totext - - <" + in + "1<>" + in, 1, "standard input", "same file" },
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Run(c.args), c.code) << c.args;
        // One line, naming what and why.
        EXPECT_TRUE(m_stderr.find(c.says) != std::string::npos && m_stderr.find(c.reason) != std::string::npos &&
                    !m_stderr.empty() && m_stderr.find('\n') == m_stderr.size() - 1) << c.args << ": " << m_stderr;
    }
    EXPECT_FALSE(std::ifstream(m_dir + "/o").good());   // a failed input creates no output
    EXPECT_EQ(Get("in.txt"), "41 42");
}

// The firmware formats: each row converts into o, which holds "old" before, and checks the exit
// code, standard error and o's bytes afterwards. A broken record is named as FILE:LINE.
TEST_F(QuillconvTest, FirmwareFormatsAndTheirErrors)
{
    Put("ab.bin", "AB");
    Put("fw.hex", ":0201000041427A\r\n:02010400434472\r\n:00000001FF\r\n");
    Put("bad.hex", ":0201000041427A\n:02010400434473\n:00000001FF\n");
    // Records past the first block of text, then one below them all: read twice.
    std::string big(600000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7919 >> 5);
    Put("big.bin", big);
    ASSERT_EQ(Run("totext --format ihex --address 0x100 " + At("big.bin") + At("big.hex")), 0) << m_stderr;
    std::string late = Get("big.hex");
    Put("late.hex", late.erase(late.rfind(":00000001FF")) + ":020000040000FA\r\n:0100000041BE\r\n:00000001FF\r\n");
    const std::string o = At("o");
    struct Case { std::string args, piped; int code; std::string says, bytes; };
    const Case cases[] = {
        { "tobin --format ihex --fill 2e " + At("fw.hex") + o, "", 0, "", "AB..CD" },
        { "tobin --format ihex " + At("late.hex") + o, "", 0, "", "A" + std::string(255, '\xff') + big },
        { "totext --format srec --address 0x1000 --record-bytes 32 " + At("ab.bin") + o, "", 0, "",
          "S009000061622E62696ECC\r\nS1051000414267\r\nS5030001FB\r\nS9031000EC\r\n" },
        { "tobin --format ihex " + At("bad.hex") + o, "", 1, "quillconv: " + m_dir + "/bad.hex:2: bad checksum\n", "old" },
        { "tobin --format ihex - " + o, "late.hex", 1, "quillconv: standard input: records out of address order need", "old" },
        { "tobin --format elf a b", "", 2, "quillconv: bad format 'elf'", "old" },
        { "totext --format ihex --address 0x100000000 a b", "", 2, "quillconv: bad address '0x100000000'", "old" },
        { "tobin --fill FF a b", "", 2, "quillconv: --fill, --address and --record-bytes need --format ihex or srec", "old" },
    };
    for (const Case& c : cases)
    {
        Put("o", "old");
        EXPECT_EQ(Run(c.args, c.piped), c.code) << c.args << ": " << m_stderr;
        EXPECT_EQ(m_stderr.substr(0, c.says.size()), c.says) << c.args;
        EXPECT_TRUE(Get("o") == c.bytes) << c.args;
    }
}
