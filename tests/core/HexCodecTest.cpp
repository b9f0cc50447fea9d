// Reader and writer against a byte-at-a-time model, for every kernel this machine can run.
#include "core/HexCodec.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <random>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

namespace {

// The reader as a plain byte-at-a-time loop: the model the fast kernels must match.
Bytes ReferenceDecode(const std::string& text)
{
    Bytes out;
    bool comment = false;
    int high = -1;
    for (const char c : text)
    {
        if (c == '\n') comment = false;
        else if (c == '#') comment = true;
        const char* digit = strchr("0123456789abcdef0123456789ABCDEF", c);
        if (comment || c == '\0' || !digit) continue;
        const int nibble = int(digit - "0123456789abcdef0123456789ABCDEF") % 16;
        if (high < 0) high = nibble;
        else { out.push_back(static_cast<unsigned char>(high << 4 | nibble)); high = -1; }
    }
    return out;
}

// The writer's format, "xy " per byte; also how the tests print bytes.
std::string Hex(const Bytes& bytes)
{
    std::string text;
    char group[8];
    for (unsigned char b : bytes) text += (snprintf(group, sizeof group, "%02x ", b), group);
    return text;
}

std::vector<HexKernel> Kernels()
{
    std::vector<HexKernel> kernels;
    for (HexKernel k : { HexKernelScalar, HexKernelSsse3, HexKernelAvx2 })
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
        Bytes block(text.begin() + from, text.begin() + to), room(CHexReader::MaxOutput(to - from));
        const size_t n = reader.Decode(block.data(), block.size(), room.data());
        EXPECT_LE(n, room.size());
        out.insert(out.end(), room.begin(), room.begin() + n);
        from = to;
    }
    return out;
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
        const unsigned r = rng() % 100;
        if (style == 4 && r < 98)   // the writer's own "xy " layout, now and then broken
            (text += kDigits[rng() % 22]) += kDigits[rng() % 22], text += " \n,\t"[rng() % 4];
        else if (style == 0 || r < 55) text += kDigits[rng() % 22];
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
    // Each text whole and cut in two at every offset: a waiting digit or an open comment
    // carries over to the next block.
    for (HexKernel kernel : Kernels())
        for (const Case& c : cases)
        {
            for (size_t cut = 0; cut <= c.text.size(); ++cut)
                EXPECT_EQ(Hex(DecodeInBlocks(kernel, c.text, { cut })), Hex(c.bytes))
                    << c.name << " cut at " << cut << " kernel " << kernel;
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

// Every byte at every short length and some long ones, then a long random run read back
// through every pair of writer and reader kernels.
TEST(HexWriter, MatchesTheFormatAndRoundTrips)
{
    Bytes all(256), random(70000);
    for (int b = 0; b < 256; ++b) all[b] = static_cast<unsigned char>(b);
    std::mt19937 rng(7);
    for (unsigned char& b : random) b = static_cast<unsigned char>(rng());
    for (HexKernel kernel : Kernels())
    {
        for (size_t size = 0; size <= all.size(); size += size < 40 ? 1 : 37)
        {
            const Bytes part(all.begin() + (256 - size) / 3, all.begin() + (256 - size) / 3 + size);
            std::vector<char> text(3 * size);
            ASSERT_EQ(CHexWriter(kernel).Encode(part.data(), size, text.data()), 3 * size);
            ASSERT_EQ(std::string(text.begin(), text.end()), Hex(part)) << "size " << size << " kernel " << kernel;
        }
        std::string text(3 * random.size(), '\0');
        CHexWriter(kernel).Encode(random.data(), random.size(), &text[0]);
        for (HexKernel readKernel : Kernels())
            EXPECT_TRUE(DecodeInBlocks(readKernel, text, { 1, 4097, 33333 }) == random)
                << "kernels " << kernel << " -> " << readKernel;
    }
}

namespace {

// A source that hands out at most `step` bytes a read and fails once `failAt` bytes are out.
struct MemorySource : CByteSource
{
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
    std::string m_data;
    size_t m_step, m_failAt, m_pos = 0, m_reads = 0;
};

// A sink that refuses a write that would take it past `room` bytes.
struct MemorySink : CByteSink
{
    explicit MemorySink(size_t room = ~size_t(0)) : m_room(room) {}
    bool Write(const void* buffer, size_t size) override
    {
        if (m_data.size() + size > m_room) return false;
        m_data.append(static_cast<const char*>(buffer), size);
        return true;
    }
    std::string m_data;
    size_t m_room;
};

} // namespace

TEST(HexPump, LargeTextWithStateAtTheBlockBoundaries)
{
    // A pair split by the first block boundary; a comment opens at the end of block 2 and
    // closes in block 3; a dangling digit at the very end is dropped.
    const std::string text = std::string(HexTextBlock - 1, ' ') + "ab" + std::string(HexTextBlock - 5, '\n') +
                             "#1234\n56 7";
    MemorySource in(text);
    MemorySink out;
    ASSERT_EQ(PumpTextToBinary(in, out), PumpDone);
    EXPECT_EQ(out.m_data, std::string("\xab\x56"));
    EXPECT_EQ(in.m_reads, 4u);   // three full-or-partial blocks, then the empty read at the end
}

// Every layout, read back, gives the same bytes: at the sizes around a line, and over many
// blocks of short reads, for every kernel, each kernel writing the same text as the scalar one.
TEST(HexPump, EveryLayoutRoundTrips)
{
    std::mt19937 rng(99);
    std::string random(2 * HexBinaryBlock + 12345, '\0');
    for (char& b : random) b = static_cast<char>(rng());
    for (unsigned width : { 0u, 8u, 16u, 32u })
        for (bool comments : { false, true })
        {
            const size_t many = random.size() - width;
            for (size_t size : { size_t(0), size_t(1), size_t(width - 1), size_t(width), size_t(width + 1), many })
            {
                if (width == 0 && size > 1 && size != many) continue;
                const std::string bytes = random.substr(random.size() - size);
                std::string scalarText;
                for (HexKernel kernel : Kernels())
                {
                    MemorySource binIn(bytes, 100003);
                    MemorySink textOut;
                    ASSERT_EQ(PumpBinaryToText(binIn, textOut, HexLayout(width, comments), kernel), PumpDone);
                    if (kernel == HexKernelScalar) scalarText = textOut.m_data;
                    ASSERT_TRUE(textOut.m_data == scalarText) << "width " << width << " comments " << comments
                                                              << " size " << size << " kernel " << kernel;
                }
                MemorySource textIn(scalarText, 777777);
                MemorySink binOut;
                ASSERT_EQ(PumpTextToBinary(textIn, binOut), PumpDone);
                ASSERT_TRUE(binOut.m_data == bytes) << "width " << width << " comments " << comments << " size " << size;
            }
        }
}

// The exact text of small layouts, whole and with the input cut in two at every offset.
TEST(HexWriter, LinesAndComments)
{
    const std::string pad(36, ' ');
    struct Case { unsigned width; bool comments; uint64_t first; std::string bytes, text; };
    const Case cases[] = {
        { 16, true, 0, std::string("MZ\x90\x00", 4), "4d 5a 90 00" + pad + "  # 00000000  MZ..\r\n" },
        { 8, false, 0, std::string("\0\1\2\3\4\5\6\7\x08", 9), "00 01 02 03 04 05 06 07\r\n08\r\n" },
        { 8, true, 0, "#1 ~\x7f\x1f\x80\xff", "23 31 20 7e 7f 1f 80 ff  # 00000000  #1 ~....\r\n" },
        { 8, true, 0xfffffff8, "ABCDEFGHI", "41 42 43 44 45 46 47 48  # fffffff8  ABCDEFGH\r\n"
                                            "49" + std::string(21, ' ') + "  # 100000000  I\r\n" },
        { 32, false, 0, "ab", "61 62\r\n" },
        { 16, true, 0, "", "" },
        { 0, true, 0, "ab", "61 62 " },   // comments need lines
    };
    for (HexKernel kernel : Kernels())
        for (const Case& c : cases)
            for (size_t cut = 0; cut <= c.bytes.size(); ++cut)
            {
                CHexWriter writer(kernel, HexLayout(c.width, c.comments), c.first);
                std::string text;
                const std::string parts[3] = { c.bytes.substr(0, cut), c.bytes.substr(cut), "" };
                for (int i = 0; i < 3; ++i)
                {
                    // Exact-size room, so the sanitizers see a write past MaxOutput.
                    std::vector<char> room(writer.MaxOutput(parts[i].size()));
                    const auto* in = reinterpret_cast<const unsigned char*>(parts[i].data());
                    const size_t n = i < 2 ? writer.Encode(in, parts[i].size(), room.data()) : writer.Finish(room.data());
                    ASSERT_LE(n, room.size());
                    text.append(room.data(), n);
                }
                EXPECT_EQ(text, c.text) << "width " << c.width << " cut " << cut << " kernel " << kernel;
            }
}

TEST(HexPump, FailuresAreReported)
{
    const std::string text(5 * HexTextBlock / 2, '7');
    const size_t never = ~size_t(0);
    struct Case { const char* name; bool toBinary; std::string in; size_t failAt, room; PumpResult result; size_t kept; };
    const Case cases[] = {
        { "read fails in block 2", true, text, HexTextBlock, never, PumpReadFailed, HexTextBlock / 2 },
        { "write fails in block 3", true, text, never, HexTextBlock, PumpWriteFailed, HexTextBlock },
        { "first read fails", false, text, 0, never, PumpReadFailed, 0 },
        { "write fails", false, text, never, 10, PumpWriteFailed, 0 },
        { "empty to text", false, "", never, never, PumpDone, 0 },
        { "empty to binary", true, "", never, never, PumpDone, 0 },
    };
    for (const Case& c : cases)
    {
        MemorySource in(c.in, never, c.failAt);
        MemorySink out(c.room);
        const PumpResult result = c.toBinary ? PumpTextToBinary(in, out) : PumpBinaryToText(in, out);
        EXPECT_EQ(result, c.result) << c.name << (c.toBinary ? " to binary" : " to text");
        EXPECT_EQ(out.m_data.size(), c.kept) << c.name << ": what came before the failure stays";
    }
}
