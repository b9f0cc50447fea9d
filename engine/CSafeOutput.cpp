#include "engine/CSafeOutput.h"

#include <stdio.h>

#include <vector>

#include "core/OutputPath.h"

using Vexa::CFile;
using Vexa::CString;

namespace {

bool IsSharingProblem(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

} // namespace

CSafeOutput::~CSafeOutput()
{
    if (m_bOpen) Abandon();
}

DWORD CSafeOutput::Open(const char* path, const char* tempFolder, bool absent)
{
    m_strPath = path;
    m_problem = kNoProblem;
    if (!absent) {
        if (DWORD error = OpenTarget(path)) return error;
        if (m_bOpen) return 0; // a device
    }
    DWORD error = tempFolder ? CreateTemp(CString(tempFolder) + "\\") : ERROR_PATH_NOT_FOUND;
    // "C:\out\x.dat" and "C:/out/x.dat" give "C:\out\" and "C:/out/", "\x.dat" gives "\", "D:x.dat"
    // the current folder of drive D, "x.dat" that of the current drive.
    if (error) error = CreateTemp(m_strPath.Left(Vexa::FindFileName(m_strPath)));
    if (error) {
        m_problem = kNoTemp;
        return error;
    }
    m_bOpen = true;
    return 0;
}

// Looks at the existing output, if any: 0 when there is none or a device was opened in place.
DWORD CSafeOutput::OpenTarget(const char* path)
{
    // The existing output, if any, opened with the access the final rename needs: a program that
    // holds it without delete sharing refuses this now, before anything is converted.
    m_pTarget.reset(new CFile(path, GENERIC_WRITE | DELETE, OPEN_EXISTING));
    HANDLE target = m_pTarget->GetHandle();
    if (target == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        m_pTarget.reset();
        // Some devices (a serial port) refuse delete access; they are written in place all the same.
        if (error == ERROR_ACCESS_DENIED && OpenDevice(path)) return 0;
        if (error != ERROR_FILE_NOT_FOUND) {
            if (IsSharingProblem(error)) m_problem = kHeld;
            return error;
        }
    } else if (GetFileType(target) != FILE_TYPE_DISK) {
        // A device is written in place; renaming over it would replace the device itself.
        m_bDevice = true;
        m_bOpen = true;
        return 0;
    } else {
        // Let go at once: others may read the old content until the new one takes its place.
        m_pTarget.reset();
    }
    return 0;
}

// Opens path for writing in place when it is a device; false (nothing held) otherwise.
bool CSafeOutput::OpenDevice(const char* path)
{
    m_pTarget.reset(new CFile(path, GENERIC_WRITE, OPEN_EXISTING));
    HANDLE target = m_pTarget->GetHandle();
    if (target == INVALID_HANDLE_VALUE || GetFileType(target) == FILE_TYPE_DISK) {
        m_pTarget.reset();
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    m_bDevice = true;
    m_bOpen = true;
    return true;
}

// The one place that makes the temporary file: in folder (ending in a separator, or empty), on
// the output's volume so that the final rename stays atomic, under a name that tells whose it is.
DWORD CSafeOutput::CreateTemp(CString folder)
{
    static LONG s_nCounter = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[64];
        // The name says whose it is, so that one left by a killed run is known.
        snprintf(name, sizeof name, "~quillmark-%lx-%lx.tmp",
                 static_cast<unsigned long>(GetCurrentProcessId()),
                 static_cast<unsigned long>(InterlockedIncrement(&s_nCounter)));
        CString temp(folder);
        temp += name;
        // Delete access lets Commit rename the file through this handle.
        m_pTemp.reset(new CFile(temp, GENERIC_WRITE | DELETE, CREATE_NEW));
        if (m_pTemp->GetHandle() != INVALID_HANDLE_VALUE) {
            m_strTemp = temp;
            return 0;
        }
        DWORD error = GetLastError();
        m_pTemp.reset();
        // Only a name left by an earlier run with the same process id is worth another try.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return error ? error : ERROR_CANNOT_MAKE;
    }
    return ERROR_CANNOT_MAKE;
}

CFile& CSafeOutput::File()
{
    return m_pTemp ? *m_pTemp : *m_pTarget;
}

void CSafeOutput::CloseAll()
{
    m_pTemp.reset();
    m_pTarget.reset();
    m_bOpen = false;
}

DWORD CSafeOutput::Commit()
{
    if (!m_bOpen) return ERROR_INVALID_HANDLE;
    if (m_bDevice) {
        CloseAll();
        return 0;
    }
    // The content reaches the disk before its name does, so a power loss cannot leave a
    // complete-looking name over missing bytes.
    if (!FlushFileBuffers(m_pTemp->GetHandle())) {
        DWORD error = GetLastError();
        Abandon();
        return error ? error : ERROR_WRITE_FAULT;
    }
    if (RenameOpenTemp()) {
        CloseAll();
        return 0;
    }
    CloseAll();
    if (MoveFileExA(m_strTemp, m_strPath, MOVEFILE_REPLACE_EXISTING)) return 0;
    DWORD error = GetLastError();
    DeleteFileA(m_strTemp);
    if (IsSharingProblem(error) || error == ERROR_ACCESS_DENIED) m_problem = kHeld;
    return error ? error : ERROR_WRITE_FAULT;
}

// Renames the open temporary file onto the output's path. The system looks the new name up once
// and the temporary file is not opened again, which MoveFileExA does; where this way fails
// (a file system or system that has no rename by handle, a name it cannot take), Commit falls
// back on MoveFileExA, which then says why.
bool CSafeOutput::RenameOpenTemp()
{
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, m_strPath, -1, nullptr, 0);
    if (length <= 1) return false;
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + length * sizeof(WCHAR));
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = NULL;
    info->FileNameLength = (length - 1) * sizeof(WCHAR);
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, m_strPath, -1, info->FileName, length);
    return SetFileInformationByHandle(m_pTemp->GetHandle(), FileRenameInfo, info,
                                      static_cast<DWORD>(buffer.size())) != FALSE;
}

void CSafeOutput::Abandon()
{
    bool temp = static_cast<bool>(m_pTemp);
    CloseAll();
    if (temp) DeleteFileA(m_strTemp);
}
