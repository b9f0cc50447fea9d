// Reader, writer and pumps, for every kernel this machine can run. The fuzzer checks the reader
// against a byte-at-a-time model on any text.
#include "core/HexCodec.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <random>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

namespace {

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
        { "the same, long enough for the vector kernels", "/0:9@AFG`afg\x80\xff /0:9@AFG`afg\t\x01/0:9@AFG`afg,./0:9@AFG`afg#0\n",
          { 0x09, 0xaf, 0xaf, 0x09, 0xaf, 0xaf, 0x09, 0xaf, 0xaf, 0x09, 0xaf, 0xaf } },
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

// Every layout, read back by every kernel, gives the same bytes: at every size up to past a line
// of 32 (so 0, 1, N-1, N and N+1 of every width) and over many blocks of short reads, each kernel
// writing the same text as the scalar one.
TEST(HexPump, EveryLayoutRoundTrips)
{
    std::mt19937 rng(99);
    std::string random(2 * HexBinaryBlock + 12345, '\0');
    for (char& b : random) b = static_cast<char>(rng());
    std::vector<size_t> sizes(41);
    for (size_t i = 0; i < sizes.size(); ++i) sizes[i] = i;
    sizes.push_back(random.size());
    for (unsigned width : { 0u, 8u, 16u, 32u })
        for (bool comments : { false, true })
            for (size_t size : sizes)
            {
                const std::string bytes = random.substr(random.size() - size);
                std::string scalarText;
                for (HexKernel kernel : Kernels())
                {
                    MemorySource binIn(bytes, 100003);
                    MemorySink textOut;
                    ASSERT_EQ(PumpBinaryToText(binIn, textOut, HexLayout(width, comments), kernel), PumpDone);
                    if (kernel == HexKernelScalar) scalarText = textOut.m_data;
                    if (size <= 40)   // straight into exact-size room too, so the sanitizers see an overrun
                    {
                        CHexWriter writer(kernel, HexLayout(width, comments));
                        std::vector<char> room(writer.MaxOutput(size)), end(writer.MaxOutput(0));
                        std::string direct(room.data(), writer.Encode(reinterpret_cast<const unsigned char*>(bytes.data()), size, room.data()));
                        ASSERT_TRUE(direct.append(end.data(), writer.Finish(end.data())) == scalarText) << size;
                    }
                    ASSERT_TRUE(textOut.m_data == scalarText) << "width " << width << " comments " << comments
                                                              << " size " << size << " kernel " << kernel;
                }
                for (HexKernel kernel : Kernels())
                {
                    MemorySource textIn(scalarText, 777777);
                    MemorySink binOut;
                    ASSERT_EQ(PumpTextToBinary(textIn, binOut, kernel), PumpDone);
                    ASSERT_TRUE(binOut.m_data == bytes) << "width " << width << " comments " << comments
                                                        << " size " << size << " read by kernel " << kernel;
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
