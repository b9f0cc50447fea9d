// RecordWriter.h: a binary image written as Intel HEX or Motorola S-records.
//   RecordLayout  - which format, bytes a record, where the image goes, the S0 header's name
//   CRecordWriter - bytes to records, streaming (state carried between blocks)
//   WriteRecords  - the block loop over any I/O
// Upper-case digits, CR LF line ends. Pure code: no platform header.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "core/HexCodec.h"
#include "core/RecordReader.h"

const uint64_t kRecordSizeUnknown = ~uint64_t(0);

struct RecordLayout {
    RecordFormat format = RecordIntelHex;
    unsigned bytesPerRecord = 16;          // 16 or 32; any other value is taken as 16
    uint32_t address = 0;                  // the address of the image's first byte
    // The image's size, which chooses S1, S2 or S3 by the highest address. Unknown (a pipe): the
    // records grow from what the start address needs to what the data reach.
    uint64_t size = kRecordSizeUnknown;
    std::string name;                      // the S0 header's text: the input's file name
};

// Intel HEX: data records that never cross a 64 KiB boundary, a type 04 record wherever the upper
// 16 bits of the address change (also first, when they are not 0), the end record.
// S-records: S0 with the name, S1/S2/S3 data, S5 or S6 with the number of data records (left out
// past 16777215), and S9/S8/S7 matching the data, giving the image's address as the start.
class CRecordWriter
{
public:
    explicit CRecordWriter(const RecordLayout& layout, HexKernel kernel = HexKernelBest);

    // Room Encode or Finish may need for size more input bytes.
    size_t MaxOutput(size_t size) const;
    // Writes the records of size more bytes and sets written to the text's length; the bytes of a
    // record not yet complete are held. False, writing nothing, when the image would pass 4 GiB.
    bool Encode(const unsigned char* in, size_t size, char* out, size_t& written);
    // Writes the held bytes and the closing records; returns their length.
    size_t Finish(char* out);

    uint64_t GetSize() const { return m_next - m_layout.address; }

private:
    char* Start(char* o);
    char* Emit(const unsigned char* data, unsigned n, char* o);
    size_t RunLength(size_t size) const;
    char* Run(const unsigned char* in, size_t records, char* o);
    unsigned RecordLength() const;

    RecordLayout m_layout;
    bool m_simd;
    bool m_started = false;
    unsigned m_type = 1;        // S-records: 1, 2 or 3
    uint64_t m_address;         // the address of the next record's first byte
    uint64_t m_next;            // the address after the last byte given
    uint64_t m_upper = 0;       // Intel HEX: the upper 16 bits in effect
    uint64_t m_count = 0;       // S-records: data records written
    unsigned m_held = 0;
    unsigned char m_heldBytes[32];
};

// Reads the image to its end and writes it as records. The result gives the address range; an
// image that would pass 4 GiB is RecordPastTop.
[[nodiscard]] RecordImage WriteRecords(CByteSource& in, CByteSink& out, const RecordLayout& layout,
                                       HexKernel kernel = HexKernelBest);
