// HexAvx2Decode.cpp: the AVX2 reader: 32 text bytes a step, and text in the writer's own layouts
// 96 bytes or two lines a step, with the SSSE3 steps for the rest of a round (HexSsse3Steps.h).
#define QUILL_READER_TARGET "avx2"
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
    if (const unsigned hash = unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(c, _mm256_set1_epi8('#')))))
        mask = CutComments<unsigned>(mask, hash,
                                     unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(c, _mm256_set1_epi8('\n')))),
                                     comment);
    Compact16(_mm256_castsi256_si128(val), mask & 0xffff, nib, k);
    Compact16(_mm256_extracti128_si256(val, 1), mask >> 16, nib, k);
    return 32;
}

__attribute__((target("avx2")))
QUILL_INLINE __m256i Row32(const uchar* row)
{
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(row));
}

// Two 16-byte halves as one: lo in the low lane.
__attribute__((target("avx2")))
QUILL_INLINE __m256i Lanes(__m128i lo, __m128i hi)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// Groups48 lane by lane: 32 groups, 48 text bytes a lane in three parts x, y and z. Returns the
// 32 bytes in bytes and the groups that fit: bits 0-15 those of the low lane.
__attribute__((target("avx2")))
QUILL_INLINE unsigned Groups96(__m256i x, __m256i y, __m256i z, __m256i& bytes)
{
    const LayoutTables& t = kLayout;
    const __m256i d0 = _mm256_or_si256(_mm256_shuffle_epi8(x, Row32(t.pairShuf[0])),
                                       _mm256_shuffle_epi8(y, Row32(t.pairShuf[1])));
    const __m256i d1 = _mm256_or_si256(_mm256_shuffle_epi8(y, Row32(t.pairShuf[2])),
                                       _mm256_shuffle_epi8(z, Row32(t.pairShuf[3])));
    const __m256i gap = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(x, Row32(t.gapShuf[0])),
                                                        _mm256_shuffle_epi8(y, Row32(t.gapShuf[1]))),
                                        _mm256_shuffle_epi8(z, Row32(t.gapShuf[2])));
    const __m256i low = _mm256_set1_epi8(0x0f);
    const __m256i hexHi = Row32(t.hexHi), hexLo = Row32(t.hexLo), hexAdd = Row32(t.hexAdd);
    const __m256i hi0 = _mm256_and_si256(_mm256_srli_epi16(d0, 4), low);
    const __m256i hi1 = _mm256_and_si256(_mm256_srli_epi16(d1, 4), low);
    const __m256i gapHi = _mm256_and_si256(_mm256_srli_epi16(gap, 4), low);
    const __m256i bad0 = _mm256_andnot_si256(_mm256_shuffle_epi8(hexLo, d0), _mm256_shuffle_epi8(hexHi, hi0));
    const __m256i bad1 = _mm256_andnot_si256(_mm256_shuffle_epi8(hexLo, d1), _mm256_shuffle_epi8(hexHi, hi1));
    const __m256i badGap = _mm256_and_si256(_mm256_shuffle_epi8(Row32(t.gapHi), gapHi),
                                            _mm256_shuffle_epi8(Row32(t.gapLo), gap));
    const __m256i bad = _mm256_or_si256(_mm256_packs_epi16(bad0, bad1), badGap);
    const __m256i v0 = _mm256_add_epi8(_mm256_and_si256(d0, low), _mm256_shuffle_epi8(hexAdd, hi0));
    const __m256i v1 = _mm256_add_epi8(_mm256_and_si256(d1, low), _mm256_shuffle_epi8(hexAdd, hi1));
    const __m256i weights = _mm256_set1_epi16(0x0110);
    bytes = _mm256_packus_epi16(_mm256_maddubs_epi16(v0, weights), _mm256_maddubs_epi16(v1, weights));
    return unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bad, _mm256_setzero_si256())));
}

} // namespace

// LayoutRunSsse3 with 32 groups a step: 96 bytes, two lines of 16 or four of 8.
__attribute__((target("avx2"), noinline))
Fast LayoutRunAvx2(const uchar* p, const uchar* end, uchar* o)
{
    Lines lines(p);
    bool poor = false;
    __m256i bytes;
    for (;;)
    {
        const uchar* q = SkipGap(p, end);
        if (q != p)
        {
            lines.Gap(p, q);
            p = q;
        }
        const unsigned width = lines.width, count = width == 16 ? 2 : 4;
        const size_t stride = lines.stride;
        if (width && size_t(end - p) >= count * stride + 3 * width)
        {
            const uchar* last = p + (count - 1) * stride;
            unsigned good;
            if (width == 16)
                good = Groups96(Lanes(Load16(p), Load16(last)), Lanes(Load16(p + 16), Load16(last + 16)),
                                Lanes(Load16(p + 32), Load16(last + 32)), bytes);
            else
            {
                const uchar* second = p + stride;
                const uchar* third = second + stride;
                good = Groups96(Lanes(Load16(p), Load16(third)),
                                Lanes(Load8And8(p + 16, second), Load8And8(third + 16, last)),
                                Lanes(Load16(second + 8), Load16(last + 8)), bytes);
            }
            if (good == 0xffffffffu && lines.GapsFit(p, count, end))
            {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), bytes);
                o += 32;
                poor = false;
                p = last + stride;
                lines.line = p;
                continue;
            }
            // The lines changed: group by group until they are lines again.
            lines.width = 0;
        }
        if (end - p < 96) break;
        const unsigned good = Groups96(Lanes(Load16(p), Load16(p + 48)),
                                       Lanes(Load16(p + 16), Load16(p + 64)),
                                       Lanes(Load16(p + 32), Load16(p + 80)), bytes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), bytes);
        if (good == 0xffffffffu)
        {
            poor = false;
            p += 96;
            o += 32;
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

// The rounds of DecodeSsse3, with 32-byte steps and the fast path of 96.
__attribute__((target("avx2")))
size_t DecodeAvx2(const uchar* p, const uchar* end, uchar* out, State& st)
{
    return DecodeRounds<32, Step32, 96, LayoutRunAvx2>(p, end, out, st);
}

} // namespace HexImpl

#endif // QUILL_X86
