// RecordReader.cpp: Intel HEX and S-records to an image. One streaming pass while the data records
// ascend; otherwise a pass that collects the runs of records and one that writes them in order.
#include "core/RecordReader.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <new>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#define QUILL_X86 1
#include <emmintrin.h>
#endif

namespace {

typedef unsigned char uchar;

// The longest record is ':' and 260 bytes as digits (Intel HEX: 5 + 255); an S-record is shorter.
// A record never straddles blocks: the unread tail of a block moves before the next one.
enum { kMaxRecord = 1 + 2 * 260, kCarry = 1024, kPad = 64, kBlock = 1 << 20, kOutBlock = 1 << 18 };
const uint64_t kTop = uint64_t(1) << 32;
const uint64_t kNoLimit = ~uint64_t(0);

// Digit values; 0xff for any other byte.
struct Nibbles
{
    uchar v[256];
    Nibbles()
    {
        memset(v, 0xff, sizeof v);
        for (int c = 0; c < 10; ++c) v['0' + c] = uchar(c);
        for (int c = 0; c < 6; ++c) v['a' + c] = v['A' + c] = uchar(10 + c);
    }
};
const Nibbles g_nibbles;

inline bool IsDigit(uchar c) { return g_nibbles.v[c] < 16; }
inline bool IsBlank(uchar c) { return c == ' ' || c == '\t' || c == '\r'; }

// Decodes n bytes from 2n digits into out and adds them to sum; false if any is no digit.
bool DecodeScalar(const uchar* s, unsigned n, uchar* out, unsigned& sum)
{
    const uchar* v = g_nibbles.v;
    unsigned total = 0, bad = 0;
    for (unsigned i = 0; i < n; ++i)
    {
        const unsigned hi = v[s[2 * i]], lo = v[s[2 * i + 1]];
        bad |= hi | lo;
        out[i] = uchar(hi << 4 | lo);
        total += out[i];
    }
    sum += total;
    return !(bad & 0xf0);
}

#ifdef QUILL_X86

// Sixteen characters as eight bytes (low half); validMask gets a bit for every digit.
__attribute__((target("sse2")))
inline __m128i Bytes8(const uchar* s, unsigned& validMask)
{
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i dec = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    const __m128i isDec = _mm_cmpeq_epi8(_mm_min_epu8(dec, _mm_set1_epi8(9)), dec);
    const __m128i alpha = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isAlpha = _mm_cmpeq_epi8(_mm_min_epu8(alpha, _mm_set1_epi8(5)), alpha);
    validMask = unsigned(_mm_movemask_epi8(_mm_or_si128(isDec, isAlpha)));
    const __m128i val = _mm_or_si128(_mm_and_si128(isDec, dec),
                                     _mm_and_si128(isAlpha, _mm_add_epi8(alpha, _mm_set1_epi8(10))));
    // Each 16-bit lane holds the high digit in its low byte and the low digit above it.
    const __m128i joined = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(val, 4), _mm_set1_epi16(0xf0)),
                                        _mm_srli_epi16(val, 8));
    return _mm_packus_epi16(joined, _mm_setzero_si128());
}

// The same as DecodeScalar, eight bytes at a time. Reads up to 14 characters past the digits and
// writes up to 7 bytes past n: the callers' buffers have room.
__attribute__((target("sse2")))
bool DecodeSse2(const uchar* s, unsigned n, uchar* out, unsigned& sum)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i acc = zero;
    unsigned i = 0, valid;
    for (; i + 8 <= n; i += 8)
    {
        const __m128i b = Bytes8(s + 2 * i, valid);
        if (valid != 0xffff) return false;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), b);
        acc = _mm_add_epi64(acc, _mm_sad_epu8(b, zero));
    }
    if (i < n)
    {
        const unsigned k = n - i, need = (1u << (2 * k)) - 1;
        __m128i b = Bytes8(s + 2 * i, valid);
        if ((valid & need) != need) return false;
        const uint64_t keep = ~uint64_t(0) >> (64 - 8 * k);
        b = _mm_and_si128(b, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&keep)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), b);
        acc = _mm_add_epi64(acc, _mm_sad_epu8(b, zero));
    }
    sum += unsigned(_mm_cvtsi128_si32(acc)) + unsigned(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
    return true;
}

#endif // QUILL_X86

enum Kind { KindEof, KindData, KindEnd, KindStart, KindOther };

struct Record
{
    Kind kind;
    uint64_t address;   // data: the address of its first byte
    const uchar* data;
    unsigned length;
    uint32_t start;     // KindStart, and KindEnd of S-records
};

// Reads records one at a time from blocks of the source. Keeps only the addressing state of the
// text (the Intel HEX base, the S-record count, whether the end was seen), so it can start over
// at the first record of any run given the base in effect there.
class CParser
{
public:
    CParser(RecordFormat format, bool simd, CSeekableSource& in, uchar* buffer, size_t block)
        : m_format(format), m_mark(format == RecordIntelHex ? ':' : 'S'), m_simd(simd), m_in(in),
          m_buf(buffer), m_block(block)
    {
        m_data = m_p = m_end = m_buf + kCarry;
    }

    // Goes to the record at offset, on the given line with the given Intel HEX base. A run is read
    // no further than limit, and without the checks that need the whole text (end, count).
    bool Restart(uint64_t offset, uint64_t line, uint64_t base, uint64_t limit, bool whole);
    RecordError Next(Record& r);

    uint64_t Line() const { return m_line; }             // of the error or the record just read
    uint64_t RecordLine() const { return m_recordLine; }
    uint64_t RecordOffset() const { return m_recordOffset; }
    uint64_t Offset() const { return m_pos0 + uint64_t(m_p - m_data); }
    uint64_t Base() const { return m_base; }

private:
    bool Refill();
    bool Decode(const uchar* s, unsigned n, uchar* out, unsigned& sum) const
    {
#ifdef QUILL_X86
        if (m_simd) return DecodeSse2(s, n, out, sum);
#endif
        return DecodeScalar(s, n, out, sum);
    }
    // Why n characters at s that should be digits are not: a line that ends early, or a non-digit.
    RecordError WhyBad(const uchar* s, size_t n) const
    {
        for (size_t i = 0; i < n && s + i < m_end; ++i)
        {
            if (s[i] == '\n' || s[i] == ' ' || s[i] == '\t' || s[i] == '\r') return RecordBadLength;
            if (!IsDigit(s[i])) return RecordBadDigit;
        }
        return RecordBadLength;
    }
    RecordError IntelRecord(Record& r);
    RecordError SRecord(Record& r);

    const RecordFormat m_format;
    const uchar m_mark;
    const bool m_simd;
    CSeekableSource& m_in;
    uchar* const m_buf;         // kCarry bytes for a block's tail, the block, kPad bytes
    const size_t m_block;
    uchar* m_data;              // the first byte held, at input offset m_pos0
    uchar* m_p;
    uchar* m_end;
    uint64_t m_pos0 = 0;
    uint64_t m_readAt = 0;      // where the source stands: the offset of m_end
    uint64_t m_limit = kNoLimit;
    bool m_eof = false;
    bool m_limited = false;     // m_eof stands for the limit, not the source's end
    bool m_whole = true;
    bool m_lineUsed = false;    // a record was read on this line
    bool m_ended = false;
    uint64_t m_line = 1, m_recordLine = 0, m_recordOffset = 0;
    uint64_t m_base = 0;
    uint64_t m_count = 0;       // S1/S2/S3 records so far
    uchar m_record[260 + 16];
};

bool CParser::Restart(uint64_t offset, uint64_t line, uint64_t base, uint64_t limit, bool whole)
{
    if (offset >= m_pos0 && offset <= m_pos0 + uint64_t(m_end - m_data))
    {
        // Already held: only the position moves; a limit that ended the block ends it no more.
        m_p = m_data + (offset - m_pos0);
        if (m_limited) m_eof = m_limited = false;
    }
    else
    {
        if (!m_in.Seek(offset)) return false;
        m_data = m_p = m_end = m_buf + kCarry;
        m_pos0 = m_readAt = offset;
        m_eof = m_limited = false;
    }
    m_limit = limit;
    m_line = line;
    m_base = base;
    m_whole = whole;
    m_lineUsed = m_ended = false;
    m_count = 0;
    return true;
}

bool CParser::Refill()
{
    const size_t keep = size_t(m_end - m_p);
    m_pos0 = Offset();
    m_data = m_buf + kCarry - keep;
    memmove(m_data, m_p, keep);
    m_p = m_data;
    size_t want = m_block;
    if (m_limit != kNoLimit && m_limit - std::min(m_limit, m_readAt) < want)
        want = size_t(m_limit - std::min(m_limit, m_readAt));
    size_t got = 0;
    if (want && !m_in.Read(m_buf + kCarry, want, got)) return false;
    if (got > want) return false;
    m_readAt += got;
    m_end = m_buf + kCarry + got;
    if (!got)
    {
        m_eof = true;
        m_limited = want == 0;
    }
    return true;
}

RecordError CParser::Next(Record& r)
{
    for (;;)
    {
        if (size_t(m_end - m_p) < kMaxRecord + 2 && !m_eof)
        {
            if (!Refill()) return RecordReadFailed;
            continue;
        }
        if (m_p == m_end)
        {
            if (m_whole && !m_ended) return RecordNoEnd;
            r.kind = KindEof;
            return RecordOk;
        }
        const uchar c = *m_p;
        if (c == '\n')
        {
            ++m_line;
            m_lineUsed = false;
            ++m_p;
            continue;
        }
        if (IsBlank(c))
        {
            ++m_p;
            continue;
        }
        if (c != m_mark || m_lineUsed) return RecordNotARecord;
        if (m_ended) return RecordAfterEnd;
        m_recordOffset = Offset();
        m_recordLine = m_line;
        const RecordError e = m_format == RecordIntelHex ? IntelRecord(r) : SRecord(r);
        if (e) return e;
        m_lineUsed = true;
        // The usual line end at once, so the next call starts on the next record.
        if (m_p < m_end && *m_p == '\n') { ++m_p; ++m_line; m_lineUsed = false; }
        else if (m_end - m_p >= 2 && m_p[0] == '\r' && m_p[1] == '\n') { m_p += 2; ++m_line; m_lineUsed = false; }
        return RecordOk;
    }
}

inline unsigned Be16(const uchar* p) { return unsigned(p[0]) << 8 | p[1]; }

RecordError CParser::IntelRecord(Record& r)
{
    // ':' LL AAAA TT data CC, all of it but the mark digits.
    const uchar* p = m_p;
    const size_t avail = size_t(m_end - p);
    if (avail < 3 || !IsDigit(p[1]) || !IsDigit(p[2])) return WhyBad(p + 1, 2);
    const unsigned length = unsigned(g_nibbles.v[p[1]]) << 4 | g_nibbles.v[p[2]];
    const size_t chars = 11 + 2 * size_t(length);
    if (avail < chars) return WhyBad(p + 1, chars - 1);
    unsigned sum = 0;
    if (!Decode(p + 1, length + 5, m_record, sum)) return WhyBad(p + 1, chars - 1);
    if (avail > chars && IsDigit(p[chars])) return RecordBadLength;
    if (sum & 0xff) return RecordBadChecksum;
    const uchar* d = m_record + 4;
    r.data = d;
    r.length = length;
    switch (m_record[3])
    {
    case 0:
        r.kind = KindData;
        r.address = m_base + Be16(m_record + 1);
        if (r.address + length > kTop) return RecordPastTop;
        break;
    case 1:
        if (length) return RecordBadTypeLength;
        r.kind = KindEnd;
        m_ended = true;
        break;
    case 2:
    case 4:
        if (length != 2) return RecordBadTypeLength;
        r.kind = KindOther;
        m_base = uint64_t(Be16(d)) << (m_record[3] == 2 ? 4 : 16);
        break;
    case 3:
    case 5:
        if (length != 4) return RecordBadTypeLength;
        r.kind = KindStart;
        r.start = m_record[3] == 3 ? (Be16(d) << 4) + Be16(d + 2) : Be16(d) << 16 | Be16(d + 2);
        break;
    default:
        return RecordUnknownType;
    }
    m_p += chars;
    return RecordOk;
}

RecordError CParser::SRecord(Record& r)
{
    // 'S' T CC address data checksum; CC counts the bytes after it.
    static const uchar kAddressBytes[10] = { 2, 2, 3, 4, 0, 2, 3, 4, 3, 2 };
    const uchar* p = m_p;
    const size_t avail = size_t(m_end - p);
    if (avail < 2 || p[1] == '\n' || IsBlank(p[1])) return RecordBadLength;
    if (p[1] < '0' || p[1] > '9' || p[1] == '4') return RecordUnknownType;
    const unsigned type = unsigned(p[1] - '0');
    if (avail < 4 || !IsDigit(p[2]) || !IsDigit(p[3])) return WhyBad(p + 2, 2);
    const unsigned count = unsigned(g_nibbles.v[p[2]]) << 4 | g_nibbles.v[p[3]];
    const size_t chars = 4 + 2 * size_t(count);
    if (avail < chars) return WhyBad(p + 2, chars - 2);
    unsigned sum = 0;
    if (!Decode(p + 2, count + 1, m_record, sum)) return WhyBad(p + 2, chars - 2);
    if (avail > chars && IsDigit(p[chars])) return RecordBadLength;
    if ((sum & 0xff) != 0xff) return RecordBadChecksum;
    const unsigned addressBytes = kAddressBytes[type];
    if (count < addressBytes + 1) return RecordBadTypeLength;
    uint64_t address = 0;
    for (unsigned i = 1; i <= addressBytes; ++i) address = address << 8 | m_record[i];
    r.data = m_record + 1 + addressBytes;
    r.length = count - addressBytes - 1;
    switch (type)
    {
    case 0:
        r.kind = KindOther;
        break;
    case 1:
    case 2:
    case 3:
        r.kind = KindData;
        r.address = address;
        if (address + r.length > kTop) return RecordPastTop;
        ++m_count;
        break;
    case 5:
    case 6:
        if (r.length) return RecordBadTypeLength;
        if (m_whole && address != m_count) return RecordBadCount;
        r.kind = KindOther;
        break;
    default:
        if (r.length) return RecordBadTypeLength;
        r.kind = KindEnd;
        r.start = uint32_t(address);
        m_ended = true;
        break;
    }
    m_p += chars;
    return RecordOk;
}

// The image's bytes on their way to the sink, in blocks.
class COutput
{
public:
    COutput(CByteSink& sink, uchar* buffer, uchar fill) : m_sink(sink), m_buf(buffer), m_fill(fill) {}
    bool Put(const uchar* p, size_t n)
    {
        if (n > kOutBlock - m_used && !Flush()) return false;
        memcpy(m_buf + m_used, p, n);
        m_used += n;
        return true;
    }
    bool Fill(uint64_t n)
    {
        while (n)
        {
            if (m_used == kOutBlock && !Flush()) return false;
            const size_t take = size_t(std::min<uint64_t>(n, kOutBlock - m_used));
            memset(m_buf + m_used, m_fill, take);
            m_used += take;
            n -= take;
        }
        return true;
    }
    bool Flush()
    {
        const size_t n = m_used;
        m_used = 0;
        return !n || m_sink.Write(m_buf, n);
    }
    void Drop() { m_used = 0; }

private:
    CByteSink& m_sink;
    uchar* const m_buf;
    const uchar m_fill;
    size_t m_used = 0;
};

// A run of consecutive data records, each starting where the one before ended: its addresses,
// where its text starts and ends, and the line and Intel HEX base at its first record.
struct Run
{
    uint64_t start, end, text, textEnd, line, base;
};

// The addresses written so far, as merged ranges: start -> end.
class CCoverage
{
public:
    // Adds [a, b); false, with the first address written twice, when it meets a range held.
    bool Add(uint64_t a, uint64_t b, uint64_t& twice)
    {
        auto next = m_ranges.upper_bound(a);
        if (next != m_ranges.end() && next->first < b) { twice = next->first; return false; }
        if (next != m_ranges.begin())
        {
            auto prev = std::prev(next);
            if (prev->second > a) { twice = a; return false; }
            if (prev->second == a)
            {
                prev->second = b;
                if (next != m_ranges.end() && next->first == b) { prev->second = next->second; m_ranges.erase(next); }
                return true;
            }
        }
        if (next != m_ranges.end() && next->first == b)
        {
            const uint64_t end = next->second;
            m_ranges.erase(next);
            m_ranges.emplace(a, end);
        }
        else
            m_ranges.emplace(a, b);
        return true;
    }

private:
    std::map<uint64_t, uint64_t> m_ranges;
};

RecordImage Failure(RecordError error, uint64_t line, uint64_t address = 0)
{
    RecordImage r;
    r.error = error;
    r.line = line;
    r.address = address;
    return r;
}

// Errors found while parsing come with their line, I/O errors without.
RecordImage ParseFailure(RecordError error, const CParser& parser)
{
    return Failure(error, error == RecordReadFailed ? 0 : parser.Line());
}

// The next data record that holds bytes, or the end (KindEof); the start address of a record met
// on the way goes to image.
RecordError NextData(RecordFormat format, CParser& parser, Record& r, RecordImage& image)
{
    for (;;)
    {
        const RecordError e = parser.Next(r);
        if (e || r.kind == KindEof) return e;
        if (r.kind == KindStart || (r.kind == KindEnd && format == RecordSRecord))
        {
            image.hasStart = true;
            image.start = r.start;
        }
        if (r.kind == KindData && r.length) return RecordOk;
    }
}

struct Blocks
{
    uchar* in = nullptr;
    uchar* out = nullptr;
    ~Blocks() { free(in); free(out); }
};

// The second and third passes: every run's place, then the runs in address order.
RecordImage ReadScattered(RecordFormat format, CParser& parser, COutput& output, CRestartableSink& sink,
                          const RecordReadOptions& options)
{
    std::vector<Run> runs;
    CCoverage coverage;
    RecordImage image;
    uint64_t lowest = ~uint64_t(0), highest = 0, data = 0;
    if (!parser.Restart(0, 1, 0, kNoLimit, true)) return Failure(RecordNotSeekable, 0);
    for (;;)
    {
        Record r;
        const RecordError e = NextData(format, parser, r, image);
        if (e) return ParseFailure(e, parser);
        if (r.kind == KindEof) break;
        const uint64_t a = r.address, b = a + r.length;
        uint64_t twice = 0;
        if (!coverage.Add(a, b, twice)) return Failure(RecordOverlap, parser.RecordLine(), twice);
        lowest = std::min(lowest, a);
        highest = std::max(highest, b);
        data += r.length;
        if (highest - lowest - data > options.maxFill) return Failure(RecordFillTooLarge, parser.RecordLine());
        if (!runs.empty() && runs.back().end == a)
        {
            runs.back().end = b;
            runs.back().textEnd = parser.Offset();
        }
        else
            runs.push_back(Run{ a, b, parser.RecordOffset(), parser.Offset(), parser.RecordLine(), parser.Base() });
    }
    std::sort(runs.begin(), runs.end(), [](const Run& x, const Run& y) { return x.start < y.start; });
    output.Drop();
    if (!sink.Restart()) return Failure(RecordNotSeekable, 0);
    uint64_t at = runs.empty() ? 0 : runs.front().start;
    for (const Run& run : runs)
    {
        if (!output.Fill(run.start - at)) return Failure(RecordWriteFailed, 0);
        if (!parser.Restart(run.text, run.line, run.base, run.textEnd, false)) return Failure(RecordNotSeekable, 0);
        for (uint64_t next = run.start; next < run.end;)
        {
            Record r;
            const RecordError e = parser.Next(r);
            if (e == RecordReadFailed) return Failure(e, 0);
            if (e || r.kind == KindEof || r.kind == KindEnd) return Failure(RecordInputChanged, 0);
            if (r.kind != KindData || !r.length) continue;
            if (r.address != next || r.address + r.length > run.end) return Failure(RecordInputChanged, 0);
            if (!output.Put(r.data, r.length)) return Failure(RecordWriteFailed, 0);
            next += r.length;
        }
        at = run.end;
    }
    if (!output.Flush() || !sink.Flush()) return Failure(RecordWriteFailed, 0);
    image.lowest = runs.empty() ? 0 : runs.front().start;
    image.length = runs.empty() ? 0 : at - image.lowest;
    return image;
}

} // namespace

RecordImage ReadRecords(RecordFormat format, CSeekableSource& in, CRestartableSink& out,
                        const RecordReadOptions& options)
{
    size_t block = in.BlockFor(kBlock);
    if (block < 4096) block = 4096;
    Blocks blocks;
    blocks.in = static_cast<uchar*>(malloc(kCarry + block + kPad));
    blocks.out = static_cast<uchar*>(malloc(kOutBlock));
    if (!blocks.in || !blocks.out) return Failure(RecordNoMemory, 0);
    CParser parser(format, RecordsUseSse2(options.kernel), in, blocks.in, block);
    COutput output(out, blocks.out, options.fill);

    // The usual case: data records in ascending order, gaps filled as they come.
    RecordImage image;
    bool any = false, scattered = false;
    uint64_t end = 0, fill = 0;
    for (;;)
    {
        Record r;
        const RecordError e = NextData(format, parser, r, image);
        if (e) return ParseFailure(e, parser);
        if (r.kind == KindEof) break;
        if (!any)
        {
            image.lowest = end = r.address;
            any = true;
        }
        else if (r.address < end)
        {
            // Out of order: the text is read again from its start, so errors still come in its order.
            scattered = true;
            break;
        }
        if (r.address > end)
        {
            fill += r.address - end;
            if (fill > options.maxFill) return Failure(RecordFillTooLarge, parser.RecordLine());
            if (!output.Fill(r.address - end)) return Failure(RecordWriteFailed, 0);
        }
        if (!output.Put(r.data, r.length)) return Failure(RecordWriteFailed, 0);
        end = r.address + r.length;
    }
    if (scattered)
    {
        try
        {
            return ReadScattered(format, parser, output, out, options);
        }
        catch (const std::bad_alloc&)
        {
            return Failure(RecordNoMemory, 0);
        }
    }
    if (!output.Flush() || !out.Flush()) return Failure(RecordWriteFailed, 0);
    image.length = end - image.lowest;
    return image;
}

bool RecordsUseSse2(HexKernel kernel)
{
#ifdef QUILL_X86
    if (kernel == HexKernelScalar) return false;
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2");
#else
    (void)kernel;
    return false;
#endif
}

std::string RecordErrorMessage(const RecordImage& image)
{
    switch (image.error)
    {
    case RecordOk: return "no error";
    case RecordNotARecord: return "not a record";
    case RecordBadDigit: return "a record holds a character that is not a hex digit";
    case RecordBadLength: return "the record's length does not match its line";
    case RecordBadTypeLength: return "the record's length does not fit its type";
    case RecordUnknownType: return "unknown record type";
    case RecordBadChecksum: return "bad checksum";
    case RecordBadCount: return "the record count does not match the data records before it";
    case RecordAfterEnd: return "a record after the end record";
    case RecordNoEnd: return "no end record";
    case RecordOverlap: {
        char text[64];
        snprintf(text, sizeof text, "data written twice to address 0x%08llX", (unsigned long long)image.address);
        return text;
    }
    case RecordFillTooLarge: return "the gaps between the records would take more than 256 MiB of fill";
    case RecordPastTop: return "data past the 4 GiB address space";
    case RecordReadFailed: return "the input could not be read";
    case RecordWriteFailed: return "the output could not be written";
    case RecordNoMemory: return "not enough memory";
    case RecordNotSeekable: return "records out of address order need an input and output that can be read again";
    case RecordInputChanged: return "the input changed while it was read";
    }
    return "unknown error";
}

namespace {

class CMemorySource : public CSeekableSource
{
public:
    CMemorySource(const uchar* p, size_t n) : m_p(p), m_n(n) {}
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        got = std::min(capacity, m_n - m_at);
        memcpy(buffer, m_p + m_at, got);
        m_at += got;
        return true;
    }
    bool Seek(uint64_t offset) override
    {
        if (offset > m_n) return false;
        m_at = size_t(offset);
        return true;
    }

private:
    const uchar* m_p;
    size_t m_n, m_at = 0;
};

// True when every line is blank or one valid record, and one record at least.
bool AllRecords(RecordFormat format, const uchar* text, size_t size)
{
    CMemorySource source(text, size);
    const size_t block = std::max<size_t>(size, 4096);
    std::vector<uchar> buffer(kCarry + block + kPad);
    CParser parser(format, RecordsUseSse2(HexKernelBest), source, buffer.data(), block);
    if (!parser.Restart(0, 1, 0, kNoLimit, false)) return false;
    bool any = false;
    for (;;)
    {
        Record r;
        if (parser.Next(r)) return false;
        if (r.kind == KindEof) return any;
        any = true;
    }
}

} // namespace

TextKind DetectTextKind(const unsigned char* text, size_t size, bool whole)
{
    bool comment = false;
    for (size_t i = 0; i < size; ++i)
    {
        const uchar c = text[i];
        if (c == '\n') comment = false;
        else if (c == '#') comment = true;
        else if (!comment && (c == 0x7f || (c < 0x20 && c != '\t' && c != '\v' && c != '\f' && c != '\r' && c != 0x1a)))
            return TextBinary;
    }
    // Only whole lines are judged; a block cut mid-line drops its last part.
    if (size > kBlock)
    {
        size = kBlock;
        whole = false;
    }
    while (!whole && size && text[size - 1] != '\n') --size;
    if (AllRecords(RecordIntelHex, text, size)) return TextIntelHex;
    if (AllRecords(RecordSRecord, text, size)) return TextSRecord;
    return TextPlain;
}
