// HexCodec.cpp: the reader, the writer and the pumps of HexCodec.h, and the run-time choice of
// their inner loops. The loops themselves live one family to a file (listed in HexKernels.h).
#include "core/HexCodec.h"

#include "core/HexKernels.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

using namespace HexImpl;

namespace {

HexKernel Resolve(HexKernel kernel)
{
    if (kernel != HexKernelBest)
        return HexKernelSupported(kernel) ? kernel : HexKernelScalar;
    // VBMI2 came with processors (Ice Lake, Zen 4) whose clocks barely drop for 512-bit work.
    if (HexKernelSupported(HexKernelAvx512)) return HexKernelAvx512;
    if (HexKernelSupported(HexKernelAvx2)) return HexKernelAvx2;
    if (HexKernelSupported(HexKernelSsse3)) return HexKernelSsse3;
    return HexKernelScalar;
}

// 8 digits, or as many as the offset needs.
unsigned OffsetDigits(uint64_t offset)
{
    unsigned digits = 8;
    while (digits < 16 && (offset >> (4 * digits))) ++digits;
    return digits;
}

} // namespace

bool HexKernelSupported(HexKernel kernel)
{
    switch (kernel)
    {
    case HexKernelBest:
    case HexKernelScalar:
        return true;
#ifdef QUILL_X86
    case HexKernelSsse3:
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3");
    case HexKernelAvx2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
    case HexKernelAvx512:
        // The runtime's check includes the system's: it saves the registers on a thread switch.
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt");
#endif
    default:
        return false;
    }
}

const char* HexReaderKernelName(HexKernel kernel)
{
    switch (Resolve(kernel))
    {
    case HexKernelAvx512: return "AVX-512";
    case HexKernelAvx2: return "AVX2";
    case HexKernelSsse3: return "SSSE3";
    default: return "scalar";
    }
}

const char* HexWriterKernelName(HexKernel kernel)
{
    return Resolve(kernel) == HexKernelScalar ? "scalar" : "SSSE3";
}

CHexReader::CHexReader(HexKernel kernel)
    : m_nKernel(Resolve(kernel)), m_nPending(-1), m_bComment(false)
{
}

void CHexReader::Reset()
{
    m_nPending = -1;
    m_bComment = false;
}

size_t CHexReader::Decode(const unsigned char* in, size_t size, unsigned char* out)
{
    State st = { m_nPending, m_bComment };
    size_t n;
    switch (m_nKernel)
    {
#ifdef QUILL_X86
    case HexKernelAvx512: n = DecodeAvx512(in, in + size, out, st); break;
    case HexKernelAvx2: n = DecodeAvx2(in, in + size, out, st); break;
    case HexKernelSsse3: n = DecodeSsse3(in, in + size, out, st); break;
#endif
    default: n = DecodeScalar(in, in + size, out, st); break;
    }
    m_nPending = st.pending;
    m_bComment = st.comment;
    return n;
}

CHexWriter::CHexWriter(HexKernel kernel, const HexLayout& layout, uint64_t firstOffset)
    // Built again from its fields, which are public: a width set by hand past 32 would overrun
    // m_held, and the vector line writers know only the valid widths.
    : m_nKernel(Resolve(kernel)), m_layout(layout.nBytesPerLine, layout.bComments), m_nOffset(firstOffset),
      m_nHeld(0)
{
}

size_t CHexWriter::MaxOutput(size_t size) const
{
    const size_t width = m_layout.nBytesPerLine;
    if (!width) return 3 * size;
    // A held line completed, the lines of size, a last short line; offsets of 16 digits at most.
    const size_t lines = size / width + 2;
    return lines * (m_layout.bComments ? 4 * width + 16 + 7 : 3 * width + 1) + kSlack;
}

char* CHexWriter::Lines(const unsigned char* in, size_t lines, char* out)
{
    const unsigned width = m_layout.nBytesPerLine;
    const bool comments = m_layout.bComments;
    while (lines)
    {
        // A run of lines whose offsets all take the same number of digits.
        const unsigned digits = OffsetDigits(m_nOffset);
        size_t run = lines;
        if (comments && digits < 16)
        {
            const uint64_t below = ((uint64_t(1) << (4 * digits)) - m_nOffset + width - 1) / width;
            if (below < run) run = size_t(below);
        }
#ifdef QUILL_X86
        if (m_nKernel != HexKernelScalar)
            out = LinesSsse3(in, run, width, comments, m_nOffset, digits, out);
        else
#endif
            out = LinesScalar(in, run, width, comments, m_nOffset, digits, out);
        in += run * width;
        m_nOffset += uint64_t(run) * width;
        lines -= run;
    }
    return out;
}

size_t CHexWriter::Encode(const unsigned char* in, size_t size, char* out)
{
    const unsigned width = m_layout.nBytesPerLine;
    if (!width)
    {
#ifdef QUILL_X86
        if (m_nKernel != HexKernelScalar)
        {
            EncodeSsse3(in, size, out);
            return 3 * size;
        }
#endif
        EncodeScalar(in, size, out);
        return 3 * size;
    }
    char* o = out;
    if (m_nHeld)
    {
        const size_t take = size < width - m_nHeld ? size : width - m_nHeld;
        memcpy(m_held + m_nHeld, in, take);
        m_nHeld += unsigned(take);
        in += take;
        size -= take;
        if (m_nHeld < width) return 0;
        o = Lines(m_held, 1, o);
        m_nHeld = 0;
    }
    const size_t lines = size / width;
    o = Lines(in, lines, o);
    m_nHeld = unsigned(size - lines * width);
    memcpy(m_held, in + lines * width, m_nHeld);
    return size_t(o - out);
}

size_t CHexWriter::Finish(char* out)
{
    const unsigned n = m_nHeld, width = m_layout.nBytesPerLine;
    if (!n) return 0;
    char* o = out;
    for (unsigned j = 0; j < n; ++j) memcpy(o + 3 * j, &T().hex3[m_held[j]], 3);
    o += 3 * n - 1;
    if (m_layout.bComments)
    {
        // Padded to the width of a full line's digits, so the comment lines up with the others.
        memset(o, ' ', 3 * (width - n));
        o = WriteComment(o + 3 * (width - n), m_held, n, m_nOffset, OffsetDigits(m_nOffset));
    }
    o[0] = '\r';
    o[1] = '\n';
    m_nOffset += n;
    m_nHeld = 0;
    return size_t(o + 2 - out);
}

namespace {

// The system copies to and from page-aligned buffers about twice as fast as from malloc's
// 16-byte alignment (measured on the read side), so both buffers start on a page.
enum { kPage = 4096 };

uchar* PageAligned(void* block)
{
    return reinterpret_cast<uchar*>((reinterpret_cast<uintptr_t>(block) + kPage - 1) & ~uintptr_t(kPage - 1));
}

} // namespace

PumpResult PumpTextToBinary(CByteSource& in, CByteSink& out, HexKernel kernel)
{
    const size_t size = in.BlockFor(HexTextBlock);
    void* block = malloc(size + CHexReader::MaxOutput(size) + 2 * kPage);
    if (!block) return PumpNoMemory;
    uchar* text = PageAligned(block);
    uchar* bytes = text + size;
    CHexReader reader(kernel);
    PumpResult result = PumpDone;
    for (;;)
    {
        size_t got = 0;
        if (!in.Read(text, size, got)) { result = PumpReadFailed; break; }
        if (got == 0) break;
        const size_t n = reader.Decode(text, got, bytes);
        if (n && !out.Write(bytes, n)) { result = PumpWriteFailed; break; }
    }
    if (result == PumpDone && !out.Flush()) result = PumpWriteFailed;
    free(block);
    return result;
}

PumpResult PumpBinaryToText(CByteSource& in, CByteSink& out, const HexLayout& layout, HexKernel kernel)
{
    CHexWriter writer(kernel, layout);
    const size_t size = in.BlockFor(HexBinaryBlock);
    void* block = malloc(size + writer.MaxOutput(size) + kPage);
    if (!block) return PumpNoMemory;
    uchar* bytes = PageAligned(block);
    char* text = reinterpret_cast<char*>(bytes + size);
    PumpResult result = PumpDone;
    for (;;)
    {
        size_t got = 0;
        if (!in.Read(bytes, size, got)) { result = PumpReadFailed; break; }
        if (got == 0) break;
        const size_t n = writer.Encode(bytes, got, text);
        if (n && !out.Write(text, n)) { result = PumpWriteFailed; break; }
    }
    if (result == PumpDone)
    {
        const size_t n = writer.Finish(text);
        if ((n && !out.Write(text, n)) || !out.Flush()) result = PumpWriteFailed;
    }
    free(block);
    return result;
}
