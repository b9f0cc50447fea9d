#include "engine/COutputFolder.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "engine/OutputCollisions.h"

using Vexa::CString;

namespace {

// Whether the system takes name for a device whatever folder it is in (NUL, CON.txt, COM1...).
bool IsDeviceName(const char* name)
{
    std::string base = CaseKey(name);
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

} // namespace

COutputFolder::COutputFolder(const char* folder) : m_strFolder(folder)
{
    m_strFolder += "\\";
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(m_strFolder + "*", &entry);
    if (find != INVALID_HANDLE_VALUE) {
        try {
            do {
                m_names.insert(CaseKey(entry.cFileName));
                // A short name opens the same file as the long one.
                if (entry.cAlternateFileName[0]) m_names.insert(CaseKey(entry.cAlternateFileName));
            } while (FindNextFileA(find, &entry));
        } catch (...) {
            FindClose(find);
            throw;
        }
        m_bListed = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(find);
    }
    // Made last: nothing after it can fail, so a constructor that throws leaves no folder behind.
    for (int attempt = 0; attempt < 16 && m_strStaging.IsEmpty(); ++attempt) {
        char name[64];
        snprintf(name, sizeof name, attempt ? "~quillmark-%lx-%d.tmp" : "~quillmark-%lx.tmp",
                 static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        CString staging(m_strFolder + name);
        if (CreateDirectoryA(staging, nullptr)) {
            SetFileAttributesA(staging, FILE_ATTRIBUTE_HIDDEN);
            m_strStaging = staging;
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
}

COutputFolder::~COutputFolder()
{
    // Every temporary file in it was renamed or removed by now.
    if (!m_strStaging.IsEmpty()) RemoveDirectoryA(m_strStaging);
}

OutputPlan COutputFolder::Plan(const char* output) const
{
    OutputPlan plan;
    const size_t length = strlen(m_strFolder);
    if (strncmp(output, m_strFolder, length) != 0) return plan;
    const char* name = output + length;
    if (!IsPlainName(name) || IsDeviceName(name)) return plan;
    if (!m_strStaging.IsEmpty()) plan.tempFolder = m_strStaging;
    plan.absent = m_bListed && m_names.count(CaseKey(name)) == 0;
    return plan;
}
