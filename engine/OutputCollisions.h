// OutputCollisions: which rows of a batch run must not be converted because their output would
// overwrite another row's output or a listed input. Paths are compared by the file they name:
// whole, without regard to letter case, a short (8.3) name as its long name, a trailing dot or
// blank dropped, as the file system takes them; two folder spellings that are the same folder
// count as one. Touches no window.
#pragma once

#include <string>
#include <vector>

#include "foundation/CString.h"

struct BatchRow {
    Vexa::CString input;  // the file name as listed
    Vexa::CString output; // the output name, as derived or edited
    bool checked;
};

enum RowVerdict {
    kRowConvert,
    kRowUnchecked,
    kRowDuplicateOutput, // another checked row makes the same output
    kRowOutputIsInput,   // the output is a listed input (its own or another row's)
};

// One verdict per row. Full paths are made once per folder, not per row.
std::vector<RowVerdict> CheckOutputCollisions(const char* inputFolder, const char* outputFolder,
                                              const std::vector<BatchRow>& rows);

// The comparison form of a path or name: upper case, as the file system ignores letter case.
std::string CaseKey(const char* path);

// A name that a folder's full path and a separator spell out whole: no folder parts, and no
// trailing dot or blank, which the file system drops.
bool IsPlainName(const char* name);
