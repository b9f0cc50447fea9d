// FailureText: the words the pages show for what the engine reports: a file's failure with the
// system's reason, and a batch row left out. quillconv has its own English words for the same.
#pragma once

#include <windows.h>

#include "engine/FileConversion.h"
#include "engine/OutputCollisions.h"
#include "foundation/CString.h"

// The system's text for an error number, on one line, with the number.
Vexa::CString SystemReason(DWORD error);

// The lines a failure box shows under its first line: the file, the system's reason, and what
// else is known (held by another program, the input itself, no temporary file).
Vexa::CString DescribeFailure(const FileConversionResult& result);

// One line for a failed row of the batch page: what failed and the system's reason.
Vexa::CString DescribeFailureBriefly(const FileConversionResult& result);

// The words the error box gives a skipped row.
const char* DescribeVerdict(RowVerdict verdict);
