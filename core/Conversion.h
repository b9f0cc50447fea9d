// Conversion.h: the two conversions between hex-text files and binary files, on opened CFiles.
#pragma once

#include "core/HexCodec.h"

namespace Vexa { class CFile; }

// Reads hex text to its end and writes the bytes its digits spell. True when the whole input
// was converted; false when a read or a write failed (GetLastError then holds the reason).
bool TextToBinary(Vexa::CFile& in, Vexa::CFile& out);

// Reads any bytes to their end and writes them as hex text in the given layout ("xx " groups
// on one endless line by default). 0 when done, else the platform's error number of the failed
// read or write (112 for a full disk).
int BinaryToText(Vexa::CFile& in, Vexa::CFile& out, const HexLayout& layout);
int BinaryToText(Vexa::CFile& in, Vexa::CFile& out);
