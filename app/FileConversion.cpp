#include "app/FileConversion.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "foundation/CFile.h"

using Vexa::CFile;
using Vexa::CString;

namespace {

// The full path, or the path as given when the system cannot make one.
CString FullPath(const char* path)
{
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? CString(full) : CString(path);
}

// Whether output names the file that input (open as inputPath) is. Asked only after the output
// was refused for sharing, so it costs nothing on the usual road. File identity first; where a
// handle gives none, the full paths without regard to letter case, as the file system compares.
bool IsSameFile(HANDLE input, const char* inputPath, const char* output)
{
    HANDLE other = CreateFileA(output, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION a, b;
    bool known = other != INVALID_HANDLE_VALUE && GetFileInformationByHandle(input, &a) &&
                 GetFileInformationByHandle(other, &b);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    if (known)
        return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
               a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    return lstrcmpiA(FullPath(inputPath), FullPath(output)) == 0;
}

} // namespace

FileConversionResult ConvertFile(const char* inputPath, const char* outputPath,
                                 const ConvertOptions& options, CSafeOutput& output, const OutputPlan& plan)
{
    FileConversionResult result;
    CFile input(inputPath, GENERIC_READ, OPEN_EXISTING);
    if (input.GetHandle() == INVALID_HANDLE_VALUE) {
        result.stage = FileConversionResult::kInputOpen;
        result.error = GetLastError();
        result.path = inputPath;
        return result;
    }
    // The system takes some names for devices wherever they stand (nul.txt and Nul.dat.txt are
    // NUL): reading one converts nothing. A pipe is a program feeding the conversion and is kept.
    if (GetFileType(input.GetHandle()) == FILE_TYPE_CHAR) {
        result.stage = FileConversionResult::kInputOpen;
        result.error = ERROR_OPEN_FAILED;
        result.path = inputPath;
        result.device = true;
        return result;
    }
    if (!outputPath || !*outputPath) {
        result.stage = FileConversionResult::kOutputEmpty;
        result.error = ERROR_FILE_NOT_FOUND;
        return result;
    }
    result.path = outputPath;
    if (DWORD error = output.Open(outputPath, plan.tempFolder, plan.absent)) {
        result.stage = FileConversionResult::kOutputOpen;
        result.error = error;
        result.problem = output.GetProblem();
        result.sameFile = result.problem == CSafeOutput::kHeld &&
                          IsSameFile(input.GetHandle(), inputPath, outputPath);
        return result;
    }
    bool writeFailed = false;
    if (DWORD error = Convert(input, output.File(), options, writeFailed)) {
        output.Abandon();
        if (!writeFailed) result.path = inputPath;
        result.stage = FileConversionResult::kConvert;
        result.error = error;
    }
    return result;
}

void CommitFile(CSafeOutput& written, FileConversionResult& result)
{
    if (DWORD error = written.Commit()) {
        result.stage = FileConversionResult::kConvert;
        result.error = error;
        result.problem = written.GetProblem();
    }
}

DWORD MakeFolder(const char* folder)
{
    if (PathIsDirectoryA(folder)) return 0;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(folder, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    int result = SHCreateDirectoryExA(nullptr, full, nullptr);
    if (result == ERROR_SUCCESS || (result == ERROR_ALREADY_EXISTS && PathIsDirectoryA(full))) return 0;
    return static_cast<DWORD>(result);
}

CString SystemReason(DWORD error)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    // The system's text ends in a line break; inside it may hold more.
    int length = 0;
    for (char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = ' ';
        if (*p != ' ') length = static_cast<int>(p - text) + 1;
    }
    text[length] = '\0';
    CString reason(text);
    CString number;
    number.Format(reason.IsEmpty() ? "エラー %lu" : " (エラー %lu)", static_cast<unsigned long>(error));
    return reason + number;
}

namespace {

// What is known beyond the system's text, or "".
const char* Fact(const FileConversionResult& result)
{
    if (result.sameFile) return "出力先が入力ファイルです。";
    if (result.device) return "ファイルではなくデバイスです。";
    switch (result.problem) {
    case CSafeOutput::kHeld: return "ほかのプログラムがこのファイルを使用しています。";
    case CSafeOutput::kNoTemp: return "出力先のフォルダに一時ファイルを作成できません。";
    default: return "";
    }
}

} // namespace

CString DescribeFailure(const FileConversionResult& result)
{
    CString text(result.path);
    if (!result.sameFile && !result.device) {
        text += "\n";
        text += SystemReason(result.error);
    }
    const char* fact = Fact(result);
    if (*fact) {
        text += "\n";
        text += fact;
    }
    return text;
}

CString DescribeFailureBriefly(const FileConversionResult& result)
{
    if (result.sameFile) return CString("出力先が入力ファイルです");
    if (result.device) return CString("ファイルではなくデバイスです");
    CString text;
    switch (result.stage) {
    case FileConversionResult::kInputOpen: text = "入力ファイルを開けません"; break;
    case FileConversionResult::kOutputOpen: text = "出力ファイルを作成できません"; break;
    default: text = "変換に失敗しました"; break;
    }
    text += " - ";
    text += SystemReason(result.error);
    const char* fact = Fact(result);
    if (*fact) {
        text += " ";
        text += fact;
    }
    return text;
}
