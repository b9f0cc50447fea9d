// CSystemInfo: the one settings store, and the two facts learned at start-up (the executable's
// folder and the start-up path). Every read and write goes straight to "\Quillmark.ini" in the
// executable's folder; nothing is cached.
#pragma once

#include <vector>

#include "foundation/CObject.h"
#include "foundation/CString.h"

namespace Vexa {

class CSystemInfo : public CObject {
    VEXA_DECLARE_DYNAMIC(CSystemInfo)
public:
    CSystemInfo();
    ~CSystemInfo() override;

    // A missing file, section or key reads as ""; a value reads back cut to 259 bytes.
    virtual CString GetCommonSetting(CString key);
    virtual CString GetIndConvSetting(CString key);
    virtual CString GetBatConvSetting(CString key);
    // The platform's success flag; the file, section and key are created as needed.
    virtual int SetCommonSetting(CString key, CString value);
    virtual int SetIndConvSetting(CString key, CString value);
    virtual int SetBatConvSetting(CString key, CString value);
    virtual CString GetIniFilePath();

    CString m_strStartPath;     // the path given on the command line; empty when none
    // The paths, when the command line gave several existing ones (m_strStartPath names nothing).
    std::vector<CString> m_vecStartPaths;
    CString m_strProgramFolder; // the executable's folder, without a trailing backslash

private:
    CString ReadSetting(const char* section, const CString& key);
    int WriteSetting(const char* section, const CString& key, const CString& value);
};

// The single store of the process: made at start-up, deleted at exit.
void CreateSystemInfo();
CSystemInfo* GetSystemInfo();
void DestroySystemInfo();

} // namespace Vexa
