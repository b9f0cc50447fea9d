// Conversion.h: the two conversions between hex-text files and binary files, on opened CFiles.
#pragma once

namespace Vexa { class CFile; }

// Watches a conversion block by block, for progress and for stopping it. Asked before every
// read with the bytes read so far; false stops the conversion there, which then fails with
// ERROR_CANCELLED (1223). Called on the thread that runs the conversion.
class CConversionObserver
{
public:
    virtual ~CConversionObserver() {}
    virtual bool OnBlock(unsigned long long bytesRead) = 0;
};

// Reads hex text to its end and writes the bytes its digits spell. True when the whole input
// was converted; false when a read or a write failed (GetLastError then holds the reason).
bool TextToBinary(Vexa::CFile& in, Vexa::CFile& out, CConversionObserver* observer = nullptr);

// Reads any bytes to their end and writes them as "xx " groups. 0 when done, else the
// platform's error number of the failed read or write (112 for a full disk).
int BinaryToText(Vexa::CFile& in, Vexa::CFile& out, CConversionObserver* observer = nullptr);
