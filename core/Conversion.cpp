// Conversion.cpp: the conversions as block loops over CFile, one system call per block.
#include "core/Conversion.h"

#include "core/HexCodec.h"
#include "foundation/CFile.h"

namespace {

// The platform's reason for the last failure, never 0 so that it always reads as a failure.
DWORD LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

class CFileSource : public CByteSource
{
public:
    CFileSource(Vexa::CFile& file, CConversionObserver* observer = nullptr)
        : m_file(file), m_pObserver(observer), m_nRead(0), m_nSize(0), m_bSized(false), m_dwError(0)
    {
        DWORD high = 0;
        SetLastError(NO_ERROR);
        const DWORD low = file.GetSize(&high);
        m_bSized = GetFileType(file.GetHandle()) == FILE_TYPE_DISK &&
                   (low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR);
        m_nSize = (static_cast<unsigned long long>(high) << 32) | low;
    }
    size_t BlockFor(size_t block) const override
    {
        // The whole file and a page for its end (a read that finds it), in whole pages.
        if (!m_bSized || m_nSize >= block) return block;
        const size_t pages = size_t(m_nSize / 4096) + 1;
        return pages * 4096 < block ? pages * 4096 : block;
    }
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        if (m_pObserver && !m_pObserver->OnBlock(m_nRead, m_bSized ? m_nSize : 0))
        {
            m_dwError = ERROR_CANCELLED;
            return false;
        }
        // Asked for no more than the file holds (and a page for its end), since the system may
        // touch every page of the buffer it is given: a small file must not cost a large block.
        if (m_bSized) {
            const unsigned long long left = m_nSize > m_nRead ? m_nSize - m_nRead : 0;
            const unsigned long long wanted = left < 4096 ? 4096 : left;
            if (wanted < capacity) capacity = size_t(wanted);
        }
        DWORD read = 0;
        // TRUE with nothing read is the end of the file; FALSE is a failed read, not an end.
        if (!m_file.ReadRaw(buffer, DWORD(capacity), &read))
        {
            m_dwError = LastErrorOr(ERROR_READ_FAULT);
            return false;
        }
        got = read;
        m_nRead += read;
        return true;
    }
    DWORD GetError() const { return m_dwError; }

private:
    Vexa::CFile& m_file;
    CConversionObserver* m_pObserver;
    unsigned long long m_nRead;
    unsigned long long m_nSize; // when m_bSized: the file's size when the conversion began
    bool m_bSized;
    DWORD m_dwError;
};

class CFileSink : public CByteSink
{
public:
    explicit CFileSink(Vexa::CFile& file) : m_file(file), m_dwError(0) {}
    // A write the system cuts short (a disk filling up) is followed by one for the rest, which
    // then fails with the system's own reason (112 for a full disk).
    bool Write(const void* buffer, size_t size) override
    {
        const char* next = static_cast<const char*>(buffer);
        while (size > 0)
        {
            DWORD written = 0;
            SetLastError(0);
            if (!m_file.WriteRaw(next, DWORD(size), &written) || written == 0 || written > size)
            {
                // A write that moves nothing yet claims success has no error number of its own.
                m_dwError = LastErrorOr(ERROR_WRITE_FAULT);
                return false;
            }
            next += written;
            size -= written;
        }
        return true;
    }
    DWORD GetError() const { return m_dwError; }

private:
    Vexa::CFile& m_file;
    DWORD m_dwError;
};

DWORD ErrorOf(PumpResult result, const CFileSource& source, const CFileSink& sink)
{
    switch (result)
    {
    case PumpDone: return 0;
    case PumpReadFailed: return source.GetError();
    case PumpWriteFailed: return sink.GetError();
    default: return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace

bool TextToBinary(Vexa::CFile& in, Vexa::CFile& out)
{
    CFileSource source(in);
    CFileSink sink(out);
    const DWORD error = ErrorOf(PumpTextToBinary(source, sink), source, sink);
    if (error) SetLastError(error);
    return error == 0;
}

int BinaryToText(Vexa::CFile& in, Vexa::CFile& out)
{
    CFileSource source(in);
    CFileSink sink(out);
    const DWORD error = ErrorOf(PumpBinaryToText(source, sink), source, sink);
    if (error) SetLastError(error);
    return int(error);
}

DWORD Convert(Vexa::CFile& in, Vexa::CFile& out, const ConvertOptions& options, bool& writeFailed)
{
    CFileSource source(in, options.observer);
    CFileSink sink(out);
    const PumpResult result =
        options.mode == 0 ? PumpTextToBinary(source, sink) : PumpBinaryToText(source, sink, options.layout);
    writeFailed = result == PumpWriteFailed;
    return ErrorOf(result, source, sink);
}
