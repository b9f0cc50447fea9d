// The application's view of the output path rules: path splitting that respects double-byte
// characters, and the output names the two pages propose.
#pragma once

#include "foundation/CString.h"

namespace QuillPaths {

// Index of the last path separator, skipping trail bytes of double-byte characters; -1 if none.
int LastSeparator(const Vexa::CString& path);
// The part before the last separator when it stands past index 0, else the empty string.
Vexa::CString FolderOf(const Vexa::CString& path);
// Individual page: the whole output path for an input path in mode (0 to binary, 1 to text).
Vexa::CString OutputPath(const Vexa::CString& input, int mode, const Vexa::CString& extensionRule);
// Batch page: the output file name for a bare input file name.
Vexa::CString OutputName(const Vexa::CString& name, int mode, const Vexa::CString& extensionRule);

} // namespace QuillPaths
