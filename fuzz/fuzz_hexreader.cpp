// Fuzzes the hex reader: no crash or overrun on any text, every kernel equal to a byte-at-a-time
// model over any split into blocks; and the writer, in every layout and over any split, staying
// inside its room, writing the same text with every kernel, and reading back to the same bytes.
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
        const signed char c = static_cast<signed char>(p[i]);
        if (c == '\n') comment = false;
        else if (c == '#') comment = true;
        if (comment) continue;
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;
        if (waiting) out.push_back(static_cast<unsigned char>(high << 4 | v));
        else high = v;
        waiting = !waiting;
    }
    return out;
}

// Decodes in blocks whose sizes come from `steps`.
Bytes Decode(HexKernel kernel, const uint8_t* p, size_t n, const uint8_t* steps, size_t stepCount)
{
    CHexReader reader(kernel);
    Bytes out;
    unsigned char none = 0;
    if (reader.Decode(&none, 0, &none) != 0) abort();   // an empty block changes nothing
    Bytes text(n), rooms(CHexReader::MaxOutput(n));
    size_t pos = 0, s = 0;
    while (pos < n)
    {
        size_t len = n - pos;
        if (stepCount)
        {
            const size_t step = size_t(steps[s % stepCount]) * (s % 3 == 2 ? 97 : 1);
            len = std::min(len, step ? step : 1);
        }
        ++s;
        // Each block and its output room end where their allocations end, so the sanitizer sees
        // any access past them.
        unsigned char* block = text.data() + n - len;
        memcpy(block, p + pos, len);
        const size_t roomSize = CHexReader::MaxOutput(len);
        unsigned char* room = rooms.data() + rooms.size() - roomSize;
        const size_t got = reader.Decode(block, len, room);
        if (got > roomSize) abort();
        out.insert(out.end(), room, room + got);
        pos += len;
    }
    return out;
}

// Writes in the layout, in blocks whose sizes come from `steps`; each room ends where its
// allocation ends.
std::string Encode(HexKernel kernel, const HexLayout& layout, const uint8_t* p, size_t n, const uint8_t* steps,
                   size_t stepCount)
{
    CHexWriter writer(kernel, layout);
    std::string text;
    size_t pos = 0, s = 0;
    for (bool last = false; !last;)
    {
        size_t len = n - pos;
        if (stepCount) len = std::min(len, steps[s % stepCount] ? size_t(steps[s % stepCount]) * 3 : 1), ++s;
        last = pos == n;
        std::vector<char> room(writer.MaxOutput(len));
        const size_t got = last ? writer.Finish(room.data()) : writer.Encode(p + pos, len, room.data());
        if (got > room.size()) abort();
        text.append(room.data(), got);
        pos += len;
    }
    return text;
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
    const uint8_t* steps = data + 1;
    const uint8_t* text = data + 1 + stepCount;
    const size_t n = size - 1 - stepCount;

    const Bytes expected = Model(text, n);
    const HexKernel kernels[] = { HexKernelScalar, HexKernelSsse3, HexKernelAvx2 };
    std::string scalarText;
    for (HexKernel kernel : kernels)
    {
        if (!HexKernelSupported(kernel)) continue;
        if (Decode(kernel, text, n, steps, stepCount) != expected) abort();

        const std::string written = Encode(kernel, layout, text, n, steps, stepCount);
        if (kernel == HexKernelScalar) scalarText = written;
        else if (written != scalarText) abort();
        const Bytes back = Decode(kernel, reinterpret_cast<const uint8_t*>(written.data()), written.size(), steps,
                                  stepCount);
        if (back != Bytes(text, text + n)) abort();
    }
    return 0;
}
