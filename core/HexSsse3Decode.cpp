// HexSsse3Decode.cpp: the SSSE3 reader: 16 text bytes a step, and text in the writer's own layouts
// 48 bytes a step (its steps in HexSsse3Steps.h, shared with the AVX2 reader).
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

// Rounds of at most kRound text bytes: the digits of a round are gathered as nibbles in a small
// buffer, then joined in pairs. Comments are skipped with memchr. Between digit pairs the fast
// path takes over and writes its bytes straight to out, until the text leaves the layout.
__attribute__((target("ssse3")))
size_t DecodeSsse3(const uchar* p, const uchar* end, uchar* out, State& st)
{
    alignas(32) uchar nib[kRound + 64];
    uchar* o = out;
    // Locals rather than st's fields: the nibble stores may alias anything in memory.
    int pending = st.pending;
    bool comment = st.comment;
    unsigned wait = 0, backoff = 1;
    while (p < end)
    {
        size_t k = 0;
        if (pending >= 0) nib[k++] = uchar(pending);
        const uchar* roundEnd = end - p > kRound ? p + kRound : end;
        while (p < roundEnd)
        {
            if (comment) p = SkipComment(p, roundEnd, comment);
            else if (!wait && !(k & 1) && end - p >= 48)
            {
                o += PackPairsSsse3(nib, k / 2, o);
                k = 0;
                const Fast run = LayoutRunSsse3(p, end, o);
                // What it took is taken; but when that was little, the text is in another layout:
                // try again later, the later the more often it missed.
                if (run.p - p >= kGoodRun) backoff = 1;
                else
                {
                    wait = backoff;
                    backoff = backoff < kMaxBackoff ? 2 * backoff : kMaxBackoff;
                }
                p = run.p;
                o = run.o;
            }
            else if (roundEnd - p >= 16)
            {
                if (wait) --wait;
                p += Step16(p, nib, k, comment);
            }
            else p = NibblesScalar(p, roundEnd, nib, k, comment);
        }
        o += PackPairsSsse3(nib, k / 2, o);
        pending = (k & 1) ? nib[k - 1] : -1;
    }
    st.pending = pending;
    st.comment = comment;
    return size_t(o - out);
}

} // namespace HexImpl

#endif // QUILL_X86
