// Fuzzes the output path rules with any setting value and any CP932 path or file name, as a
// settings file and a batch folder may hold them: no overrun, and the proposed output keeps
// the input's folder, ends in the mode's extension and keeps the name before its last dot.
#include "core/OutputPath.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

using Vexa::CString;

namespace {

void Check(bool ok)
{
    if (!ok) abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // First byte: the mode; then the setting up to a NUL; the rest is the path.
    if (size < 1) return 0;
    const int mode = data[0] & 1;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t nul = rest.find('\0');
    const std::string setting = rest.substr(0, nul);
    std::string path = nul == std::string::npos ? std::string() : rest.substr(nul + 1);
    path = path.substr(0, path.find('\0'));

    const CString input(path.c_str()), rule(setting.c_str());
    const std::string extension(static_cast<const char*>(Vexa::OutputExtension(mode)));
    const std::string output(static_cast<const char*>(Vexa::MakeOutputPath(input, mode, rule)));
    const std::string folder(static_cast<const char*>(Vexa::GetFolderPart(input)));
    const int separator = Vexa::FindLastPathSeparator(path.c_str());
    // The file name follows the last '\\', '/' or ':'; only its dot counts.
    const size_t nameStart = size_t(Vexa::FindFileName(path.c_str()));
    Check(nameStart >= size_t(separator + 1));
    const std::string name = path.substr(nameStart);
    Check(separator < 0 ? folder.empty() : path[size_t(separator)] == '\\' && folder == path.substr(0, size_t(separator)));
    if (path.empty())
    {
        Check(output.empty());
        return 0;
    }
    if (setting == "ADD") Check(output == path + extension);
    // The output stays in the input's folder.
    Check(Vexa::GetFolderPart(CString(output.c_str())) == CString(folder.c_str()));

    const std::string outName(static_cast<const char*>(Vexa::MakeOutputFileName(CString(name.c_str()), mode, rule)));
    const size_t dot = name.rfind('.');
    const std::string stem = setting == "ADD" || dot == std::string::npos ? name : name.substr(0, dot);
    Check(outName == stem + extension);
    // The whole path is the folder part as written, then the output name.
    Check(output == path.substr(0, nameStart) + outName);
    return 0;
}
