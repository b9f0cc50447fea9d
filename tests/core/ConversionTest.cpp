// The conversions on real files, opened the way the pages open them.
#include "core/Conversion.h"

#include "core/HexCodec.h"
#include "foundation/CFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

class ConversionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "quill-conv-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_dir.c_str(), nullptr);
        m_in = m_dir + "\\in";
        m_out = m_dir + "\\out";
    }
    void TearDown() override
    {
        DeleteFileA(m_in.c_str());
        DeleteFileA(m_out.c_str());
        RemoveDirectoryA(m_dir.c_str());
    }

    static void Put(const std::string& path, const std::string& data)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        DWORD written = 0;
        ASSERT_TRUE(data.empty() || WriteFile(h, data.data(), DWORD(data.size()), &written, nullptr));
        CloseHandle(h);
    }

    static std::string Get(const std::string& path)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        std::string data(GetFileSize(h, nullptr), '\0');
        DWORD read = 0;
        if (!data.empty()) ReadFile(h, &data[0], DWORD(data.size()), &read, nullptr);
        CloseHandle(h);
        return data;
    }

    // Converts m_in into the given output path; returns TextToBinary's result.
    bool ToBinary(const std::string& text, const std::string& outPath)
    {
        Put(m_in, text);
        Vexa::CFile in(m_in.c_str(), GENERIC_READ, OPEN_EXISTING);
        Vexa::CFile out(outPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        EXPECT_NE(in.GetHandle(), INVALID_HANDLE_VALUE);
        EXPECT_NE(out.GetHandle(), INVALID_HANDLE_VALUE) << outPath;
        return TextToBinary(in, out);
    }

    int ToText(const std::string& bytes, const std::string& outPath)
    {
        Put(m_in, bytes);
        Vexa::CFile in(m_in.c_str(), GENERIC_READ, OPEN_EXISTING);
        Vexa::CFile out(outPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        EXPECT_NE(out.GetHandle(), INVALID_HANDLE_VALUE) << outPath;
        return BinaryToText(in, out);
    }

    std::string m_dir, m_in, m_out;
};

} // namespace

TEST_F(ConversionTest, TextToBinaryCases)
{
    struct Case { std::string text, bytes; };
    const Case cases[] = {
        { "", "" },
        { "41 42 43", "ABC" }, { "414243", "ABC" }, { "4 14 243", "ABC" }, { "41\r\n42\r\n43", "ABC" },
        { "4A", "\x4a" }, { "4a", "\x4a" }, { "0x41", "\x04" }, { "abc", "\xab" },
        { "# 12\n34", "\x34" }, { "12 # 34", "\x12" }, { "1#x\n2", "\x12" },
        { "#c\r\n56", "\x56" }, { "12#c\r34\r56", "\x12" },
        { std::string("1\0\x80\xff" "2", 5), "\x12" }, { "\x83\x41" "b", "\xab" }, { "#\x83\x41\n0b", "\x0b" },
    };
    for (const Case& c : cases)
    {
        EXPECT_TRUE(ToBinary(c.text, m_out)) << c.text;
        EXPECT_EQ(Get(m_out), c.bytes) << c.text;
    }
}

TEST_F(ConversionTest, BinaryToTextCases)
{
    EXPECT_EQ(ToText("", m_out), 0);
    EXPECT_EQ(Get(m_out), "");
    EXPECT_EQ(ToText(std::string("\x00\x0a\xff", 3), m_out), 0);
    EXPECT_EQ(Get(m_out), "00 0a ff ");
}

TEST_F(ConversionTest, StateCarriesAcrossReadBlocks)
{
    // The first block ends with a waiting digit; a comment opens at the end of the second.
    std::string text(HexTextBlock - 1, ',');
    text += "ab";
    text += std::string(HexTextBlock - 5, '\n');
    text += "#1234\n5";
    text += "6 7";
    EXPECT_TRUE(ToBinary(text, m_out));
    EXPECT_EQ(Get(m_out), "\xab\x56");
}

TEST_F(ConversionTest, RoundTripOverManyBlocks)
{
    std::mt19937 rng(5);
    std::string bytes(2 * HexBinaryBlock + 4321, '\0');
    for (char& b : bytes) b = char(rng());
    ASSERT_EQ(ToText(bytes, m_out), 0);
    const std::string text = Get(m_out);
    ASSERT_EQ(text.size(), 3 * bytes.size());
    EXPECT_EQ(text.substr(text.size() - 3, 2).find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_TRUE(ToBinary(text, m_out));
    EXPECT_TRUE(Get(m_out) == bytes);
}

// Z:\dev\full is the host's full device: every write fails with ERROR_DISK_FULL.
TEST_F(ConversionTest, FullDiskIsReported)
{
    const std::string full = "Z:\\dev\\full";
    EXPECT_FALSE(ToBinary("41 42", full));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    EXPECT_EQ(ToText("AB", full), ERROR_DISK_FULL);
    // Nothing to write is no failure.
    EXPECT_TRUE(ToBinary("# nothing", full));
}

TEST_F(ConversionTest, FailedReadIsNotTheEndOfTheFile)
{
    Put(m_in, "41 42");
    // Opened for writing only: every read fails with access denied.
    Vexa::CFile in(m_in.c_str(), GENERIC_WRITE, OPEN_EXISTING);
    Vexa::CFile out(m_out.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(in.GetHandle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(TextToBinary(in, out));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(BinaryToText(in, out), ERROR_ACCESS_DENIED);
}
