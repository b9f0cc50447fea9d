// HexCodec.cpp: hex-text reader and writer, a scalar loop and SIMD loops picked at run time.
#include "core/HexCodec.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#if defined(__i386__) || defined(__x86_64__)
#define QUILL_X86 1
#include <immintrin.h>
#endif

namespace {

typedef unsigned char uchar;

// Reader classes of a byte: 0..15 a digit's value, kSkip anything else, kHash the comment mark.
enum { kSkip = 0x40, kHash = 0x80, kStepHash = 0x8000 };

// Text bytes per SIMD round: the nibbles of one round stay in a small buffer on the stack.
enum { kRound = 4096 };

struct Tables
{
    uchar digit[256];
    uint16_t step[256];      // scalar gathering: low byte the value, then 1 for a digit or kStepHash
    uint32_t hex3[256];      // "xy " and one spare byte, stored as four bytes at a time
    char hex2[256][2];       // "xy", for offsets
    char shown[256];         // the byte as a comment shows it: 0x20-0x7e itself, else '.'
    uint64_t compact[256];   // pshufb indices that move the bytes chosen by an 8-bit mask to the front
    uchar count[256];        // bits set in an 8-bit mask
    alignas(16) uchar encMaskA[3][16];  // encoder: where each output byte comes from
    alignas(16) uchar encMaskB[3][16];
    alignas(16) uchar encSpace[3][16];
    // Reader fast path for 48 bytes laid out as "xy " groups, whichever byte the groups start at:
    // the digit masks of the three 16-byte parts, and the shuffles that gather their 32 digits.
    uint16_t groupMask[3][3];
    alignas(16) uchar groupShuf[3][4][16];

    Tables()
    {
        static const char kDigits[] = "0123456789abcdef";
        for (int c = 0; c < 256; ++c)
        {
            if (c >= '0' && c <= '9') digit[c] = uchar(c - '0');
            else if (c >= 'a' && c <= 'f') digit[c] = uchar(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') digit[c] = uchar(c - 'A' + 10);
            else if (c == '#') digit[c] = kHash;
            else digit[c] = kSkip;
            step[c] = digit[c] < 16 ? uint16_t(0x100 | digit[c]) : digit[c] == kHash ? uint16_t(kStepHash) : 0;

            const uchar group[4] = { uchar(kDigits[c >> 4]), uchar(kDigits[c & 15]), ' ', 0 };
            memcpy(&hex3[c], group, 4);
            memcpy(hex2[c], group, 2);
            shown[c] = c >= 0x20 && c <= 0x7e ? char(c) : '.';

            uchar idx[8] = { 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80 };
            int n = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (c & (1 << bit)) idx[n++] = uchar(bit);
            memcpy(&compact[c], idx, 8);
            count[c] = uchar(n);
        }
        for (int phase = 0; phase < 3; ++phase)
        {
            int digits[32], n = 0;
            for (int j = 0; j < 48; ++j)
                if ((j + phase) % 3 != 2) digits[n++] = j;
            for (int part = 0; part < 3; ++part)
            {
                groupMask[phase][part] = 0;
                for (int j = 0; j < 16; ++j)
                    if ((16 * part + j + phase) % 3 != 2) groupMask[phase][part] |= uint16_t(1u << j);
            }
            // Nibbles 0-15 come from chunks 0 and 1, nibbles 16-31 from chunks 1 and 2.
            for (int half = 0; half < 2; ++half)
                for (int i = 0; i < 16; ++i)
                {
                    const int from = digits[16 * half + i], part = from / 16;
                    groupShuf[phase][2 * half][i] = part == half ? uchar(from % 16) : 0x80;
                    groupShuf[phase][2 * half + 1][i] = part == half + 1 ? uchar(from % 16) : 0x80;
                }
        }
        // Sixteen input bytes become 48 output bytes. Their digits come interleaved as pairs in
        // A (bytes 0-7) and B (bytes 8-15); every third output byte is a space.
        for (int v = 0; v < 3; ++v)
            for (int j = 0; j < 16; ++j)
            {
                const int pos = 16 * v + j, pair = pos / 3, k = pos % 3;
                encMaskA[v][j] = encMaskB[v][j] = 0x80;
                encSpace[v][j] = k == 2 ? ' ' : 0;
                if (k == 2) continue;
                const uchar idx = uchar(2 * (pair % 8) + k);
                if (pair < 8) encMaskA[v][j] = idx;
                else encMaskB[v][j] = idx;
            }
    }
};

// Built before main; nothing reads them during static initialisation.
const Tables g_tables;

inline const Tables& T()
{
    return g_tables;
}

// The state a reader carries between blocks.
struct State
{
    int pending;
    bool comment;
};

// The steps below are forced inline so that the loops keep their counts in registers.
#define QUILL_INLINE inline __attribute__((always_inline))

// One byte at a time: digits go to the nibble buffer, stopping just after a '#'.
QUILL_INLINE const uchar* NibblesScalar(const uchar* p, const uchar* end, uchar* nib, size_t& k, bool& comment)
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

QUILL_INLINE const uchar* SkipComment(const uchar* p, const uchar* end, bool& comment)
{
    const void* lf = memchr(p, '\n', size_t(end - p));
    if (!lf) return end;
    comment = false;
    return static_cast<const uchar*>(lf) + 1;
}

// Joins nibble pairs into bytes.
inline size_t PackPairsScalar(const uchar* nib, size_t pairs, uchar* out)
{
    for (size_t i = 0; i < pairs; ++i)
        out[i] = uchar((nib[2 * i] << 4) | nib[2 * i + 1]);
    return pairs;
}

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

#ifdef QUILL_X86

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
size_t PackPairsSsse3(const uchar* nib, size_t pairs, uchar* out)
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
                     _mm_or_si128(_mm_shuffle_epi8(v0, _mm_load_si128(shuf)), _mm_shuffle_epi8(v1, _mm_load_si128(shuf + 1))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(nib + k + 16),
                     _mm_or_si128(_mm_shuffle_epi8(v1, _mm_load_si128(shuf + 2)), _mm_shuffle_epi8(v2, _mm_load_si128(shuf + 3))));
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

__attribute__((target("ssse3"), noinline))
Run GroupRun(const uchar* p, const uchar* end, uchar* nib, size_t k)
{
    while (end - p >= 48 && Groups48(p, nib, k)) p += 48;
    return Run{ p, k };
}

// The same for 32 bytes.
__attribute__((target("avx2")))
QUILL_INLINE unsigned Step32(const uchar* p, uchar* nib, size_t& k, bool& comment)
{
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i dec = _mm256_sub_epi8(c, _mm256_set1_epi8('0'));
    const __m256i isDec = _mm256_cmpeq_epi8(_mm256_min_epu8(dec, _mm256_set1_epi8(9)), dec);
    const __m256i alpha = _mm256_sub_epi8(_mm256_or_si256(c, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('a'));
    const __m256i isAlpha = _mm256_cmpeq_epi8(_mm256_min_epu8(alpha, _mm256_set1_epi8(5)), alpha);
    const __m256i val = _mm256_or_si256(_mm256_and_si256(isDec, dec),
                                        _mm256_and_si256(isAlpha, _mm256_add_epi8(alpha, _mm256_set1_epi8(10))));
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

// The writer's constants, loaded once per call and kept in registers.
struct EncMasks
{
    __m128i digits, low, a0, a1, b1, b2, s0, s1, s2;
};

__attribute__((target("ssse3")))
QUILL_INLINE void LoadMasks(EncMasks& e)
{
    const Tables& t = T();
    e.digits = _mm_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f');
    e.low = _mm_set1_epi8(0x0f);
    e.a0 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.encMaskA[0]));
    e.a1 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.encMaskA[1]));
    e.b1 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.encMaskB[1]));
    e.b2 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.encMaskB[2]));
    e.s0 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.encSpace[0]));
    e.s1 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.encSpace[1]));
    e.s2 = _mm_load_si128(reinterpret_cast<const __m128i*>(t.encSpace[2]));
}

// Sixteen bytes as 48 characters "xy xy ... xy ".
__attribute__((target("ssse3")))
QUILL_INLINE void Hex16(const EncMasks& e, __m128i x, char* out)
{
    const __m128i hi = _mm_shuffle_epi8(e.digits, _mm_and_si128(_mm_srli_epi16(x, 4), e.low));
    const __m128i lo = _mm_shuffle_epi8(e.digits, _mm_and_si128(x, e.low));
    const __m128i a = _mm_unpacklo_epi8(hi, lo), b = _mm_unpackhi_epi8(hi, lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(_mm_shuffle_epi8(a, e.a0), e.s0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16),
                     _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, e.a1), _mm_shuffle_epi8(b, e.b1)), e.s1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm_or_si128(_mm_shuffle_epi8(b, e.b2), e.s2));
}

// The low eight bytes of x as 24 characters; writes 32, the last 8 of them scratch.
__attribute__((target("ssse3")))
QUILL_INLINE void Hex8(const EncMasks& e, __m128i x, char* out)
{
    const __m128i hi = _mm_shuffle_epi8(e.digits, _mm_and_si128(_mm_srli_epi16(x, 4), e.low));
    const __m128i lo = _mm_shuffle_epi8(e.digits, _mm_and_si128(x, e.low));
    const __m128i a = _mm_unpacklo_epi8(hi, lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(_mm_shuffle_epi8(a, e.a0), e.s0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_or_si128(_mm_shuffle_epi8(a, e.a1), e.s1));
}

// Sixteen bytes as a comment shows them: 0x20-0x7e as themselves, any other as '.'.
__attribute__((target("ssse3")))
QUILL_INLINE __m128i Shown16(__m128i x)
{
    // x + 0x60 puts 0x20-0x7e at -128..-34 as signed bytes, and every other byte above that.
    const __m128i printable = _mm_cmpgt_epi8(_mm_set1_epi8(-33), _mm_add_epi8(x, _mm_set1_epi8(0x60)));
    return _mm_or_si128(_mm_and_si128(printable, x), _mm_andnot_si128(printable, _mm_set1_epi8('.')));
}

__attribute__((target("ssse3")))
void EncodeSsse3(const uchar* in, size_t size, char* out)
{
    EncMasks e;
    LoadMasks(e);
    size_t i = 0;
    for (; i + 16 <= size; i += 16, out += 48)
        Hex16(e, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)), out);
    for (; i < size; ++i, out += 3)
        memcpy(out, &T().hex3[in[i]], 3);
}

#endif // QUILL_X86

// Where a line's comment starts, just after its digits: two spaces and "# ".
const char kCommentMark[4] = { ' ', ' ', '#', ' ' };

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

// 8 digits, or as many as the offset needs.
unsigned OffsetDigits(uint64_t offset)
{
    unsigned digits = 8;
    while (digits < 16 && (offset >> (4 * digits))) ++digits;
    return digits;
}

// "  # offset  characters" for the n bytes at in; returns the end.
char* WriteComment(char* o, const uchar* in, unsigned n, uint64_t offset, unsigned digits)
{
    memcpy(o, kCommentMark, 4);
    WriteOffset(o + 4, offset, digits);
    o += 4 + digits;
    o[0] = o[1] = ' ';
    o += 2;
    for (unsigned j = 0; j < n; ++j) o[j] = T().shown[in[j]];
    return o + n;
}

// Whole lines of `width` bytes, each ending in CR LF; the comments' offsets all take `digits`
// digits. Writes a few scratch bytes past the end.
char* LinesScalar(const uchar* in, size_t lines, unsigned width, bool comments, uint64_t offset, unsigned digits,
                  char* o)
{
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

#ifdef QUILL_X86

// The same with vectors, one loop per layout. Each field is stored with wide stores that may
// run past it; the fields are written left to right, so the next field or line overwrites that.
template <unsigned W, bool C>
__attribute__((target("ssse3")))
char* LinesSsse3(const uchar* in, size_t lines, uint64_t offset, unsigned digits, char* o)
{
    EncMasks e;
    LoadMasks(e);
    for (size_t i = 0; i < lines; ++i, in += W, offset += W)
    {
        __m128i x0, x1 = _mm_setzero_si128();
        if (W == 8)
        {
            x0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
            Hex8(e, x0, o);
        }
        else
        {
            x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            Hex16(e, x0, o);
            if (W == 32)
            {
                x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
                Hex16(e, x1, o + 48);
            }
        }
        char* p = o + 3 * W - 1;
        if (C)
        {
            memcpy(p, kCommentMark, 4);
            WriteOffset(p + 4, offset, digits);
            p += 4 + digits;
            p[0] = p[1] = ' ';
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 2), Shown16(x0));
            if (W == 32) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 18), Shown16(x1));
            p += 2 + W;
        }
        p[0] = '\r';
        p[1] = '\n';
        o = p + 2;
    }
    return o;
}

#endif // QUILL_X86

// Scratch bytes a line writer may store past the end of its text.
enum { kSlack = 32 };


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

HexKernel Resolve(HexKernel kernel)
{
    if (kernel != HexKernelBest)
        return HexKernelSupported(kernel) ? kernel : HexKernelScalar;
    if (HexKernelSupported(HexKernelAvx2)) return HexKernelAvx2;
    if (HexKernelSupported(HexKernelSsse3)) return HexKernelSsse3;
    return HexKernelScalar;
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
#endif
    default:
        return false;
    }
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
    : m_nKernel(Resolve(kernel)), m_layout(layout), m_nOffset(firstOffset), m_nHeld(0)
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
        {
            switch (width * 2 + comments)
            {
            case 16: out = LinesSsse3<8, false>(in, run, m_nOffset, digits, out); break;
            case 17: out = LinesSsse3<8, true>(in, run, m_nOffset, digits, out); break;
            case 32: out = LinesSsse3<16, false>(in, run, m_nOffset, digits, out); break;
            case 33: out = LinesSsse3<16, true>(in, run, m_nOffset, digits, out); break;
            case 64: out = LinesSsse3<32, false>(in, run, m_nOffset, digits, out); break;
            default: out = LinesSsse3<32, true>(in, run, m_nOffset, digits, out); break;
            }
        }
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
        if (n && !out.Write(text, n)) result = PumpWriteFailed;
    }
    free(block);
    return result;
}
