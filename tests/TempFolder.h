// A fresh folder under the system's temporary folder for one test, removed with its files.
// Shared by the Windows tests of the foundation and the conversion core.
#pragma once

#include <windows.h>

#include <string>

namespace QuillTest {

class TempFolder {
public:
    TempFolder()
    {
        static int s_nCounter = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        do
            m_path = std::string(temp) + "quill-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(++s_nCounter);
        while (!CreateDirectoryA(m_path.c_str(), nullptr));
    }
    ~TempFolder()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(Path("*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA(Path(found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(m_path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Folder() const { return m_path; }
    std::string Path(const std::string& name) const { return m_path + "\\" + name; }

    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        HANDLE h = CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (!bytes.empty())
            ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }

    // The whole file, or "<missing>" when it cannot be opened.
    std::string ReadFile(const std::string& name) const
    {
        HANDLE h = CreateFileA(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return "<missing>";
        std::string bytes;
        char block[4096];
        DWORD read = 0;
        while (::ReadFile(h, block, sizeof block, &read, nullptr) && read != 0)
            bytes.append(block, read);
        CloseHandle(h);
        return bytes;
    }

private:
    std::string m_path;
};

} // namespace QuillTest
