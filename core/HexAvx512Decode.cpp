// HexAvx512Decode.cpp: the AVX-512 reader (byte instructions and VBMI2's compress): 64 text bytes
// a step, comments that end within the step skipped in it, and the AVX2 fast path for text in
// the writer's own layouts (HexSsse3Steps.h).
#define QUILL_READER_TARGET "avx2,avx512f,avx512bw,avx512vbmi2,bmi,popcnt"
#include "core/HexSsse3Steps.h"

#ifdef QUILL_X86

namespace HexImpl {

namespace {

// Sixteen text bytes at a time cost a call and a stop at every comment: text that is not in the
// writer's layouts (other separators, comment lines between the data) spent most of its time
// there. Here the digits of 64 bytes are found with one compare each for digits, '#' and line
// feeds; every comment that ends in the step is cut out of the digits' mask, and the digits are
// compressed to nib + k in one instruction (in a register: to memory it is slow on some cores).
// Takes all 64 bytes; a comment still open at the end is left to SkipComment.
__attribute__((target(QUILL_READER_TARGET)))
QUILL_INLINE unsigned Step64(const uchar* p, uchar* nib, size_t& k, bool& comment)
{
    const __m512i c = _mm512_loadu_si512(p);
    const __m512i dec = _mm512_sub_epi8(c, _mm512_set1_epi8('0'));
    const __m512i alpha = _mm512_sub_epi8(_mm512_or_si512(c, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('a'));
    const __mmask64 isAlpha = _mm512_cmple_epu8_mask(alpha, _mm512_set1_epi8(5));
    uint64_t digits = _mm512_cmple_epu8_mask(dec, _mm512_set1_epi8(9)) | isAlpha;
    const __m512i val = _mm512_mask_add_epi8(dec, isAlpha, alpha, _mm512_set1_epi8(10));
    uint64_t hash = _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8('#'));
    if (hash)
    {
        const uint64_t lf = _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8('\n'));
        do
        {
            // The first mark outside a comment, and the first line feed after it.
            const uint64_t from = hash & (0 - hash);
            const uint64_t after = lf & (0 - (from << 1));
            if (!after)
            {
                digits &= from - 1;
                comment = true;
                break;
            }
            const uint64_t to = after & (0 - after);
            digits &= ~(to - from);
            hash &= 0 - to;
        } while (hash);
    }
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
