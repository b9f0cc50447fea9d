// Our Intel HEX and S-records against tools written elsewhere: objcopy (binutils) and srec_cat
// (srecord). Images around record and 64 KiB boundaries, past 16 MiB and up to 4 GiB - 1, go our
// writer -> their reader and their writer -> our reader, back to the same bytes; their readers
// check our checksums and counts, and read gaps the way ours does.
#include "core/RecordReader.h"
#include "core/RecordWriter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

namespace {

struct FileSource : CSeekableSource
{
    explicit FileSource(const std::string& path) : fd(open(path.c_str(), O_RDONLY)) {}
    ~FileSource() override { if (fd >= 0) close(fd); }
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        const ssize_t n = read(fd, buffer, capacity);
        return got = n > 0 ? size_t(n) : 0, n >= 0;
    }
    bool Seek(uint64_t offset) override { return lseek(fd, off_t(offset), SEEK_SET) == off_t(offset); }
    int fd;
};

struct FileSink : CRestartableSink
{
    explicit FileSink(const std::string& path) : fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)) {}
    ~FileSink() override { if (fd >= 0) close(fd); }
    bool Write(const void* buffer, size_t size) override { return write(fd, buffer, size) == ssize_t(size); }
    bool Restart() override { return ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0; }
    int fd;
};

std::string Load(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void Save(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
}

class RecordDiff : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/quill-records-XXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        m_dir = dir;
    }
    void TearDown() override { system(("rm -rf '" + m_dir + "'").c_str()); }
    std::string Path(const char* name) const { return m_dir + "/" + name; }
    // Runs a tool; it must succeed and say nothing (srec_cat warns of bad counts on stderr).
    void Tool(const std::string& command)
    {
        const std::string err = Path("stderr");
        EXPECT_EQ(system((command + " 2>'" + err + "'").c_str()), 0) << command;
        EXPECT_EQ(Load(err), "") << command;
    }
    std::string m_dir;
};

const char* Flag(RecordFormat f) { return f == RecordIntelHex ? "-intel" : "-motorola"; }
const char* Bfd(RecordFormat f) { return f == RecordIntelHex ? "ihex" : "srec"; }

} // namespace

TEST_F(RecordDiff, BothWaysWithObjcopyAndSrecCat)
{
    struct Image { size_t size; uint64_t address; };
    const Image images[] = { { 1, 0 }, { 17, 0xfff8 }, { 65537, 0xfff0 }, { 3 * 65536 + 31, 0xfffff0 },
                             { 4099, 0xffffffffull - 4098 }, { 65536, 0x10000 } };
    std::mt19937 rng(11);
    const std::string bin = Path("in.bin"), text = Path("text"), out = Path("out.bin");
    for (const Image& image : images)
        for (RecordFormat format : { RecordIntelHex, RecordSRecord })
            for (unsigned width : { 16u, 32u })
            {
                std::string bytes(image.size, '\0');
                for (char& b : bytes) b = char(rng());
                Save(bin, bytes);
                char at[32];
                snprintf(at, sizeof at, "0x%llx", (unsigned long long)image.address);
                SCOPED_TRACE(std::string(Bfd(format)) + " " + std::to_string(image.size) + " at " + at);
                // Ours -> theirs: both read our text back to the bytes, checking every record.
                RecordLayout layout;
                layout.format = format, layout.address = uint32_t(image.address), layout.size = image.size;
                layout.bytesPerRecord = width, layout.name = "in.bin";
                {
                    FileSource source(bin);
                    FileSink sink(text);
                    ASSERT_TRUE(WriteRecords(source, sink, layout).Ok());
                }
                Tool(std::string("objcopy -I ") + Bfd(format) + " -O binary '" + text + "' '" + out + "'");
                EXPECT_TRUE(Load(out) == bytes) << "objcopy read ours";
                Tool("srec_cat '" + text + "' " + Flag(format) + " -offset - " + at + " -o '" + out + "' -binary");
                EXPECT_TRUE(Load(out) == bytes) << "srec_cat read ours";
                // Theirs -> ours.
                const std::string theirs[] = {
                    std::string("objcopy -I binary -O ") + Bfd(format) + " --change-addresses " + at + " '" + bin +
                        "' '" + text + "'",
                    "srec_cat '" + bin + "' -binary -offset " + at + " -o '" + text + "' " + Flag(format) +
                        " -exec-start-addr " + at + (width == 16 ? " -line-length=46" : ""),
                };
                for (const std::string& command : theirs)
                {
                    Tool(command);
                    FileSource source(text);
                    FileSink sink(out);
                    const RecordImage r = ReadRecords(format, source, sink);
                    ASSERT_TRUE(r.Ok()) << command << ": line " << r.line << " " << RecordErrorMessage(r);
                    EXPECT_TRUE(r.lowest == image.address && (r.hasStart ? r.start == image.address : !image.address)) << command;
                    EXPECT_TRUE(Load(out) == bytes) << "ours read " << command;
                }
            }
}

// Two pieces with a gap, as srec_cat writes them (in order) and with the higher piece's records
// first: ours fills the gap as objcopy does with --gap-fill.
TEST_F(RecordDiff, GapsAsObjcopyFillsThem)
{
    std::mt19937 rng(5);
    std::string a(5000, '\0'), b(70000, '\0');
    for (char& c : a) c = char(rng());
    for (char& c : b) c = char(rng());
    Save(Path("a.bin"), a);
    Save(Path("b.bin"), b);
    const std::string text = Path("gaps"), theirs = Path("theirs.bin"), ours = Path("ours.bin");
    for (RecordFormat format : { RecordIntelHex, RecordSRecord })
        for (bool reversed : { false, true })
        {
            const std::string piece = "' -binary -offset ", to = " -o '" + text + "' " + Flag(format);
            std::string combined;
            if (!reversed)
            {
                Tool("srec_cat '" + Path("a.bin") + piece + "0xfff0 '" + Path("b.bin") + piece + "0x1ff00" + to +
                     " -exec-start-addr 0");
                combined = Load(text);
            }
            else
            {
                // b's records without its closing ones, then a's; no counts, which would not add up.
                for (const char* name : { "b.bin", "a.bin" })
                {
                    Tool("srec_cat '" + Path(name) + piece + (name[0] == 'a' ? "0xfff0" : "0x1ff00") + to +
                         " -exec-start-addr 0");
                    std::istringstream lines(Load(text));
                    for (std::string line; std::getline(lines, line);)
                        if ((name[0] == 'a' || (line.compare(0, 9, ":00000001") && line.compare(0, 2, "S9"))) &&
                            line.compare(0, 2, "S5") && line.compare(0, 2, "S6"))
                            combined += line + "\n";
                }
                Save(text, combined);
            }
            Tool(std::string("objcopy -I ") + Bfd(format) + " -O binary --gap-fill 0xff '" + text + "' '" + theirs + "'");
            FileSource source(text);
            FileSink sink(ours);
            const RecordImage r = ReadRecords(format, source, sink);
            ASSERT_TRUE(r.Ok()) << "line " << r.line << " " << RecordErrorMessage(r);
            EXPECT_TRUE(r.lowest == 0xfff0 && r.length == 0x1ff00 - 0xfff0 + b.size());
            EXPECT_TRUE(Load(ours) == Load(theirs) && Load(ours).substr(0, a.size()) == a) << reversed;
        }
}
