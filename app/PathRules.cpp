#include "app/PathRules.h"

#include "core/OutputPath.h"

using Vexa::CString;

namespace QuillPaths {

int LastSeparator(const CString& path)
{
    const char* text = path;
    return text ? Vexa::FindLastPathSeparator(text) : -1;
}

CString FolderOf(const CString& path)
{
    return LastSeparator(path) > 0 ? Vexa::GetFolderPart(path) : CString();
}

CString OutputPath(const CString& input, int mode, const CString& extensionRule)
{
    return Vexa::MakeOutputPath(input, mode, extensionRule);
}

CString OutputName(const CString& name, int mode, const CString& extensionRule)
{
    return Vexa::MakeOutputFileName(name, mode, extensionRule);
}

} // namespace QuillPaths
