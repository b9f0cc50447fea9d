// quillconv: the conversions from the command line, on the same reader and writer as Quillmark.
//   quillconv tobin INPUT OUTPUT    hex text to binary
//   quillconv totext [--width N [--comments]] INPUT OUTPUT   binary to hex text, in lines of N bytes
// "-" stands for standard input or output. Exit 0 on success, 1 when a file fails, 2 on bad usage.
#include "core/HexCodec.h"

#include <stdio.h>
#include <stdlib.h>
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
    "       quillconv totext [--width N [--comments]] INPUT OUTPUT\n"
    "                                       binary to hex text\n"
    "       quillconv --version             the version, and the kernels this processor runs\n"
    "INPUT or OUTPUT \"-\" stands for standard input or output.\n"
    "Hex text: digit pairs in any layout, '#' comments to the end of the line; anything else is\n"
    "skipped. Binary to text writes every byte as two lowercase digits and a space, on one line.\n"
    "  --width N    lines of N bytes (8, 16 or 32; 0 is the one line), each ending in CR LF\n"
    "  --comments   after each line's digits, '#', its offset and its bytes as characters\n"
    "Every layout converts back with tobin. Example:\n"
    "  quillconv totext --width 16 --comments firmware.bin firmware.txt\n"
    "  4d 5a 90 00 03 00 00 00 04 00 00 00 ff ff 00 00  # 00000000  MZ..............\n"
    "An output file is always whole: the bytes go to a temporary file ~quillmark-*.tmp in the\n"
    "output's folder, which takes the output's name only when the conversion succeeded; on a\n"
    "failure an existing output is left as it was. Devices and standard output are written in\n"
    "place. A regular input file is read only up to the size it had when it was opened.\n"
    "Exit status: 0 done, 1 a file failed (or input and output are the same file), 2 bad usage.\n";

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

bool IsFolder(Handle h)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The system takes some names for devices wherever they stand (nul.txt and Nul.dat.txt are NUL),
// and reading one converts nothing. Pipes are kept: a program feeding the conversion.
bool IsDevice(Handle h)
{
    return GetFileType(h) == FILE_TYPE_CHAR;
}

// The size of a regular input file as it is now; reading stops there, so an input that grows
// while it is read (the output appended to it) cannot keep a run going.
unsigned long long InputLimit(Handle h)
{
    // An empty file cannot feed itself (nothing is written before something was read), and
    // files such as Z:\proc\... claim no size but hold bytes: both are read to their end.
    LARGE_INTEGER size;
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size) && size.QuadPart > 0)
        return (unsigned long long)size.QuadPart;
    return ~0ull;
}

// The file system's number for an open file (its inode under Wine), 0 when the handle gives none.
// Asked of the system's own layer: it answers for the standard handles that a host shell hands
// to a program under Wine, where GetFileInformationByHandle fails.
unsigned long long FileId(Handle h)
{
    struct Status { void* pointer; ULONG_PTR information; } status;
    typedef LONG(WINAPI * QueryFile)(HANDLE, Status*, void*, ULONG, int);
    static const QueryFile query = reinterpret_cast<QueryFile>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    unsigned long long id = 0;
    const int kFileInternalInformation = 6;
    return query && query(h, &status, &id, sizeof id, kFileInternalInformation) == 0 ? id : 0;
}

// True when the output names the very file the input handle reads (any spelling, any link).
// Where a handle cannot tell its full identity (standard handles inherited from a host shell
// under Wine), the file numbers and sizes are compared instead: a failed check never counts as
// "different" while something is left to compare.
bool SameFile(Handle input, const char* outPath)
{
    if (GetFileType(input) != FILE_TYPE_DISK) return false;
    const bool toStdout = strcmp(outPath, "-") == 0;
    HANDLE out = toStdout
        ? GetStdHandle(STD_OUTPUT_HANDLE)
        : CreateFileA(outPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (out == INVALID_HANDLE_VALUE || out == nullptr) return false; // a file that is not there
    bool same = false;
    BY_HANDLE_FILE_INFORMATION a, b;
    if (GetFileType(out) != FILE_TYPE_DISK)
        same = false;
    else if (GetFileInformationByHandle(input, &a) && GetFileInformationByHandle(out, &b))
        same = a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
               a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    else {
        LARGE_INTEGER inSize, outSize;
        const unsigned long long id = FileId(input);
        same = id != 0 && id == FileId(out) && GetFileSizeEx(input, &inSize) &&
               GetFileSizeEx(out, &outSize) && inSize.QuadPart == outSize.QuadPart;
    }
    if (!toStdout) CloseHandle(out);
    return same;
}

// Index just past the last path separator, 0 without one; CP932 trail bytes are no separators.
size_t NameStart(const char* path)
{
    size_t start = 0;
    for (size_t i = 0; path[i]; ++i) {
        if (IsDBCSLeadByte((BYTE)path[i]) && path[i + 1]) { ++i; continue; }
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
    }
    return start;
}

// The output of one run. Standard output and devices are written in place; a file is written
// to a temporary file in its folder that takes its name at Commit, and that is removed on every
// other way out, so the output's name holds the old content or the whole new one.
class Output
{
public:
    ~Output()
    {
        if (m_temp.empty()) return;
        CloseHandle(m_h);
        DeleteFileA(m_temp.c_str());
    }
    bool Open(const char* path, ErrorCode& error)
    {
        m_path = path;
        if (m_path == "-") { m_h = GetStdHandle(STD_OUTPUT_HANDLE); return true; }
        // With the access the final rename needs: a program holding the file refuses it now.
        HANDLE target = CreateFileA(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (target == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        {
            // Some devices (a serial port) refuse delete access; they are written in place.
            target = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
            if (target != INVALID_HANDLE_VALUE && GetFileType(target) == FILE_TYPE_DISK)
            {
                CloseHandle(target);
                target = INVALID_HANDLE_VALUE;
                SetLastError(ERROR_ACCESS_DENIED);
            }
        }
        if (target == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND)
        {
            error = LastError(ERROR_OPEN_FAILED);
            return false;
        }
        if (target != INVALID_HANDLE_VALUE)
        {
            if (GetFileType(target) != FILE_TYPE_DISK) { m_h = target; m_device = true; return true; }
            CloseHandle(target);
        }
        const std::string folder = m_path.substr(0, NameStart(path));
        for (int attempt = 1; attempt <= 16; ++attempt)
        {
            const std::string temp = folder + "~quillmark-" + std::to_string(GetCurrentProcessId()) + "-" +
                                     std::to_string(attempt) + ".tmp";
            m_h = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
            if (m_h != INVALID_HANDLE_VALUE) { m_temp = temp; return true; }
            if (GetLastError() != ERROR_FILE_EXISTS) break;
        }
        error = LastError(ERROR_CANNOT_MAKE);
        m_noTemp = true;
        return false;
    }
    Handle handle() const { return m_h; }
    // Why Open failed beyond the system's reason.
    bool noTemp() const { return m_noTemp; }
    bool Commit(ErrorCode& error)
    {
        if (m_device) CloseHandle(m_h);
        if (m_temp.empty()) return true;
        const std::string temp = m_temp;
        m_temp.clear();
        const bool flushed = FlushFileBuffers(m_h) != FALSE;
        error = flushed ? 0 : LastError(ERROR_WRITE_FAULT);
        CloseHandle(m_h);
        if (flushed && MoveFileExA(temp.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        if (flushed) error = LastError(ERROR_WRITE_FAULT);
        DeleteFileA(temp.c_str());
        return false;
    }

private:
    std::string m_path, m_temp;
    Handle m_h = INVALID_HANDLE_VALUE;
    bool m_device = false, m_noTemp = false;
};

class HandleSource : public CByteSource
{
public:
    explicit HandleSource(Handle h) : m_h(h), m_error(0), m_left(InputLimit(h)) {}
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        DWORD read = 0;
        if (capacity > m_left) capacity = size_t(m_left);
        if (capacity == 0) { got = 0; return true; }
        if (!ReadFile(m_h, buffer, DWORD(capacity), &read, nullptr))
        {
            // A pipe whose writer has gone is the end of the input, not a failure.
            if (GetLastError() == ERROR_BROKEN_PIPE) { got = 0; return true; }
            m_error = LastError(ERROR_READ_FAULT);
            return false;
        }
        got = read;
        m_left -= read;
        return true;
    }
    Handle m_h;
    ErrorCode m_error;
    unsigned long long m_left; // bytes still to read
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

bool IsFolder(Handle fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

// A host path names a device only when it says so (/dev/stdin, /dev/fd/3): it is read as given.
bool IsDevice(Handle)
{
    return false;
}

// The size of a regular input file as it is now; reading stops there. An empty size (a new file,
// or /proc/cpuinfo, which holds bytes all the same) sets no limit.
unsigned long long InputLimit(Handle fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 ? (unsigned long long)st.st_size : ~0ull;
}

// True when the output names the very file the input reads (any spelling, any link).
bool SameFile(Handle input, const char* outPath)
{
    struct stat a, b;
    if (fstat(input, &a) != 0 || !S_ISREG(a.st_mode)) return false;
    const int rc = strcmp(outPath, "-") == 0 ? fstat(1, &b) : stat(outPath, &b);
    return rc == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The output of one run. Standard output and anything but a regular file (a device, a pipe)
// are written in place; a file is written to a temporary file in its folder that takes its
// name at Commit and is removed on every other way out.
class Output
{
public:
    ~Output()
    {
        if (m_temp.empty()) return;
        close(m_h);
        unlink(m_temp.c_str());
    }
    bool Open(const char* path, ErrorCode& error)
    {
        m_path = path;
        if (m_path == "-") { m_h = 1; m_inPlace = true; return true; }
        struct stat st;
        const bool exists = stat(path, &st) == 0;
        if (exists && !S_ISREG(st.st_mode))
        {
            m_h = open(path, O_WRONLY | O_CLOEXEC);
            m_inPlace = true;
            if (m_h < 0) error = errno;
            return m_h >= 0;
        }
        // A link is followed: the file it names gets the new content.
        if (exists)
            if (char* real = realpath(path, nullptr)) { m_path = real; free(real); }
        const size_t slash = m_path.rfind('/');
        std::string temp = (slash == std::string::npos ? "" : m_path.substr(0, slash + 1)) + "~quillmark-XXXXXX.tmp";
        m_h = mkostemps(&temp[0], 4, O_CLOEXEC);
        if (m_h < 0) { error = errno; m_noTemp = exists || errno != ENOENT; return false; }
        m_temp = temp;
        mode_t mask = umask(0);
        umask(mask);
        fchmod(m_h, exists ? st.st_mode & 07777 : 0666 & ~mask);
        return true;
    }
    Handle handle() const { return m_h; }
    bool noTemp() const { return m_noTemp; }
    bool Commit(ErrorCode& error)
    {
        if (m_inPlace) return m_h == 1 || close(m_h) == 0 || (error = errno, false);
        const std::string temp = m_temp;
        m_temp.clear();
        bool ok = fsync(m_h) == 0;
        error = ok ? 0 : errno;
        if (close(m_h) != 0 && ok) { ok = false; error = errno; }
        if (ok && rename(temp.c_str(), m_path.c_str()) == 0) return true;
        if (ok) error = errno;
        unlink(temp.c_str());
        return false;
    }

private:
    std::string m_path, m_temp;
    Handle m_h = -1;
    bool m_inPlace = false, m_noTemp = false;
};

class HandleSource : public CByteSource
{
public:
    explicit HandleSource(Handle fd) : m_h(fd), m_error(0), m_left(InputLimit(fd)) {}
    bool Read(void* buffer, size_t capacity, size_t& got) override
    {
        if (capacity > m_left) capacity = size_t(m_left);
        for (;;)
        {
            const ssize_t n = capacity ? read(m_h, buffer, capacity) : 0;
            if (n >= 0) { got = size_t(n); m_left -= got; return true; }
            if (errno != EINTR) { m_error = errno; return false; }
        }
    }
    Handle m_h;
    ErrorCode m_error;
    unsigned long long m_left; // bytes still to read
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
        // The loops the dispatch chose on this processor.
        printf("reader: %s, writer: %s\n", HexReaderKernelName(), HexWriterKernelName());
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
    // Options of totext come before the two paths.
    unsigned width = 0;
    bool comments = false;
    int arg = 2;
    for (; arg < argc && strncmp(argv[arg], "--", 2) == 0; ++arg)
    {
        if (strcmp(argv[arg], "--comments") == 0 && !toBinary)
            comments = true;
        else if (strcmp(argv[arg], "--width") == 0 && !toBinary)
        {
            char* end = nullptr;
            const char* value = arg + 1 < argc ? argv[++arg] : "";
            const unsigned long n = strtoul(value, &end, 10);
            if (!*value || *end || n > 32 || !HexLayout::IsValidWidth(unsigned(n)))
            {
                fprintf(stderr, "quillconv: bad width '%s': use 8, 16 or 32 bytes a line, or 0 for one line "
                                "(see quillconv --help)\n", value);
                return 2;
            }
            width = unsigned(n);
        }
        else
        {
            fprintf(stderr, "quillconv: unknown option '%s' for %s (see quillconv --help)\n", argv[arg], argv[1]);
            return 2;
        }
    }
    if (comments && !width)
    {
        fprintf(stderr, "quillconv: --comments needs lines: add --width 8, 16 or 32 (see quillconv --help)\n");
        return 2;
    }
    const HexLayout layout(width, comments);
    if (argc - arg != 2)
    {
        fprintf(stderr, "quillconv: %s arguments: %s INPUT OUTPUT (see quillconv --help)\n",
                argc - arg < 2 ? "missing" : "too many", argv[1]);
        return 2;
    }
    const char* inPath = argv[arg];
    const char* outPath = argv[arg + 1];

    ErrorCode error = 0;
    const Handle in = OpenInput(inPath, error);
    if (in == kNoHandle)
        return Fail("cannot open input " + Quoted(inPath, "standard input") + ": " + Reason(error));
    if (IsFolder(in))
        return Fail("cannot read input " + Quoted(inPath, "standard input") + ": it is a folder");
    // Standard input may be a device (NUL, a console): only a name that reaches one is refused.
    if (strcmp(inPath, "-") != 0 && IsDevice(in))
        return Fail("cannot read input " + Quoted(inPath, "standard input") + ": it is a device, not a file");
    // Checked before the output is created: creating it would empty the input.
    if (SameFile(in, outPath))
        return Fail("input " + Quoted(inPath, "standard input") + " and output " + Quoted(outPath, "standard output") + " are the same file");
    Output out;
    if (!out.Open(outPath, error))
        return Fail("cannot create output " + Quoted(outPath, "standard output") + ": " +
                    (out.noTemp() ? "no temporary file can be made in its folder: " : "") + Reason(error));

    HandleSource source(in);
    HandleSink sink(out.handle());
    const PumpResult result = toBinary ? PumpTextToBinary(source, sink) : PumpBinaryToText(source, sink, layout);
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
    if (!out.Commit(error))
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
