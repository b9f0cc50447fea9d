#include "app/OpenOutput.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/FailureText.h"
#include "core/OutputPath.h"
#include "foundation/CSystemInfo.h"

using Vexa::CString;

namespace {

// A string whose allocation failed has no text.
std::string Text(const CString& s)
{
    const char* text = s;
    return text ? text : "";
}

// A path in quotes as a program's start-up code reads it back whole. A backslash that ends it
// (C:\) is doubled, or it would take the closing quote for a quote inside the path. (Quotes and
// '%' are never a CP932 trail byte, so the texts can be searched byte by byte.)
std::string Quoted(const CString& path)
{
    std::string text = Text(path);
    const int last = Vexa::FindLastPathSeparator(path);
    if (last >= 0 && last + 1 == path.GetLength()) text += '\\';
    return "\"" + text + "\"";
}

std::string Trimmed(std::string text)
{
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t") + 1);
    return text;
}

void Tell(HWND owner, const char* first, const CString& path, DWORD error)
{
    CString text(first);
    text += "\n";
    text += path;
    text += "\n";
    text += SystemReason(error);
    MessageBoxA(owner, text, "エラー", MB_OK | MB_ICONERROR);
}

// The full path of path, which must be an existing folder (folder) or file: 0, or why not.
DWORD Find(const CString& path, bool folder, CString& full)
{
    char buffer[MAX_PATH] = "";
    const DWORD length = GetFullPathNameA(path, MAX_PATH, buffer, NULL);
    if (length == 0 || length >= MAX_PATH) return length ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
    full = buffer;
    const DWORD attributes = GetFileAttributesA(buffer);
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) return folder ? ERROR_DIRECTORY : ERROR_FILE_NOT_FOUND;
    return 0;
}

// Starts a program by its command line and leaves it to run: 0, or why it did not start.
DWORD Start(const std::string& commandLine)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        const DWORD error = GetLastError();
        return error ? error : ERROR_FILE_NOT_FOUND;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

CString CommonSetting(const char* key)
{
    Vexa::CSystemInfo* info = Vexa::GetSystemInfo();
    return info ? info->GetCommonSetting(CString(key)) : CString();
}

void StartTool(HWND owner, const CString& setting, const CString& path)
{
    CString program;
    const CString line = ToolCommandLine(setting, path, program);
    if (const DWORD error = Start(Text(line))) Tell(owner, "プログラムを起動できませんでした", program, error);
}

} // namespace

CString ToolCommandLine(const CString& setting, const CString& path, CString& program)
{
    std::string text = Trimmed(Text(setting)), name = text, arguments;
    const size_t quote = text.find('"');
    if (quote != std::string::npos && quote > 0) {
        // A quote right after the program is a closing one: the profile reader took off the
        // quotes that enclosed the whole value ("C:\a b\x.exe" "%1" reads C:\a b\x.exe" "%1).
        // After a blank it opens the arguments of a program written without quotes.
        if (text[quote - 1] != ' ' && text[quote - 1] != '\t') {
            text = "\"" + text + "\"";
        } else {
            name = Trimmed(text.substr(0, quote));
            arguments = text.substr(quote);
        }
    }
    if (!text.empty() && text[0] == '"') {
        const size_t end = text.find('"', 1);
        name = text.substr(1, end == std::string::npos ? end : end - 1);
        if (end != std::string::npos) arguments = Trimmed(text.substr(end + 1));
    }
    program = name.c_str();
    const std::string quoted = Quoted(path);
    if (arguments.find("%1") == std::string::npos) {
        arguments += (arguments.empty() ? "" : " ") + quoted;
    } else {
        for (size_t at = 0; (at = arguments.find("%1", at)) != std::string::npos;) {
            const std::string with = at > 0 && arguments[at - 1] == '"' ? quoted.substr(1, quoted.size() - 2) : quoted;
            arguments.replace(at, 2, with);
            at += with.size();
        }
    }
    return CString(("\"" + name + "\" " + arguments).c_str());
}

void OpenOutputFolder(HWND owner, const CString& folder, const CString& selected)
{
    CString full, file;
    if (const DWORD error = Find(folder, true, full)) {
        Tell(owner, "出力フォルダを開けませんでした", folder, error);
        return;
    }
    const CString filer = CommonSetting("FILER");
    if (!filer.IsEmpty()) {
        StartTool(owner, filer, full);
        return;
    }
    char windows[MAX_PATH] = "";
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string explorer = (length > 0 && length < MAX_PATH ? std::string(windows) + "\\" : "") + "explorer.exe";
    const bool select = !selected.IsEmpty() && Find(selected, false, file) == 0;
    const std::string line = "\"" + explorer + "\" " + (select ? "/select," + Quoted(file) : Quoted(full));
    if (const DWORD error = Start(line)) Tell(owner, "プログラムを起動できませんでした", CString(explorer.c_str()), error);
}

void OpenOutputFile(HWND owner, const CString& path, bool text)
{
    CString full;
    if (const DWORD error = Find(path, false, full)) {
        Tell(owner, "出力ファイルを開けませんでした", path, error);
        return;
    }
    const CString editor = CommonSetting(text ? "TXT_EDITOR" : "BIN_EDITOR");
    if (!editor.IsEmpty()) {
        StartTool(owner, editor, full);
        return;
    }
    // The system's own error box is left out: the reason goes into ours, with the path.
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = "open";
    info.lpFile = full;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) {
        const DWORD error = GetLastError();
        Tell(owner, "出力ファイルを開けませんでした", full, error ? error : ERROR_NO_ASSOCIATION);
    }
}
