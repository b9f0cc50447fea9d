// Output path rules: the output name that the conversion pages propose for an input, from the
// conversion mode (0 text to binary, 1 binary to text), the text format and the page's
// "DEFAULT_OUTPUT_EXTENSION" setting. Pure functions: the caller reads the mode and the settings
// and passes them in.
#pragma once

#include "foundation/CString.h"

namespace Vexa {

// ".dat" for mode 0 (text to binary); for mode 1 (binary to text) the text format's: ".txt" for
// the plain hex text (format 0), ".hex" for Intel HEX (1), ".srec" for S-records (2).
CString OutputExtension(int mode, int format = 0);

// Individual page: the output path for a whole input path. An empty input gives "". The
// setting "ADD" (exactly) appends the extension; anything else replaces the file name's last
// extension, or appends when the file name has none.
CString MakeOutputPath(const CString& input, int mode, const CString& extensionSetting, int format = 0);

// Batch page: the output name for a bare file name, by the same setting.
CString MakeOutputFileName(const CString& fileName, int mode, const CString& extensionSetting, int format = 0);

// The same rule for any extension (".bin"): appended when add, else replacing the last one.
CString MakeOutputFileName(const CString& fileName, const CString& extension, bool add);

// Index of the last backslash that separates path components, or -1. Paths are CP932: the
// trail byte of a double-byte character (表 is 95 5C) can equal a backslash and is skipped.
int FindLastPathSeparator(const char* path);

// Index of the file name's first byte: just past the last '\\', '/' or ':' (the system takes
// each as the end of a folder or a drive), or 0 without one. CP932 trail bytes are skipped.
int FindFileName(const char* path);

// Everything before the last separator ("" without one): C:\work\表.txt gives C:\work.
CString GetFolderPart(const CString& path);

// Everything after the last separator (the whole path without one): 表.txt.
CString GetFileNamePart(const CString& path);

} // namespace Vexa
