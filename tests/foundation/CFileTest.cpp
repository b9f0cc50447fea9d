#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "foundation/CFile.h"
#include "tests/TempFolder.h"

using Vexa::CFile;
using Vexa::CString;

namespace {

class CFileTest : public ::testing::Test {
protected:
    std::string MakeFile(const char* name, const std::string& bytes)
    {
        m_folder.WriteFile(name, bytes);
        return m_folder.Path(name);
    }

    QuillTest::TempFolder m_folder;
};

TEST_F(CFileTest, WritesEveryKindOfByteAndReadsThemBack)
{
    const std::string path = m_folder.Path("out.bin");
    {
        CFile out(path.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        EXPECT_TRUE(out.WriteByte(static_cast<unsigned char>(0xFF)));
        EXPECT_TRUE(out.WriteByte('\0'));
        EXPECT_TRUE(out.WriteString("0a 表"));
        DWORD written = 0;
        EXPECT_TRUE(out.Write("xyz", 2, &written));
        EXPECT_EQ(2u, written);
    }
    EXPECT_EQ(std::string("\xFF\0" "0a \x95\x5C" "xy", 9), m_folder.ReadFile("out.bin"));

    CFile in(path.c_str(), GENERIC_READ, OPEN_EXISTING);
    DWORD high = 7;
    EXPECT_EQ(9u, in.GetLength(&high));
    EXPECT_EQ(0u, high);
    unsigned char u = 0;
    char c = 1;
    EXPECT_TRUE(in.ReadByte(&u) && u == 0xFF);
    EXPECT_TRUE(in.ReadByte(&c) && c == '\0');
    unsigned char block[16] = {};
    unsigned char* p = block;
    EXPECT_TRUE(in.ReadBuffer(p, sizeof block));
    EXPECT_EQ("0a \x95\x5C" "xy", std::string(reinterpret_cast<char*>(block)));
    EXPECT_EQ(6u, in.Seek(-3, nullptr, FILE_END));
    EXPECT_TRUE(in.ReadByte(&c) && c == '\\');
}

// The raw read tells the end of the file (TRUE, 0 bytes) from a failed read (FALSE); the
// convenience reads are false for both.
TEST_F(CFileTest, EndOfFileAndFailureAreTold)
{
    CFile in(MakeFile("one.bin", "A").c_str(), GENERIC_READ, OPEN_EXISTING);
    char c = 0, block[64];
    unsigned char u = 0;
    ASSERT_TRUE(in.ReadByte(&c));
    EXPECT_FALSE(in.ReadByte(&c));
    EXPECT_FALSE(in.ReadByte(&u));
    DWORD read = 99;
    EXPECT_FALSE(in.Read(block, sizeof block, &read));
    read = 99;
    EXPECT_TRUE(in.ReadRaw(block, sizeof block, &read));
    EXPECT_EQ(0u, read);

    CFile writeOnly(MakeFile("two.bin", "AB").c_str(), GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, writeOnly.GetHandle());
    EXPECT_FALSE(writeOnly.ReadRaw(block, sizeof block, &read));
    EXPECT_FALSE(writeOnly.ReadByte(&c));
}

TEST_F(CFileTest, WritingNothingOrToAFullDiskIsNoSuccess)
{
    DWORD written = 5;
    {
        CFile out(m_folder.Path("empty.txt").c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        EXPECT_FALSE(out.WriteString(""));
        EXPECT_TRUE(out.WriteRaw("", 0, &written)) << "the raw call itself succeeds";
        EXPECT_EQ(0u, written);
    }
    EXPECT_EQ("", m_folder.ReadFile("empty.txt"));

    CFile full("Z:\\dev\\full", GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, full.GetHandle());
    EXPECT_FALSE(full.WriteByte('x'));
    EXPECT_FALSE(full.WriteString("0a "));
    EXPECT_FALSE(full.WriteRaw("0a ", 3, &written));
}

TEST_F(CFileTest, MissingPathAndReopening)
{
    const std::string missing = m_folder.Path("no such file.txt");
    const std::string existing = MakeFile("here.txt", "here");
    CFile file(missing.c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.GetHandle());
    char c = 0;
    EXPECT_FALSE(file.ReadByte(&c));
    // An earlier failed open is dropped harmlessly; reopening without sharing only works if the
    // first handle was closed.
    EXPECT_NE(INVALID_HANDLE_VALUE, file.Open(existing.c_str(), GENERIC_READ, OPEN_EXISTING, 0, nullptr,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_NE(INVALID_HANDLE_VALUE, file.Open(existing.c_str(), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING,
                                              0, nullptr, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(nullptr, file.GetHandle());
    EXPECT_FALSE(file.Close()) << "nothing left to close";
    EXPECT_EQ("<missing>", m_folder.ReadFile("no such file.txt")) << "reading creates nothing";
}

TEST_F(CFileTest, ReadLineCases)
{
    const std::string lines = MakeFile("lines.txt", std::string("first\r\nse\0cond\n表示\n\nlast", 25));
    const std::string single = MakeFile("single.txt", "no line feed");
    const std::string empty = MakeFile("empty.txt", "");
    struct Case { const std::string* path; int index; bool found; const char* line; };
    const Case cases[] = {
        { &lines, 0, true, "first\r\n" },
        { &lines, 1, true, "second\n" }, // the NUL byte adds nothing
        { &lines, 2, true, "表示\n" },
        { &lines, 3, true, "\n" },
        { &lines, 4, true, "last" },
        { &lines, 5, false, "" },
        { &lines, -1, false, "" },
        { &single, 0, true, "no line feed" },
        { &single, 1, false, "" },
        { &empty, 0, false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << *c.path << " line " << c.index);
        CFile file(c.path->c_str(), GENERIC_READ, OPEN_EXISTING);
        CString line("left over from before");
        EXPECT_EQ(c.found, file.ReadLine(c.index, line));
        EXPECT_STREQ(c.line, static_cast<const char*>(line));
        char ch = 0;
        EXPECT_FALSE(file.ReadByte(&ch)) << "the scan leaves the position at the end";
    }
}

} // namespace
