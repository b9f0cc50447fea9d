// Reader, writer and pumps for every kernel this machine runs, the pumps also through the pipeline.
// The fuzzer checks the reader against a byte-at-a-time model on any text.
#include "core/HexCodec.h"
#include "core/Pipeline.h"
#include "tests/core/MemoryStreams.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <string.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

typedef std::vector<unsigned char> Bytes;

namespace {

std::vector<HexKernel> Kernels()
{
    std::vector<HexKernel> kernels;
    for (HexKernel k : { HexKernelScalar, HexKernelSsse3, HexKernelAvx2 })
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

// The writer's layouts (CR LF or LF) broken at several places: the vector readers' fast path gives
// up at each break and takes the layout up again, giving the scalar kernel's bytes (the written
// ones wherever the break adds no digit), whole and in odd short reads through the pipeline.
TEST(HexReader, LayoutsBrokenAndTakenUp)
{
    std::mt19937 rng(5);
    Bytes bytes(2500);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
    // `to` inserted, or replacing `from` over the next four lines (one ends a step of two or four).
    struct Break { const char* from; const char* to; bool keepsBytes; };
    const Break breaks[] = {
        { "", "", true }, { "", "\r\n", true }, { "", "  ", true }, { "", ", \t", true },
        { "", "# 12 ab\r\n", true }, { "", "#\n", true },  // a comment line, or cutting a pair in two
        { "", "\x82\xa0", true },               // CP932 between groups
        { "", "7", false },                    // a lone digit: pairs out of step until the next one
        // A byte next to the digits in ASCII (by either nibble) paired with a digit.
        { "", "@a ", false }, { "", "b: ", false }, { "", "/c ", false }, { "", "d` ", false },
        { "", "Gf ", false }, { "", "9g ", false }, { "", "P1 ", false }, { "", "2q ", false },
        // LF lines among CR LF ones, pairs run together, a lone digit starting a line.
        { "\r\n", "\n", true }, { " ", "", true }, { "\n", "\n7", false },
    };
    const HexLayout layouts[] = { HexLayout(), HexLayout(8), HexLayout(8, true), HexLayout(16),
                                  HexLayout(16, true), HexLayout(32), HexLayout(32, true) };
    for (const HexLayout& layout : layouts)
        for (bool lf : { false, true })
        {
            std::string written;
            for (char ch : Pumped(false, std::string(bytes.begin(), bytes.end()), 4096, false, HexKernelScalar, layout))
                if (!lf || ch != '\r') written += ch;
            for (const Break& b : breaks)
            {
                // At three places: where a group starts, and at whatever byte is there (but not
                // inside a comment).
                std::string text = written;
                const size_t start = layout.nBytesPerLine ? written.find('\n', written.size() / 5) + 1
                                                          : written.size() / 15 * 3;
                for (size_t at : { 3 * written.size() / 4 + 2, written.size() / 2 + 1, start })
                {
                    const size_t hash = text.rfind('#', at);
                    if (hash != std::string::npos && text.find('\n', hash) >= at)
                        at = text.find('\n', at) + 1;
                    if (!*b.from)
                        text.insert(at, b.to);
                    for (int line = 0; *b.from && line < 4; ++line)
                    {
                        at = text.find(b.from, at);
                        if (at == std::string::npos) break;
                        text.replace(at, strlen(b.from), b.to);
                        at = text.find('\n', at + strlen(b.to));
                    }
                }
                Bytes scalar;
                for (HexKernel kernel : Kernels())
                {
                    Bytes whole(CHexReader::MaxOutput(text.size()));
                    whole.resize(CHexReader(kernel).Decode(reinterpret_cast<const unsigned char*>(text.data()),
                                                           text.size(), whole.data()));
                    const std::string pumped = Pumped(true, text, 1001, true, kernel);
                    if (kernel == HexKernelScalar) scalar = whole;
                    EXPECT_TRUE(whole == scalar && pumped == std::string(scalar.begin(), scalar.end()) &&
                                (!b.keepsBytes || whole == bytes))
                        << layout.nBytesPerLine << layout.bComments << lf << " \"" << b.from << "\" to \"" << b.to
                        << "\", kernel " << kernel;
                }
            }
        }
}

// The exact text of small layouts, whole and with the input cut in two at every offset.
TEST(HexWriter, LinesAndComments)
{
    struct Case { unsigned width; bool comments; uint64_t first; std::string bytes, text; };
    const Case cases[] = {
        { 16, true, 0, std::string("MZ\x90\x00", 4), "4d 5a 90 00" + std::string(36, ' ') + "  # 00000000  MZ..\r\n" },
        { 8, false, 0, std::string("\0\1\2\3\4\5\6\7\x08", 9), "00 01 02 03 04 05 06 07\r\n08\r\n" },
        { 8, true, 0, "#1 ~\x7f\x1f\x80\xff", "23 31 20 7e 7f 1f 80 ff  # 00000000  #1 ~....\r\n" },
        { 8, true, 0xfffffff8, "ABCDEFGHI", "41 42 43 44 45 46 47 48  # fffffff8  ABCDEFGH\r\n"
                                            "49" + std::string(21, ' ') + "  # 100000000  I\r\n" },
        { 16, true, 0, "", "" },
        { 0, true, 0, "ab", "61 62 " },   // comments need lines
        { 64, true, 0, std::string(40, 'a'), [] { std::string t; for (int i = 0; i < 40; ++i) t += "61 "; return t; }() },
    };
    for (HexKernel kernel : Kernels())
        for (const Case& c : cases)
            for (size_t cut = 0; cut <= c.bytes.size(); ++cut)
            {
                // The fields set by hand: the writer takes only a width it can write.
                HexLayout layout;
                layout.nBytesPerLine = c.width, layout.bComments = c.comments;
                CHexWriter writer(kernel, layout, c.first);
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

// A failing read, a full disk or a stop in the middle, through the pipeline either way: each ends
// with its side's error; a stop is asked on the conversion's thread, and nothing after it converts.
TEST(HexPump, FaultsInThePipelineKeepTheirSide)
{
#ifdef _WIN32
    const unsigned kCancelled = 1223;
#else
    const unsigned kCancelled = ECANCELED;
#endif
    std::string bytes(3 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + i / 4099);
    const std::string text = Pumped(false, bytes, ~size_t(0), false, HexKernelBest);
    struct Stopper : CConversionObserver {
        int stopAt, asked = 0;
        unsigned long long readAtStop = 0;
        std::thread::id thread = std::this_thread::get_id();
        bool elsewhere = false;
        bool OnBlock(unsigned long long read, unsigned long long) override
        {
            elsewhere |= std::this_thread::get_id() != thread;
            if (++asked == stopAt) readAtStop = read;
            return !stopAt || asked < stopAt;
        }
    };
    const size_t none = ~size_t(0);
    struct Case { bool toBinary; size_t readFails, writeFails; int stopAt; PumpResult result; unsigned error; };
    const Case cases[] = {
        { true, 5 << 20, none, 0, PumpReadFailed, 5 },  { false, 2 << 20, none, 0, PumpReadFailed, 5 },
        // The disk fills early, or with the last block, which only the flush at the end meets.
        { false, none, 1 << 20, 0, PumpWriteFailed, 28 }, { true, none, bytes.size() - 1000, 0, PumpWriteFailed, 28 },
        { true, none, none, 3, PumpReadFailed, kCancelled }, { false, none, none, 40, PumpReadFailed, kCancelled },
    };
    for (const Case& c : cases)
    {
        const size_t row = &c - cases;
        MemoryFile in(c.toBinary ? text : bytes, 65537, c.readFails);
        MemoryOutput out(c.writeFails);
        Stopper stopper;
        stopper.stopAt = c.stopAt;
        {
            CReadAhead ahead(in, &stopper);
            CWriteBehind behind(out);
            EXPECT_EQ(c.toBinary ? PumpTextToBinary(ahead, behind) : PumpBinaryToText(ahead, behind), c.result) << row;
            EXPECT_EQ(c.result == PumpWriteFailed ? behind.GetError() : ahead.GetError(), c.error) << row;
            EXPECT_EQ(c.result == PumpWriteFailed ? ahead.GetError() : behind.GetError(), 0u) << row;
        }
        EXPECT_FALSE(stopper.elsewhere) << row;
        if (!c.stopAt) continue;
        EXPECT_EQ(stopper.asked, c.stopAt) << row;
        // No more was converted than what was read before the stop.
        EXPECT_LE(out.m_data.size(), c.toBinary ? stopper.readAtStop / 2 : 3 * stopper.readAtStop) << row;
    }
}
