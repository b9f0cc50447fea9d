#include "engine/COutputFolder.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "core/OutputPath.h"
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

// Whether every folder part of relative ("a\\b") is a plain name that no device takes.
bool IsPlainFolder(const CString& relative)
{
    for (CString rest(relative); !rest.IsEmpty();) {
        const int separator = Vexa::FindLastPathSeparator(rest);
        const CString part = separator < 0 ? rest : rest.Mid(separator + 1, rest.GetLength());
        if (!IsPlainName(part) || IsDeviceName(part)) return false;
        rest = separator < 0 ? CString() : rest.Left(separator);
    }
    return true;
}

} // namespace

COutputFolder::COutputFolder(const char* folder) : m_strFolder(folder)
{
    m_strFolder += "\\";
    Prepare(m_folders[""], m_strFolder, false);
}

COutputFolder::~COutputFolder()
{
    // Every temporary file in them was renamed or removed by now.
    for (auto& folder : m_folders)
        if (!folder.second.staging.IsEmpty()) RemoveDirectoryA(folder.second.staging);
    // A folder made for outputs that all failed or were not reached goes again; one that holds
    // anything stays.
    for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) RemoveDirectoryA(*made);
}

OutputPlan COutputFolder::Plan(const char* output)
{
    OutputPlan plan;
    const size_t length = strlen(m_strFolder);
    if (strncmp(output, m_strFolder, length) != 0) return plan;
    const CString rest(output + length);
    const int separator = Vexa::FindLastPathSeparator(rest);
    const CString name = separator < 0 ? rest : rest.Mid(separator + 1, rest.GetLength());
    const CString relative = separator < 0 ? CString() : rest.Left(separator);
    if (!IsPlainName(name) || IsDeviceName(name) || !IsPlainFolder(relative)) return plan;
    const Folder& folder = FolderAt(CaseKey(relative), relative);
    if (!folder.staging.IsEmpty()) plan.tempFolder = folder.staging;
    plan.absent = folder.listed && folder.names.count(CaseKey(name)) == 0;
    return plan;
}

COutputFolder::Folder& COutputFolder::FolderAt(const std::string& key, const CString& relative)
{
    auto found = m_folders.find(key);
    if (found != m_folders.end()) return found->second;
    Folder& folder = m_folders[key];
    // Each missing level is made, outer ones first; one that cannot be made leaves the outputs
    // in it to fail on their own, with the system's reason.
    bool made = false;
    for (int at = 0; at <= relative.GetLength(); ++at) {
        if (at < relative.GetLength() && relative[at] != '\\') {
            if (IsDBCSLeadByte(static_cast<BYTE>(relative[at]))) ++at;
            continue;
        }
        const CString level(m_strFolder + relative.Left(at));
        made = CreateDirectoryA(level, nullptr) != FALSE;
        if (made) m_made.push_back(level);
        else if (GetLastError() != ERROR_ALREADY_EXISTS) return folder;
    }
    Prepare(folder, m_strFolder + relative + "\\", made);
    return folder;
}

// path ends in a separator. A folder just made holds nothing, so it needs no listing.
void COutputFolder::Prepare(Folder& folder, const CString& path, bool made)
{
    if (made) {
        folder.listed = true;
    } else {
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA(path + "*", &entry);
        if (find != INVALID_HANDLE_VALUE) {
            try {
                do {
                    folder.names.insert(CaseKey(entry.cFileName));
                    // A short name opens the same file as the long one.
                    if (entry.cAlternateFileName[0]) folder.names.insert(CaseKey(entry.cAlternateFileName));
                } while (FindNextFileA(find, &entry));
            } catch (...) {
                FindClose(find);
                throw;
            }
            folder.listed = GetLastError() == ERROR_NO_MORE_FILES;
            FindClose(find);
        }
    }
    // Made last: nothing after it can fail, so a constructor that throws leaves no folder behind.
    for (int attempt = 0; attempt < 16 && folder.staging.IsEmpty(); ++attempt) {
        char name[64];
        snprintf(name, sizeof name, attempt ? "~quillmark-%lx-%d.tmp" : "~quillmark-%lx.tmp",
                 static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        CString staging(path + name);
        if (CreateDirectoryA(staging, nullptr)) {
            SetFileAttributesA(staging, FILE_ATTRIBUTE_HIDDEN);
            folder.staging = staging;
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
}
