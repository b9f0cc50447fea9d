#include "engine/InputListing.h"

#include <string.h>

#include <string>

#include "engine/OutputCollisions.h"

using Vexa::CString;

namespace {

const DWORD kSkipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

// Closes a search also when an allocation throws.
class CFind {
public:
    CFind(const std::string& search, WIN32_FIND_DATAA& entry) : m_find(FindFirstFileA(search.c_str(), &entry)) {}
    ~CFind()
    {
        if (m_find != INVALID_HANDLE_VALUE) FindClose(m_find);
    }
    CFind(const CFind&) = delete;
    CFind& operator=(const CFind&) = delete;
    HANDLE Handle() const { return m_find; }

private:
    HANDLE m_find;
};

class Lister {
public:
    Lister(const char* folder, const char* pattern, const ListingOptions& options, std::vector<CString>& names,
           std::vector<CString>* tooLong)
        : m_root(folder), m_pattern(pattern), m_options(options), m_names(names), m_tooLong(tooLong)
    {
        // The output folder's path below the folder, when it lies inside it.
        if (options.subfolders && options.outputFolder && *options.outputFolder) {
            const std::string in = FolderKey(folder), out = FolderKey(options.outputFolder);
            if (out.size() > in.size() + 1 && out.compare(0, in.size(), in) == 0 && out[in.size()] == '\\')
                m_skip = out.substr(in.size() + 1);
        }
        m_all = lstrcmpA(pattern, "*") == 0 || lstrcmpA(pattern, "*.*") == 0;
    }

    // relative: "" or a subfolder's path below the folder with a separator at its end.
    void List(const std::string& relative)
    {
        const std::string full = m_root + "\\" + relative;
        std::vector<std::string> folders;
        Search(full, m_pattern, [&](const WIN32_FIND_DATAA& entry) {
            if ((entry.dwFileAttributes & kSkipped) == 0) {
                if (full.size() + strlen(entry.cFileName) > static_cast<size_t>(kMaxPathLength))
                    TooLong(full + entry.cFileName);
                else
                    m_names.push_back(CString((relative + entry.cFileName).c_str()));
            } else if (m_all && m_options.subfolders) {
                Subfolder(relative, entry, folders);
            }
        });
        if (m_options.subfolders && !m_all)
            Search(full, "*", [&](const WIN32_FIND_DATAA& entry) { Subfolder(relative, entry, folders); });
        for (const std::string& folder : folders) List(folder + "\\");
    }

    DWORD Error() const { return m_error; }

private:
    template <class Each>
    void Search(const std::string& full, const char* pattern, Each each)
    {
        const std::string search = full + pattern;
        if (search.size() > static_cast<size_t>(kMaxPathLength)) {
            TooLong(search);
            return;
        }
        WIN32_FIND_DATAA entry;
        CFind find(search, entry);
        if (find.Handle() == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) Fail(error);
            return;
        }
        do each(entry);
        while (FindNextFileA(find.Handle(), &entry));
        const DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES) Fail(error);
    }

    // A folder to descend into: plain, no link, not the output folder.
    void Subfolder(const std::string& relative, const WIN32_FIND_DATAA& entry, std::vector<std::string>& folders)
    {
        const DWORD attributes = entry.dwFileAttributes;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT)))
            return;
        if (lstrcmpA(entry.cFileName, ".") == 0 || lstrcmpA(entry.cFileName, "..") == 0) return;
        const std::string path = relative + entry.cFileName;
        if (!m_skip.empty() && CaseKey(path.c_str()) == m_skip) return;
        folders.push_back(path);
    }

    void TooLong(const std::string& path)
    {
        if (m_tooLong) m_tooLong->push_back(CString(path.c_str()));
    }

    void Fail(DWORD error)
    {
        if (!m_error) m_error = error;
    }

    std::string m_root;
    const char* m_pattern;
    const ListingOptions& m_options;
    std::vector<CString>& m_names;
    std::vector<CString>* m_tooLong;
    std::string m_skip; // the output folder's path below the folder, CaseKey'd; "" when outside
    bool m_all = false; // the pattern matches every name: one search finds the subfolders too
    DWORD m_error = 0;
};

} // namespace

DWORD ListInputFiles(const char* folder, const char* pattern, std::vector<CString>& names,
                     const ListingOptions& options, std::vector<CString>* tooLong)
{
    Lister lister(folder, pattern, options, names, tooLong);
    lister.List("");
    return lister.Error();
}
