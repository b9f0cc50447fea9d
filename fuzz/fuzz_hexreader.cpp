// Fuzzes the hex reader: no crash or overrun on any text, every kernel equal to a byte-at-a-time
// model over any split into blocks; and the writer, in every layout and over any split, staying
// inside the room MaxOutput gives (no byte more), writing the same text with every kernel, and
// reading back to the same bytes, with CR LF or LF line ends. The input also goes through as the
// writer's groups broken where the fuzzer says (Groups), so the readers' fast path for the
// writer's layouts meets every kind of break and must give the scalar kernel's bytes.
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

// The input as text in the writer's groups, "xy " for each byte below 0xf0; each byte from 0xf0 up
// is a break in the layout instead: a line end, a comment, a lone digit, a separator that is not
// one byte, and so on.
std::string Groups(const uint8_t* p, size_t n)
{
    static const char* const kBreaks[16] = {
        "\r\n", "\n", "  # 0000abcd  .x#\r\n", "7", "#", "  ", ", ", "G", "\r", "# no line feed",
        "\n\n", "\t", "\x83\x41", "0x", "ab", "#\n" };
    std::string text;
    for (size_t i = 0; i < n; ++i)
    {
        if (p[i] >= 0xf0)
        {
            text += kBreaks[p[i] - 0xf0];
            continue;
        }
        text += "0123456789abcdef"[p[i] >> 4];
        text += "0123456789ABCDEF"[p[i] & 15];
        text += ' ';
    }
    return text;
}

const uint8_t* Data(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

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
    const std::string groups = Groups(text, n);
    const Bytes expectedGroups = Model(Data(groups), groups.size());
    Bytes scalarGroups;
    std::string scalarText;
    for (HexKernel kernel : { HexKernelScalar, HexKernelSsse3, HexKernelAvx2, HexKernelAvx512 })
    {
        if (!HexKernelSupported(kernel)) continue;
        if (Decode(kernel, text, n, blocks) != expected) abort();
        // The fast path against the scalar kernel, on the same blocks.
        const Bytes fromGroups = Decode(kernel, Data(groups), groups.size(), blocks);
        if (kernel == HexKernelScalar) scalarGroups = fromGroups;
        if (fromGroups != scalarGroups || fromGroups != expectedGroups) abort();
        const std::string written = Encode(kernel, layout, text, n, blocks);
        if (kernel == HexKernelScalar) scalarText = written;
        if (written != scalarText) abort();
        if (Decode(kernel, Data(written), written.size(), blocks) != Bytes(text, text + n))
            abort();
        // The same lines ended by LF alone.
        std::string lf;
        for (char c : written)
            if (c != '\r') lf += c;
        if (Decode(kernel, Data(lf), lf.size(), blocks) != Bytes(text, text + n))
            abort();
    }
    return 0;
}
