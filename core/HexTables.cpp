// HexTables.cpp: builds the kernels' lookup tables (see HexTables.h for what each one holds).
#include "core/HexTables.h"

#include <string.h>

namespace HexImpl {

Tables::Tables()
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

} // namespace HexImpl
