// HexTables.h: the lookup tables of the codec's kernels, most built once before main
// (HexTables.cpp), those of the reader's fast path at compile time.
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
    Tables();
};

// The reader's fast path, for 48 bytes in sixteen groups of two digits and one other byte (the
// writer's layouts). Each row twice over, for the two lanes of an AVX2 register. Constant at
// compile time, so that the kernels take them as operands instead of loading them again after
// every store.
struct LayoutTables
{
    // Gather the digits of pairs 0-7 (from the first two of the three 16-byte loads), those of
    // pairs 8-15 (the last two loads), and the third byte of every group.
    alignas(32) uchar pairShuf[4][32];
    alignas(32) uchar gapShuf[3][32];
    // Classes by nibble: hexHi[c >> 4] & ~hexLo[c & 15] is 0 only for a hex digit;
    // gapHi[c >> 4] & gapLo[c & 15] is 0 for any byte but a digit or '#'. hexAdd[c >> 4] + (c & 15)
    // is a digit's value.
    alignas(32) uchar hexHi[32];
    alignas(32) uchar hexLo[32];
    alignas(32) uchar hexAdd[32];
    alignas(32) uchar gapHi[32];
    alignas(32) uchar gapLo[32];
};

constexpr LayoutTables MakeLayoutTables()
{
    LayoutTables t = {};
    for (int j = 0; j < 32; ++j)
    {
        const int i = j % 16;
        for (int s = 0; s < 4; ++s) t.pairShuf[s][j] = 0x80;
        for (int s = 0; s < 3; ++s) t.gapShuf[s][j] = 0x80;
        // Group g holds its digits at 3g and 3g + 1 and its other byte at 3g + 2.
        const int early = 3 * (i / 2) + i % 2, late = 3 * (8 + i / 2) + i % 2, gap = 3 * i + 2;
        t.pairShuf[early / 16][j] = uchar(early % 16);
        t.pairShuf[1 + late / 16][j] = uchar(late % 16);
        t.gapShuf[gap / 16][j] = uchar(gap % 16);
        // Bit 1 marks '0'-'9', bit 2 'A'-'F' and 'a'-'f', bit 4 '#'; a high nibble of no digit
        // has bit 8, which no low nibble clears.
        t.hexHi[j] = uchar(i == 3 ? 1 : i == 4 || i == 6 ? 2 : 8);
        t.hexLo[j] = uchar((i <= 9 ? 1 : 0) | (i >= 1 && i <= 6 ? 2 : 0));
        t.hexAdd[j] = uchar(i == 4 || i == 6 ? 9 : 0);
        t.gapHi[j] = uchar(i == 3 ? 1 : i == 4 || i == 6 ? 2 : i == 2 ? 4 : 0);
        t.gapLo[j] = uchar(t.hexLo[j] | (i == 3 ? 4 : 0));
    }
    return t;
}

inline constexpr LayoutTables kLayout = MakeLayoutTables();

// Built before main; nothing reads them during static initialisation. An inline variable rather
// than an extern one: every kernel's file holds the definition, so the 64-bit Windows code reaches
// it directly instead of through a pointer to an imported symbol.
inline const Tables g_tables;

inline const Tables& T()
{
    return g_tables;
}

} // namespace HexImpl
