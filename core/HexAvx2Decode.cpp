// HexAvx2Decode.cpp: the AVX2 reader: 32 text bytes a step, with the SSSE3 steps for the rest of
// a round and for text in the writer's own layout (HexSsse3Steps.h).
#include "core/HexSsse3Steps.h"

#ifdef QUILL_X86

namespace HexImpl {

namespace {

// Step16 for 32 bytes.
__attribute__((target("avx2")))
QUILL_INLINE unsigned Step32(const uchar* p, uchar* nib, size_t& k, bool& comment)
{
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i dec = _mm256_sub_epi8(c, _mm256_set1_epi8('0'));
    const __m256i isDec = _mm256_cmpeq_epi8(_mm256_min_epu8(dec, _mm256_set1_epi8(9)), dec);
    const __m256i alpha = _mm256_sub_epi8(_mm256_or_si256(c, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('a'));
    const __m256i isAlpha = _mm256_cmpeq_epi8(_mm256_min_epu8(alpha, _mm256_set1_epi8(5)), alpha);
    const __m256i val = _mm256_or_si256(_mm256_and_si256(isDec, dec),
                                        _mm256_and_si256(isAlpha,
                                                         _mm256_add_epi8(alpha, _mm256_set1_epi8(10))));
    unsigned mask = unsigned(_mm256_movemask_epi8(_mm256_or_si256(isDec, isAlpha)));
    const unsigned hash = unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(c, _mm256_set1_epi8('#'))));
    unsigned take = 32;
    if (hash)
    {
        const unsigned at = unsigned(__builtin_ctz(hash));
        mask = at ? mask & (0xffffffffu >> (32 - at)) : 0;
        take = at + 1;
        comment = true;
    }
    Compact16(_mm256_castsi256_si128(val), mask & 0xffff, nib, k);
    Compact16(_mm256_extracti128_si256(val, 1), mask >> 16, nib, k);
    return take;
}

} // namespace

// The rounds of DecodeSsse3, with 32-byte steps where the groups do not fit.
__attribute__((target("avx2")))
size_t DecodeAvx2(const uchar* p, const uchar* end, uchar* out, State& st)
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
            else if (roundEnd - p >= 32)
            {
                // Another layout: try the groups again later, the later the more often it missed.
                if (wait) --wait;
                else if (roundEnd - p >= 48) { wait = backoff; backoff = backoff < 64 ? 2 * backoff : 64; }
                p += Step32(p, nib, k, comment);
            }
            else if (roundEnd - p >= 16) p += Step16(p, nib, k, comment);
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
