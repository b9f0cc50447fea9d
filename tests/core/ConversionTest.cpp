// The conversions on real files, opened the way the pages open them.
#include "core/Conversion.h"

#include "core/HexCodec.h"
#include "foundation/CFile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

class ConversionTest : public ::testing::Test
{
protected:
    // Converts `input` (written to a file first) into outPath; returns the conversion's result.
    template <class Result>
    Result Convert(Result (*convert)(Vexa::CFile&, Vexa::CFile&), const std::string& input,
                   const std::string& outPath, DWORD inAccess = GENERIC_READ)
    {
        testkit::WriteBytes(m_folder / "in", input);
        Vexa::CFile in((m_folder / "in").c_str(), inAccess, OPEN_EXISTING);
        Vexa::CFile out(outPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        EXPECT_NE(in.GetHandle(), INVALID_HANDLE_VALUE);
        EXPECT_NE(out.GetHandle(), INVALID_HANDLE_VALUE) << outPath;
        return convert(in, out);
    }
    std::string Out() const { return testkit::ReadBytes(m_folder / "out"); }

    testkit::ScratchFolder m_folder;
    const std::string m_out = m_folder / "out";
};

// Lines of 16 bytes with comments (the layout with the most to skip when read back), as the
// pages ask for them.
int ToCommentedLines(Vexa::CFile& in, Vexa::CFile& out)
{
    ConvertOptions options;
    options.mode = 1;
    options.layout = HexLayout(16, true);
    bool writeFailed = false;
    return int(Convert(in, out, options, writeFailed));
}

} // namespace

// The format and the block boundaries are the codec's; here the bytes pass through files, in
// both layouts.
TEST_F(ConversionTest, RoundTripThroughFiles)
{
    EXPECT_EQ(Convert(BinaryToText, std::string("\x00\x0a\xff", 3), m_out), 0);
    EXPECT_EQ(Out(), "00 0a ff ");
    EXPECT_EQ(Convert(ToCommentedLines, "MZ", m_out), 0);
    EXPECT_EQ(Out(), "4d 5a" + std::string(42, ' ') + "  # 00000000  MZ\r\n");
    std::mt19937 rng(5);
    std::string bytes(2 * HexBinaryBlock + 4321, '\0');
    for (char& b : bytes) b = char(rng());
    ASSERT_EQ(Convert(ToCommentedLines, bytes, m_out), 0);
    EXPECT_TRUE(Convert(TextToBinary, Out(), m_out));
    EXPECT_TRUE(Out() == bytes);
}

// Z:\dev\full is the host's full device: every write fails with ERROR_DISK_FULL.
TEST_F(ConversionTest, FullDiskAndFailedReadAreReported)
{
    const std::string full = "Z:\\dev\\full";
    EXPECT_FALSE(Convert(TextToBinary, "41 42", full));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    EXPECT_EQ(Convert(BinaryToText, "AB", full), ERROR_DISK_FULL);
    EXPECT_TRUE(Convert(TextToBinary, "# nothing", full)) << "nothing to write is no failure";

    // Opened for writing only, every read fails: that must not pass for the end of the file.
    EXPECT_FALSE(Convert(TextToBinary, "41 42", m_out, GENERIC_WRITE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Convert(BinaryToText, "41 42", m_out, GENERIC_WRITE), ERROR_ACCESS_DENIED);
}

namespace {

// A file whose writes report success after writing less than they were given.
class ShortWritingFile : public Vexa::CFile
{
public:
    using Vexa::CFile::CFile;
    BOOL WriteRaw(const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped) override
    {
        return Vexa::CFile::WriteRaw(buffer, count > 1 ? count - 1 : count, written, overlapped);
    }
};

} // namespace

TEST_F(ConversionTest, ShortWriteIsAFailure)
{
    testkit::WriteBytes(m_folder / "in", "41 42");
    Vexa::CFile in((m_folder / "in").c_str(), GENERIC_READ, OPEN_EXISTING);
    ShortWritingFile out(m_out.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    EXPECT_FALSE(TextToBinary(in, out));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_FAULT));
    ShortWritingFile text((m_folder / "text").c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    in.Seek(0, nullptr, FILE_BEGIN);
    EXPECT_EQ(BinaryToText(in, text), ERROR_WRITE_FAULT);
}
