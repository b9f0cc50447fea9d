#include "engine/OutputCollisions.h"

#include <windows.h>

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/OutputPath.h"
#include "engine/FileIdentity.h"

using Vexa::CString;

std::string CaseKey(const char* path)
{
    std::string key(path);
    if (!key.empty()) CharUpperBuffA(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

bool IsPlainName(const char* name)
{
    size_t length = 0;
    for (const char* p = name; *p; ++p, ++length) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) {
            ++p;
            ++length;
        } else if (*p == '\\' || *p == '/' || *p == ':') {
            return false;
        }
    }
    return length > 0 && name[length - 1] != '.' && name[length - 1] != ' ';
}

namespace {

// A full path with its existing parts in their long form. Only a short name holds a '~', so a
// path without one is taken as it is, without asking the file system.
std::string LongPath(const std::string& full)
{
    if (full.find('~') == std::string::npos) return full;
    char path[MAX_PATH];
    DWORD length = GetLongPathNameA(full.c_str(), path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path) : full;
}

// Whether two existing folders are one (a second spelling, a link), by file identity.
bool SameFolder(const char* a, const char* b)
{
    HANDLE folder = CreateFileA(a, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return false;
    const bool same = NamesFile(b, folder);
    CloseHandle(folder);
    return same;
}

// Full paths end without a separator, except a drive's root.
std::string TrimSeparator(std::string key)
{
    if (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

// Compares the rows' paths within one run, by what they name: a short name (LONG~R0Z.TXT) is the
// file of its long name, and a trailing dot or blank or a detour through another folder is the
// same file too. Each folder's full path is made once, and a folder is listed (once) only when a
// name in it may be a short one: no name is looked up on its own, since under Wine every missing
// name costs a scan of its folder.
class PathKeys {
public:
    PathKeys(const char* inputFolder, const char* outputFolder)
    {
        const std::string inFull = FullPath(inputFolder), outFull = FullPath(outputFolder);
        m_inKey = FolderKey(inFull);
        m_outKey = FolderKey(outFull);
        m_path[m_outKey] = outFull;
        m_path[m_inKey] = inFull;
        if (m_outKey != m_inKey && SameFolder(inputFolder, outputFolder)) {
            m_alias[m_outKey] = m_inKey;
            m_outKey = m_inKey;
        }
    }
    std::string Input(const char* name) { return Key(m_inKey, name); }
    std::string Output(const char* name) { return Key(m_outKey, name); }

private:
    std::string FolderKey(const std::string& full)
    {
        std::string key = TrimSeparator(CaseKey(LongPath(full).c_str()));
        auto alias = m_alias.find(key);
        return alias == m_alias.end() ? key : alias->second;
    }
    std::string Key(const std::string& folderKey, const char* name)
    {
        if (IsPlainName(name)) return folderKey + "\\" + LongName(folderKey, CaseKey(name));
        CString path(m_path[folderKey].c_str());
        path += "\\";
        path += name;
        const std::string full = FullPath(path);
        const int separator = Vexa::FindLastPathSeparator(full.c_str());
        if (separator < 0) return CaseKey(full.c_str());
        const std::string parent = full.substr(0, separator), key = FolderKey(parent);
        if (!m_path.count(key)) m_path[key] = parent;
        return key + "\\" + LongName(key, CaseKey(full.c_str() + separator + 1));
    }
    // The long name, CaseKey'd, of the entry that name (CaseKey'd) spells in the folder.
    std::string LongName(const std::string& folderKey, const std::string& name)
    {
        if (name.find('~') == std::string::npos) return name;
        auto listed = m_longNames.find(folderKey);
        if (listed == m_longNames.end()) {
            listed = m_longNames.emplace(folderKey, std::unordered_map<std::string, std::string>()).first;
            WIN32_FIND_DATAA entry;
            HANDLE find = FindFirstFileA((m_path[folderKey] + "\\*").c_str(), &entry);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    if (entry.cAlternateFileName[0])
                        listed->second[CaseKey(entry.cAlternateFileName)] = CaseKey(entry.cFileName);
                } while (FindNextFileA(find, &entry));
                FindClose(find);
            }
        }
        auto found = listed->second.find(name);
        return found == listed->second.end() ? name : found->second;
    }

    std::string m_inKey, m_outKey;
    std::unordered_map<std::string, std::string> m_alias; // a folder's key: that of the same folder
    std::unordered_map<std::string, std::string> m_path;  // a folder's key: a full path of it
    // A listed folder's key: its short names and the long names they stand for.
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> m_longNames;
};

} // namespace

std::vector<RowVerdict> CheckOutputCollisions(const char* inputFolder, const char* outputFolder,
                                              const std::vector<BatchRow>& rows)
{
    PathKeys keyOf(inputFolder, outputFolder);
    std::unordered_set<std::string> inputs;
    std::unordered_map<std::string, int> outputs;
    std::vector<std::string> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        inputs.insert(keyOf.Input(rows[i].input));
        if (!rows[i].checked) continue;
        keys[i] = keyOf.Output(rows[i].output);
        ++outputs[keys[i]];
    }
    std::vector<RowVerdict> verdicts(rows.size(), kRowConvert);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].checked)
            verdicts[i] = kRowUnchecked;
        else if (inputs.count(keys[i]))
            verdicts[i] = kRowOutputIsInput;
        else if (outputs[keys[i]] > 1)
            verdicts[i] = kRowDuplicateOutput;
    }
    return verdicts;
}
