#include "foundation/CFile.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CFileBase, CObject)
VEXA_IMPLEMENT_DYNAMIC(CFile, CFileBase)

CFileBase::CFileBase(HANDLE hFile) : m_hFile(hFile) {}

CFileBase::~CFileBase()
{
    CFileBase::Close();
}

HANDLE CFileBase::GetHandle() const { return m_hFile; }

HANDLE CFileBase::Create(const char* path, DWORD access, DWORD shareMode,
                         LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                         HANDLE hTemplate)
{
    if (m_hFile != nullptr)
        Close();
    m_hFile = CreateFileA(path, access, shareMode, security, disposition, flags, hTemplate);
    return m_hFile;
}

BOOL CFileBase::ReadRaw(void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped)
{
    return ReadFile(m_hFile, buffer, count, read, overlapped);
}

BOOL CFileBase::WriteRaw(const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped)
{
    return WriteFile(m_hFile, buffer, count, written, overlapped);
}

DWORD CFileBase::GetSize(DWORD* high) const { return GetFileSize(m_hFile, high); }

DWORD CFileBase::Seek(LONG distance, LONG* high, DWORD method)
{
    return SetFilePointer(m_hFile, distance, high, method);
}

BOOL CFileBase::Close()
{
    // After a failed open the object still holds INVALID_HANDLE_VALUE, which is also the
    // pseudo-handle of the current process: never pass it (or null) to CloseHandle.
    BOOL result = FALSE;
    if (m_hFile != nullptr && m_hFile != INVALID_HANDLE_VALUE)
        result = CloseHandle(m_hFile);
    m_hFile = nullptr;
    return result;
}

CFile::CFile(const char* path, DWORD access, DWORD disposition) : CFileBase(nullptr)
{
    Open(path, access, disposition, FILE_SHARE_READ, nullptr, FILE_ATTRIBUTE_NORMAL, nullptr);
}

CFile::~CFile() {}

HANDLE CFile::Open(const char* path, DWORD access, DWORD disposition, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD flags, HANDLE hTemplate)
{
    return Create(path, access, shareMode, security, disposition, flags, hTemplate);
}

bool CFile::Read(void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped)
{
    return ReadRaw(buffer, count, read, overlapped) && *read != 0;
}

bool CFile::ReadByte(unsigned char* byte, OVERLAPPED* overlapped)
{
    DWORD read = 0;
    return Read(byte, 1, &read, overlapped);
}

bool CFile::ReadByte(char* byte, OVERLAPPED* overlapped)
{
    DWORD read = 0;
    return Read(byte, 1, &read, overlapped);
}

bool CFile::ReadBuffer(unsigned char*& buffer, DWORD count, OVERLAPPED* overlapped)
{
    DWORD read = 0;
    return Read(buffer, count, &read, overlapped);
}

bool CFile::ReadLine(int index, CString& line)
{
    line.Empty();
    Seek(0, nullptr, FILE_BEGIN);
    int counter = 0;
    bool found = false;
    char ch = 0;
    while (ReadByte(&ch)) {
        if (counter == index) {
            line += ch;
            found = true;
        }
        if (ch == '\n')
            ++counter;
    }
    return found;
}

bool CFile::Write(const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped)
{
    return WriteRaw(buffer, count, written, overlapped) && *written != 0;
}

bool CFile::WriteByte(unsigned char byte, OVERLAPPED* overlapped)
{
    DWORD written = 0;
    return Write(&byte, 1, &written, overlapped);
}

bool CFile::WriteByte(char byte, OVERLAPPED* overlapped)
{
    DWORD written = 0;
    return Write(&byte, 1, &written, overlapped);
}

bool CFile::WriteString(const char* text, OVERLAPPED* overlapped)
{
    DWORD written = 0;
    return Write(text, static_cast<DWORD>(lstrlenA(text)), &written, overlapped);
}

DWORD CFile::GetLength(DWORD* high) const { return GetSize(high); }

} // namespace Vexa
