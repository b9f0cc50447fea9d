#include "engine/FileConversion.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "core/OutputPath.h"
#include "engine/FileIdentity.h"
#include "foundation/CFile.h"

using Vexa::CFile;
using Vexa::CString;

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
        // Asked only of an output refused for sharing, so it costs nothing on the usual road.
        result.sameFile = result.problem == CSafeOutput::kHeld &&
                          NamesFile(outputPath, input.GetHandle(), inputPath);
        return result;
    }
    // The S-records' header names the input as the user sees it: its file name.
    const StreamResult converted =
        Convert(input, output.File(), options, inputPath + Vexa::FindFileName(inputPath));
    TakeConversion(result, converted, options.format != kPlainHexText, inputPath);
    // Nothing of a failed conversion counts: a partial image no more than a partial text.
    if (!converted.Ok()) output.Abandon();
    return result;
}

void TakeConversion(FileConversionResult& result, const StreamResult& converted, bool records,
                    const char* input)
{
    result.records = records;
    result.image = converted.image;
    result.looksLike = converted.looksLike;
    if (converted.Ok()) return;
    result.stage = FileConversionResult::kConvert;
    switch (converted.failure) {
    case StreamResult::kRecords: result.error = ERROR_INVALID_DATA; break;
    case StreamResult::kNoMemory: result.error = ERROR_NOT_ENOUGH_MEMORY; break;
    default: result.error = converted.error; break;
    }
    // image.error is kept for what is wrong in the records alone; reading and writing have numbers.
    if (converted.failure != StreamResult::kRecords) result.image.error = RecordOk;
    result.readFailed =
        converted.failure == StreamResult::kRead || converted.failure == StreamResult::kNoMemory;
    if (converted.failure != StreamResult::kWrite) result.path = input;
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

CString SystemText(DWORD error)
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
    return CString(text);
}
