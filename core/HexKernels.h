// HexKernels.h: the codec's inner loops as HexCodec.cpp calls them, and the small steps that
// several kernel families share (forced inline into each). Private to core/; the interface is
// HexCodec.h. Where the loops live:
//   HexScalar.cpp       - the portable reader, writer and line writer
//   HexSsse3Decode.cpp  - the SSSE3 reader (its steps and loop, shared with AVX2, in HexSsse3Steps.h)
//   HexAvx2Decode.cpp   - the AVX2 reader
//   HexAvx512Decode.cpp - the AVX-512 reader, for text in other layouts; the AVX2 one's fast path
//   HexSsse3Encode.cpp  - the SSSE3 writer and line writer, which AVX2 processors use too
//   HexTables.cpp       - the lookup tables they all read
#pragma once

#include "core/HexTables.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if defined(__i386__) || defined(__x86_64__)
#define QUILL_X86 1
#endif

// The steps are forced inline so that the loops keep their counts in registers.
#define QUILL_INLINE inline __attribute__((always_inline))

namespace HexImpl {

// The state a reader carries between blocks.
struct State
{
    int pending;
    bool comment;
};

// Text bytes per SIMD round: the nibbles of one round stay in a small buffer on the stack.
enum { kRound = 4096 };

// Scratch bytes a line writer may store past the end of its text.
enum { kSlack = 32 };

// Readers: the digits of [p, end) to out as bytes; return how many were written.
size_t DecodeScalar(const uchar* p, const uchar* end, uchar* out, State& st);
// Writers of the plain format: "xy " for each of size bytes, 3 * size characters exactly.
void EncodeScalar(const uchar* in, size_t size, char* out);
// Line writers: whole lines of `width` bytes, each ending in CR LF; the comments' offsets all take
// `digits` digits. Write up to kSlack scratch bytes past the end they return.
char* LinesScalar(const uchar* in, size_t lines, unsigned width, bool comments,
                  uint64_t offset, unsigned digits, char* o);
// "  # offset  characters" for the n bytes at in; returns the end.
char* WriteComment(char* o, const uchar* in, unsigned n, uint64_t offset, unsigned digits);

#ifdef QUILL_X86
// The same with SIMD, each compiled for its instruction set and called only where
// HexKernelSupported says the processor has it.
__attribute__((target("ssse3")))
size_t DecodeSsse3(const uchar* p, const uchar* end, uchar* out, State& st);
__attribute__((target("avx2")))
size_t DecodeAvx2(const uchar* p, const uchar* end, uchar* out, State& st);
// The instruction sets of the AVX-512 reader's source, named once.
#define QUILL_AVX512_TARGET "avx2,avx512f,avx512bw,avx512vbmi2,bmi,popcnt"
__attribute__((target(QUILL_AVX512_TARGET)))
size_t DecodeAvx512(const uchar* p, const uchar* end, uchar* out, State& st);
__attribute__((target("ssse3")))
void EncodeSsse3(const uchar* in, size_t size, char* out);
// Runs the SSSE3 loop made for the layout; width is 8, 16 or 32 (HexLayout allows no other).
char* LinesSsse3(const uchar* in, size_t lines, unsigned width, bool comments,
                 uint64_t offset, unsigned digits, char* o);
#endif

// One byte at a time: digits go to the nibble buffer, stopping just after a '#'.
QUILL_INLINE const uchar* NibblesScalar(const uchar* p, const uchar* end, uchar* nib, size_t& k,
                                        bool& comment)
{
    const uint16_t* step = T().step;
    while (p < end)
    {
        // Four at a time while no '#' is among them: one test instead of four.
        if (end - p >= 4)
        {
            const unsigned v0 = step[p[0]], v1 = step[p[1]], v2 = step[p[2]], v3 = step[p[3]];
            if (!((v0 | v1 | v2 | v3) & kStepHash))
            {
                // Every byte is stored; the count moves on only past a digit.
                nib[k] = uchar(v0); k += v0 >> 8;
                nib[k] = uchar(v1); k += v1 >> 8;
                nib[k] = uchar(v2); k += v2 >> 8;
                nib[k] = uchar(v3); k += v3 >> 8;
                p += 4;
                continue;
            }
        }
        const unsigned v = step[*p++];
        if (v & kStepHash) { comment = true; return p; }
        nib[k] = uchar(v);
        k += v >> 8;
    }
    return p;
}

// The digits of one SIMD step (bit i for byte i) less every comment that begins at a '#' in hash
// and ends at a line feed in lf within the step; a comment still open at the step's end sets
// comment, for SkipComment to go on with. Cutting them here keeps a step from stopping at each
// '#' to call memchr, where text with comment lines between its data spent most of its time.
// Mask is unsigned or uint64_t: unsigned arithmetic, where a shift past the top gives 0.
template <typename Mask>
QUILL_INLINE Mask CutComments(Mask digits, Mask hash, Mask lf, bool& comment)
{
    while (hash)
    {
        // The first mark outside a comment, and the first line feed after it.
        const Mask from = hash & (Mask(0) - hash);
        const Mask after = lf & (Mask(0) - Mask(from << 1));
        if (!after)
        {
            comment = true;
            return digits & (from - 1);
        }
        const Mask to = after & (Mask(0) - after);
        digits &= ~(to - from);
        hash &= Mask(0) - to;
    }
    return digits;
}

QUILL_INLINE const uchar* SkipComment(const uchar* p, const uchar* end, bool& comment)
{
    const void* lf = memchr(p, '\n', size_t(end - p));
    if (!lf) return end;
    comment = false;
    return static_cast<const uchar*>(lf) + 1;
}

// Where a line's comment starts, just after its digits: two spaces and "# ".
const char kCommentMark[4] = { ' ', ' ', '#', ' ' };

// Comments' offsets take 8 to 16 digits. A line writer says so before it first uses `digits`:
// knowing the range, the compiler unrolls WriteOffset's loop and keeps the line loop's registers.
QUILL_INLINE void AssumeOffsetDigits(unsigned digits)
{
    if (digits < 8 || digits > 16) __builtin_unreachable();
}

// The offset as `digits` lowercase hex digits.
QUILL_INLINE void WriteOffset(char* p, uint64_t offset, unsigned digits)
{
    const Tables& t = T();
    if (digits == 8)
    {
        memcpy(p, t.hex2[(offset >> 24) & 0xff], 2);
        memcpy(p + 2, t.hex2[(offset >> 16) & 0xff], 2);
        memcpy(p + 4, t.hex2[(offset >> 8) & 0xff], 2);
        memcpy(p + 6, t.hex2[offset & 0xff], 2);
        return;
    }
    for (unsigned k = digits; k; --k, offset >>= 4) p[k - 1] = "0123456789abcdef"[offset & 15];
}

} // namespace HexImpl
