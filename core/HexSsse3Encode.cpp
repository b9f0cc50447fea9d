// HexSsse3Encode.cpp: the SSSE3 writer: the plain format, and lines with or without comments,
// one loop per layout. AVX2 processors use these too (the reader is where AVX2 pays).
#include "core/HexKernels.h"

#ifdef QUILL_X86

#include <immintrin.h>

namespace HexImpl {

namespace {

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

// LinesScalar with vectors, one loop per layout. Each field is stored with wide stores that may
// run past it; the fields are written left to right, so the next field or line overwrites that.
template <unsigned W, bool C>
__attribute__((target("ssse3")))
char* LinesFor(const uchar* in, size_t lines, uint64_t offset, unsigned digits, char* o)
{
    AssumeOffsetDigits(digits);
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

} // namespace

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

// Compiled for any processor, like its caller, so that each layout's loop stays a function of
// its own rather than being inlined into this switch.
char* LinesSsse3(const uchar* in, size_t lines, unsigned width, bool comments,
                 uint64_t offset, unsigned digits, char* o)
{
    switch (width * 2 + comments)
    {
    case 16: return LinesFor<8, false>(in, lines, offset, digits, o);
    case 17: return LinesFor<8, true>(in, lines, offset, digits, o);
    case 32: return LinesFor<16, false>(in, lines, offset, digits, o);
    case 33: return LinesFor<16, true>(in, lines, offset, digits, o);
    case 64: return LinesFor<32, false>(in, lines, offset, digits, o);
    default: return LinesFor<32, true>(in, lines, offset, digits, o);
    }
}

} // namespace HexImpl

#endif // QUILL_X86
