// FailureText: the words the pages show for what the engine reports: a file's failure with the
// system's reason or its records' fault, a batch row left out, and what a conversion found (the
// address range of records, what a plain text looks like). quillconv has its own English words.
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

// What is wrong with an input's records, on one line: "12 行目：チェックサムが合いません".
Vexa::CString DescribeRecordError(const RecordImage& image);

// The address range of records read or written: "アドレス 0x08000000-0x0800FFFF (65,536 バイト)".
Vexa::CString DescribeRange(const RecordImage& image);

// What a plain text read looks like, briefly ("Intel HEX のようです"); "" for a plain text.
const char* DescribeLooks(TextKind kind);
// Where to go for what the input looks like: the format in the settings, or the other mode.
const char* AdviseLooks(TextKind kind);

// The lines a success box adds under its first line for one file: the range of its records, or
// what its text looks like and where to choose; "" when there is nothing to add.
Vexa::CString DescribeFindings(const FileConversionResult& result);
