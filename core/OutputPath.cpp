#include "core/OutputPath.h"

namespace Vexa {

namespace {

// Lead bytes of CP932 double-byte characters.
bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Replaces the extension after the last '.' at an index at least `from`, or appends.
CString ReplaceExtension(const CString& name, int from, const CString& extension)
{
    // '.' (2E) is never a trail byte in CP932, so a byte search finds only real dots.
    const int dot = name.ReverseFind('.');
    if (dot >= from)
        return name.Left(dot) + extension;
    return name + extension;
}

} // namespace

CString OutputExtension(int mode, int format)
{
    if (mode != 1)
        return CString(".dat");
    return CString(format == 1 ? ".hex" : format == 2 ? ".srec" : ".txt");
}

CString MakeOutputPath(const CString& input, int mode, const CString& extensionSetting, int format)
{
    if (input.IsEmpty())
        return CString();
    const CString extension = OutputExtension(mode, format);
    if (extensionSetting == "ADD")
        return input + extension;
    // Only the file name's dot counts: D:\old.files\README becomes D:\old.files\README.dat,
    // and so does D:/old.files/README.
    return ReplaceExtension(input, FindFileName(input), extension);
}

CString MakeOutputFileName(const CString& fileName, int mode, const CString& extensionSetting, int format)
{
    return MakeOutputFileName(fileName, OutputExtension(mode, format), extensionSetting == "ADD");
}

CString MakeOutputFileName(const CString& fileName, const CString& extension, bool add)
{
    return add ? fileName + extension : ReplaceExtension(fileName, 0, extension);
}

int FindLastPathSeparator(const char* path)
{
    if (path == nullptr)
        return -1;
    int last = -1;
    for (int i = 0; path[i] != '\0'; ++i) {
        const unsigned char byte = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(byte) && path[i + 1] != '\0')
            ++i; // its trail byte is part of the character
        else if (byte == '\\')
            last = i;
    }
    return last;
}

int FindFileName(const char* path)
{
    if (path == nullptr)
        return 0;
    int start = 0;
    for (int i = 0; path[i] != '\0'; ++i) {
        const unsigned char byte = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(byte) && path[i + 1] != '\0')
            ++i;
        else if (byte == '\\' || byte == '/' || byte == ':')
            start = i + 1;
    }
    return start;
}

CString GetFolderPart(const CString& path)
{
    const int separator = FindLastPathSeparator(path);
    return separator >= 0 ? path.Left(separator) : CString();
}

CString GetFileNamePart(const CString& path)
{
    const int separator = FindLastPathSeparator(path);
    return separator >= 0 ? path.Mid(separator + 1, path.GetLength()) : CString(path);
}

} // namespace Vexa
