#include "core/ByteStreams.h"

#ifndef _WIN32
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const unsigned kCancelled = ERROR_CANCELLED;
const unsigned kReadFault = ERROR_READ_FAULT;
const unsigned kWriteFault = ERROR_WRITE_FAULT;
#else
const unsigned kCancelled = ECANCELED;
const unsigned kReadFault = EIO;
const unsigned kWriteFault = EIO;
#endif

// One system call moves at most this much, whatever the caller's buffer.
const size_t kMostAtOnce = size_t(1) << 30;

} // namespace

CStreamSource::CStreamSource(CConversionObserver* observer)
    : m_pObserver(observer), m_nRead(0), m_nSize(0), m_bSized(false), m_nError(0)
{
}

void CStreamSource::SetSize(unsigned long long size)
{
    m_nSize = size;
    m_bSized = true;
}

size_t CStreamSource::BlockFor(size_t block) const
{
    // The whole file and a page for its end, in whole pages.
    if (!m_bSized || m_nSize >= block) return block;
    const size_t pages = size_t(m_nSize / 4096) + 1;
    return pages * 4096 < block ? pages * 4096 : block;
}

bool CStreamSource::Read(void* buffer, size_t capacity, size_t& got)
{
    if (m_pObserver && !m_pObserver->OnBlock(m_nRead, m_bSized ? m_nSize : 0))
    {
        m_nError = kCancelled;
        return false;
    }
    // A regular file is read up to the size it had when it was opened: an input that grows while
    // it is read (an output appended to it) cannot keep a conversion going, and no read is spent
    // on finding the end. The system may touch every page of the buffer it is given, so a small
    // file is never given a large one.
    if (m_bSized && m_nSize > 0)
    {
        const unsigned long long left = m_nSize > m_nRead ? m_nSize - m_nRead : 0;
        if (left == 0)
        {
            got = 0;
            return true;
        }
        if (left < capacity) capacity = size_t(left);
    }
    if (capacity > kMostAtOnce) capacity = kMostAtOnce;
    unsigned error = 0;
    got = 0;
    if (!ReadSome(buffer, capacity, got, error))
    {
        m_nError = error ? error : kReadFault;
        return false;
    }
    m_nRead += got;
    return true;
}

bool CStreamSource::Seek(uint64_t offset)
{
    if (const unsigned error = MoveTo(offset))
    {
        m_nError = error;
        return false;
    }
    m_nRead = offset;
    return true;
}

bool CStreamSink::Restart()
{
    m_nError = Empty();
    return m_nError == 0;
}

bool CStreamSink::Flush()
{
    m_nError = Drain();
    return m_nError == 0;
}

bool CStreamSink::Write(const void* buffer, size_t size)
{
    // A write the system cuts short (a disk filling up) is followed by one for the rest, which
    // then fails with the system's own reason (a full disk's).
    const char* next = static_cast<const char*>(buffer);
    while (size > 0)
    {
        size_t written = 0;
        unsigned error = 0;
        if (!WriteSome(next, size < kMostAtOnce ? size : kMostAtOnce, written, error))
        {
            m_nError = error ? error : kWriteFault;
            return false;
        }
        // A write that moves nothing yet claims success has no reason of its own.
        if (written == 0 || written > size)
        {
            m_nError = kWriteFault;
            return false;
        }
        next += written;
        size -= written;
    }
    return true;
}

#ifdef _WIN32

CHandleSource::CHandleSource(HANDLE file, CConversionObserver* observer)
    : CStreamSource(observer), m_hFile(file)
{
    LARGE_INTEGER size;
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size))
        SetSize(static_cast<unsigned long long>(size.QuadPart));
}

bool CHandleSource::ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error)
{
    DWORD read = 0;
    // TRUE with nothing read is the end of the file; FALSE is a failed read, not an end.
    if (ReadFile(m_hFile, buffer, static_cast<DWORD>(capacity), &read, nullptr))
    {
        got = read;
        return true;
    }
    error = GetLastError();
    // A pipe whose writer has gone is the end of the input, not a failure.
    if (error == ERROR_BROKEN_PIPE)
    {
        got = 0;
        return true;
    }
    return false;
}

unsigned CHandleSource::MoveTo(uint64_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(m_hFile, to, nullptr, FILE_BEGIN) ? 0 : GetLastError();
}

bool CHandleSink::WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error)
{
    DWORD moved = 0;
    SetLastError(0);
    if (!WriteFile(m_hFile, buffer, static_cast<DWORD>(size), &moved, nullptr))
    {
        error = GetLastError();
        return false;
    }
    written = moved;
    return true;
}

unsigned CHandleSink::Empty()
{
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(m_hFile, start, nullptr, FILE_BEGIN) && SetEndOfFile(m_hFile) ? 0 : GetLastError();
}

#else

CFdSource::CFdSource(int fd, CConversionObserver* observer) : CStreamSource(observer), m_fd(fd)
{
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) SetSize(static_cast<unsigned long long>(st.st_size));
}

bool CFdSource::ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error)
{
    for (;;)
    {
        const ssize_t n = read(m_fd, buffer, capacity);
        if (n >= 0)
        {
            got = size_t(n);
            return true;
        }
        if (errno != EINTR)
        {
            error = unsigned(errno);
            return false;
        }
    }
}

unsigned CFdSource::MoveTo(uint64_t offset)
{
    return lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset) ? 0 : unsigned(errno);
}

bool CFdSink::WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error)
{
    for (;;)
    {
        const ssize_t n = write(m_fd, buffer, size);
        if (n >= 0)
        {
            written = size_t(n);
            return true;
        }
        if (errno != EINTR)
        {
            error = unsigned(errno);
            return false;
        }
    }
}

unsigned CFdSink::Empty()
{
    return ftruncate(m_fd, 0) == 0 && lseek(m_fd, 0, SEEK_SET) == 0 ? 0 : unsigned(errno);
}

#endif
