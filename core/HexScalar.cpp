// HexScalar.cpp: the portable kernels, for processors without SSSE3 and for other architectures:
// the reader, the writer of the plain format, and the line writer with its comments.
#include "core/HexKernels.h"

namespace HexImpl {

namespace {

// Joins nibble pairs into bytes.
inline size_t PackPairsScalar(const uchar* nib, size_t pairs, uchar* out)
{
    for (size_t i = 0; i < pairs; ++i)
        out[i] = uchar((nib[2 * i] << 4) | nib[2 * i + 1]);
    return pairs;
}

} // namespace

// The portable loop, in the same two steps as the vector ones: gathering nibbles has only one
// short dependency (the count), and joining the pairs has none.
size_t DecodeScalar(const uchar* p, const uchar* end, uchar* out, State& st)
{
    uchar nib[kRound + 64];
    uchar* o = out;
    int pending = st.pending;
    bool comment = st.comment;
    while (p < end)
    {
        size_t k = 0;
        if (pending >= 0) nib[k++] = uchar(pending);
        const uchar* roundEnd = end - p > kRound ? p + kRound : end;
        while (p < roundEnd)
        {
            if (comment) p = SkipComment(p, roundEnd, comment);
            else p = NibblesScalar(p, roundEnd, nib, k, comment);
        }
        o += PackPairsScalar(nib, k / 2, o);
        pending = (k & 1) ? nib[k - 1] : -1;
    }
    st.pending = pending;
    st.comment = comment;
    return size_t(o - out);
}

void EncodeScalar(const uchar* in, size_t size, char* out)
{
    const uint32_t* hex3 = T().hex3;
    size_t i = 0;
    // Four-byte stores that overlap by one; the last group is copied exactly to stay inside out.
    for (; i + 1 < size; ++i, out += 3)
        memcpy(out, &hex3[in[i]], 4);
    for (; i < size; ++i, out += 3)
        memcpy(out, &hex3[in[i]], 3);
}

char* WriteComment(char* o, const uchar* in, unsigned n, uint64_t offset, unsigned digits)
{
    AssumeOffsetDigits(digits);
    memcpy(o, kCommentMark, 4);
    WriteOffset(o + 4, offset, digits);
    o += 4 + digits;
    o[0] = o[1] = ' ';
    o += 2;
    for (unsigned j = 0; j < n; ++j) o[j] = T().shown[in[j]];
    return o + n;
}

char* LinesScalar(const uchar* in, size_t lines, unsigned width, bool comments,
                  uint64_t offset, unsigned digits, char* o)
{
    AssumeOffsetDigits(digits);
    const uint32_t* hex3 = T().hex3;
    for (size_t i = 0; i < lines; ++i, in += width, offset += width)
    {
        for (unsigned j = 0; j < width; ++j) memcpy(o + 3 * j, &hex3[in[j]], 4);
        o += 3 * width - 1;
        if (comments) o = WriteComment(o, in, width, offset, digits);
        o[0] = '\r';
        o[1] = '\n';
        o += 2;
    }
    return o;
}

} // namespace HexImpl
