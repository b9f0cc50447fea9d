#include "engine/InputListing.h"

DWORD ListInputFiles(const char* folder, const char* pattern, std::vector<Vexa::CString>& names)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(Vexa::CString(folder, "\\") + pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 0 : error;
    }
    const DWORD skipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    DWORD error = 0;
    try {
        do {
            if ((entry.dwFileAttributes & skipped) == 0) names.push_back(Vexa::CString(entry.cFileName));
        } while (FindNextFileA(find, &entry));
        error = GetLastError();
    } catch (...) {
        FindClose(find);
        throw;
    }
    FindClose(find);
    return error == ERROR_NO_MORE_FILES ? 0 : error;
}
