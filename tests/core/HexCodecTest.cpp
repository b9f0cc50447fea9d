// Reader and writer against a byte-at-a-time model, for every kernel this machine can run.
#include "core/HexCodec.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <random>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

namespace {

// The reader as a plain byte-at-a-time loop: the model the fast kernels must match.
Bytes ReferenceDecode(const std::string& text)
{
    Bytes out;
    bool comment = false, waiting = false;
    int high = 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const signed char c = static_cast<signed char>(text[i]);
        if (c == '\n') comment = false;
        else if (c == '#') comment = true;
        if (comment) continue;
        int nibble;
        if (c >= '0' && c <= '9') nibble = c - '0';
        else if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
        else continue;
        if (!waiting) { high = nibble; waiting = true; }
        else { out.push_back(static_cast<unsigned char>(high << 4 | nibble)); waiting = false; }
    }
    return out;
}

std::string ReferenceEncode(const Bytes& bytes)
{
    std::string text;
    char group[8];
    for (size_t i = 0; i < bytes.size(); ++i)
    {
        snprintf(group, sizeof group, "%02x ", unsigned(bytes[i]));
        text += group;
    }
    return text;
}

std::vector<HexKernel> Kernels()
{
    std::vector<HexKernel> kernels;
    const HexKernel all[] = { HexKernelScalar, HexKernelSsse3, HexKernelAvx2 };
    for (HexKernel k : all)
        if (HexKernelSupported(k)) kernels.push_back(k);
    return kernels;
}

// Decodes text cut into blocks at the given offsets (ascending), one reader for the whole text.
Bytes DecodeInBlocks(HexKernel kernel, const std::string& text, const std::vector<size_t>& cuts)
{
    CHexReader reader(kernel);
    Bytes out;
    size_t from = 0;
    for (size_t i = 0; i <= cuts.size(); ++i)
    {
        const size_t to = i < cuts.size() ? cuts[i] : text.size();
        // Exact-size blocks, so the sanitizers see any read past the end.
        Bytes block(text.begin() + from, text.begin() + to);
        Bytes room(CHexReader::MaxOutput(block.size()));
        const size_t n = reader.Decode(block.data(), block.size(), room.data());
        EXPECT_LE(n, room.size());
        out.insert(out.end(), room.begin(), room.begin() + n);
        from = to;
    }
    return out;
}

std::string Hex(const Bytes& b)
{
    return ReferenceEncode(b);
}

// Random hex-ish text: digits of both cases, separators, high bytes, NUL and comments.
std::string RandomText(std::mt19937& rng, size_t size)
{
    static const char kDigits[] = "0123456789abcdefABCDEF";
    static const char kOther[] = " \t,\r\n:xg-_G@`/;";
    std::string text;
    const int style = rng() % 5;   // from dense pairs to noisy text
    while (text.size() < size)
    {
        if (style == 4 && rng() % 50)
        {
            // The writer's own "xy " layout, with now and then a stray byte that breaks it.
            text += kDigits[rng() % 22];
            text += kDigits[rng() % 22];
            text += " \n,\t"[rng() % 4];
            continue;
        }
        const unsigned r = rng() % 100;
        if (style == 0 || r < 55) text += kDigits[rng() % 22];
        else if (r < 80) text += kOther[rng() % (sizeof kOther - 1)];
        else if (r < 90) text += static_cast<char>(0x80 + rng() % 128);
        else if (r < 92) text += '\0';
        else if (r < 97 && style != 1)
        {
            text += '#';
            for (unsigned n = rng() % 40; n; --n) text += static_cast<char>(rng() % 256 == 10 ? 'x' : rng() % 256);
            if (rng() % 4) text += '\n';
        }
        else text += "4a ";
    }
    return text;
}

} // namespace

TEST(HexReader, CasesOfTheFormat)
{
    struct Case { const char* name; std::string text; Bytes bytes; };
    const Case cases[] = {
        { "empty", "", {} },
        { "spaced", "41 42 43", { 0x41, 0x42, 0x43 } },
        { "dense", "414243", { 0x41, 0x42, 0x43 } },
        { "pairs ignore separators", "4 14 243", { 0x41, 0x42, 0x43 } },
        { "CR LF lines", "41\r\n42\r\n43", { 0x41, 0x42, 0x43 } },
        { "upper case", "4A", { 0x4a } },
        { "lower case", "4a", { 0x4a } },
        { "0x prefix", "0x41", { 0x04 } },
        { "odd digit dropped", "abc", { 0xab } },
        { "comment line", "# 12\n34", { 0x34 } },
        { "comment to end", "12 # 34", { 0x12 } },
        { "comment inside a pair", "1#x\n2", { 0x12 } },
        { "comment ends at LF of CR LF", "#c\r\n56", { 0x56 } },
        { "CR alone does not end a comment", "12#c\r34\r56", { 0x12 } },
        { "hash inside comment", "#a#b\n#\n7f", { 0x7f } },
        { "NUL and high bytes skipped", std::string("1\0\x80\xff" "2", 5), { 0x12 } },
        { "CP932 trail byte counts", "\x83\x41" "b", { 0xab } },
        { "CP932 inside comment", "#\x83\x41\n0b", { 0x0b } },
        { "all digits", "0123456789abcdefABCDEF", { 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0xab, 0xcd, 0xef } },
        { "letters near digits", "/0:9@AFG`afg", { 0x09, 0xaf, 0xaf } },
    };
    for (HexKernel kernel : Kernels())
        for (const Case& c : cases)
        {
            ASSERT_EQ(Hex(ReferenceDecode(c.text)), Hex(c.bytes)) << c.name;
            EXPECT_EQ(Hex(DecodeInBlocks(kernel, c.text, {})), Hex(c.bytes)) << c.name << " kernel " << kernel;
            for (size_t cut = 0; cut <= c.text.size(); ++cut)
                EXPECT_EQ(Hex(DecodeInBlocks(kernel, c.text, { cut })), Hex(c.bytes))
                    << c.name << " cut at " << cut << " kernel " << kernel;
        }
}

TEST(HexReader, StateCarriesAcrossBlocks)
{
    for (HexKernel kernel : Kernels())
    {
        CHexReader reader(kernel);
        unsigned char out[8];
        EXPECT_EQ(reader.Decode(reinterpret_cast<const unsigned char*>("1"), 1, out), 0u);
        EXPECT_TRUE(reader.IsPending());
        EXPECT_EQ(reader.Decode(reinterpret_cast<const unsigned char*>("#2"), 2, out), 0u);
        EXPECT_TRUE(reader.IsInComment());
        EXPECT_EQ(reader.Decode(reinterpret_cast<const unsigned char*>("3\n"), 2, out), 0u);
        EXPECT_FALSE(reader.IsInComment());
        ASSERT_EQ(reader.Decode(reinterpret_cast<const unsigned char*>("f"), 1, out), 1u);
        EXPECT_EQ(out[0], 0x1f);
        EXPECT_FALSE(reader.IsPending());
    }
}

// The fast kernels against the model on noisy random text, whole and split at every offset.
TEST(HexReader, KernelsMatchTheModelOnRandomText)
{
    std::mt19937 rng(20261206);
    for (int round = 0; round < 150; ++round)
    {
        const size_t size = round < 120 ? rng() % 250 : 5000 + rng() % 12000;
        const std::string text = RandomText(rng, size);
        const std::string expected = Hex(ReferenceDecode(text));
        for (HexKernel kernel : Kernels())
        {
            ASSERT_EQ(Hex(DecodeInBlocks(kernel, text, {})), expected) << "round " << round << " kernel " << kernel;
            if (text.size() < 300)
            {
                for (size_t cut = 0; cut <= text.size(); ++cut)
                    ASSERT_EQ(Hex(DecodeInBlocks(kernel, text, { cut })), expected)
                        << "round " << round << " cut " << cut << " kernel " << kernel;
            }
            else
            {
                std::vector<size_t> cuts;
                for (size_t at = rng() % 97; at < text.size(); at += 1 + rng() % 3000) cuts.push_back(at);
                ASSERT_EQ(Hex(DecodeInBlocks(kernel, text, cuts)), expected) << "round " << round << " kernel " << kernel;
            }
        }
    }
}

TEST(HexWriter, EveryByteAndLength)
{
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<unsigned char>(b));
    for (HexKernel kernel : Kernels())
    {
        const CHexWriter writer(kernel);
        for (size_t size = 0; size <= all.size(); size += size < 40 ? 1 : 37)
        {
            const Bytes part(all.begin() + (256 - size) / 3, all.begin() + (256 - size) / 3 + size);
            std::vector<char> text(3 * size);
            ASSERT_EQ(writer.Encode(part.data(), size, text.data()), 3 * size);
            ASSERT_EQ(std::string(text.begin(), text.end()), ReferenceEncode(part)) << "size " << size << " kernel " << kernel;
        }
    }
    EXPECT_EQ(ReferenceEncode({ 0x00, 0x0a, 0xff }), "00 0a ff ");
}

TEST(HexWriter, RoundTripThroughEveryKernelPair)
{
    std::mt19937 rng(7);
    Bytes bytes(70000);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
    for (HexKernel writeKernel : Kernels())
    {
        std::vector<char> text(3 * bytes.size());
        CHexWriter(writeKernel).Encode(bytes.data(), bytes.size(), text.data());
        for (HexKernel readKernel : Kernels())
        {
            const std::string s(text.begin(), text.end());
            EXPECT_TRUE(DecodeInBlocks(readKernel, s, { 1, 4097, 33333 }) == bytes)
                << "kernels " << writeKernel << " -> " << readKernel;
        }
    }
}

namespace {

// A source that hands out at most `step` bytes a read and can fail after `failAt` bytes.
class MemorySource : public CByteSource
{
public:
    MemorySource(const std::string& data, size_t step = ~size_t(0), size_t failAt = ~size_t(0))
        : m_data(data), m_step(step), m_failAt(failAt) {}
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        if (m_pos >= m_failAt) return false;
        got = std::min(std::min(capacity, m_step), m_data.size() - m_pos);
        memcpy(buffer, m_data.data() + m_pos, got);
        m_pos += got;
        ++m_reads;
        return true;
    }
    size_t m_reads = 0;
private:
    std::string m_data;
    size_t m_step, m_failAt, m_pos = 0;
};

class MemorySink : public CByteSink
{
public:
    explicit MemorySink(size_t room = ~size_t(0)) : m_room(room) {}
    bool Write(const void* buffer, size_t size) override
    {
        if (m_data.size() + size > m_room) return false;
        m_data.append(static_cast<const char*>(buffer), size);
        return true;
    }
    std::string m_data;
private:
    size_t m_room;
};

} // namespace

TEST(HexPump, LargeTextWithStateAtTheBlockBoundaries)
{
    // A pair split by the first block boundary and a comment that spans the second one.
    std::string text(HexTextBlock - 1, ' ');
    text += "a";                                    // last byte of block 1: a waiting digit
    text += "b";                                    // first byte of block 2 completes 0xab
    text += std::string(HexTextBlock - 5, '\n');
    text += "#12";                                  // comment opens at the end of block 2 ...
    text += "34\n5";                                // ... and closes in block 3, then 0x56
    text += "6 ";
    text += "7";                                    // dangling digit at the end: dropped
    MemorySource in(text);
    MemorySink out;
    ASSERT_EQ(PumpTextToBinary(in, out), PumpDone);
    EXPECT_EQ(out.m_data, std::string("\xab\x56"));
    EXPECT_EQ(in.m_reads, 4u);   // three full-or-partial blocks, then the empty read at the end
}

TEST(HexPump, RoundTripOverManyBlocksAndShortReads)
{
    std::mt19937 rng(99);
    std::string bytes(3 * HexBinaryBlock + 12345, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    MemorySource binIn(bytes, 100003);
    MemorySink textOut;
    ASSERT_EQ(PumpBinaryToText(binIn, textOut), PumpDone);
    ASSERT_EQ(textOut.m_data.size(), 3 * bytes.size());
    EXPECT_EQ(textOut.m_data.substr(0, 6), ReferenceEncode(Bytes(bytes.begin(), bytes.begin() + 2)));
    MemorySource textIn(textOut.m_data, 777777);
    MemorySink binOut;
    ASSERT_EQ(PumpTextToBinary(textIn, binOut), PumpDone);
    EXPECT_TRUE(binOut.m_data == bytes);
}

TEST(HexPump, FailuresAreReported)
{
    const std::string text(5 * HexTextBlock / 2, '7');
    {
        MemorySource in(text, ~size_t(0), HexTextBlock);
        MemorySink out;
        EXPECT_EQ(PumpTextToBinary(in, out), PumpReadFailed);
        EXPECT_EQ(out.m_data.size(), HexTextBlock / 2u);   // what came before the failure stays
    }
    {
        MemorySource in(text);
        MemorySink out(HexTextBlock);
        EXPECT_EQ(PumpTextToBinary(in, out), PumpWriteFailed);
    }
    {
        MemorySource in(text, ~size_t(0), 0);
        MemorySink out;
        EXPECT_EQ(PumpBinaryToText(in, out), PumpReadFailed);
    }
    {
        MemorySource in(text);
        MemorySink out(10);
        EXPECT_EQ(PumpBinaryToText(in, out), PumpWriteFailed);
    }
    {
        MemorySource in("");
        MemorySink out;
        EXPECT_EQ(PumpBinaryToText(in, out), PumpDone);
        EXPECT_EQ(PumpTextToBinary(in, out), PumpDone);
        EXPECT_TRUE(out.m_data.empty());
    }
}
