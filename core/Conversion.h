// Conversion.h: the two conversions between hex-text files and binary files, on opened CFiles.
#pragma once

#include <windows.h>

#include "core/ByteStreams.h"
#include "core/HexCodec.h"

namespace Vexa { class CFile; }

// How one file is converted; callers fill what they know and leave the rest at its default.
struct ConvertOptions {
    int mode = 0;     // 0 hex text to binary, 1 binary to hex text
    HexLayout layout; // the text's layout in mode 1; the default is the one endless line
    CConversionObserver* observer = nullptr; // told of every block; may stop the conversion
};

// Reads hex text to its end and writes the bytes its digits spell. True when the whole input
// was converted; false when a read or a write failed (GetLastError then holds the reason).
bool TextToBinary(Vexa::CFile& in, Vexa::CFile& out);

// Reads any bytes to their end and writes them as "xx " groups. 0 when done, else the
// platform's error number of the failed read or write (112 for a full disk).
int BinaryToText(Vexa::CFile& in, Vexa::CFile& out);

// Either conversion, as options say. 0 when done, else the platform's error number; writeFailed
// then tells whether the output (true) or the input (false) failed.
DWORD Convert(Vexa::CFile& in, Vexa::CFile& out, const ConvertOptions& options, bool& writeFailed);
