// Conversion.h: the two conversions between hex-text files and binary files, on opened CFiles.
#pragma once

#include <windows.h>

#include "core/ByteStreams.h"
#include "core/HexCodec.h"
#include "core/TextFormat.h"

namespace Vexa { class CFile; }

// How one file is converted; callers fill what they know and leave the rest at its default: the
// text's format (the plain hex text) and its layout (the one endless line) included.
struct ConvertOptions : TextOptions {
    int mode = 0;     // 0 hex text to binary, 1 binary to hex text
    CConversionObserver* observer = nullptr; // told of every block; may stop the conversion
};

// Reads hex text to its end and writes the bytes its digits spell. True when the whole input
// was converted; false when a read or a write failed (GetLastError then holds the reason).
bool TextToBinary(Vexa::CFile& in, Vexa::CFile& out);

// Reads any bytes to their end and writes them as "xx " groups. 0 when done, else the
// platform's error number of the failed read or write (112 for a full disk).
int BinaryToText(Vexa::CFile& in, Vexa::CFile& out);

// Either conversion, as options say; name is the S-records' header text (the input's file name).
StreamResult Convert(Vexa::CFile& in, Vexa::CFile& out, const ConvertOptions& options, const char* name = "");
