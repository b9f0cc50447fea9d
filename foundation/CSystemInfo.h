// CSystemInfo: the one settings store, and the two facts learned at start-up (the executable's
// folder and the start-up path). Every read and write goes straight to the settings file: beside the
// executable where that folder can be written (portable use), else in the user's application data
// folder (see LocateIniFile); no value is cached.
#pragma once

#include <windows.h>

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
    // Chooses the settings file once m_strProgramFolder is known: "Quillmark.ini" in it when the
    // file is already there or the folder can be written, else "Quillmark\Quillmark.ini" in the
    // user's application data folder (made on the first write), so that a copy in a folder the
    // user may not write to still keeps its settings.
    virtual void LocateIniFile();
    // The error number of the first write that failed since the last call (0 when none), which
    // the call forgets: a caller that saves several keys learns whether all of them were saved.
    virtual DWORD TakeWriteError();

    CString m_strStartPath;     // the path given on the command line; empty when none
    CString m_strProgramFolder; // the executable's folder, without a trailing backslash

private:
    // The folder of the settings file in the application data folder; empty for the file beside
    // the program.
    CString m_strIniFolder;
    DWORD m_dwWriteError = 0;

    CString ReadSetting(const char* section, const CString& key);
    int WriteSetting(const char* section, const CString& key, const CString& value);
};

// The single store of the process: made at start-up, deleted at exit.
void CreateSystemInfo();
CSystemInfo* GetSystemInfo();
void DestroySystemInfo();

} // namespace Vexa
