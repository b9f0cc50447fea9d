// HexAvx512Decode.cpp: the AVX-512 reader (byte instructions and VBMI2's compress): 64 text bytes
// a step, comments that end within the step skipped in it, and the AVX2 fast path for text in
// the writer's own layouts (HexSsse3Steps.h).
#include "core/HexKernels.h"
#define QUILL_READER_TARGET QUILL_AVX512_TARGET
#include "core/HexSsse3Steps.h"

#ifdef QUILL_X86

namespace HexImpl {

namespace {

// The digits of 64 bytes are found with one compare each for digits, '#' and line feeds, the
// comments that end in the step cut out (CutComments), and the digits compressed to nib + k in one
// instruction (in a register: to memory it is slow on some cores). Takes all 64 bytes.
__attribute__((target(QUILL_READER_TARGET)))
QUILL_INLINE unsigned Step64(const uchar* p, uchar* nib, size_t& k, bool& comment)
{
    const __m512i c = _mm512_loadu_si512(p);
    const __m512i dec = _mm512_sub_epi8(c, _mm512_set1_epi8('0'));
    const __m512i alpha = _mm512_sub_epi8(_mm512_or_si512(c, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('a'));
    const __mmask64 isAlpha = _mm512_cmple_epu8_mask(alpha, _mm512_set1_epi8(5));
    uint64_t digits = _mm512_cmple_epu8_mask(dec, _mm512_set1_epi8(9)) | isAlpha;
    const __m512i val = _mm512_mask_add_epi8(dec, isAlpha, alpha, _mm512_set1_epi8(10));
    if (const uint64_t hash = _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8('#')))
        digits = CutComments<uint64_t>(digits, hash, _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8('\n')), comment);
    _mm512_storeu_si512(nib + k, _mm512_maskz_compress_epi8(digits, val));
    k += size_t(__builtin_popcountll(digits));
    return 64;
}

} // namespace

__attribute__((target(QUILL_READER_TARGET)))
size_t DecodeAvx512(const uchar* p, const uchar* end, uchar* out, State& st)
{
    return DecodeRounds<64, Step64, 96, LayoutRunAvx2>(p, end, out, st);
}

} // namespace HexImpl

#endif // QUILL_X86
