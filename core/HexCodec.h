// HexCodec.h: the hex-text reader and writer shared by the conversions and quillconv.
//   CHexReader  - streaming hex text to bytes (state carried between blocks)
//   CHexWriter  - bytes to hex text, "xx " per byte
//   CByteSource, CByteSink, PumpTextToBinary, PumpBinaryToText - block loops over any I/O
// Pure code: no platform header, so it also builds natively for sanitizers, fuzzing and benchmarks.
#pragma once

#include <stddef.h>

// Which inner loop does the work. Best picks the fastest one the processor supports at run time.
enum HexKernel { HexKernelBest = 0, HexKernelScalar, HexKernelSsse3, HexKernelAvx2 };

// True if this build and this processor can run the kernel.
bool HexKernelSupported(HexKernel kernel);

class CHexReader
{
public:
    explicit CHexReader(HexKernel kernel = HexKernelBest);

    // Decodes one block of text and returns the number of bytes written to out, which must have
    // room for MaxOutput(size). A digit waiting for its partner and an open comment carry over
    // to the next call; a digit still waiting at the end of the input is simply never written.
    size_t Decode(const unsigned char* in, size_t size, unsigned char* out);
    static size_t MaxOutput(size_t size) { return size / 2 + 1; }

    void Reset();
    bool IsPending() const { return m_nPending >= 0; }
    bool IsInComment() const { return m_bComment; }
    HexKernel GetKernel() const { return m_nKernel; }

private:
    HexKernel m_nKernel;
    int m_nPending;     // high nibble waiting for its partner, -1 when none
    bool m_bComment;    // inside a '#' comment until the next line feed
};

class CHexWriter
{
public:
    explicit CHexWriter(HexKernel kernel = HexKernelBest);

    // Writes three characters per input byte (two lowercase digits and a space) and returns 3 * size.
    size_t Encode(const unsigned char* in, size_t size, char* out) const;
    HexKernel GetKernel() const { return m_nKernel; }

private:
    HexKernel m_nKernel;
};

// Block I/O the pumps read from and write to. Read reports the end of the input as success with
// got == 0; failures are the implementation's to remember (an error number, a file name).
class CByteSource
{
public:
    virtual ~CByteSource() {}
    virtual bool Read(void* buffer, size_t capacity, size_t& got) = 0;
};

class CByteSink
{
public:
    virtual ~CByteSink() {}
    // Writes all of it or fails.
    virtual bool Write(const void* buffer, size_t size) = 0;
};

enum PumpResult { PumpDone = 0, PumpReadFailed, PumpWriteFailed, PumpNoMemory };

// The two conversions as loops over large blocks with fixed buffers (a few MiB at most,
// whatever the file size).
PumpResult PumpTextToBinary(CByteSource& in, CByteSink& out, HexKernel kernel = HexKernelBest);
PumpResult PumpBinaryToText(CByteSource& in, CByteSink& out, HexKernel kernel = HexKernelBest);

// Block sizes, exposed so tests can straddle block boundaries.
enum { HexTextBlock = 1 << 20, HexBinaryBlock = 1 << 18 };
