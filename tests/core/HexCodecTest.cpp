// Reader, writer and pumps for every kernel this machine runs, the pumps also through the pipeline.
// The fuzzer checks the reader against a byte-at-a-time model on any text, and the readers' fast
// path for the writer's layouts against the scalar kernel wherever those layouts are broken.
#include "core/HexCodec.h"
#include "core/Pipeline.h"
#include "tests/core/MemoryStreams.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

namespace {

std::vector<HexKernel> Kernels()
{
    std::vector<HexKernel> kernels;
    for (HexKernel k : { HexKernelScalar, HexKernelSsse3, HexKernelAvx2, HexKernelAvx512 })
        if (HexKernelSupported(k)) kernels.push_back(k);
    return kernels;
}

// One pump over memory reading at most `step` bytes at a time, on this thread or through the pipeline.
std::string Pumped(bool toBinary, const std::string& input, size_t step, bool overlapped, HexKernel kernel,
                   const HexLayout& layout = HexLayout())
{
    MemoryFile in(input, step);
    MemoryOutput out;
    CReadAhead ahead(in);
    CWriteBehind behind(out);
    EXPECT_EQ(overlapped ? (toBinary ? PumpTextToBinary(ahead, behind, kernel)
                                     : PumpBinaryToText(ahead, behind, layout, kernel))
                         : (toBinary ? PumpTextToBinary(in, out, kernel) : PumpBinaryToText(in, out, layout, kernel)),
              PumpDone);
    return out.m_data;
}

} // namespace

TEST(HexReader, CasesOfTheFormat)
{
    // Every digit and the bytes next to them in ASCII and above 0x7f (b0 and e1 look like digits
    // to a signed compare), long enough for the vector kernels.
    std::string mixed;
    Bytes mixedBytes;
    for (int i = 0; i < 3; ++i)
        mixed += "0123456789abcdefABCDEF/:@G`g\x80\xff\xb0\xe1#\n",
        mixedBytes.insert(mixedBytes.end(), { 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0xab, 0xcd, 0xef });
    struct Case { std::string text; Bytes bytes; };
    const Case cases[] = {
        { "", {} },
        { "4 14 2\r\n43 0x5 abc", { 0x41, 0x42, 0x43, 0x05, 0xab } },   // a last odd digit is dropped
        { "# 12\n34 # 5\r\n6#x\n7 #a#b\r8\n9a", { 0x34, 0x67, 0x9a } },   // only LF ends a comment
        { std::string("1\0\x80\xff\xb0\xe1" "2\x83\x41" "b#\x83\x41\n0c", 16), { 0x12, 0xab, 0x0c } }, // CP932
        { mixed, mixedBytes },
    };
    // Each text cut in two at every offset: a waiting digit or an open comment carries over to the
    // next block. Exact-size blocks, so the sanitizers see any read past the end.
    for (HexKernel kernel : Kernels())
        for (const Case& c : cases)
            for (size_t cut = 0; cut <= c.text.size(); ++cut)
            {
                CHexReader reader(kernel);
                Bytes out;
                for (const std::string& part : { c.text.substr(0, cut), c.text.substr(cut) })
                {
                    Bytes block(part.begin(), part.end()), room(CHexReader::MaxOutput(part.size()));
                    const size_t n = reader.Decode(block.data(), block.size(), room.data());
                    ASSERT_LE(n, room.size());
                    out.insert(out.end(), room.begin(), room.begin() + n);
                }
                EXPECT_EQ(out, c.bytes) << c.text << " cut at " << cut << " kernel " << kernel;
            }
}

// Every layout at every size up to past a line of 32 and over many blocks of odd short reads: each
// kernel writes the scalar one's text and reads it back, on one thread and through the pipeline.
TEST(HexPump, EveryLayoutRoundTrips)
{
    std::mt19937 rng(99);
    std::string random(2 * HexBinaryBlock + 12345, '\0');
    for (char& b : random) b = static_cast<char>(rng());
    for (unsigned width : { 0u, 8u, 16u, 32u })
        for (bool comments : { false, true })
            for (size_t size = 0; size <= 41; ++size)
            {
                const std::string bytes = random.substr(size == 41 ? 0 : random.size() - size);
                const HexLayout layout(width, comments);
                std::string scalarText, scalarDirect;
                for (HexKernel kernel : Kernels())
                    for (bool overlapped : { false, true })
                    {
                        const std::string text = Pumped(false, bytes, 100003, overlapped, kernel, layout);
                        // Straight into exact-size room too, offsets of 16 digits, so the sanitizers see an overrun.
                        CHexWriter writer(kernel, layout, uint64_t(1) << 60);
                        std::vector<char> room(writer.MaxOutput(bytes.size())), end(writer.MaxOutput(0));
                        std::string direct(room.data(), writer.Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), room.data()));
                        direct.append(end.data(), writer.Finish(end.data()));
                        if (kernel == HexKernelScalar) scalarText = text, scalarDirect = direct;
                        ASSERT_TRUE(text == scalarText && direct == scalarDirect &&
                                    Pumped(true, text, 777777, overlapped, kernel) == bytes)
                            << width << (comments ? "c, " : ", ") << bytes.size() << " bytes, " << kernel << overlapped;
                    }
            }
}

// The exact text of small layouts. The fuzzer checks any split of the input against the whole.
TEST(HexWriter, LinesAndComments)
{
    struct Case { unsigned width; bool comments; uint64_t first; std::string bytes, text; };
    const Case cases[] = {
        { 16, true, 0, std::string("MZ\x90\x00", 4), "4d 5a 90 00" + std::string(36, ' ') + "  # 00000000  MZ..\r\n" },
        { 8, false, 0, std::string("\0\1\2\3\4\5\6\7\x08", 9), "00 01 02 03 04 05 06 07\r\n08\r\n" },
        { 8, true, 0, "#1 ~\x7f\x1f\x80\xff", "23 31 20 7e 7f 1f 80 ff  # 00000000  #1 ~....\r\n" },
        { 8, true, 0xfffffff8, "ABCDEFGHI", "41 42 43 44 45 46 47 48  # fffffff8  ABCDEFGH\r\n"
                                            "49" + std::string(21, ' ') + "  # 100000000  I\r\n" },
        { 0, true, 0, "ab", "61 62 " },   // comments need lines
        { 64, true, 0, std::string(40, 'a'), [] { std::string t; for (int i = 0; i < 40; ++i) t += "61 "; return t; }() },
    };
    for (HexKernel kernel : Kernels())
        for (const Case& c : cases)
        {
            // The fields set by hand: the writer takes only a width it can write.
            HexLayout layout;
            layout.nBytesPerLine = c.width, layout.bComments = c.comments;
            CHexWriter writer(kernel, layout, c.first);
            // Exact-size room, so the sanitizers see a write past MaxOutput.
            std::vector<char> room(writer.MaxOutput(c.bytes.size())), end(writer.MaxOutput(0));
            std::string text(room.data(), writer.Encode(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                                        c.bytes.size(), room.data()));
            text.append(end.data(), writer.Finish(end.data()));
            EXPECT_EQ(text, c.text) << "width " << c.width << " kernel " << kernel;
        }
}
