// CSafeOutput: the output file of one conversion, written so that a failed conversion leaves
// nothing behind. An existing regular file is replaced only after the new content is complete
// (written to a temporary file beside it, then renamed over it); a new file is removed again on
// failure; a device (Z:\dev\full, a pipe) is written in place, since renaming over it would
// replace the device itself.
#pragma once

#include <memory>

#include "foundation/CFile.h"
#include "foundation/CString.h"

class CSafeOutput {
public:
    CSafeOutput() {}
    // Abandons an output that was neither committed nor abandoned.
    ~CSafeOutput();

    CSafeOutput(const CSafeOutput&) = delete;
    CSafeOutput& operator=(const CSafeOutput&) = delete;

    // Opens path for writing the way the pages always did (write access, read sharing), so it
    // fails exactly where they report the output as not openable: the input itself, a locked
    // file, a missing folder, a folder in its place. Nothing is truncated yet.
    bool Open(const char* path);
    // The file the conversion writes to.
    Vexa::CFile& File();
    // Ends a successful conversion: the new content takes the path's place. False (with the
    // platform's error number in GetLastError) when that failed; the old file is then intact.
    bool Commit();
    // Ends a failed conversion: the temporary or newly made file is removed.
    void Abandon();

private:
    void CloseAll();

    Vexa::CString m_strPath;
    Vexa::CString m_strTemp;
    std::unique_ptr<Vexa::CFile> m_pTarget;
    std::unique_ptr<Vexa::CFile> m_pTemp;
    bool m_bCreated = false;
    bool m_bOpen = false;
};
