#include "foundation/CSystemInfo.h"

#include <windows.h>

#include <shlobj.h>

#include <new>

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CSystemInfo, CObject)

namespace {

CSystemInfo* g_pSystemInfo = nullptr;

const char* const kCommonSection = "COMMON_SETTINGS";
const char* const kIndConvSection = "IND_CONV_SETTINGS";
const char* const kBatConvSection = "BAT_CONV_SETTINGS";

// A string whose allocation failed has no text. Passed as null, the key would delete the whole
// section and the value the key: give the platform "" instead.
const char* TextOrEmpty(const CString& s)
{
    const char* text = s;
    return text != nullptr ? text : "";
}

// Whether a file can be made in folder: one is made there and goes again when it is closed.
bool CanCreateFileIn(const CString& folder)
{
    CString probe;
    probe.Format("%s\\~quillmark-%lu.tmp", static_cast<const char*>(folder), GetCurrentProcessId());
    HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

} // namespace

CSystemInfo::CSystemInfo() {}
CSystemInfo::~CSystemInfo() {}

CString CSystemInfo::ReadSetting(const char* section, const CString& key)
{
    const CString path = GetIniFilePath();
    // The whole value, however long: a cut one would be written back cut by the settings dialog.
    for (DWORD size = 260;; size *= 4) {
        CString value;
        char* buffer = value.GetBuffer(static_cast<int>(size));
        if (buffer == nullptr) return CString();
        DWORD length = GetPrivateProfileStringA(section, TextOrEmpty(key), "", buffer, size, path);
        if (length + 1 < size || size >= 1u << 20) {
            value.FreeExtra();
            return value;
        }
    }
}

int CSystemInfo::WriteSetting(const char* section, const CString& key, const CString& value)
{
    const CString path = GetIniFilePath();
    // A folder that cannot be made shows as the write's own failure.
    if (!m_strIniFolder.IsEmpty()) CreateDirectoryA(m_strIniFolder, NULL);
    const BOOL written = WritePrivateProfileStringA(section, TextOrEmpty(key), TextOrEmpty(value), path);
    if (!written && m_dwWriteError == 0) {
        const DWORD error = GetLastError();
        m_dwWriteError = error ? error : ERROR_WRITE_FAULT;
    }
    return written;
}

DWORD CSystemInfo::TakeWriteError()
{
    const DWORD error = m_dwWriteError;
    m_dwWriteError = 0;
    return error;
}

void CSystemInfo::LocateIniFile()
{
    m_strIniFolder.Empty();
    const CString beside(m_strProgramFolder, CString("\\Quillmark.ini"));
    if (GetFileAttributesA(beside) != INVALID_FILE_ATTRIBUTES || CanCreateFileIn(m_strProgramFolder)) return;
    char appData[MAX_PATH] = "";
    // Without an application data folder the file stays beside the program, and saving says why not.
    if (SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, appData) == S_OK)
        m_strIniFolder = CString(appData, "\\Quillmark");
}

CString CSystemInfo::GetCommonSetting(CString key) { return ReadSetting(kCommonSection, key); }
CString CSystemInfo::GetIndConvSetting(CString key) { return ReadSetting(kIndConvSection, key); }
CString CSystemInfo::GetBatConvSetting(CString key) { return ReadSetting(kBatConvSection, key); }

int CSystemInfo::SetCommonSetting(CString key, CString value)
{
    return WriteSetting(kCommonSection, key, value);
}

int CSystemInfo::SetIndConvSetting(CString key, CString value)
{
    return WriteSetting(kIndConvSection, key, value);
}

int CSystemInfo::SetBatConvSetting(CString key, CString value)
{
    return WriteSetting(kBatConvSection, key, value);
}

CString CSystemInfo::GetIniFilePath()
{
    return CString(m_strIniFolder.IsEmpty() ? m_strProgramFolder : m_strIniFolder, CString("\\Quillmark.ini"));
}

void CreateSystemInfo()
{
    if (g_pSystemInfo == nullptr)
        g_pSystemInfo = new (std::nothrow) CSystemInfo;
}

CSystemInfo* GetSystemInfo()
{
    return g_pSystemInfo;
}

void DestroySystemInfo()
{
    // Cleared as well, so a late reader finds no store rather than a deleted one.
    CSystemInfo* store = g_pSystemInfo;
    g_pSystemInfo = nullptr;
    delete store;
}

} // namespace Vexa
