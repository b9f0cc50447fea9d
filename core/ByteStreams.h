// ByteStreams: the byte sources and sinks of every conversion that reads and writes the system's
// files, written once for the program, quillconv and the benchmark.
//   CConversionObserver       - told before every read; may stop the conversion
//   CStreamSource, CStreamSink - the rules: reads stop at the size a regular file had when it was
//                               opened, a short write is followed by one for the rest, a write
//                               that moves nothing is a failure with a reason of its own; a file
//                               can be read again from an offset and written again from empty
//                               (the record reader's second pass)
//   CHandleSource, CHandleSink - on a Windows handle (a pipe whose writer has gone is the end)
//   CFdSource, CFdSink         - on a POSIX file descriptor (a call cut short by a signal is
//                               made again)
// Errors are the platform's numbers: GetLastError's on Windows, errno's on POSIX.
#pragma once

#include <stddef.h>

#include "core/HexCodec.h"
#include "core/RecordReader.h"

#ifdef _WIN32
#include <windows.h>
#endif

// Watches a conversion block by block, for progress and for stopping it. Asked before every
// read with the bytes read so far and the input's size (0 when unknown: a pipe); false stops
// the conversion there, which then fails with the platform's "cancelled" (ERROR_CANCELLED 1223,
// ECANCELED). Called on the thread that runs the conversion.
class CConversionObserver
{
public:
    virtual ~CConversionObserver() {}
    virtual bool OnBlock(unsigned long long bytesRead, unsigned long long bytesTotal) = 0;
};

class CStreamSource : public CSeekableSource
{
public:
    bool Read(void* buffer, size_t capacity, size_t& got) override;
    size_t BlockFor(size_t block) const override;
    bool Seek(uint64_t offset) override;
    // The platform's error number of the failed read; 0 before one.
    unsigned GetError() const { return m_nError; }
    // The size of a regular file when it was opened, which reads stop at; 0 when unknown.
    unsigned long long GetSize() const { return m_bSized ? m_nSize : 0; }

protected:
    explicit CStreamSource(CConversionObserver* observer);
    // The input's size now, when it is a regular file, for the limit and the progress; a size of
    // 0 sets no limit (files such as /proc/cpuinfo claim none but hold bytes).
    void SetSize(unsigned long long size);
    // One read of the system: true with got bytes (0 at the end), or false with error set.
    virtual bool ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error) = 0;
    // Moves to offset from the start: 0, or the platform's error number.
    virtual unsigned MoveTo(uint64_t offset) = 0;

private:
    CConversionObserver* m_pObserver;
    unsigned long long m_nRead;
    unsigned long long m_nSize;
    bool m_bSized;
    unsigned m_nError;
};

class CStreamSink : public CRestartableSink
{
public:
    bool Write(const void* buffer, size_t size) override;
    bool Restart() override;
    bool Flush() override;
    unsigned GetError() const { return m_nError; }

protected:
    CStreamSink() : m_nError(0) {}
    // One write of the system: true with written bytes (which may be fewer than size), or false
    // with error set.
    virtual bool WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error) = 0;
    // Empties the file and writes from its start again: 0, or the platform's error number.
    virtual unsigned Empty() = 0;
    // Passes on what is still held: 0, or the platform's error number.
    virtual unsigned Drain() { return 0; }

private:
    unsigned m_nError;
};

#ifdef _WIN32

class CHandleSource : public CStreamSource
{
public:
    // The handle stays the caller's.
    explicit CHandleSource(HANDLE file, CConversionObserver* observer = nullptr);

protected:
    bool ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error) override;
    unsigned MoveTo(uint64_t offset) override;

private:
    HANDLE m_hFile;
};

class CHandleSink : public CStreamSink
{
public:
    explicit CHandleSink(HANDLE file) : m_hFile(file) {}

protected:
    bool WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error) override;
    unsigned Empty() override;

private:
    HANDLE m_hFile;
};

#else

class CFdSource : public CStreamSource
{
public:
    // The descriptor stays the caller's.
    explicit CFdSource(int fd, CConversionObserver* observer = nullptr);

protected:
    bool ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error) override;
    unsigned MoveTo(uint64_t offset) override;

private:
    int m_fd;
};

class CFdSink : public CStreamSink
{
public:
    explicit CFdSink(int fd) : m_fd(fd) {}

protected:
    bool WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error) override;
    unsigned Empty() override;

private:
    int m_fd;
};

#endif
