// quillconv: the conversions from the command line, on the same reader and writer as Quillmark.
//   quillconv tobin [--format F] [--fill XX] INPUT OUTPUT   hex text or records to binary
//   quillconv totext [--width N [--comments]] INPUT OUTPUT   binary to hex text, in lines of N bytes
//   quillconv totext --format ihex|srec [--address N] [--record-bytes 16|32] INPUT OUTPUT
//   quillconv tobin|totext [options] INDIR OUTDIR [--filter PATTERN]   every file of a folder
//                                   (--recursive: of its subfolders too, mirrored in OUTDIR)
// "-" stands for standard input or output. Exit 0 on success, 1 when a file fails, 2 on bad usage.
// The Windows program does its file work through the engine, as the pages do; the native one
// keeps a small output of its own on POSIX calls.
#include "core/ByteStreams.h"
#include "core/HexCodec.h"
#include "core/Pipeline.h"
#include "core/TextFormat.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "core/OutputPath.h"
#include "engine/CRun.h"
#include "engine/FileIdentity.h"
#include "engine/InputListing.h"
#include "engine/OutputCollisions.h"
#include "foundation/CFile.h"
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
    "usage: quillconv tobin [--format F] [--fill XX] INPUT OUTPUT\n"
    "                                       hex text (or records) to binary\n"
    "       quillconv totext [--width N [--comments]] INPUT OUTPUT\n"
    "                                       binary to hex text\n"
    "       quillconv totext --format ihex|srec [--address N] [--record-bytes 16|32] INPUT OUTPUT\n"
    "                                       binary to Intel HEX or S-records\n"
    "       quillconv tobin|totext [options] INDIR OUTDIR [--filter PATTERN]\n"
    "                                       every file of a folder (Windows)\n"
    "       quillconv --version             the version, and the kernels this processor runs\n"
    "INPUT or OUTPUT \"-\" stands for standard input or output.\n"
    "Hex text: digit pairs in any layout, '#' comments to the end of the line; anything else is\n"
    "skipped. Binary to text writes every byte as two lowercase digits and a space, on one line.\n"
    "  --width N    lines of N bytes (8, 16 or 32; 0 is the one line), each ending in CR LF\n"
    "  --comments   after each line's digits, '#', its offset and its bytes as characters\n"
    "Every layout converts back with tobin. Example:\n"
    "  quillconv totext --width 16 --comments firmware.bin firmware.txt\n"
    "  4d 5a 90 00 03 00 00 00 04 00 00 00 ff ff 00 00  # 00000000  MZ..............\n"
    "Firmware images:\n"
    "  --format F          hex (the plain hex text above; the default), ihex (Intel HEX) or srec\n"
    "                      (Motorola S-records); tobin checks every checksum\n"
    "  --fill XX           tobin: the byte (two hex digits) that fills the gaps between records;\n"
    "                      FF by default. The binary starts at the lowest address holding data\n"
    "  --address N         totext: the address of the image's first byte, decimal or 0x...; 0\n"
    "  --record-bytes 16|32  totext: data bytes a record; 16 by default\n"
    "A broken record stops tobin with \"quillconv: FILE:LINE: what is wrong\" and writes nothing.\n"
    "Records out of address order are read twice: from standard input they are refused.\n"
    "An output file is always whole: the bytes go to a temporary file ~quillmark-*.tmp in the\n"
    "output's folder, which takes the output's name only when the conversion succeeded; on a\n"
    "failure an existing output is left as it was. Devices and standard output are written in\n"
    "place. A regular input file is read only up to the size it had when it was opened.\n"
    "A folder as INPUT converts each of its files (not its subfolders, hidden or system files)\n"
    "into OUTDIR, which is made with every missing level. Each output is named after its input\n"
    "with the extension replaced by .bin (tobin) or .txt, .hex, .srec (totext by --format), or\n"
    "added after it:\n"
    "  --add-extension   data.txt gives data.txt.bin instead of data.bin\n"
    "  --filter PATTERN  only the files PATTERN matches (* and ?), such as *.txt; all by default\n"
    "  --recursive       the files of its subfolders too, each output in the same subfolder of\n"
    "                    OUTDIR (made as needed); never hidden or system folders, folder links,\n"
    "                    or OUTDIR when it lies inside INDIR\n"
    "Files whose outputs would overwrite one another or an input, and paths longer than 259\n"
    "bytes, are skipped. Each file that fails or is skipped gets a line on standard error, and\n"
    "a count of the files follows.\n"
    "Exit status: 0 done, 1 a file failed or was skipped (or input and output are the same\n"
    "file), 2 bad usage.\n";

int Fail(const std::string& message)
{
    fprintf(stderr, "quillconv: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message)
{
    fprintf(stderr, "quillconv: %s (see quillconv --help)\n", message.c_str());
    return 2;
}

std::string Quoted(const char* path, const char* stream = "")
{
    return strcmp(path, "-") == 0 ? std::string(stream) : "'" + std::string(path) + "'";
}

// "FILE:LINE: what is wrong", as compilers say it: which record of the input is broken, and how.
std::string RecordFault(const char* input, const RecordImage& image)
{
    const std::string file = strcmp(input, "-") == 0 ? "standard input" : input;
    return file + (image.line ? ":" + std::to_string(image.line) : "") + ": " + RecordErrorMessage(image);
}

// The S-records' header: the input's file name, after its last separator.
const char* HeaderName(const char* input)
{
    if (strcmp(input, "-") == 0) return "";
    const char* name = input;
    for (const char* p = input; *p; ++p)
        if (*p == '/' || *p == '\\' || *p == ':') name = p + 1;
    return name;
}

// What the command line asks for.
struct Request {
    bool toBinary = false;
    TextOptions text;
    const char* input = nullptr;
    const char* output = nullptr;
    const char* filter = nullptr; // folder mode only
    bool addExtension = false;    // folder mode only
    bool recursive = false;       // folder mode only
};

#ifdef _WIN32

std::string Reason(DWORD error)
{
    const std::string text(SystemText(error));
    return (text.empty() ? "error " : text + " (error ") + std::to_string(error) + (text.empty() ? "" : ")");
}

// The engine's outcome in quillconv's words, naming the files as the user gave them.
std::string Describe(const FileConversionResult& result, const char* input, const char* output)
{
    const std::string in = Quoted(input, "standard input"), out = Quoted(output, "standard output");
    switch (result.stage) {
    case FileConversionResult::kDone:
        return "";
    case FileConversionResult::kInputOpen:
        if (result.device) return "cannot read input " + in + ": it is a device, not a file";
        return "cannot open input " + in + ": " + Reason(result.error);
    case FileConversionResult::kOutputEmpty:
    case FileConversionResult::kOutputOpen:
        if (result.sameFile) return "input " + in + " and output " + out + " are the same file";
        return "cannot create output " + out + ": " +
               (result.problem == CSafeOutput::kNoTemp ? "no temporary file can be made in its folder: " : "") +
               Reason(result.error);
    default:
        if (result.BadRecords()) return RecordFault(input, result.image);
        if (result.readFailed) return "cannot read input " + in + ": " + Reason(result.error);
        return "cannot write output " + out + ": " + Reason(result.error);
    }
}

// The conversion as the engine's runs take it.
ConvertOptions OptionsOf(const Request& request)
{
    ConvertOptions options;
    static_cast<TextOptions&>(options) = request.text;
    options.mode = request.toBinary ? 0 : 1;
    return options;
}

// A conversion with standard input or output on one side. The engine's rules all the same: a name
// that reaches a device is refused as input, an output that is the input is refused before it is
// opened, a file output is always whole.
FileConversionResult ConvertStandard(const Request& request)
{
    FileConversionResult result;
    const bool toStdout = strcmp(request.output, "-") == 0;
    std::unique_ptr<Vexa::CFile> named(strcmp(request.input, "-") == 0 ? nullptr
                                       : new Vexa::CFile(request.input, GENERIC_READ, OPEN_EXISTING));
    const HANDLE input = named ? named->GetHandle() : GetStdHandle(STD_INPUT_HANDLE);
    result.stage = FileConversionResult::kInputOpen;
    if (input == INVALID_HANDLE_VALUE) {
        result.error = GetLastError();
        return result;
    }
    // Standard input may be a device (NUL, a console): only a name that reaches one is refused.
    if (named && GetFileType(input) == FILE_TYPE_CHAR) {
        result.device = true;
        return result;
    }
    const HANDLE stdOut = GetStdHandle(STD_OUTPUT_HANDLE);
    result.stage = FileConversionResult::kOutputOpen;
    result.sameFile = toStdout ? IsSameFile(input, stdOut) : NamesFile(request.output, input);
    CSafeOutput written;
    if (result.sameFile || (!toStdout && (result.error = written.Open(request.output)) != 0)) {
        result.problem = written.GetProblem();
        return result;
    }
    CHandleSource file(input);
    CReadAhead source(file);
    CHandleSink output(toStdout ? stdOut : written.File().GetHandle());
    CWriteBehind sink(output);
    result.stage = FileConversionResult::kDone;
    result.path = request.output;
    const StreamResult converted =
        ConvertStream(request.toBinary, source, sink, request.text, HeaderName(request.input));
    TakeConversion(result, converted, request.text.format != kPlainHexText, request.input);
    if (result.Done() && !toStdout && (result.error = written.Commit()) != 0)
        result.stage = FileConversionResult::kConvert;
    return result;
}

int ConvertOne(const Request& request)
{
    FileConversionResult result;
    if (strcmp(request.input, "-") == 0 || strcmp(request.output, "-") == 0) {
        result = ConvertStandard(request);
    } else {
        CSafeOutput written;
        result = ConvertFile(request.input, request.output, OptionsOf(request), written);
        if (result.Done()) CommitFile(written, result);
    }
    return result.Done() ? 0 : Fail(Describe(result, request.input, request.output));
}

// Folder mode tells of each file that fails or is skipped as the run passes it.
class FolderReport : public CRunObserver {
public:
    void OnFileDone(CRun&, const CRunFile& file) override
    {
        if (!file.skipped.IsEmpty())
            Fail("skipped " + Quoted(file.input) + ": " + static_cast<const char*>(file.skipped));
        else if (!file.result.Done())
            Fail(Describe(file.result, file.input, file.output));
    }
};

// The batch page's rules with its settings-free names: every file of the folder that the filter
// matches, the collision check before anything is written, the output folder made with every
// missing level, and the outputs' temporary files in a staging folder inside it.
int ConvertFolder(const Request& request)
{
    std::vector<Vexa::CString> names, tooLong;
    ListingOptions listing;
    listing.subfolders = request.recursive;
    listing.outputFolder = request.output;
    const char* pattern = request.filter ? request.filter : "*.*";
    if (DWORD error = ListInputFiles(request.input, pattern, names, listing, &tooLong))
        return Fail("cannot list input folder " + Quoted(request.input) + ": " + Reason(error));
    for (const Vexa::CString& path : tooLong)
        Fail("skipped " + Quoted(path) + ": the path is " + std::to_string(path.GetLength()) +
             " bytes, longer than the limit of " + std::to_string(kMaxPathLength));
    if (DWORD error = MakeFolder(request.output))
        return Fail("cannot make output folder " + Quoted(request.output) + ": " + Reason(error));
    const Vexa::CString extension(request.toBinary ? ".bin" : Vexa::OutputExtension(1, request.text.format));
    std::vector<BatchRow> rows;
    for (const Vexa::CString& name : names)
        rows.push_back(BatchRow{name, Vexa::MakeOutputFileName(name, extension, request.addExtension), true});
    const std::vector<RowVerdict> verdicts = CheckOutputCollisions(request.input, request.output, rows);
    std::vector<CRunFile> files(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        files[i].input = Vexa::CString(Vexa::CString(request.input) + "\\", rows[i].input);
        files[i].output = Vexa::CString(Vexa::CString(request.output) + "\\", rows[i].output);
        if (verdicts[i] == kRowDuplicateOutput) files[i].skipped = "another file's output has the same name";
        if (verdicts[i] == kRowOutputIsInput) files[i].skipped = "its output would overwrite an input file";
        if (verdicts[i] == kRowInOutputFolder) files[i].skipped = "it lies in the output folder";
        if (verdicts[i] == kRowPathTooLong) {
            const size_t length = std::max(files[i].input.GetLength(), files[i].output.GetLength());
            const std::string why = "its path is " + std::to_string(length) + " bytes, longer than the limit of " +
                                    std::to_string(kMaxPathLength);
            files[i].skipped = why.c_str();
        }
    }
    FolderReport report;
    CRun run;
    if (DWORD error = run.Start(report, OptionsOf(request), std::move(files), request.output))
        return Fail("cannot start the conversion: " + Reason(error));
    run.Wait();
    int converted = 0, skipped = 0;
    for (const CRunFile& file : run.Files()) {
        converted += file.reached && file.result.Done();
        skipped += !file.skipped.IsEmpty();
    }
    skipped += static_cast<int>(tooLong.size());
    const int total = static_cast<int>(run.Files().size() + tooLong.size());
    const int failed = total - converted - skipped;
    fprintf(stderr, "quillconv: %d files: %d converted, %d failed, %d skipped\n", total, converted, failed,
            skipped);
    return converted == total ? 0 : 1;
}

bool IsFolder(const char* path)
{
    const DWORD attributes = strcmp(path, "-") == 0 ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

#else // POSIX

std::string Reason(int code)
{
    return strerror(code);
}

bool IsFolder(const char* path)
{
    struct stat st;
    return strcmp(path, "-") != 0 && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// True when the output names the very file the input reads (any spelling, any link).
bool SameFile(int input, const char* outPath)
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
        close(m_fd);
        unlink(m_temp.c_str());
    }
    bool Open(const char* path, int& error)
    {
        m_path = path;
        if (m_path == "-") { m_fd = 1; m_inPlace = true; return true; }
        struct stat st;
        const bool exists = stat(path, &st) == 0;
        if (exists && !S_ISREG(st.st_mode))
        {
            m_fd = open(path, O_WRONLY | O_CLOEXEC);
            m_inPlace = true;
            if (m_fd < 0) error = errno;
            return m_fd >= 0;
        }
        // A link is followed: the file it names gets the new content.
        if (exists)
            if (char* real = realpath(path, nullptr)) { m_path = real; free(real); }
        const size_t slash = m_path.rfind('/');
        std::string temp =
            (slash == std::string::npos ? "" : m_path.substr(0, slash + 1)) + "~quillmark-XXXXXX.tmp";
        m_fd = mkostemps(&temp[0], 4, O_CLOEXEC);
        if (m_fd < 0) { error = errno; m_noTemp = exists || errno != ENOENT; return false; }
        m_temp = temp;
        mode_t mask = umask(0);
        umask(mask);
        fchmod(m_fd, exists ? st.st_mode & 07777 : 0666 & ~mask);
        return true;
    }
    int fd() const { return m_fd; }
    bool noTemp() const { return m_noTemp; }
    bool Commit(int& error)
    {
        if (m_inPlace) return m_fd == 1 || close(m_fd) == 0 || (error = errno, false);
        const std::string temp = m_temp;
        m_temp.clear();
        bool ok = fsync(m_fd) == 0;
        error = ok ? 0 : errno;
        if (close(m_fd) != 0 && ok) { ok = false; error = errno; }
        if (ok && rename(temp.c_str(), m_path.c_str()) == 0) return true;
        if (ok) error = errno;
        unlink(temp.c_str());
        return false;
    }

private:
    std::string m_path, m_temp;
    int m_fd = -1;
    bool m_inPlace = false, m_noTemp = false;
};

int ConvertOne(const Request& request)
{
    const char* inPath = request.input;
    const char* outPath = request.output;
    const int in = strcmp(inPath, "-") == 0 ? 0 : open(inPath, O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail("cannot open input " + Quoted(inPath, "standard input") + ": " + Reason(errno));
    // Checked before the output is created: creating it would empty the input.
    if (SameFile(in, outPath))
        return Fail("input " + Quoted(inPath, "standard input") + " and output " +
                    Quoted(outPath, "standard output") + " are the same file");
    Output out;
    int error = 0;
    if (!out.Open(outPath, error))
        return Fail("cannot create output " + Quoted(outPath, "standard output") + ": " +
                    (out.noTemp() ? "no temporary file can be made in its folder: " : "") + Reason(error));
    CFdSource file(in);
    CReadAhead source(file);
    CFdSink output(out.fd());
    CWriteBehind sink(output);
    const StreamResult result =
        ConvertStream(request.toBinary, source, sink, request.text, HeaderName(inPath));
    switch (result.failure)
    {
    case StreamResult::kNone:
        break;
    case StreamResult::kRecords:
        return Fail(RecordFault(inPath, result.image));
    case StreamResult::kRead:
        return Fail("cannot read input " + Quoted(inPath, "standard input") + ": " +
                    Reason(int(result.error)));
    case StreamResult::kWrite:
        return Fail("cannot write output " + Quoted(outPath, "standard output") + ": " +
                    Reason(int(result.error)));
    default:
        return Fail("out of memory");
    }
    if (!out.Commit(error))
        return Fail("cannot write output " + Quoted(outPath, "standard output") + ": " + Reason(error));
    return 0;
}

// This build converts files only; the Windows program converts folders.
int ConvertFolder(const Request& request)
{
    return Fail("cannot read input " + Quoted(request.input) + ": it is a folder (quillconv.exe, the Windows "
                "program, converts folders)");
}

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
        return Usage("missing arguments: mode, INPUT and OUTPUT");
    Request request;
    request.toBinary = strcmp(argv[1], "tobin") == 0;
    if (!request.toBinary && strcmp(argv[1], "totext") != 0)
        return Usage("unknown mode '" + std::string(argv[1]) + "': use tobin or totext");
    // Options come before the two paths; --filter may also follow them.
    unsigned width = 0;
    bool comments = false, recordOptions = false;
    std::vector<const char*> paths;
    for (int arg = 2; arg < argc; ++arg)
    {
        const bool option =
            strncmp(argv[arg], "--", 2) == 0 && (paths.empty() || strcmp(argv[arg], "--filter") == 0);
        if (!option)
            paths.push_back(argv[arg]);
        else if (strcmp(argv[arg], "--comments") == 0 && !request.toBinary)
            comments = true;
        else if (strcmp(argv[arg], "--add-extension") == 0)
            request.addExtension = true;
        else if (strcmp(argv[arg], "--recursive") == 0)
            request.recursive = true;
        else if (strcmp(argv[arg], "--filter") == 0)
        {
            if (arg + 1 == argc) return Usage("--filter needs a pattern, such as *.txt");
            request.filter = argv[++arg];
        }
        else if (strcmp(argv[arg], "--format") == 0)
        {
            const std::string value = arg + 1 < argc ? argv[++arg] : "";
            const char* const names[3] = {"hex", "ihex", "srec"};
            request.text.format = -1;
            for (int i = 0; i < 3; ++i)
                if (value == names[i]) request.text.format = i; // RecordIntelHex 1, RecordSRecord 2
            if (request.text.format < 0)
                return Usage("bad format '" + value + "': use hex, ihex (Intel HEX) or srec (S-records)");
        }
        else if (strcmp(argv[arg], "--fill") == 0 && request.toBinary)
        {
            const char* value = arg + 1 < argc ? argv[++arg] : "";
            if (!ParseFillByte(value, request.text.fill))
                return Usage("bad fill '" + std::string(value) + "': use two hex digits, such as FF");
            recordOptions = true;
        }
        else if (strcmp(argv[arg], "--address") == 0 && !request.toBinary)
        {
            const char* value = arg + 1 < argc ? argv[++arg] : "";
            if (!ParseAddress(value, request.text.address))
                return Usage("bad address '" + std::string(value) +
                             "': use 0 to 4294967295, or 0x0 to 0xFFFFFFFF");
            recordOptions = true;
        }
        else if (strcmp(argv[arg], "--record-bytes") == 0 && !request.toBinary)
        {
            const std::string value = arg + 1 < argc ? argv[++arg] : "";
            if (value != "16" && value != "32")
                return Usage("bad record size '" + value + "': use 16 or 32 data bytes a record");
            request.text.recordBytes = unsigned(std::stoul(value));
            recordOptions = true;
        }
        else if (strcmp(argv[arg], "--width") == 0 && !request.toBinary)
        {
            char* end = nullptr;
            const char* value = arg + 1 < argc ? argv[++arg] : "";
            const unsigned long n = strtoul(value, &end, 10);
            if (!*value || *end || n > 32 || !HexLayout::IsValidWidth(unsigned(n)))
                return Usage("bad width '" + std::string(value) +
                             "': use 8, 16 or 32 bytes a line, or 0 for one line");
            width = unsigned(n);
        }
        else
            return Usage("unknown option '" + std::string(argv[arg]) + "' for " + argv[1]);
    }
    if (comments && !width)
        return Usage("--comments needs lines: add --width 8, 16 or 32");
    const bool records = request.text.format != kPlainHexText;
    if (records && width)
        return Usage("--width and --comments are for the plain hex text, not --format ihex or srec");
    if (!records && recordOptions)
        return Usage("--fill, --address and --record-bytes need --format ihex or srec");
    request.text.layout = HexLayout(width, comments);
    if (paths.size() != 2)
        return Usage(std::string(paths.size() < 2 ? "missing" : "too many") + " arguments: " + argv[1] +
                     " INPUT OUTPUT");
    request.input = paths[0];
    request.output = paths[1];
    if (IsFolder(request.input))
    {
        if (strcmp(request.output, "-") == 0)
            return Usage("a folder's outputs need a folder, not standard output");
        return ConvertFolder(request);
    }
    if (request.filter || request.addExtension || request.recursive)
        return Usage("--filter, --add-extension and --recursive need a folder as INPUT");
    return ConvertOne(request);
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    Vexa::NarrowDllSearch();
#endif
    try
    {
        return Run(argc, argv);
    }
    catch (const std::bad_alloc&)
    {
        return Fail("out of memory");
    }
}
