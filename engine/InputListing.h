// InputListing: the files a batch converts from a folder, as the batch page lists them, and the
// longest path the program takes.
#pragma once

#include <windows.h>

#include <vector>

#include "foundation/CString.h"

// The longest path, in bytes, that the program hands the system (its path buffers hold MAX_PATH
// bytes with the terminating zero). A longer one is refused, never cut.
const int kMaxPathLength = MAX_PATH - 1;

struct ListingOptions {
    // Subfolders too, named by their path below the folder ("sub\\a.txt"); never hidden or system
    // folders, folder links (reparse points), or outputFolder when it lies inside the folder.
    bool subfolders = false;
    const char* outputFolder = nullptr;
};

// The names in folder that pattern matches (the system's wildcards, "*.*" for all), without
// folders, hidden or system files, in the order the system lists them, a folder's files before its
// subfolders'. A file whose path, or a folder whose search text, would be longer than
// kMaxPathLength is left out and goes to tooLong (when given) as that path. 0 (also when nothing
// matches), or the platform's first error number; what could be listed is listed all the same.
DWORD ListInputFiles(const char* folder, const char* pattern, std::vector<Vexa::CString>& names,
                     const ListingOptions& options = ListingOptions(),
                     std::vector<Vexa::CString>* tooLong = nullptr);
