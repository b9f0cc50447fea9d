#include "app/StartPaths.h"

#include <windows.h>

#include <string>

#include "core/OutputPath.h"
#include "engine/FileIdentity.h"

using Vexa::CString;

CString OneStartPath(const char* line)
{
    // A quote is never a CP932 trail byte, so the quotes are found byte by byte.
    CString path(line ? line : "");
    int length = path.GetLength();
    while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '\t')) --length;
    path = path.Left(length);
    if (length > 0 && path[0] == '"') {
        const int end = length > 1 && path[length - 1] == '"' ? length - 1 : length;
        path = path.Mid(1, end - 1);
    }
    return path;
}

std::vector<CString> SplitCommandLine(const char* line)
{
    std::vector<CString> arguments;
    std::string argument;
    bool inArgument = false, quoted = false;
    int backslashes = 0;
    for (const char* p = line ? line : "";; ++p) {
        const char c = *p;
        if (c == '\\') {
            ++backslashes;
            inArgument = true;
            continue;
        }
        if (c == '"') {
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2)
                argument += '"';
            else
                quoted = !quoted;
            backslashes = 0;
            inArgument = true;
            continue;
        }
        argument.append(backslashes, '\\');
        backslashes = 0;
        if (c == '\0' || ((c == ' ' || c == '\t') && !quoted)) {
            if (inArgument) arguments.push_back(CString(argument.c_str()));
            argument.clear();
            inArgument = false;
            if (c == '\0') return arguments;
            continue;
        }
        argument += c;
        inArgument = true;
        if (Vexa::IsLeadByte(static_cast<unsigned char>(c)) && p[1]) argument += *++p;
    }
}

std::vector<CString> SeveralStartPaths(const char* line)
{
    const CString one = OneStartPath(line);
    if (one.IsEmpty() || GetFileAttributesA(one) != INVALID_FILE_ATTRIBUTES) return {};
    std::vector<CString> paths = SplitCommandLine(line);
    if (paths.size() < 2) return {};
    for (CString& path : paths) {
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return {};
        // Named from the current folder, they are opened from their own.
        path = FullPath(path).c_str();
    }
    return paths;
}
