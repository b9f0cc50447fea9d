// RecordReader.h: firmware image texts (Intel HEX, Motorola S-records) read into a binary image.
//   RecordFormat, RecordError, RecordImage - which text, what went wrong, what was read
//   CSeekableSource, CRestartableSink     - the I/O the reader needs beyond the plain pumps
//   ReadRecords                           - the reader, streaming in constant memory
//   TextKind, DetectTextKind              - what a text looks like, judged from its first block
// Pure code: no platform header, so it also builds natively for sanitizers, fuzzing and benchmarks.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "core/HexCodec.h"

enum RecordFormat { RecordIntelHex = 1, RecordSRecord = 2 };

// What is wrong, for a message "line N: what is wrong". The first group names a line of the
// input; the last group is about the I/O and has no line.
enum RecordError {
    RecordOk = 0,
    RecordNotARecord,     // a line holds something other than one record and blanks
    RecordBadDigit,       // a character inside a record is not a hex digit
    RecordBadLength,      // the line is shorter or longer than the record's length byte says
    RecordBadTypeLength,  // the length does not fit the record's type (an end record with data)
    RecordUnknownType,
    RecordBadChecksum,
    RecordBadCount,       // an S5/S6 count differs from the data records before it
    RecordAfterEnd,       // a record after the end record
    RecordNoEnd,          // the input ends without an end record
    RecordOverlap,        // data written twice to one address (RecordImage::address)
    RecordFillTooLarge,   // the gaps between the data would take more fill than allowed
    RecordPastTop,        // data or an image passing the 4 GiB address space
    RecordReadFailed,
    RecordWriteFailed,
    RecordNoMemory,
    RecordNotSeekable,    // records out of address order, and the source cannot go back
    RecordInputChanged    // the input read differently the second time
};

// The outcome of a conversion. On an error everything but error, line and address is 0, and
// what the sink received is no image: the caller discards it.
struct RecordImage {
    RecordError error = RecordOk;
    uint64_t line = 0;      // the line (from 1) an error is on; 0 for I/O errors
    uint64_t address = 0;   // RecordOverlap: the first address written twice
    uint64_t lowest = 0;    // the address of the image's first byte
    uint64_t length = 0;    // the image's bytes, fill included
    bool hasStart = false;  // a record gave a start (entry) address
    uint32_t start = 0;     // start segment records give segment * 16 + offset

    bool Ok() const { return error == RecordOk; }
};

// "what is wrong" in English (quillconv's language), the address added for RecordOverlap.
std::string RecordErrorMessage(const RecordImage& image);

// A source that can start over from an offset: a file. The reader streams it once when the data
// records come in ascending address order; otherwise it goes back to offset 0 for a second pass
// and then to each run of records in address order. A pipe must be spooled to a file first.
class CSeekableSource : public CByteSource
{
public:
    // The next Read returns the input from offset (from its start) on.
    virtual bool Seek(uint64_t offset) = 0;
};

// A sink that can drop everything written to it and start again empty. Called only before a
// second pass, when records came out of address order.
class CRestartableSink : public CByteSink
{
public:
    virtual bool Restart() = 0;
};

struct RecordReadOptions {
    unsigned char fill = 0xff;             // the value of erased flash
    uint64_t maxFill = uint64_t(256) << 20; // the most fill bytes an image may need
    HexKernel kernel = HexKernelBest;      // HexKernelScalar forces the portable loop
};

// Whether the record loops, reading and writing, run with SSE2 for `kernel`: where the processor
// has it, unless kernel is HexKernelScalar.
bool RecordsUseSse2(HexKernel kernel);

// Reads the whole text and writes the image: from the lowest address that holds data to the end
// of the highest, gaps filled. Memory stays constant while the data records ascend (gaps
// allowed); records out of order cost a second pass and memory in proportion to the number of
// separate runs of records, never to the image's size.
[[nodiscard]] RecordImage ReadRecords(RecordFormat format, CSeekableSource& in, CRestartableSink& out,
                                      const RecordReadOptions& options = RecordReadOptions());

// What a text looks like. Judged on complete lines only, unless the block is the whole file.
enum TextKind {
    TextPlain = 0,     // nothing that says otherwise
    TextIntelHex,      // every line blank or a valid Intel HEX record (checksum correct), one at least
    TextSRecord,       // the same for S-records
    TextBinary         // holds control bytes outside '#' comments, which no text holds
};

TextKind DetectTextKind(const unsigned char* text, size_t size, bool whole);
