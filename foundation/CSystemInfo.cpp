#include "foundation/CSystemInfo.h"

#include <windows.h>

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
    return WritePrivateProfileStringA(section, TextOrEmpty(key), TextOrEmpty(value), path);
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
    return CString(m_strProgramFolder, CString("\\Quillmark.ini"));
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
