// HexCodec.h: the hex-text reader and writer shared by the conversions and quillconv.
//   CHexReader  - streaming hex text to bytes (state carried between blocks)
//   HexLayout   - how the writer lays out its text: one endless line, or lines of N bytes
//   CHexWriter  - bytes to hex text, "xx " per byte or in lines
//   CByteSource, CByteSink, PumpTextToBinary, PumpBinaryToText - block loops over any I/O
// Pure code: no platform header, so it also builds natively for sanitizers, fuzzing and benchmarks.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Which inner loop does the work. Best picks the fastest one the processor supports at run time.
// Avx512 needs the byte instructions and VBMI2 (vpcompressb) besides AVX2.
enum HexKernel { HexKernelBest = 0, HexKernelScalar, HexKernelSsse3, HexKernelAvx2, HexKernelAvx512 };

// True if this build and this processor can run the kernel.
bool HexKernelSupported(HexKernel kernel);

// The loop the reader or the writer runs for `kernel` on this processor, as the tools name it:
// "AVX-512", "AVX2", "SSSE3" or "scalar". The writer has no AVX2 or AVX-512 loop: where either is
// chosen it runs SSSE3.
const char* HexReaderKernelName(HexKernel kernel = HexKernelBest);
const char* HexWriterKernelName(HexKernel kernel = HexKernelBest);

class CHexReader
{
public:
    explicit CHexReader(HexKernel kernel = HexKernelBest);

    // Decodes one block of text and returns the number of bytes written to out, which must have
    // room for MaxOutput(size); scratch bytes may be written anywhere in that room, beyond the
    // count. A digit waiting for its partner and an open comment carry over to the next call; a
    // digit still waiting at the end of the input is simply never written.
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

// The layout of the text the writer makes. The default, 0 bytes per line, is the plain format:
// "xx " for every byte and no line break at all. With N bytes per line (8, 16 or 32) each line
// holds N groups "xx" joined by single spaces and ends in CR LF; the last line may be shorter.
// With comments, each line goes on with two spaces and "# offset  characters": the offset of
// its first byte (8 lowercase digits, more past 4 GiB) and its bytes, 0x20-0x7e as themselves,
// any other as '.'; a short last line is padded so that its comment lines up. The reader skips
// line breaks and comments, so every layout reads back to the same bytes. Comments need lines:
// without them the flag is ignored; any other width is taken as 0.
struct HexLayout
{
    unsigned nBytesPerLine;
    bool bComments;

    HexLayout() : nBytesPerLine(0), bComments(false) {}
    explicit HexLayout(unsigned bytesPerLine, bool comments = false)
        : nBytesPerLine(IsValidWidth(bytesPerLine) ? bytesPerLine : 0), bComments(comments && nBytesPerLine) {}
    static bool IsValidWidth(unsigned n) { return n == 0 || n == 8 || n == 16 || n == 32; }
};

class CHexWriter
{
public:
    // firstOffset is the offset the comments give the first byte.
    explicit CHexWriter(HexKernel kernel = HexKernelBest, const HexLayout& layout = HexLayout(),
                        uint64_t firstOffset = 0);

    // Room Encode or Finish may need for size more input bytes; Encode and Finish may write
    // scratch bytes anywhere in it, beyond the length they return.
    size_t MaxOutput(size_t size) const;
    // Writes the text of size more bytes and returns its length. In lines, the bytes of a line
    // that is not yet complete are held until more come or Finish writes them.
    size_t Encode(const unsigned char* in, size_t size, char* out);
    // Writes the held bytes as the last, shorter line; 0 when none are held.
    size_t Finish(char* out);

    HexKernel GetKernel() const { return m_nKernel; }
    const HexLayout& GetLayout() const { return m_layout; }

private:
    char* Lines(const unsigned char* in, size_t lines, char* out);

    HexKernel m_nKernel;
    HexLayout m_layout;
    uint64_t m_nOffset;         // offset of the next line's first byte
    unsigned m_nHeld;           // bytes of an unfinished line, in m_held
    unsigned char m_held[32];
};

// Block I/O the pumps read from and write to. Read reports the end of the input as success with
// got == 0; failures are the implementation's to remember (an error number, a file name).
class CByteSource
{
public:
    virtual ~CByteSource() {}
    virtual bool Read(void* buffer, size_t capacity, size_t& got) = 0;
    // The size of block worth allocating for reads of up to block bytes: smaller when the source
    // knows it holds less, so that a small file does not cost a large block.
    virtual size_t BlockFor(size_t block) const { return block; }
};

class CByteSink
{
public:
    virtual ~CByteSink() {}
    // Writes all of it or fails.
    virtual bool Write(const void* buffer, size_t size) = 0;
    // Passes on whatever the sink still holds. Every pump calls it once, at the end of a
    // conversion that went well, before it reports success.
    virtual bool Flush() { return true; }
};

enum PumpResult { PumpDone = 0, PumpReadFailed, PumpWriteFailed, PumpNoMemory };

// The two conversions as loops over large blocks with fixed buffers (a few MiB at most,
// whatever the file size).
PumpResult PumpTextToBinary(CByteSource& in, CByteSink& out, HexKernel kernel = HexKernelBest);
PumpResult PumpBinaryToText(CByteSource& in, CByteSink& out, const HexLayout& layout = HexLayout(),
                            HexKernel kernel = HexKernelBest);

// Block sizes, exposed so tests can straddle block boundaries.
enum { HexTextBlock = 1 << 20, HexBinaryBlock = 1 << 18 };
