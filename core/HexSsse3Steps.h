// HexSsse3Steps.h: the SSSE3 steps of the reader, shared by its SSSE3 and AVX2 loops and forced
// inline into each, those of its fast path for text in the writer's own layouts, and the loop
// itself, over either family's steps. Private to core/; x86 only.
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

// Sixteen text bytes: their digits go to nib + k, less the comments (CutComments). Takes all 16.
__attribute__((target("ssse3")))
QUILL_INLINE unsigned Step16(const uchar* p, uchar* nib, size_t& k, bool& comment)
{
    __m128i valid;
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i val = Classify16(c, valid);
    unsigned mask = unsigned(_mm_movemask_epi8(valid));
    if (const unsigned hash = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(c, _mm_set1_epi8('#')))))
        mask = CutComments<unsigned>(mask, hash, unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(c, _mm_set1_epi8('\n')))),
                                     comment);
    Compact16(val, mask, nib, k);
    return 16;
}

// The writer's layouts: groups of two digits and one other byte ("xy " or "xy\r"), in lines or
// not, with line ends and comments between the lines. The fast path checks sixteen groups at a
// time against that shape and keeps the bytes of the leading groups that fit; what lies between
// lines goes through SkipGap. Whatever does not fit is left to the general steps above.

// Where a run of the fast path stopped: the text consumed and the bytes written up to there.
struct Fast
{
    const uchar* p;
    uchar* o;
};

// The AVX2 fast path (HexAvx2Decode.cpp), which the AVX-512 reader runs too: at 96 bytes a step
// it is as fast as the memory.
__attribute__((target("avx2")))
Fast LayoutRunAvx2(const uchar* p, const uchar* end, uchar* o);

// Bytes other than digits and comments that SkipGap passes before it gives up on the layout.
enum { kMaxGap = 64 };

// A step that keeps fewer groups than this is a poor one: two in a row end the run. Lines of
// 8 or more keep at least that many, but text in short groups ("xy, " says) would otherwise go
// on a few groups a step, slower than the general steps.
enum { kFewGroups = 8 };

// Less text than this taken by a run counts as a miss. After a miss the general steps go on for
// a while before the next try, twice as long after each miss up to kMaxBackoff steps.
enum { kGoodRun = 96 };
const unsigned kMaxBackoff = 256;

__attribute__((target("ssse3")))
QUILL_INLINE __m128i Load16(const uchar* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The first line feed in [p, end), or null.
__attribute__((target("ssse3")))
QUILL_INLINE const uchar* FindLineFeed(const uchar* p, const uchar* end)
{
    const __m128i lf = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16)
    {
        const unsigned m = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p), lf)));
        if (m) return p + __builtin_ctz(m);
    }
    for (; p < end; ++p)
        if (*p == '\n') return p;
    return nullptr;
}

__attribute__((target("ssse3")))
QUILL_INLINE __m128i Row16(const uchar* row)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(row));
}

// Passes what the reader skips between two groups: bytes that are neither digits nor '#', and
// comments through their line feed. Stops at a digit, at the end, at a '#' whose line feed is not
// in [p, end) (the caller's general steps open that comment), or after about kMaxGap skipped
// bytes outside comments.
__attribute__((target("ssse3")))
QUILL_INLINE const uchar* SkipGap(const uchar* p, const uchar* end)
{
    const uchar* digit = T().digit;
    if (p < end && digit[*p] < 16) return p;
    unsigned skipped = 0;
    while (p < end)
    {
        const unsigned d = digit[*p];
        if (d < 16) break;
        if (d == kHash)
        {
            const uchar* lf = FindLineFeed(p + 1, end);
            if (!lf) break;
            p = lf + 1;
        }
        else if (++skipped > kMaxGap) break;
        else ++p;
    }
    return p;
}

// Sixteen groups of 48 text bytes, in three parts a, b and c: their bytes go to bytes, and bit j
// of the result is set where group j fits (two hex digits, then neither a digit nor '#').
__attribute__((target("ssse3")))
QUILL_INLINE unsigned Groups48(__m128i a, __m128i b, __m128i c, __m128i& bytes)
{
    const LayoutTables& t = kLayout;
    // The digits of pairs 0-7 and 8-15, each pair's two side by side, and the groups' third bytes.
    const __m128i d0 = _mm_or_si128(_mm_shuffle_epi8(a, Row16(t.pairShuf[0])),
                                    _mm_shuffle_epi8(b, Row16(t.pairShuf[1])));
    const __m128i d1 = _mm_or_si128(_mm_shuffle_epi8(b, Row16(t.pairShuf[2])),
                                    _mm_shuffle_epi8(c, Row16(t.pairShuf[3])));
    const __m128i gap = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, Row16(t.gapShuf[0])),
                                                  _mm_shuffle_epi8(b, Row16(t.gapShuf[1]))),
                                     _mm_shuffle_epi8(c, Row16(t.gapShuf[2])));
    const __m128i low = _mm_set1_epi8(0x0f);
    const __m128i hexHi = Row16(t.hexHi), hexLo = Row16(t.hexLo), hexAdd = Row16(t.hexAdd);
    const __m128i hi0 = _mm_and_si128(_mm_srli_epi16(d0, 4), low);
    const __m128i hi1 = _mm_and_si128(_mm_srli_epi16(d1, 4), low);
    const __m128i gapHi = _mm_and_si128(_mm_srli_epi16(gap, 4), low);
    // Bytes of 0x80 and up look up 0 in the low-nibble tables: not a digit, and a gap byte.
    const __m128i bad0 = _mm_andnot_si128(_mm_shuffle_epi8(hexLo, d0), _mm_shuffle_epi8(hexHi, hi0));
    const __m128i bad1 = _mm_andnot_si128(_mm_shuffle_epi8(hexLo, d1), _mm_shuffle_epi8(hexHi, hi1));
    const __m128i badGap = _mm_and_si128(_mm_shuffle_epi8(Row16(t.gapHi), gapHi),
                                         _mm_shuffle_epi8(Row16(t.gapLo), gap));
    // A pair's two class bytes as one word, packed to one byte: zero only if both are.
    const __m128i bad = _mm_or_si128(_mm_packs_epi16(bad0, bad1), badGap);
    const __m128i v0 = _mm_add_epi8(_mm_and_si128(d0, low), _mm_shuffle_epi8(hexAdd, hi0));
    const __m128i v1 = _mm_add_epi8(_mm_and_si128(d1, low), _mm_shuffle_epi8(hexAdd, hi1));
    const __m128i weights = _mm_set1_epi16(0x0110);
    bytes = _mm_packus_epi16(_mm_maddubs_epi16(v0, weights), _mm_maddubs_epi16(v1, weights));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())));
}

// The 16 bytes of two 8-byte halves: 8 at p, then 8 at q.
__attribute__((target("ssse3")))
QUILL_INLINE __m128i Load8And8(const uchar* p, const uchar* q)
{
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)));
}

// Lines of 8 or 16 groups (a run of that many, then a gap) are taken several lines a step where
// a step holds more than one (SSSE3: two of 8; AVX2: four of 8 or two of 16), each looked for
// where the previous one's length says, and kept only if every gap after them really ends where
// the next line is looked for. Width and stride are learnt from the runs.
struct Lines
{
    unsigned width;         // groups a line, 8 or 16; 0 while the text is not in such lines
    size_t stride;          // from a line's first group to the next line's
    const uchar* line;      // where the current run of groups began

    explicit Lines(const uchar* p) : width(0), stride(0), line(p) {}

    // A gap from p to q ended the run begun at `line`.
    QUILL_INLINE void Gap(const uchar* p, const uchar* q)
    {
        const size_t run = size_t(p - line);
        width = run == 24 || run == 48 ? unsigned(run / 3) : 0;
        stride = size_t(q - line);
        line = q;
    }

    // True if the gaps after `count` lines from p each end where the next line is looked for.
    __attribute__((target("ssse3")))
    QUILL_INLINE bool GapsFit(const uchar* p, unsigned count, const uchar* end) const
    {
        const uchar* digit = T().digit;
        const size_t gap = stride - 3 * width;
        for (unsigned i = 0; i < count; ++i, p += stride)
        {
            const uchar* q = p + 3 * width;
            if (gap <= 2 && q + gap < end)
            {
                // A line end of a byte or two (never none: a run ends at a gap) and the next
                // line's first digit, with no call.
                if (digit[q[0]] == kSkip && digit[q[gap - 1]] == kSkip && digit[q[gap]] < 16) continue;
            }
            if (SkipGap(q, end) != p + stride) return false;
        }
        return true;
    }
};

// The reader's loop over one family's steps: Step takes kStep text bytes, LayoutRun is the fast
// path, which wants kRun bytes at least. An attribute cannot take the instruction set from a
// template argument, so a source names its own in QUILL_READER_TARGET before it includes this
// header; the loop then stays that source's own.
#ifdef QUILL_READER_TARGET

namespace {

// Rounds of at most kRound text bytes: the digits of a round are gathered as nibbles in a small
// buffer, then joined in pairs. Comments are skipped with memchr. Between digit pairs the fast
// path takes over and writes its bytes straight to out, until the text leaves the layout.
template <int kStep, unsigned (*Step)(const uchar*, uchar*, size_t&, bool&), int kRun,
          Fast (*LayoutRun)(const uchar*, const uchar*, uchar*)>
__attribute__((target(QUILL_READER_TARGET)))
QUILL_INLINE size_t DecodeRounds(const uchar* p, const uchar* end, uchar* out, State& st)
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
            else if (!wait && !(k & 1) && end - p >= kRun)
            {
                o += PackPairsSsse3(nib, k / 2, o);
                k = 0;
                const Fast run = LayoutRun(p, end, o);
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
            else if (roundEnd - p >= kStep)
            {
                if (wait) --wait;
                p += Step(p, nib, k, comment);
            }
            else if (kStep > 16 && roundEnd - p >= 16) p += Step16(p, nib, k, comment);
            else p = NibblesScalar(p, roundEnd, nib, k, comment);
        }
        o += PackPairsSsse3(nib, k / 2, o);
        pending = (k & 1) ? nib[k - 1] : -1;
    }
    st.pending = pending;
    st.comment = comment;
    return size_t(o - out);
}

} // namespace

#endif // QUILL_READER_TARGET

} // namespace HexImpl

#endif // QUILL_X86
