#include "app/OutputCollisions.h"

#include <windows.h>

#include <string>
#include <unordered_map>
#include <unordered_set>

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

std::string FullPath(const char* path)
{
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full) : std::string(path);
}

// Whether two existing folders are one (a second spelling, a link), by file identity.
bool SameFolder(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* folders[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE h = CreateFileA(folders[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        BOOL known = GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// Compares the rows' paths within one run: each folder's full path is made once.
class PathKeys {
public:
    PathKeys(const char* folder, const std::string& fullKey) : m_folder(folder), m_full(fullKey) {}
    std::string operator()(const char* name) const
    {
        if (IsPlainName(name)) return m_full + "\\" + CaseKey(name);
        CString path(m_folder);
        path += "\\";
        path += name;
        return CaseKey(FullPath(path).c_str());
    }

private:
    CString m_folder;
    std::string m_full;
};

} // namespace

std::vector<RowVerdict> CheckOutputCollisions(const char* inputFolder, const char* outputFolder,
                                              const std::vector<BatchRow>& rows)
{
    const std::string inFull = CaseKey(FullPath(inputFolder).c_str());
    std::string outFull = CaseKey(FullPath(outputFolder).c_str());
    if (outFull != inFull && SameFolder(inputFolder, outputFolder)) outFull = inFull;
    // Full paths end without a separator, except a drive's root.
    auto trim = [](std::string key) {
        if (!key.empty() && key.back() == '\\') key.pop_back();
        return key;
    };
    const PathKeys inKey(inputFolder, trim(inFull)), outKey(outputFolder, trim(outFull));

    std::unordered_set<std::string> inputs;
    std::unordered_map<std::string, int> outputs;
    std::vector<std::string> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        inputs.insert(inKey(rows[i].input));
        if (!rows[i].checked) continue;
        keys[i] = outKey(rows[i].output);
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

const char* DescribeVerdict(RowVerdict verdict)
{
    switch (verdict) {
    case kRowDuplicateOutput: return "出力ファイル名が重複しています";
    case kRowOutputIsInput: return "出力先が入力ファイルです";
    default: return "";
    }
}
