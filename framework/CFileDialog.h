// CFileDialog: runs the platform's open-file or save-file dialog once and keeps the chosen path.
#pragma once

#include "foundation/CObject.h"
#include "foundation/CString.h"

#include <windows.h>
#include <commdlg.h>

namespace Vexa {

class CFileDialog : public CObject {
    VEXA_DECLARE_DYNAMIC(CFileDialog)
public:
    CFileDialog() {}
    ~CFileDialog() override {}

    // Run the dialog with a prepared record. m_strPath is cleared whatever the outcome and holds
    // the chosen path after a nonzero result.
    virtual BOOL DoOpen(OPENFILENAMEA* record);
    // Filter: zero-terminated pairs ending with an extra zero. initialDir and defExt may be null.
    virtual BOOL OpenFile(HWND owner, const char* filter, const char* initialDir, const char* title,
                          DWORD flags, const char* defExt);
    virtual BOOL DoSave(OPENFILENAMEA* record);
    virtual BOOL SaveFile(HWND owner, const char* filter, const char* title, DWORD flags,
                          const char* defExt);

    CString m_strPath;
};

} // namespace Vexa
