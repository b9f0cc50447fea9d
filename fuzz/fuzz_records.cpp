// Fuzzes the Intel HEX and S-record reader: no crash, overrun or hang on any text; the same result
// (error, line, image) with every kernel and over any split into reads; an image read is written
// and read back to itself. The writer, on the input taken as an image, reads back to it too.
#include "core/RecordReader.h"
#include "core/RecordWriter.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>

namespace {

// A source handing out reads of the sizes in `steps` (all at once without them), and a sink.
struct Memory : CSeekableSource, CRestartableSink
{
    Memory(const uint8_t* p, size_t n, const uint8_t* steps = nullptr, size_t count = 0)
        : m_data(reinterpret_cast<const char*>(p), n), m_steps(steps), m_count(count) {}
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        size_t step = m_count ? m_steps[m_s++ % m_count] + 1 : capacity;
        got = std::min(std::min(capacity, step), m_data.size() - m_pos);
        memcpy(buffer, m_data.data() + m_pos, got);
        m_pos += got;
        return true;
    }
    bool Seek(uint64_t offset) override { return offset <= m_data.size() && (m_pos = size_t(offset), true); }
    bool Write(const void* buffer, size_t size) override
    {
        m_out.append(static_cast<const char*>(buffer), size);
        return true;
    }
    bool Restart() override { return m_out.clear(), true; }
    size_t BlockFor(size_t) const override { return 4096; }   // more refills, less to allocate
    std::string m_data, m_out;
    const uint8_t* m_steps;
    size_t m_count, m_s = 0, m_pos = 0;
};

bool Same(const RecordImage& a, const RecordImage& b)
{
    return a.error == b.error && a.line == b.line && a.address == b.address && a.lowest == b.lowest &&
           a.length == b.length && a.hasStart == b.hasStart && a.start == b.start;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Byte 0: the format (bit 0), the number of read sizes (bits 1-3), the record width (bit 4);
    // byte 1: the fill; the read sizes; the rest is the text.
    if (size < 2) return 0;
    const RecordFormat format = (data[0] & 1) ? RecordSRecord : RecordIntelHex;
    const size_t stepCount = (data[0] >> 1) & 7;
    if (size < 2 + stepCount) return 0;
    const uint8_t* steps = data + 2;
    const uint8_t* text = data + 2 + stepCount;
    const size_t n = size - 2 - stepCount;

    RecordReadOptions options;
    options.fill = data[1];
    options.maxFill = 1 << 20;   // fill costs time, not coverage
    RecordImage first;
    std::string image;
    for (HexKernel kernel : { HexKernelScalar, HexKernelBest })
        for (size_t count : { size_t(0), stepCount })
        {
            options.kernel = kernel;
            Memory in(text, n, steps, count), out(nullptr, 0);
            const RecordImage r = ReadRecords(format, in, out, options);
            if (kernel == HexKernelScalar && count == 0)
            {
                first = r;
                image = out.m_out;
                if (r.Ok() && r.length != image.size()) abort();
            }
            else if (!Same(r, first) || (r.Ok() && out.m_out != image))
                abort();
        }
    DetectTextKind(text, n, true);
    DetectTextKind(text, n, false);

    // What was read, written and read again; and the input itself as an image.
    RecordLayout layout;
    layout.format = format;
    layout.bytesPerRecord = (data[0] & 16) ? 32 : 16;
    const std::string images[2] = { image, std::string(reinterpret_cast<const char*>(text), n) };
    const uint64_t addresses[2] = { first.lowest, uint64_t(data[1]) << 24 | data[0] };
    for (int i = first.Ok() ? 0 : 1; i < 2; ++i)
    {
        layout.address = uint32_t(addresses[i]);
        layout.size = (data[0] & 32) ? kRecordSizeUnknown : images[i].size();
        Memory bytes(reinterpret_cast<const uint8_t*>(images[i].data()), images[i].size(), steps, stepCount);
        Memory records(nullptr, 0);
        const RecordImage w = WriteRecords(bytes, records, layout);
        if (addresses[i] + images[i].size() > (uint64_t(1) << 32))
        {
            if (w.error != RecordPastTop) abort();
            continue;
        }
        Memory again(reinterpret_cast<const uint8_t*>(records.m_out.data()), records.m_out.size()), back(nullptr, 0);
        const RecordImage r = ReadRecords(format, again, back);
        if (!w.Ok() || !r.Ok() || back.m_out != images[i] || (!images[i].empty() && r.lowest != addresses[i]))
            abort();
    }
    return 0;
}
