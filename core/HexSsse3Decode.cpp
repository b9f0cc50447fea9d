// HexSsse3Decode.cpp: the SSSE3 reader: 16 text bytes a step, and text in the writer's own layouts
// 48 bytes a step (its steps and loop in HexSsse3Steps.h, shared with the AVX2 reader).
#define QUILL_READER_TARGET "ssse3"
#include "core/HexSsse3Steps.h"

#ifdef QUILL_X86

namespace HexImpl {

namespace {

// The fast path from p, a place where no digit waits for its partner and no comment is open:
// sixteen groups a step while they fit, or two lines of 8; the leading groups that fit where a
// step does not; gaps between them through SkipGap. Returns where the first thing that does not
// fit begins. Kept out of line, so the general loop's registers stay its own; results come back
// by value, since a pointer whose address escaped would be kept in memory.
__attribute__((target("ssse3"), noinline))
Fast LayoutRunSsse3(const uchar* p, const uchar* end, uchar* o)
{
    Lines lines(p);
    bool poor = false;
    __m128i bytes;
    for (;;)
    {
        const uchar* q = SkipGap(p, end);
        if (q != p)
        {
            lines.Gap(p, q);
            p = q;
        }
        if (lines.width == 8 && size_t(end - p) >= 2 * lines.stride + 24)
        {
            const uchar* next = p + lines.stride;
            if (Groups48(Load16(p), Load8And8(p + 16, next), Load16(next + 8), bytes) == 0xffff &&
                lines.GapsFit(p, 2, end))
            {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), bytes);
                o += 16;
                poor = false;
                p = next + lines.stride;
                lines.line = p;
                continue;
            }
            // The lines changed: group by group until they are lines again.
            lines.width = 0;
        }
        if (end - p < 48) break;
        const unsigned good = Groups48(Load16(p), Load16(p + 16), Load16(p + 32), bytes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), bytes);
        if (good == 0xffff)
        {
            poor = false;
            p += 48;
            o += 16;
            continue;
        }
        const unsigned n = unsigned(__builtin_ctz(~good));
        if (!n) break;
        p += 3 * n;
        o += n;
        if (n >= kFewGroups) poor = false;
        else if (poor) break;
        else poor = true;
    }
    return Fast{ p, o };
}

} // namespace

__attribute__((target("ssse3")))
size_t DecodeSsse3(const uchar* p, const uchar* end, uchar* out, State& st)
{
    return DecodeRounds<16, Step16, 48, LayoutRunSsse3>(p, end, out, st);
}

} // namespace HexImpl

#endif // QUILL_X86
