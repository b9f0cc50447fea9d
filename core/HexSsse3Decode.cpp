// HexSsse3Decode.cpp: the SSSE3 reader: 16 text bytes a step, and the writer's own layout 48 at a
// time (its steps in HexSsse3Steps.h, shared with the AVX2 reader).
#include "core/HexSsse3Steps.h"

#ifdef QUILL_X86

namespace HexImpl {

// Rounds of at most kRound text bytes: the digits of a round are gathered as nibbles in a small
// buffer, then joined in pairs. Comments are skipped with memchr.
__attribute__((target("ssse3")))
size_t DecodeSsse3(const uchar* p, const uchar* end, uchar* out, State& st)
{
    alignas(32) uchar nib[kRound + 64];
    uchar* o = out;
    // Locals rather than st's fields: the nibble stores may alias anything in memory.
    int pending = st.pending;
    bool comment = st.comment;
    unsigned wait = 0, backoff = 1;
    Run run;
    while (p < end)
    {
        size_t k = 0;
        if (pending >= 0) nib[k++] = uchar(pending);
        const uchar* roundEnd = end - p > kRound ? p + kRound : end;
        while (p < roundEnd)
        {
            if (comment) p = SkipComment(p, roundEnd, comment);
            else if (roundEnd - p >= 48 && !wait && (run = GroupRun(p, roundEnd, nib, k)).p != p)
            {
                p = run.p;
                k = run.k;
                backoff = 1;
            }
            else if (roundEnd - p >= 16)
            {
                // Another layout: try the groups again later, the later the more often it missed.
                if (wait) --wait;
                else if (roundEnd - p >= 48) { wait = backoff; backoff = backoff < 64 ? 2 * backoff : 64; }
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
