#include "app/CSafeOutput.h"

#include <windows.h>

#include "core/OutputPath.h"

using Vexa::CFile;
using Vexa::CString;

CSafeOutput::~CSafeOutput()
{
    if (m_bOpen) Abandon();
}

bool CSafeOutput::Open(const char* path)
{
    m_strPath = path;
    bool existed = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    // OPEN_ALWAYS instead of CREATE_ALWAYS: the old content stays until the new one is complete.
    m_pTarget.reset(new CFile(path, GENERIC_WRITE, OPEN_ALWAYS));
    if (m_pTarget->GetHandle() == INVALID_HANDLE_VALUE) {
        m_pTarget.reset();
        return false;
    }
    m_bOpen = true;
    // Only a regular file is ever removed or renamed over: a device (Z:\dev\full has no
    // attributes either) is written in place and left where it is.
    if (GetFileType(m_pTarget->GetHandle()) != FILE_TYPE_DISK) return true;
    m_bCreated = !existed;
    if (m_bCreated) return true;

    // An existing regular file: write beside it and rename over it on success.
    CString folder = Vexa::GetFolderPart(m_strPath);
    if (folder.IsEmpty()) folder = Vexa::FindLastPathSeparator(m_strPath) == 0 ? "\\" : ".";
    char temp[MAX_PATH];
    if (GetTempFileNameA(folder, "qmk", 0, temp) != 0) {
        m_pTemp.reset(new CFile(temp, GENERIC_WRITE, CREATE_ALWAYS));
        if (m_pTemp->GetHandle() != INVALID_HANDLE_VALUE) {
            m_strTemp = temp;
            return true;
        }
        m_pTemp.reset();
        DeleteFileA(temp);
    }
    // No room for a file beside it (a folder we may not write to): replace in place as before.
    SetEndOfFile(m_pTarget->GetHandle());
    return true;
}

CFile& CSafeOutput::File()
{
    return m_pTemp ? *m_pTemp : *m_pTarget;
}

void CSafeOutput::CloseAll()
{
    if (m_pTemp) m_pTemp->Close();
    if (m_pTarget) m_pTarget->Close();
    m_pTemp.reset();
    m_pTarget.reset();
    m_bOpen = false;
}

bool CSafeOutput::Commit()
{
    bool temp = static_cast<bool>(m_pTemp);
    CloseAll();
    if (!temp) return true;
    if (MoveFileExA(m_strTemp, m_strPath, MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD error = GetLastError();
    DeleteFileA(m_strTemp);
    SetLastError(error);
    return false;
}

void CSafeOutput::Abandon()
{
    bool temp = static_cast<bool>(m_pTemp);
    CloseAll();
    if (temp)
        DeleteFileA(m_strTemp);
    else if (m_bCreated)
        DeleteFileA(m_strPath);
}
