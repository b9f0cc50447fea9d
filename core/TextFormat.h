// TextFormat: the texts a conversion reads and writes (the plain hex text, Intel HEX, S-records)
// and one conversion between a stream source and sink in any of them, for the engine (Windows
// handles) and the native quillconv (descriptors).
//   TextOptions   - which text, and what its format needs beyond it
//   StreamResult  - what became of one conversion, and what it found out
//   ConvertStream - the conversion
//   ParseFillByte, ParseAddress - the values a user types, read alike by the program and quillconv
// Pure code: no platform header.
#pragma once

#include <stdint.h>

#include "core/ByteStreams.h"
#include "core/Pipeline.h"
#include "core/RecordWriter.h"

// The plain hex text; the record formats are RecordIntelHex and RecordSRecord.
const int kPlainHexText = 0;

struct TextOptions {
    int format = kPlainHexText;
    HexLayout layout;           // the plain text written: its layout
    unsigned char fill = 0xff;  // records read: the value of the gaps (erased flash)
    uint32_t address = 0;       // records written: the address of the image's first byte
    unsigned recordBytes = 16;  // records written: data bytes a record, 16 or 32
};

struct StreamResult {
    enum Failure { kNone, kRead, kWrite, kNoMemory, kRecords };
    Failure failure = kNone;
    unsigned error = 0;              // kRead, kWrite: the platform's error number
    RecordImage image;               // records: the range read or written; kRecords: what is wrong
    TextKind looksLike = TextPlain;  // the plain text read: what its first block looks like

    bool Ok() const { return failure == kNone; }
};

// Converts in to its end into out: text to binary when toBinary, else binary to text; in and out
// wrap the file's source and sink, which the plain text then overlaps with its conversion. name
// is the S-records' header text (the input's file name). Records read from a source or into a
// sink that cannot go back are refused with RecordNotSeekable when they come out of address order.
StreamResult ConvertStream(bool toBinary, CReadAhead& in, CWriteBehind& out, const TextOptions& options,
                           const char* name = "");

// "FF", "0a": exactly two hex digits. False for anything else.
bool ParseFillByte(const char* text, unsigned char& value);
// "4096", "0x08000000": decimal, or hex after 0x/0X, up to 0xFFFFFFFF. False for anything else.
bool ParseAddress(const char* text, uint32_t& value);
