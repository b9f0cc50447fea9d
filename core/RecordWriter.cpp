// RecordWriter.cpp: records from bytes, sixteen bytes of digits at a time where the processor can.
#include "core/RecordWriter.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#if defined(__i386__) || defined(__x86_64__)
#define QUILL_X86 1
#include <emmintrin.h>
#endif

namespace {

typedef unsigned char uchar;

const uint64_t kTop = uint64_t(1) << 32;
enum { kMaxName = 252, kBinaryBlock = 1 << 18 };

struct Digits
{
    char pair[256][2];
    Digits()
    {
        static const char kDigits[] = "0123456789ABCDEF";
        for (int c = 0; c < 256; ++c)
        {
            pair[c][0] = kDigits[c >> 4];
            pair[c][1] = kDigits[c & 15];
        }
    }
};
const Digits g_digits;

inline char* Put(char* o, unsigned byte)
{
    memcpy(o, g_digits.pair[byte & 0xff], 2);
    return o + 2;
}

char* HexScalar(const uchar* d, unsigned n, char* o, unsigned& sum)
{
    for (unsigned i = 0; i < n; ++i)
    {
        memcpy(o + 2 * i, g_digits.pair[d[i]], 2);
        sum += d[i];
    }
    return o + 2 * n;
}

#ifdef QUILL_X86

__attribute__((target("sse2")))
inline __m128i Ascii(__m128i v)
{
    // '0' + v, and 7 more for 10-15 to reach 'A'.
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(9)), _mm_set1_epi8(7));
    return _mm_add_epi8(_mm_add_epi8(v, _mm_set1_epi8('0')), letters);
}

__attribute__((target("sse2")))
char* HexSse2(const uchar* d, unsigned n, char* o, unsigned& sum)
{
    const __m128i low = _mm_set1_epi8(0x0f), zero = _mm_setzero_si128();
    __m128i acc = zero;
    unsigned i = 0;
    for (; i + 16 <= n; i += 16, o += 32)
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i hi = _mm_and_si128(_mm_srli_epi16(x, 4), low), lo = _mm_and_si128(x, low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), Ascii(_mm_unpacklo_epi8(hi, lo)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), Ascii(_mm_unpackhi_epi8(hi, lo)));
        acc = _mm_add_epi64(acc, _mm_sad_epu8(x, zero));
    }
    sum += unsigned(_mm_cvtsi128_si32(acc)) + unsigned(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
    return HexScalar(d + i, n - i, o, sum);
}

// Sixteen bytes as 32 digits at o; returns their sum in 16-bit lanes.
__attribute__((target("sse2")))
inline __m128i Hex16(const uchar* d, char* o)
{
    const __m128i low = _mm_set1_epi8(0x0f);
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i hi = _mm_and_si128(_mm_srli_epi16(x, 4), low), lo = _mm_and_si128(x, low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), Ascii(_mm_unpacklo_epi8(hi, lo)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), Ascii(_mm_unpackhi_epi8(hi, lo)));
    return _mm_sad_epu8(x, _mm_setzero_si128());
}

// Whole records of n (16 or 32) bytes with the same layout but their address: the bulk of an
// image. prefix is the line up to the address, fixed is the sum of its bytes (the count), and the
// address takes addressBytes bytes; suffix goes between the address and the data (Intel's type).
template <unsigned N>
__attribute__((target("sse2")))
char* RunSse2(const uchar* d, size_t records, uint64_t address, unsigned addressBytes, const char* prefix,
              unsigned prefixLength, unsigned fixed, const char* suffix, char* o)
{
    for (size_t r = 0; r < records; ++r, d += N, address += N)
    {
        memcpy(o, prefix, 4);
        o += prefixLength;
        unsigned sum = fixed;
        for (unsigned i = addressBytes; i--;)
        {
            const unsigned b = unsigned(address >> (8 * i)) & 0xff;
            memcpy(o, g_digits.pair[b], 2);
            o += 2;
            sum += b;
        }
        memcpy(o, suffix, 2);
        o += suffix[0] ? 2 : 0;
        __m128i acc = Hex16(d, o);
        if (N == 32) acc = _mm_add_epi64(acc, Hex16(d + 16, o + 32));
        o += 2 * N;
        sum += unsigned(_mm_cvtsi128_si32(acc)) + unsigned(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
        o = Put(o, prefix[0] == ':' ? 0u - sum : ~sum);
        o[0] = '\r';
        o[1] = '\n';
        o += 2;
    }
    return o;
}

#endif // QUILL_X86

inline char* Hex(bool simd, const uchar* d, unsigned n, char* o, unsigned& sum)
{
#ifdef QUILL_X86
    if (simd) return HexSse2(d, n, o, sum);
#endif
    (void)simd;
    return HexScalar(d, n, o, sum);
}

// ':' LL AAAA TT data CC CR LF.
char* IntelLine(bool simd, char* o, unsigned type, unsigned offset, const uchar* d, unsigned n)
{
    *o = ':';
    o = Put(Put(Put(Put(o + 1, n), offset >> 8), offset), type);
    unsigned sum = n + (offset >> 8) + (offset & 0xff) + type;
    o = Hex(simd, d, n, o, sum);
    o = Put(o, 0u - sum);
    o[0] = '\r';
    o[1] = '\n';
    return o + 2;
}

// 'S' T CC address data CC CR LF; the count covers address, data and checksum.
char* SLine(bool simd, char* o, unsigned type, uint64_t address, const uchar* d, unsigned n)
{
    static const unsigned kAddressBytes[10] = { 2, 2, 3, 4, 0, 2, 3, 4, 3, 2 };
    const unsigned bytes = kAddressBytes[type], count = bytes + n + 1;
    o[0] = 'S';
    o[1] = char('0' + type);
    o = Put(o + 2, count);
    unsigned sum = count;
    for (unsigned i = bytes; i--;)
    {
        const unsigned b = unsigned(address >> (8 * i)) & 0xff;
        o = Put(o, b);
        sum += b;
    }
    o = Hex(simd, d, n, o, sum);
    o = Put(o, ~sum);
    o[0] = '\r';
    o[1] = '\n';
    return o + 2;
}

// S1, S2 or S3: the smallest that holds the address.
unsigned STypeFor(uint64_t highest)
{
    return highest <= 0xffff ? 1 : highest <= 0xffffff ? 2 : 3;
}

} // namespace

CRecordWriter::CRecordWriter(const RecordLayout& layout, HexKernel kernel)
    : m_layout(layout), m_simd(RecordsUseSse2(kernel)), m_address(layout.address), m_next(layout.address)
{
    if (m_layout.bytesPerRecord != 16 && m_layout.bytesPerRecord != 32) m_layout.bytesPerRecord = 16;
    if (m_layout.name.size() > kMaxName) m_layout.name.resize(kMaxName);
    const uint64_t size = m_layout.size;
    m_type = STypeFor(size != kRecordSizeUnknown && size ? layout.address + size - 1 : layout.address);
}

size_t CRecordWriter::MaxOutput(size_t size) const
{
    // Every record may be cut at a 64 KiB boundary and come after a type 04 record (17 characters);
    // the header, a held record and the closing records on top.
    const size_t n = m_layout.bytesPerRecord;
    const size_t records = size / n + size / 65536 + 4;
    return records * (2 * n + 16 + 17) + 2 * kMaxName + 64;
}

unsigned CRecordWriter::RecordLength() const
{
    const unsigned n = m_layout.bytesPerRecord;
    if (m_layout.format != RecordIntelHex) return n;
    const uint64_t toBoundary = 0x10000 - (m_address & 0xffff);
    return toBoundary < n ? unsigned(toBoundary) : n;
}

char* CRecordWriter::Start(char* o)
{
    m_started = true;
    if (m_layout.format == RecordIntelHex) return o;
    const uchar* name = reinterpret_cast<const uchar*>(m_layout.name.data());
    return SLine(m_simd, o, 0, 0, name, unsigned(m_layout.name.size()));
}

char* CRecordWriter::Emit(const unsigned char* data, unsigned n, char* o)
{
    if (m_layout.format == RecordIntelHex)
    {
        if ((m_address >> 16) != m_upper)
        {
            m_upper = m_address >> 16;
            const uchar upper[2] = { uchar(m_upper >> 8), uchar(m_upper) };
            o = IntelLine(m_simd, o, 4, 0, upper, 2);
        }
        o = IntelLine(m_simd, o, 0, unsigned(m_address & 0xffff), data, n);
    }
    else
    {
        // Past what the size promised (a growing input, an unknown size): longer addresses on.
        const unsigned type = STypeFor(m_address + n - 1);
        if (type > m_type) m_type = type;
        o = SLine(m_simd, o, m_type, m_address, data, n);
        ++m_count;
    }
    m_address += n;
    return o;
}

size_t CRecordWriter::RunLength(size_t size) const
{
    // Whole records that need no 04 record and no longer S-record address than the one in use.
    const unsigned n = m_layout.bytesPerRecord;
    if (!m_simd || size < n) return 0;
    uint64_t limit;
    if (m_layout.format == RecordIntelHex)
    {
        if ((m_address >> 16) != m_upper) return 0;
        limit = (m_address | 0xffff) + 1;
    }
    else
        limit = m_type == 1 ? 0x10000 : m_type == 2 ? 0x1000000 : kTop;
    return size_t(std::min<uint64_t>(size / n, (limit - std::min(limit, m_address)) / n));
}

char* CRecordWriter::Run(const unsigned char* in, size_t records, char* o)
{
#ifdef QUILL_X86
    const unsigned n = m_layout.bytesPerRecord;
    char prefix[4] = { 0, 0, 0, 0 };
    unsigned prefixLength, addressBytes, fixed;
    const char* suffix;
    if (m_layout.format == RecordIntelHex)
    {
        prefix[0] = ':';
        memcpy(prefix + 1, g_digits.pair[n], 2);
        prefixLength = 3;
        addressBytes = 2;
        fixed = n;
        suffix = "00";
    }
    else
    {
        addressBytes = m_type + 1;
        fixed = addressBytes + n + 1;
        prefix[0] = 'S';
        prefix[1] = char('0' + m_type);
        memcpy(prefix + 2, g_digits.pair[fixed], 2);
        prefixLength = 4;
        suffix = "\0";
        m_count += records;
    }
    o = n == 16 ? RunSse2<16>(in, records, m_address, addressBytes, prefix, prefixLength, fixed, suffix, o)
                : RunSse2<32>(in, records, m_address, addressBytes, prefix, prefixLength, fixed, suffix, o);
    m_address += uint64_t(records) * n;
#else
    (void)in;
    (void)records;
#endif
    return o;
}

bool CRecordWriter::Encode(const unsigned char* in, size_t size, char* out, size_t& written)
{
    written = 0;
    if (size > kTop - m_next) return false;
    m_next += size;
    char* o = out;
    if (!m_started) o = Start(o);
    while (size)
    {
        const size_t records = m_held ? 0 : RunLength(size);
        if (records)
        {
            o = Run(in, records, o);
            in += records * m_layout.bytesPerRecord;
            size -= records * m_layout.bytesPerRecord;
            continue;
        }
        const unsigned want = RecordLength();
        if (m_held || size < want)
        {
            const unsigned take = unsigned(size < want - m_held ? size : want - m_held);
            memcpy(m_heldBytes + m_held, in, take);
            m_held += take;
            in += take;
            size -= take;
            if (m_held < want) break;
            o = Emit(m_heldBytes, want, o);
            m_held = 0;
        }
        else
        {
            o = Emit(in, want, o);
            in += want;
            size -= want;
        }
    }
    written = size_t(o - out);
    return true;
}

size_t CRecordWriter::Finish(char* out)
{
    char* o = out;
    if (!m_started) o = Start(o);
    if (m_held) o = Emit(m_heldBytes, m_held, o);
    m_held = 0;
    if (m_layout.format == RecordIntelHex) return size_t(IntelLine(m_simd, o, 1, 0, m_heldBytes, 0) - out);
    if (m_count <= 0xffffff) o = SLine(m_simd, o, m_count <= 0xffff ? 5 : 6, m_count, m_heldBytes, 0);
    return size_t(SLine(m_simd, o, 10 - m_type, m_layout.address, m_heldBytes, 0) - out);
}

namespace {

struct Block
{
    void* p = nullptr;
    ~Block() { free(p); }
};

RecordImage Failed(RecordError error)
{
    RecordImage r;
    r.error = error;
    return r;
}

} // namespace

RecordImage WriteRecords(CByteSource& in, CByteSink& out, const RecordLayout& layout, HexKernel kernel)
{
    CRecordWriter writer(layout, kernel);
    const size_t size = in.BlockFor(kBinaryBlock);
    Block block;
    block.p = malloc(size + writer.MaxOutput(size));
    if (!block.p) return Failed(RecordNoMemory);
    uchar* bytes = static_cast<uchar*>(block.p);
    char* text = reinterpret_cast<char*>(bytes + size);
    for (;;)
    {
        size_t got = 0, n = 0;
        if (!in.Read(bytes, size, got)) return Failed(RecordReadFailed);
        if (got == 0) break;
        if (!writer.Encode(bytes, got, text, n)) return Failed(RecordPastTop);
        if (n && !out.Write(text, n)) return Failed(RecordWriteFailed);
    }
    const size_t n = writer.Finish(text);
    if (!out.Write(text, n) || !out.Flush()) return Failed(RecordWriteFailed);
    RecordImage image;
    image.lowest = layout.address;
    image.length = writer.GetSize();
    image.hasStart = layout.format == RecordSRecord;
    image.start = layout.address;
    return image;
}
