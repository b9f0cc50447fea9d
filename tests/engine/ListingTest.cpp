// The listing of a batch's input folder, flat and with its subfolders.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/InputListing.h"
#include "tests/TestSupport.h"

using namespace testkit;

namespace {

// Wine cannot make a folder link (a junction or a symbolic link): the search reports the folder
// named "link" as Windows reports one, a folder that is a reparse point.
BOOL MarkLink(BOOL found, WIN32_FIND_DATAA* entry)
{
    if (found && lstrcmpA(entry->cFileName, "link") == 0) entry->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return found;
}
HANDLE WINAPI FindFirstMarked(LPCSTR search, LPWIN32_FIND_DATAA entry)
{
    HANDLE find = Kernel32<decltype(&FindFirstMarked)>("FindFirstFileA")(search, entry);
    MarkLink(find != INVALID_HANDLE_VALUE, entry);
    return find;
}
BOOL WINAPI FindNextMarked(HANDLE find, LPWIN32_FIND_DATAA entry)
{
    return MarkLink(Kernel32<decltype(&FindNextMarked)>("FindNextFileA")(find, entry), entry);
}

// The names listed, sorted, then "!" and the paths left out as too long, as lengths.
TEST(Listing, SubfoldersButNotTheOutputFolderLinksOrHiddenOnes)
{
    static const bool hooked = (HookImport(reinterpret_cast<void*>(&FindFirstFileA), reinterpret_cast<void*>(&FindFirstMarked)),
                                HookImport(reinterpret_cast<void*>(&FindNextFileA), reinterpret_cast<void*>(&FindNextMarked)), true);
    ASSERT_TRUE(hooked);
    ScratchFolder dir;
    const std::string in = dir / "in";
    for (const std::string& folder : {in, in + "\\sub", in + "\\sub\\表", in + "\\out", in + "\\hidden", in + "\\link"})
        CreateDirectoryA(folder.c_str(), NULL);
    SetFileAttributesA((in + "\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    for (const char* file : {"a.txt", "b.dat", "sub\\c.txt", "sub\\表\\d.txt", "out\\e.txt", "hidden\\f.txt", "link\\g.txt"})
        WriteBytes(in + "\\" + file, "41");
    // Deep down, made by the wide functions, which take longer paths: a folder of 200 bytes with a file
    // whose path is 261, and in it one of 256, whose search text ("\\*.*") is 260.
    const std::string deep = in + "\\" + std::string(199 - in.size(), 'd'), deeper = deep + "\\" + std::string(55, 'e');
    auto wide = [](const std::string& path) { return std::wstring(path.begin(), path.end()); };
    CreateDirectoryW(wide(deep).c_str(), NULL), CreateDirectoryW(wide(deeper).c_str(), NULL);
    const std::wstring tooLong = wide(deep + "\\" + std::string(60, 'x'));
    CloseHandle(CreateFileW(tooLong.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
    const std::string outside = dir / "out", inside = in + "\\OUT\\.";
    const struct {
        const char* pattern;
        bool subfolders;
        std::string output;
        std::string listed;
    } cases[] = {
        {"*.*", false, inside, "a.txt b.dat"},
        {"*.*", true, inside, "a.txt b.dat sub\\c.txt sub\\表\\d.txt ! 261 260"},
        {"*.txt", true, outside, "a.txt out\\e.txt sub\\c.txt sub\\表\\d.txt ! 262"},
    };
    for (const auto& c : cases) {
        ListingOptions options;
        options.subfolders = c.subfolders;
        options.outputFolder = c.output.c_str();
        std::vector<Vexa::CString> names, tooLong;
        EXPECT_EQ(ListInputFiles(in.c_str(), c.pattern, names, options, &tooLong), 0u);
        std::vector<std::string> listed;
        for (const Vexa::CString& name : names) listed.push_back(static_cast<const char*>(name));
        std::sort(listed.begin(), listed.end());
        std::string seen;
        for (const std::string& name : listed) seen += (seen.empty() ? "" : " ") + name;
        if (!tooLong.empty()) seen += " !";
        for (const Vexa::CString& path : tooLong) seen += " " + std::to_string(path.GetLength());
        EXPECT_EQ(seen, c.listed) << c.pattern << " " << c.subfolders;
    }
    DeleteFileW(tooLong.c_str()), RemoveDirectoryW(wide(deeper).c_str()); // beyond the scratch folder's reach
}

} // namespace
