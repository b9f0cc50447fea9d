// Intel HEX and S-records: what the reader accepts and refuses (with its line), the writer's exact
// layout, and both over sizes and addresses around the formats' boundaries, every kernel, reads of
// any size. The comparison with other tools' readers and writers is in RecordDiffTest.
#include "core/RecordReader.h"
#include "core/RecordWriter.h"
#include "tests/core/MemoryStreams.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const HexKernel kKernels[] = { HexKernelScalar, HexKernelBest };

RecordImage Read(RecordFormat format, const std::string& text, std::string& out, size_t step = ~size_t(0),
                 HexKernel kernel = HexKernelBest)
{
    MemoryFile in(text, step);
    MemoryOutput sink;
    RecordReadOptions options;
    options.kernel = kernel;
    const RecordImage image = ReadRecords(format, in, sink, options);
    out = sink.m_data;
    return image;
}

// The records of bytes, or "" where the writer refuses (error then says why).
std::string Write(const std::string& bytes, const RecordLayout& layout, HexKernel kernel = HexKernelBest,
                  RecordError* error = nullptr)
{
    MemoryFile in(bytes, 1000);
    MemoryOutput out;
    const RecordImage image = WriteRecords(in, out, layout, kernel);
    if (error) *error = image.error;
    else EXPECT_TRUE(image.Ok()) << RecordErrorMessage(image);
    return image.Ok() ? out.m_data : "";
}

RecordLayout Layout(RecordFormat format, uint32_t address, uint64_t size, unsigned perRecord = 16, const char* name = "")
{
    return RecordLayout{ format, perRecord, address, size, name };
}

} // namespace

// Every broken record is refused with its line, and no range is reported.
TEST(RecordReader, RefusesBrokenRecordsWithTheirLine)
{
    const RecordFormat I = RecordIntelHex, S = RecordSRecord;
    struct Case { RecordFormat format; std::string text; RecordError error; uint64_t line, address; };
    const Case cases[] = {
        { I, ":0100000041BF\n:00000001FF\n", RecordBadChecksum, 1, 0 },
        { I, "\n\n:0100000041G1\n", RecordBadDigit, 3, 0 },
        { I, ":0100000041\n:00000001FF\n", RecordBadLength, 1, 0 },
        { I, ":0100000041BE00\n:00000001FF\n", RecordBadLength, 1, 0 },
        { I, ":0100000041BE", RecordNoEnd, 1, 0 },
        { I, ":0100000041BE\r\nhello\r\n", RecordNotARecord, 2, 0 },
        { I, ":0100000041BE :00000001FF\n", RecordNotARecord, 1, 0 },      // two records on a line
        { I, ":0100000041BE\r:00000001FF\r", RecordNotARecord, 1, 0 },     // CR alone ends no line
        { I, ":0100000100FE\n", RecordBadTypeLength, 1, 0 },
        { I, ":00000006FA\n", RecordUnknownType, 1, 0 },
        { I, ":00000001FF\n\n:00000001FF\n", RecordAfterEnd, 3, 0 },
        { I, ":020000000102FB\n:0100010003FB\n:00000001FF\n", RecordOverlap, 2, 1 },
        { I, ":0100100005EA\n:11000000000102030405060708090A0B0C0D0E0F1067\n", RecordOverlap, 2, 0x10 },
        { I, ":0100000041BE\n:020000041000EA\n:01000200AA53\n", RecordFillTooLarge, 3, 0 },
        { I, ":020000041000EA\n:01000200AA53\n:020000040000FA\n:0100000041BE\n", RecordFillTooLarge, 4, 0 },
        { I, ":02000004FFFFFC\n:02FFFF000102FD\n:00000001FF\n", RecordPastTop, 2, 0 },
        { S, "S104000041BA\nS5030003F9\nS9030000FC\n", RecordBadCount, 2, 0 },
        { S, "S104000041BA\nS404000041BA\n", RecordUnknownType, 2, 0 },
        { S, "S904000001FA\n", RecordBadTypeLength, 1, 0 },
        { S, "S10200FD\n", RecordBadTypeLength, 1, 0 },
        { S, "S104000041BB\n", RecordBadChecksum, 1, 0 },
        { S, "S0060000616263D3\nS104000041BA\n", RecordNoEnd, 3, 0 },
        { S, "S1 04000041BA\n", RecordBadLength, 1, 0 },
    };
    for (const Case& c : cases)
        for (size_t step : { size_t(1), ~size_t(0) })
        {
            std::string out;
            const RecordImage image = Read(c.format, c.text, out, step);
            EXPECT_EQ(image.error, c.error) << c.text << ": " << RecordErrorMessage(image);
            EXPECT_TRUE(image.line == c.line && image.address == c.address && image.length == 0 && image.lowest == 0)
                << c.text << ": line " << image.line;
        }
}

// What a valid text gives: the image from its lowest address, gaps filled, and the start address.
TEST(RecordReader, ReadsValidTexts)
{
    struct Case { RecordFormat format; std::string text, bytes; uint64_t lowest; bool hasStart; uint32_t start; };
    const Case cases[] = {
        // Lower case, CR LF, blanks, a gap, a record below the first, segment and start records.
        { RecordIntelHex, " :0100100005ea  \r\n\r\n\t:0100010003FB\r\n:0400000312340005AE\r\n:00000001FF \r\n",
          std::string("\x03", 1) + std::string(14, '\xff') + "\x05", 1, true, 0x12345 },
        { RecordIntelHex, ":020000021000EC\n:02FFFE000708F2\n:0400000512345678E3\n:00000001FF",
          "\x07\x08", 0x1fffe, true, 0x12345678 },
        { RecordIntelHex, ":00000001FF\n", "", 0, false, 0 },
        { RecordSRecord, "S0030000FC\nS104011010DA\nS1130100000102030405060708090A0B0C0D0E0F73\nS5030002FA\nS9030100FB\n",
          std::string("\0\1\2\3\4\5\6\7\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 17), 0x100, true, 0x100 },
    };
    for (const Case& c : cases)
        for (HexKernel kernel : kKernels)
            for (size_t step : { size_t(1), size_t(5), ~size_t(0) })
            {
                std::string out;
                const RecordImage image = Read(c.format, c.text, out, step, kernel);
                ASSERT_TRUE(image.Ok()) << c.text << ": line " << image.line << " " << RecordErrorMessage(image);
                EXPECT_TRUE(out == c.bytes && image.lowest == c.lowest && image.length == c.bytes.size() &&
                            image.hasStart == c.hasStart && image.start == c.start) << c.text;
            }
}

// The writer's exact text: 04 records where the upper address changes and records cut at the
// 64 KiB boundary; S0 with the name, S1/S2/S3 by the highest address, the count, the start.
TEST(RecordWriter, LaysOutRecords)
{
    std::string bytes;
    for (int i = 0; i < 21; ++i) bytes += char(i);
    struct Case { RecordLayout layout; std::string bytes, text; };
    const Case cases[] = {
        { Layout(RecordIntelHex, 0xfffc, 21), bytes,
          ":04FFFC0000010203FB\r\n:020000040001F9\r\n:100000000405060708090A0B0C0D0E0F1011121338\r\n"
          ":0100100014DB\r\n:00000001FF\r\n" },
        { Layout(RecordSRecord, 0xfffff0, 5, 16, "fw.bin"), bytes.substr(0, 5),
          "S009000066772E62696EB2\r\nS209FFFFF00001020304FE\r\nS5030001FB\r\nS804FFFFF00D\r\n" },
        { Layout(RecordIntelHex, 0, 0), "", ":00000001FF\r\n" },
        // A size that was not known: S3 once the data reach past 16 MiB, the end record to match.
        { Layout(RecordSRecord, 0xfffff0, kRecordSizeUnknown), bytes,
          "S0030000FC\r\nS214FFFFF0000102030405060708090A0B0C0D0E0F85\r\nS30A0100000010111213149A\r\n"
          "S5030002FA\r\nS70500FFFFF00C\r\n" },
    };
    for (HexKernel kernel : kKernels)
        for (const Case& c : cases)
            EXPECT_EQ(Write(c.bytes, c.layout, kernel), c.text);
}

// Written and read back: sizes around a record and 64 KiB, addresses around 64 KiB, 16 MiB and the
// top of the 4 GiB space, both record widths, every kernel, reads of odd sizes.
TEST(Records, RoundTripAroundBoundaries)
{
    std::mt19937 rng(7);
    std::string random(3 * 65536 + 100, '\0');
    for (char& b : random) b = char(rng());
    const size_t sizes[] = { 1, 15, 16, 17, 33, 65535, 65536, 65537, 3 * 65536 + 100 };
    const uint64_t addresses[] = { 0, 0xfff0, 0xfffff8, 0xffffff00 };
    for (RecordFormat format : { RecordIntelHex, RecordSRecord })
        for (size_t size : sizes)
            for (uint64_t address : addresses)
                for (unsigned width : { 16u, 32u })
                {
                    const std::string bytes = random.substr(0, size);
                    const RecordLayout layout = Layout(format, uint32_t(address), size, width);
                    RecordError error;
                    const std::string text = Write(bytes, layout, HexKernelBest, &error);
                    ASSERT_EQ(error, address + size <= (uint64_t(1) << 32) ? RecordOk : RecordPastTop);
                    if (error) continue;
                    ASSERT_EQ(text, Write(bytes, layout, HexKernelScalar)) << "the kernels write alike";
                    for (HexKernel kernel : kKernels)
                    {
                        std::string back;
                        const RecordImage r = Read(format, text, back, 1009, kernel);
                        ASSERT_TRUE(r.Ok() && back == bytes && r.lowest == address && r.length == size)
                            << format << " size " << size << " at " << address << ": " << RecordErrorMessage(r);
                    }
                }
}

TEST(RecordReader, DetectsWhatATextLooksLike)
{
    struct Case { std::string text; bool whole; TextKind kind; };
    const Case cases[] = {
        { ":0100000041BE\r\n:00000001FF\r\n", true, TextIntelHex },
        { ":0100000041BE\n:000000", false, TextIntelHex },          // a cut last line is not judged
        { ":0100000041BF\n:00000001FF\n", true, TextPlain },        // a bad checksum
        { "S104000041BA\n\nS9030000FC\n", true, TextSRecord },
        { "41 42 43\r\n# \x01\x02 in a comment\n", true, TextPlain },
        { std::string("41 42\0 43", 9), true, TextBinary },
        { "", true, TextPlain },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectTextKind(reinterpret_cast<const unsigned char*>(c.text.data()), c.text.size(), c.whole),
                  c.kind) << c.text;
}
