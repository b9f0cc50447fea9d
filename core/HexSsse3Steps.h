// HexSsse3Steps.h: the SSSE3 steps of the reader, shared by its SSSE3 and AVX2 loops and forced
// inline into each, and GroupRun, the fast path for text in the writer's own layout.
// Private to core/; x86 only.
#pragma once

#include "core/HexKernels.h"

#ifdef QUILL_X86

#include <immintrin.h>

namespace HexImpl {

// Digit values and the mask of digit positions for sixteen text bytes.
__attribute__((target("ssse3")))
QUILL_INLINE __m128i Classify16(__m128i c, __m128i& valid)
{
    const __m128i dec = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    const __m128i isDec = _mm_cmpeq_epi8(_mm_min_epu8(dec, _mm_set1_epi8(9)), dec);
    const __m128i alpha = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isAlpha = _mm_cmpeq_epi8(_mm_min_epu8(alpha, _mm_set1_epi8(5)), alpha);
    valid = _mm_or_si128(isDec, isAlpha);
    return _mm_or_si128(_mm_and_si128(isDec, dec),
                        _mm_and_si128(isAlpha, _mm_add_epi8(alpha, _mm_set1_epi8(10))));
}

// Moves the digits chosen by mask (16 bits) to nib + k, in order; may write 16 bytes past the end.
__attribute__((target("ssse3")))
QUILL_INLINE void Compact16(__m128i val, unsigned mask, uchar* nib, size_t& k)
{
    const Tables& t = T();
    const unsigned lo = mask & 0xff, hi = (mask >> 8) & 0xff;
    const __m128i shufLo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&t.compact[lo]));
    const __m128i shufHi = _mm_add_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&t.compact[hi])),
                                        _mm_set1_epi8(8));
    const __m128i packed = _mm_shuffle_epi8(val, _mm_unpacklo_epi64(shufLo, shufHi));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(nib + k), packed);
    k += t.count[lo];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(nib + k), _mm_srli_si128(packed, 8));
    k += t.count[hi];
}

// Joins nibble pairs into bytes; returns the number of bytes written.
__attribute__((target("ssse3")))
inline size_t PackPairsSsse3(const uchar* nib, size_t pairs, uchar* out)
{
    const __m128i weights = _mm_set1_epi16(0x0110);
    size_t i = 0;
    for (; i + 16 <= pairs; i += 16)
    {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nib + 2 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nib + 2 * i + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packus_epi16(_mm_maddubs_epi16(a, weights), _mm_maddubs_epi16(b, weights)));
    }
    for (; i < pairs; ++i)
        out[i] = uchar((nib[2 * i] << 4) | nib[2 * i + 1]);
    return pairs;
}

// Sixteen text bytes: their digits go to nib + k; a '#' cuts the mask at the mark and opens a
// comment. Returns how many bytes were consumed.
__attribute__((target("ssse3")))
QUILL_INLINE unsigned Step16(const uchar* p, uchar* nib, size_t& k, bool& comment)
{
    __m128i valid;
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i val = Classify16(c, valid);
    unsigned mask = unsigned(_mm_movemask_epi8(valid));
    const unsigned hash = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(c, _mm_set1_epi8('#'))));
    unsigned take = 16;
    if (hash)
    {
        const unsigned at = unsigned(__builtin_ctz(hash));
        mask &= (1u << at) - 1;
        take = at + 1;
        comment = true;
    }
    Compact16(val, mask, nib, k);
    return take;
}

// 48 bytes in "xy " groups (the writer's own layout) with no '#': their 32 digits are gathered
// by fixed shuffles instead of table lookups. False, having done nothing, for any other layout.
__attribute__((target("ssse3")))
QUILL_INLINE bool Groups48(const uchar* p, uchar* nib, size_t& k)
{
    const Tables& t = T();
    __m128i valid0, valid1, valid2;
    const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i c2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i v0 = Classify16(c0, valid0), v1 = Classify16(c1, valid1), v2 = Classify16(c2, valid2);
    const unsigned m0 = unsigned(_mm_movemask_epi8(valid0));
    int phase = 0;
    while (phase < 3 && t.groupMask[phase][0] != m0) ++phase;
    if (phase == 3 || unsigned(_mm_movemask_epi8(valid1)) != t.groupMask[phase][1] ||
        unsigned(_mm_movemask_epi8(valid2)) != t.groupMask[phase][2])
        return false;
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i anyHash = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(c0, hash), _mm_cmpeq_epi8(c1, hash)),
                                         _mm_cmpeq_epi8(c2, hash));
    if (_mm_movemask_epi8(anyHash)) return false;
    const __m128i* shuf = reinterpret_cast<const __m128i*>(t.groupShuf[phase]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(nib + k),
                     _mm_or_si128(_mm_shuffle_epi8(v0, _mm_load_si128(shuf)),
                                  _mm_shuffle_epi8(v1, _mm_load_si128(shuf + 1))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(nib + k + 16),
                     _mm_or_si128(_mm_shuffle_epi8(v1, _mm_load_si128(shuf + 2)),
                                  _mm_shuffle_epi8(v2, _mm_load_si128(shuf + 3))));
    k += 32;
    return true;
}

// Consumes as many whole 48-byte group runs as there are from p; returns where it stopped.
// Kept out of line and compiled for SSSE3 alone, which runs faster here than in AVX2 code.
// Results come back by value: a count whose address escaped would be kept in memory.
struct Run
{
    const uchar* p;
    size_t k;
};

namespace {

// A copy in each reader's file: a function of the file's own takes its arguments in registers
// in 32-bit code, where one shared between files would take them on the stack.
__attribute__((target("ssse3"), noinline))
Run GroupRun(const uchar* p, const uchar* end, uchar* nib, size_t k)
{
    while (end - p >= 48 && Groups48(p, nib, k)) p += 48;
    return Run{ p, k };
}

} // namespace

} // namespace HexImpl

#endif // QUILL_X86
