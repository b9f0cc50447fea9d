// CFileBase, CFile: a file of bytes through one system handle. No buffering, no text mode:
// every operation is one system call on the handle.
#pragma once

#include <windows.h>

#include "foundation/CObject.h"
#include "foundation/CString.h"

namespace Vexa {

// Owns one file handle and passes each operation straight to the Windows file function.
class CFileBase : public CObject {
    VEXA_DECLARE_DYNAMIC(CFileBase)
public:
    explicit CFileBase(HANDLE hFile);
    ~CFileBase() override;
    CFileBase(const CFileBase&) = delete;
    CFileBase& operator=(const CFileBase&) = delete;

    virtual HANDLE GetHandle() const;
    // Closes a handle held before, then CreateFileA; the result is stored, even when invalid.
    virtual HANDLE Create(const char* path, DWORD access, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                          HANDLE hTemplate);
    // ReadFile's result unchanged: TRUE with 0 bytes read is the end of the file, FALSE a failure.
    virtual BOOL ReadRaw(void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped = nullptr);
    virtual BOOL WriteRaw(const void* buffer, DWORD count, DWORD* written,
                          OVERLAPPED* overlapped = nullptr);
    virtual DWORD GetSize(DWORD* high) const;
    virtual DWORD Seek(LONG distance, LONG* high, DWORD method);
    // Closes a real handle (null and INVALID_HANDLE_VALUE are skipped); the handle becomes null.
    virtual BOOL Close();

protected:
    HANDLE m_hFile;
};

// Opens a path at construction; its Read/Write report success only when bytes moved.
class CFile : public CFileBase {
    VEXA_DECLARE_DYNAMIC(CFile)
public:
    // Share mode FILE_SHARE_READ. The object exists whether or not the open succeeded:
    // test GetHandle() against INVALID_HANDLE_VALUE.
    CFile(const char* path, DWORD access, DWORD disposition);
    ~CFile() override;

    virtual HANDLE Open(const char* path, DWORD access, DWORD disposition, DWORD shareMode,
                        LPSECURITY_ATTRIBUTES security, DWORD flags, HANDLE hTemplate);
    // False both at the end of the file and on a failure; use ReadRaw to tell them apart.
    virtual bool Read(void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped = nullptr);
    virtual bool ReadByte(unsigned char* byte, OVERLAPPED* overlapped = nullptr);
    virtual bool ReadByte(char* byte, OVERLAPPED* overlapped = nullptr);
    virtual bool ReadBuffer(unsigned char*& buffer, DWORD count, OVERLAPPED* overlapped = nullptr);
    // Line index (0-based) up to and including its line feed; scans the whole file.
    virtual bool ReadLine(int index, CString& line);
    virtual bool Write(const void* buffer, DWORD count, DWORD* written,
                       OVERLAPPED* overlapped = nullptr);
    virtual bool WriteByte(unsigned char byte, OVERLAPPED* overlapped = nullptr);
    virtual bool WriteByte(char byte, OVERLAPPED* overlapped = nullptr);
    virtual bool WriteString(const char* text, OVERLAPPED* overlapped = nullptr);
    virtual DWORD GetLength(DWORD* high) const;
};

} // namespace Vexa
