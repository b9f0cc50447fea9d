#include "core/TextFormat.h"

namespace {

// What the first block of a plain text looks like is judged on this much of it: enough for some
// ninety records or a binary file's header, and little beside the conversion of a small file.
const size_t kLook = 4096;

// Looks at the first block the plain reader reads.
class CFirstLook : public CFirstBlockWatcher
{
public:
    void OnFirstBlock(const unsigned char* block, size_t got, size_t asked) override
    {
        const size_t look = got < kLook ? got : kLook;
        // A block shorter than asked for is the whole input: its last line counts too.
        m_kind = DetectTextKind(block, look, got < asked && got == look);
    }
    TextKind Kind() const { return m_kind; }

private:
    TextKind m_kind = TextPlain;
};

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

StreamResult ConvertStream(bool toBinary, CReadAhead& in, CWriteBehind& out, const TextOptions& options,
                           const char* name)
{
    StreamResult result;
    RecordError error = RecordOk;
    if (options.format != RecordIntelHex && options.format != RecordSRecord)
    {
        PumpResult pumped;
        if (toBinary)
        {
            CFirstLook look;
            pumped = PumpTextToBinary(in, out, HexKernelBest, &look);
            result.looksLike = look.Kind();
        }
        else
        {
            pumped = PumpBinaryToText(in, out, options.layout);
        }
        error = pumped == PumpReadFailed    ? RecordReadFailed
                : pumped == PumpWriteFailed ? RecordWriteFailed
                : pumped == PumpNoMemory    ? RecordNoMemory
                                            : RecordOk;
    }
    else if (toBinary)
    {
        RecordReadOptions read;
        read.fill = options.fill;
        result.image = ReadRecords(RecordFormat(options.format), in, out, read);
        error = result.image.error;
    }
    else
    {
        RecordLayout layout;
        layout.format = RecordFormat(options.format);
        layout.bytesPerRecord = options.recordBytes;
        layout.address = options.address;
        // A file's size chooses the S-record type at once; a pipe's records grow with its data.
        if (in.GetSize()) layout.size = in.GetSize();
        layout.name = name ? name : "";
        result.image = WriteRecords(in, out, layout);
        error = result.image.error;
    }
    switch (error)
    {
    case RecordOk: break;
    case RecordReadFailed: result.failure = StreamResult::kRead; result.error = in.GetError(); break;
    case RecordWriteFailed: result.failure = StreamResult::kWrite; result.error = out.GetError(); break;
    case RecordNoMemory: result.failure = StreamResult::kNoMemory; break;
    default: result.failure = StreamResult::kRecords; break;
    }
    return result;
}

bool ParseFillByte(const char* text, unsigned char& value)
{
    if (!text || HexValue(text[0]) < 0 || HexValue(text[1]) < 0 || text[2]) return false;
    value = static_cast<unsigned char>(HexValue(text[0]) * 16 + HexValue(text[1]));
    return true;
}

bool ParseAddress(const char* text, uint32_t& value)
{
    if (!text || !*text) return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* p = hex ? text + 2 : text;
    if (!*p) return false;
    uint64_t n = 0;
    for (; *p; ++p)
    {
        const int digit = hex ? HexValue(*p) : (*p >= '0' && *p <= '9' ? *p - '0' : -1);
        if (digit < 0) return false;
        n = n * (hex ? 16 : 10) + unsigned(digit);
        if (n > 0xffffffffu) return false;
    }
    value = uint32_t(n);
    return true;
}
