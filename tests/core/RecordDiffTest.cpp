// Our Intel HEX and S-records against tools written elsewhere: objcopy (binutils) and srec_cat
// (srecord). Images around record and 64 KiB boundaries, past 16 MiB and up to 4 GiB - 1, go our
// writer -> their reader and their writer -> our reader, back to the same bytes; their readers
// check our checksums and counts.
#include "core/ByteStreams.h"
#include "core/RecordWriter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

std::string Load(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Our writer (with a layout) or reader from one file into another.
RecordImage Ours(const std::string& from, const std::string& to, RecordFormat format, const RecordLayout* layout)
{
    const int in = open(from.c_str(), O_RDONLY), out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    RecordImage image;
    {
        CFdSource source(in);
        CFdSink sink(out);
        image = layout ? WriteRecords(source, sink, *layout) : ReadRecords(format, source, sink);
    }
    close(in), close(out);
    return image;
}

} // namespace

TEST(RecordDiff, BothWaysWithObjcopyAndSrecCat)
{
    char dir[] = "/tmp/quill-records-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const auto Path = [&](const char* name) { return std::string(dir) + "/" + name; };
    // Runs a tool; it must succeed and say nothing (srec_cat warns of bad counts on stderr).
    const auto Tool = [&](const std::string& command) {
        EXPECT_EQ(system((command + " 2>'" + Path("stderr") + "'").c_str()), 0) << command;
        EXPECT_EQ(Load(Path("stderr")), "") << command;
    };
    struct Image { size_t size; uint64_t address; };
    const Image images[] = { { 1, 0 }, { 17, 0xfff8 }, { 65537, 0xfff0 }, { 3 * 65536 + 31, 0xfffff0 },
                             { 4099, 0xffffffffull - 4098 } };
    std::mt19937 rng(11);
    const std::string bin = Path("in.bin"), text = Path("text"), out = Path("out.bin");
    for (const Image& image : images)
        for (RecordFormat format : { RecordIntelHex, RecordSRecord })
        {
            std::string bytes(image.size, '\0');
            for (char& b : bytes) b = char(rng());
            std::ofstream(bin, std::ios::binary) << bytes;
            const std::string bfd = format == RecordIntelHex ? "ihex" : "srec";
            const std::string flag = format == RecordIntelHex ? " -intel" : " -motorola";
            char at[32];
            snprintf(at, sizeof at, "0x%llx", (unsigned long long)image.address);
            SCOPED_TRACE(bfd + " " + std::to_string(image.size) + " at " + at);
            RecordLayout layout;
            layout.format = format, layout.address = uint32_t(image.address), layout.size = image.size;
            layout.bytesPerRecord = 16, layout.name = "in.bin";
            ASSERT_TRUE(Ours(bin, text, format, &layout).Ok());
            Tool("objcopy -I " + bfd + " -O binary '" + text + "' '" + out + "'");
            EXPECT_TRUE(Load(out) == bytes) << "objcopy read ours";
            Tool("srec_cat '" + text + "'" + flag + " -offset - " + at + " -o '" + out + "' -binary");
            EXPECT_TRUE(Load(out) == bytes) << "srec_cat read ours";
            const std::string theirs[] = {
                "objcopy -I binary -O " + bfd + " --change-addresses " + at + " '" + bin + "' '" + text + "'",
                "srec_cat '" + bin + "' -binary -offset " + at + " -o '" + text + "'" + flag +
                    " -exec-start-addr " + at + " -line-length=46",
            };
            for (const std::string& command : theirs)
            {
                Tool(command);
                const RecordImage r = Ours(text, out, format, nullptr);
                ASSERT_TRUE(r.Ok()) << command << ": line " << r.line << " " << RecordErrorMessage(r);
                EXPECT_TRUE(r.lowest == image.address && (r.hasStart ? r.start == image.address : !image.address))
                    << command;
                EXPECT_TRUE(Load(out) == bytes) << "ours read " << command;
            }
        }
    system(("rm -rf '" + std::string(dir) + "'").c_str());
}
