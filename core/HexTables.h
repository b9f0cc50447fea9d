// HexTables.h: the lookup tables of the codec's kernels, built once before main (HexTables.cpp).
// Private to core/; the interface is HexCodec.h.
#pragma once

#include <stdint.h>

namespace HexImpl {

typedef unsigned char uchar;

// Reader classes of a byte: 0..15 a digit's value, kSkip anything else, kHash the comment mark.
enum { kSkip = 0x40, kHash = 0x80, kStepHash = 0x8000 };

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

    Tables();
};

// Built before main; nothing reads them during static initialisation. An inline variable rather
// than an extern one: every kernel's file holds the definition, so the 64-bit Windows code reaches
// it directly instead of through a pointer to an imported symbol.
inline const Tables g_tables;

inline const Tables& T()
{
    return g_tables;
}

} // namespace HexImpl
