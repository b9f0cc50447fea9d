// FileConversion: the conversion of one file from path to path, as both pages and quillconv.exe
// run it: open the input, open the output (always whole, CSafeOutput), convert, commit or
// abandon. It touches no window and shows no message, so it runs on any thread; the result says
// what failed, for which file, and why, and each front end puts that into its own words.
#pragma once

#include <windows.h>

#include "core/Conversion.h"
#include "engine/CSafeOutput.h"
#include "foundation/CString.h"

struct FileConversionResult {
    enum Stage {
        kDone,
        kInputOpen,   // the input could not be opened
        kOutputEmpty, // the input opened, but no output path was given
        kOutputOpen,  // the output could not be prepared; nothing was written
        kConvert,     // reading, writing or the final rename failed; the old output stays
    };
    Stage stage = kDone;
    DWORD error = 0;          // the platform's error number; 0 when done
    Vexa::CString path;       // the file the failure concerns
    CSafeOutput::Problem problem = CSafeOutput::kNoProblem;
    bool sameFile = false;    // the output is the input itself
    bool device = false;      // the input's name reached a device (nul.txt is NUL), not a file
    bool readFailed = false;  // kConvert: reading the input failed (path is the input)
    // Records (Intel HEX, S-records): the address range read or written. A record error is
    // kConvert with ERROR_INVALID_DATA, the input's path and image.error, image.line.
    bool records = false;
    RecordImage image;
    TextKind looksLike = TextPlain; // the plain text read: what the input looks like

    bool Done() const { return stage == kDone; }
    bool BadRecords() const { return image.error != RecordOk; }
};

// What a batch run knows of an output before converting it (CSafeOutput::Open).
struct OutputPlan {
    const char* tempFolder = nullptr; // where the temporary file goes; nullptr: the output's folder
    bool absent = false;              // the output folder's listing shows no file of that name
};

// Converts input into written, which is left for CommitFile when the result is Done. The stages
// run in the order the individual page reports them: input, output path, output, conversion.
FileConversionResult ConvertFile(const char* input, const char* output, const ConvertOptions& options,
                                 CSafeOutput& written, const OutputPlan& plan = OutputPlan());

// Takes what a conversion of input found into result: the range of its records, what its text
// looks like, and a failure's stage, error number and the file it concerns.
void TakeConversion(FileConversionResult& result, const StreamResult& converted, bool records,
                    const char* input);

// The last stage of a conversion: the written output takes its name, or result says why not.
void CommitFile(CSafeOutput& written, FileConversionResult& result);

// Makes a batch run's output folder with every missing level: 0, or the platform's error number.
DWORD MakeFolder(const char* folder);

// The system's text for an error number on one line, without the number; "" when it has none.
Vexa::CString SystemText(DWORD error);
