// CSafeOutput: the output file of one conversion, always whole. The bytes go to a temporary file
// in the output's folder, which is flushed and renamed onto the output's name only when the
// conversion has ended well; on every other way out the temporary file is removed and an old
// output stays as it was. A device (Z:\dev\full, NUL, CON) is written in place and never renamed
// over or removed. The one rule for every front end (the pages and quillconv.exe); touches no
// window, so it runs on any thread.
#pragma once

#include <windows.h>

#include <memory>

#include "foundation/CFile.h"
#include "foundation/CString.h"

class CSafeOutput {
public:
    // What is known about a failure beyond the platform's error number.
    enum Problem {
        kNoProblem,
        kHeld,     // another program (or this one, through the input) holds the output
        kNoTemp,   // no temporary file can be made in the output's folder
    };

    CSafeOutput() {}
    // Abandons an output that was neither committed nor abandoned.
    ~CSafeOutput();

    CSafeOutput(const CSafeOutput&) = delete;
    CSafeOutput& operator=(const CSafeOutput&) = delete;

    // Prepares path for writing: 0, or the platform's error number (GetProblem says more).
    // Fails, writing nothing, where the output could not be replaced at the end: a missing
    // folder, a folder in its place, a file held without delete sharing, no room for a
    // temporary file. The output's folder ends at its last '\\', '/' or ':'. tempFolder (on the
    // output's volume) takes the temporary file instead, unless it has no room for it. absent says that
    // the caller's listing shows no file under path, so it is not looked for again.
    DWORD Open(const char* path, const char* tempFolder = nullptr, bool absent = false);
    // The file the conversion writes to.
    Vexa::CFile& File();
    // Ends a successful conversion: flushes, and the new content takes the path's place.
    // 0, or the platform's error number; the old file is then intact.
    DWORD Commit();
    // Ends a failed conversion: the temporary file is removed.
    void Abandon();
    Problem GetProblem() const { return m_problem; }

private:
    DWORD OpenTarget(const char* path);
    bool OpenDevice(const char* path);
    DWORD CreateTemp(Vexa::CString folder);
    bool RenameOpenTemp();
    void CloseAll();

    Vexa::CString m_strPath;
    Vexa::CString m_strTemp;
    std::unique_ptr<Vexa::CFile> m_pTarget; // a device written in place
    std::unique_ptr<Vexa::CFile> m_pTemp;
    Problem m_problem = kNoProblem;
    bool m_bDevice = false;
    bool m_bOpen = false;
};
