#include "framework/CFileDialog.h"

#include <cstddef>

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CFileDialog, CObject)

namespace {

// The record with the trailing reserved and extended-flag fields, which the platform accepts
// from every caller.
static_assert(sizeof(OPENFILENAMEA) >= offsetof(OPENFILENAMEA, FlagsEx) + sizeof(DWORD),
              "OPENFILENAMEA must be the layout with the extended fields");

// Buffers that the dialog fills; they live for one run only.
struct FileBuffers {
    char customFilter[MAX_PATH] = {};
    char file[MAX_PATH] = {};
};

void FillRecord(OPENFILENAMEA& record, FileBuffers& buffers, HWND owner, const char* filter,
                const char* initialDir, const char* title, DWORD flags, const char* defExt)
{
    ZeroMemory(&record, sizeof(record));
    record.lStructSize = sizeof(record);
    record.hwndOwner = owner;
    record.lpstrFilter = filter;
    record.lpstrCustomFilter = buffers.customFilter;
    record.nMaxCustFilter = MAX_PATH;
    record.nFilterIndex = 0;
    record.lpstrFile = buffers.file;
    record.nMaxFile = MAX_PATH;
    record.lpstrInitialDir = initialDir;
    record.lpstrTitle = title;
    record.Flags = flags;
    record.lpstrDefExt = defExt;
}

} // namespace

BOOL CFileDialog::DoOpen(OPENFILENAMEA* record)
{
    BOOL chosen = GetOpenFileNameA(record);
    m_strPath.Empty();
    if (chosen)
        m_strPath = record->lpstrFile;
    return chosen;
}

BOOL CFileDialog::OpenFile(HWND owner, const char* filter, const char* initialDir,
                           const char* title, DWORD flags, const char* defExt)
{
    OPENFILENAMEA record;
    FileBuffers buffers;
    FillRecord(record, buffers, owner, filter, initialDir, title, flags, defExt);
    return DoOpen(&record);
}

BOOL CFileDialog::DoSave(OPENFILENAMEA* record)
{
    BOOL chosen = GetSaveFileNameA(record);
    m_strPath.Empty();
    if (chosen)
        m_strPath = record->lpstrFile;
    return chosen;
}

BOOL CFileDialog::SaveFile(HWND owner, const char* filter, const char* title, DWORD flags,
                           const char* defExt)
{
    OPENFILENAMEA record;
    FileBuffers buffers;
    FillRecord(record, buffers, owner, filter, nullptr, title, flags, defExt);
    return DoSave(&record);
}

} // namespace Vexa
