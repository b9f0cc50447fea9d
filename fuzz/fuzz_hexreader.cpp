// Fuzzes the hex reader: no crash or overrun on any text, every kernel equal to a byte-at-a-time
// model over any split into blocks; and the writer, in every layout and over any split, staying
// inside the room MaxOutput gives (no byte more), writing the same text with every kernel, and
// reading back to the same bytes.
#include "core/HexCodec.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes Model(const uint8_t* p, size_t n)
{
    Bytes out;
    bool comment = false, waiting = false;
    int high = 0;
    for (size_t i = 0; i < n; ++i)
    {
        const int c = p[i];
        comment = c == '#' || (comment && c != '\n');
        int v;
        if (comment) continue;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;
        if (waiting) out.push_back(static_cast<unsigned char>(high << 4 | v));
        high = v;
        waiting = !waiting;
    }
    return out;
}

// The blocks' sizes: from `steps` (every third one 97 times larger), or all at once.
struct Blocks
{
    const uint8_t* steps;
    size_t count, s = 0;
    size_t Next(size_t left, size_t scale)
    {
        if (!count) return left;
        const size_t step = size_t(steps[s % count]) * (s % 3 == 2 ? 97 : 1) * scale;
        ++s;
        return std::min(left, step ? step : 1);
    }
};

// Each block and its room end where their allocations end, so the sanitizer sees any access
// past them.
Bytes Decode(HexKernel kernel, const uint8_t* p, size_t n, Blocks blocks)
{
    CHexReader reader(kernel);
    Bytes out;
    for (size_t pos = 0, len; pos < n; pos += len)
    {
        len = blocks.Next(n - pos, 1);
        Bytes block(p + pos, p + pos + len), room(CHexReader::MaxOutput(len));
        const size_t got = reader.Decode(block.data(), len, room.data());
        if (got > room.size()) abort();
        out.insert(out.end(), room.begin(), room.begin() + got);
    }
    return out;
}

std::string Encode(HexKernel kernel, const HexLayout& layout, const uint8_t* p, size_t n, Blocks blocks)
{
    CHexWriter writer(kernel, layout);
    std::string text;
    for (size_t pos = 0;;)
    {
        const bool last = pos == n;
        const size_t len = last ? 0 : blocks.Next(n - pos, 3);
        std::vector<char> room(writer.MaxOutput(len));
        const size_t got = last ? writer.Finish(room.data()) : writer.Encode(p + pos, len, room.data());
        if (got > room.size()) abort();
        text.append(room.data(), got);
        if (last) return text;
        pos += len;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses the number of block sizes (low 3 bits) and the writer's layout; the
    // block sizes follow; the rest is the text.
    const size_t stepCount = size ? data[0] % 8 : 0;
    if (size < 1 + stepCount) return 0;
    static const unsigned kWidths[4] = { 0, 8, 16, 32 };
    const HexLayout layout(kWidths[(data[0] >> 3) & 3], (data[0] >> 5) & 1);
    const Blocks blocks = { data + 1, stepCount };
    const uint8_t* text = data + 1 + stepCount;
    const size_t n = size - 1 - stepCount;

    const Bytes expected = Model(text, n);
    std::string scalarText;
    for (HexKernel kernel : { HexKernelScalar, HexKernelSsse3, HexKernelAvx2 })
    {
        if (!HexKernelSupported(kernel)) continue;
        if (Decode(kernel, text, n, blocks) != expected) abort();
        const std::string written = Encode(kernel, layout, text, n, blocks);
        if (kernel == HexKernelScalar) scalarText = written;
        if (written != scalarText) abort();
        if (Decode(kernel, reinterpret_cast<const uint8_t*>(written.data()), written.size(), blocks) != Bytes(text, text + n))
            abort();
    }
    return 0;
}
