// InputListing: the files a batch converts from a folder, as the batch page lists them.
#pragma once

#include <windows.h>

#include <vector>

#include "foundation/CString.h"

// The names in folder that pattern matches (the system's wildcards, "*.*" for all), without
// folders, hidden or system files, in the order the system lists them. 0 (also when nothing
// matches), or the platform's error number.
DWORD ListInputFiles(const char* folder, const char* pattern, std::vector<Vexa::CString>& names);
