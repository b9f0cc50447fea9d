#include "engine/FileIdentity.h"

namespace {

// The file system's number for an open file (its inode under Wine), 0 when the handle gives none.
// Asked of the system's own layer: it answers for the standard handles that a host shell hands
// to a program under Wine, where GetFileInformationByHandle fails.
unsigned long long FileNumber(HANDLE file)
{
    struct Status {
        void* pointer;
        ULONG_PTR information;
    } status;
    typedef LONG(WINAPI * QueryFile)(HANDLE, Status*, void*, ULONG, int);
    static const QueryFile query = reinterpret_cast<QueryFile>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    const int kFileInternalInformation = 6;
    unsigned long long number = 0;
    return query && query(file, &status, &number, sizeof number, kFileInternalInformation) == 0 ? number : 0;
}

// 1 the same file, 0 two files, -1 the handles cannot tell.
int Compare(HANDLE a, HANDLE b)
{
    if (GetFileType(a) != FILE_TYPE_DISK || GetFileType(b) != FILE_TYPE_DISK) return 0;
    BY_HANDLE_FILE_INFORMATION x, y;
    if (GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y))
        return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
               x.nFileIndexLow == y.nFileIndexLow;
    const unsigned long long numberA = FileNumber(a), numberB = FileNumber(b);
    LARGE_INTEGER sizeA, sizeB;
    if (!numberA || !numberB || !GetFileSizeEx(a, &sizeA) || !GetFileSizeEx(b, &sizeB)) return -1;
    return numberA == numberB && sizeA.QuadPart == sizeB.QuadPart;
}

} // namespace

std::string FullPath(const char* path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full) : std::string(path);
}

bool IsSameFile(HANDLE a, HANDLE b)
{
    return Compare(a, b) == 1;
}

bool NamesFile(const char* path, HANDLE file, const char* fileName)
{
    // No access at all: a file others hold, even without sharing, still answers.
    HANDLE other = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false; // a name that reaches nothing
    const int same = Compare(file, other);
    CloseHandle(other);
    if (same >= 0 || !fileName) return same == 1;
    return lstrcmpiA(FullPath(fileName).c_str(), FullPath(path).c_str()) == 0;
}
