// quillconv: the conversions from the command line, on the same reader and writer as Quillmark.
//   quillconv tobin INPUT OUTPUT    hex text to binary
//   quillconv totext INPUT OUTPUT   binary to hex text
// "-" stands for standard input or output. Exit 0 on success, 1 when a file fails, 2 on bad usage.
#include "core/HexCodec.h"

#include <stdio.h>
#include <string.h>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "foundation/DllSearch.h"
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "QuillVersion.h"

namespace {

const char kUsage[] =
    "usage: quillconv tobin INPUT OUTPUT    hex text to binary\n"
    "       quillconv totext INPUT OUTPUT   binary to hex text\n"
    "       quillconv --version             the version\n"
    "INPUT or OUTPUT \"-\" stands for standard input or output.\n"
    "Hex text: digit pairs in any layout, '#' comments to the end of the line; anything else is\n"
    "skipped. Binary to text writes every byte as two lowercase digits and a space.\n";

int Fail(const std::string& message)
{
    fprintf(stderr, "quillconv: %s\n", message.c_str());
    return 1;
}

std::string Quoted(const char* path, const char* stream)
{
    return strcmp(path, "-") == 0 ? std::string(stream) : "'" + std::string(path) + "'";
}

#ifdef _WIN32

typedef HANDLE Handle;
const Handle kNoHandle = INVALID_HANDLE_VALUE;
typedef DWORD ErrorCode;

std::string Reason(ErrorCode code)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string reason(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason + " (error " + std::to_string(code) + ")";
}

ErrorCode LastError(ErrorCode fallback)
{
    const DWORD code = GetLastError();
    return code ? code : fallback;
}

Handle OpenInput(const char* path, ErrorCode& error)
{
    if (strcmp(path, "-") == 0) return GetStdHandle(STD_INPUT_HANDLE);
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) error = LastError(ERROR_OPEN_FAILED);
    return h;
}

Handle OpenOutput(const char* path, ErrorCode& error)
{
    if (strcmp(path, "-") == 0) return GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) error = LastError(ERROR_OPEN_FAILED);
    return h;
}

bool IsFolder(Handle h)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True when the output names the very file the input handle reads (any spelling, any link).
bool SameFile(Handle input, const char* outPath)
{
    BY_HANDLE_FILE_INFORMATION a, b;
    if (GetFileType(input) != FILE_TYPE_DISK || !GetFileInformationByHandle(input, &a)) return false;
    HANDLE out = strcmp(outPath, "-") == 0
        ? GetStdHandle(STD_OUTPUT_HANDLE)
        : CreateFileA(outPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    const bool same = GetFileType(out) == FILE_TYPE_DISK && GetFileInformationByHandle(out, &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                      a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    if (strcmp(outPath, "-") != 0) CloseHandle(out);
    return same;
}

bool CloseOutput(Handle h, const char* path, ErrorCode&)
{
    if (strcmp(path, "-") != 0) CloseHandle(h);
    return true;
}

class HandleSource : public CByteSource
{
public:
    explicit HandleSource(Handle h) : m_h(h), m_error(0) {}
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        DWORD read = 0;
        if (!ReadFile(m_h, buffer, DWORD(capacity), &read, nullptr))
        {
            // A pipe whose writer has gone is the end of the input, not a failure.
            if (GetLastError() == ERROR_BROKEN_PIPE) { got = 0; return true; }
            m_error = LastError(ERROR_READ_FAULT);
            return false;
        }
        got = read;
        return true;
    }
    Handle m_h;
    ErrorCode m_error;
};

class HandleSink : public CByteSink
{
public:
    explicit HandleSink(Handle h) : m_h(h), m_error(0) {}
    bool Write(const void* buffer, size_t size) override
    {
        const char* p = static_cast<const char*>(buffer);
        while (size)
        {
            DWORD written = 0;
            SetLastError(0);
            if (!WriteFile(m_h, p, DWORD(size), &written, nullptr) || written == 0)
            {
                m_error = LastError(ERROR_WRITE_FAULT);
                return false;
            }
            p += written;
            size -= written;
        }
        return true;
    }
    Handle m_h;
    ErrorCode m_error;
};

#else // POSIX

typedef int Handle;
const Handle kNoHandle = -1;
typedef int ErrorCode;

std::string Reason(ErrorCode code)
{
    return strerror(code);
}

Handle OpenInput(const char* path, ErrorCode& error)
{
    if (strcmp(path, "-") == 0) return 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) error = errno;
    return fd;
}

Handle OpenOutput(const char* path, ErrorCode& error)
{
    if (strcmp(path, "-") == 0) return 1;
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) error = errno;
    return fd;
}

bool IsFolder(Handle fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

// True when the output names the very file the input reads (any spelling, any link).
bool SameFile(Handle input, const char* outPath)
{
    struct stat a, b;
    if (fstat(input, &a) != 0 || !S_ISREG(a.st_mode)) return false;
    const int rc = strcmp(outPath, "-") == 0 ? fstat(1, &b) : stat(outPath, &b);
    return rc == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool CloseOutput(Handle fd, const char* path, ErrorCode& error)
{
    if (strcmp(path, "-") == 0) return true;
    if (close(fd) == 0) return true;
    error = errno;
    return false;
}

class HandleSource : public CByteSource
{
public:
    explicit HandleSource(Handle fd) : m_h(fd), m_error(0) {}
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        for (;;)
        {
            const ssize_t n = read(m_h, buffer, capacity);
            if (n >= 0) { got = size_t(n); return true; }
            if (errno != EINTR) { m_error = errno; return false; }
        }
    }
    Handle m_h;
    ErrorCode m_error;
};

class HandleSink : public CByteSink
{
public:
    explicit HandleSink(Handle fd) : m_h(fd), m_error(0) {}
    bool Write(const void* buffer, size_t size) override
    {
        const char* p = static_cast<const char*>(buffer);
        while (size)
        {
            const ssize_t n = write(m_h, p, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) { m_error = n < 0 ? errno : EIO; return false; }
            p += n;
            size -= size_t(n);
        }
        return true;
    }
    Handle m_h;
    ErrorCode m_error;
};

#endif

int Run(int argc, char** argv)
{
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0))
    {
        fputs(kUsage, stdout);
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "--version") == 0)
    {
        fputs("quillconv " QUILL_VERSION_STRING "\n", stdout);
        return 0;
    }
    if (argc < 2)
    {
        fprintf(stderr, "quillconv: missing arguments: mode, INPUT and OUTPUT (see quillconv --help)\n");
        return 2;
    }
    const bool toBinary = strcmp(argv[1], "tobin") == 0;
    if (!toBinary && strcmp(argv[1], "totext") != 0)
    {
        fprintf(stderr, "quillconv: unknown mode '%s': use tobin or totext (see quillconv --help)\n", argv[1]);
        return 2;
    }
    if (argc != 4)
    {
        fprintf(stderr, "quillconv: %s arguments: %s INPUT OUTPUT (see quillconv --help)\n",
                argc < 4 ? "missing" : "too many", argv[1]);
        return 2;
    }
    const char* inPath = argv[2];
    const char* outPath = argv[3];

    ErrorCode error = 0;
    const Handle in = OpenInput(inPath, error);
    if (in == kNoHandle)
        return Fail("cannot open input " + Quoted(inPath, "standard input") + ": " + Reason(error));
    if (IsFolder(in))
        return Fail("cannot read input " + Quoted(inPath, "standard input") + ": it is a folder");
    // Checked before the output is created: creating it would empty the input.
    if (SameFile(in, outPath))
        return Fail("input " + Quoted(inPath, "standard input") + " and output " + Quoted(outPath, "standard output") + " are the same file");
    const Handle out = OpenOutput(outPath, error);
    if (out == kNoHandle)
        return Fail("cannot create output " + Quoted(outPath, "standard output") + ": " + Reason(error));

    HandleSource source(in);
    HandleSink sink(out);
    const PumpResult result = toBinary ? PumpTextToBinary(source, sink) : PumpBinaryToText(source, sink);
    switch (result)
    {
    case PumpDone:
        break;
    case PumpReadFailed:
        return Fail("cannot read input " + Quoted(inPath, "standard input") + ": " + Reason(source.m_error));
    case PumpWriteFailed:
        return Fail("cannot write output " + Quoted(outPath, "standard output") + ": " + Reason(sink.m_error));
    default:
        return Fail("out of memory");
    }
    if (!CloseOutput(out, outPath, error))
        return Fail("cannot write output " + Quoted(outPath, "standard output") + ": " + Reason(error));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    Vexa::NarrowDllSearch();
#endif
    return Run(argc, argv);
}
