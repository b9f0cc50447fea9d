// What a batch converts: the listing of its input folder, flat and with subfolders, and the collision
// check, which compares names by the file they name, whatever their spelling.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/InputListing.h"
#include "engine/OutputCollisions.h"
#include "tests/TestSupport.h"

using namespace testkit;

namespace {

// Rows "input>output" ('-' unchecked) and verdicts: C convert, - unchecked, D a duplicate output,
// I the output is a listed input, O the input lies in the output folder, L a path too long.
TEST(Collisions, NamesAreComparedByTheFileTheyName)
{
    ScratchFolder dir;
    CreateDirectoryA((dir / "in").c_str(), NULL);
    CreateDirectoryA((dir / "other").c_str(), NULL);
    WriteBytes(dir / "in\\longname_input.txt", "41");
    const std::string shortName = ShortName(dir / "in\\longname_input.txt"), base = shortName.substr(0, shortName.find('.'));
    const struct {
        const char* name;
        std::string outputFolder;
        std::vector<std::string> rows;
        const char* verdicts;
    } cases[] = {
        {"letter case", dir / "other", {"memo.txt>memo.dat", "MEMO.bin>MEMO.DAT", "a.txt>a.dat", "-x.txt>memo.dat"}, "DDC-"},
        {"a trailing dot or blank", dir / "other", {"a.txt>a.dat.", "b.txt>A.DAT ", "c.txt>c.dat"}, "DDC"},
        {"an input's short name", dir / "in", {"longname_input.txt>x.dat", "a.txt>" + shortName, base + ".bin>" + base + ".txt"}, "CII"},
        {"a detour through another folder", dir / "other",
         {"a.txt>..\\in\\a.txt", "b.txt>..\\IN\\x\\..\\b.dat", "c.txt>..\\in\\" + shortName + " ", "-longname_input.txt>x"}, "ICI-"},
        {"across subfolders", dir / "other", {"s\\a.txt>s\\a.dat", "S\\b.txt>s\\A.DAT", "t\\a.txt>t\\a.dat", "u\\a.txt>s\\..\\t\\a.dat"}, "DDDD"},
        {"the output folder inside the input", dir / "in\\sub", {"sub\\a.txt>a.dat", "a.txt>b.dat", "b.txt>..\\a.txt"}, "OCI"},
        {"a path too long", dir / "other", {"a.txt>" + std::string(250, 'x'), "-" + std::string(250, 'y') + ">a"}, "L-"},
    };
    for (const auto& c : cases) {
        std::vector<BatchRow> rows;
        for (const std::string& row : c.rows) {
            const size_t arrow = row.find('>');
            const bool checked = row[0] != '-';
            rows.push_back(BatchRow{row.substr(checked ? 0 : 1, arrow - (checked ? 0 : 1)).c_str(), row.substr(arrow + 1).c_str(), checked});
        }
        std::string verdicts;
        for (RowVerdict verdict : CheckOutputCollisions((dir / "in").c_str(), c.outputFolder.c_str(), rows))
            verdicts += "C-DIOL"[verdict];
        EXPECT_EQ(verdicts, c.verdicts) << c.name;
    }
}

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
    return MarkLink(find != INVALID_HANDLE_VALUE, entry), find;
}
BOOL WINAPI FindNextMarked(HANDLE find, LPWIN32_FIND_DATAA entry)
{
    return MarkLink(Kernel32<decltype(&FindNextMarked)>("FindNextFileA")(find, entry), entry);
}

// The names listed, sorted, then "!" and the paths left out as too long, as lengths.
TEST(Listing, SubfoldersButNotTheOutputFolderLinksOrHiddenOnes)
{
    HookImport(reinterpret_cast<void*>(&FindFirstFileA), reinterpret_cast<void*>(&FindFirstMarked));
    HookImport(reinterpret_cast<void*>(&FindNextFileA), reinterpret_cast<void*>(&FindNextMarked));
    ScratchFolder dir;
    const std::string in = dir / "in";
    for (const char* folder : {"", "\\sub", "\\sub\\表", "\\out", "\\hidden", "\\link"}) CreateDirectoryA((in + folder).c_str(), NULL);
    SetFileAttributesA((in + "\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    for (const char* file : {"a.txt", "b.dat", "sub\\c.txt", "sub\\表\\d.txt", "out\\e.txt", "hidden\\f.txt", "link\\g.txt"})
        WriteBytes(in + "\\" + file, "41");
    // Deep down, made by the wide functions, which take longer paths: a folder of 200 bytes with a file
    // whose path is 261, and in it one of 256, whose search text ("\\*.*") is 260.
    const std::string deep = in + "\\" + std::string(199 - in.size(), 'd'), deeper = deep + "\\" + std::string(55, 'e');
    auto wide = [](const std::string& path) { return std::wstring(path.begin(), path.end()); };
    const std::wstring longFile = wide(deep + "\\" + std::string(60, 'x'));
    CreateDirectoryW(wide(deep).c_str(), NULL), CreateDirectoryW(wide(deeper).c_str(), NULL);
    CloseHandle(CreateFileW(longFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
    const struct { const char* pattern; bool subfolders; std::string output, listed; } cases[] = {
        {"*.*", false, in + "\\OUT\\.", "a.txt b.dat"},
        {"*.*", true, in + "\\OUT\\.", "a.txt b.dat sub\\c.txt sub\\表\\d.txt ! 261 260"},
        {"*.txt", true, dir / "out", "a.txt out\\e.txt sub\\c.txt sub\\表\\d.txt ! 262"},
    };
    for (const auto& c : cases) {
        ListingOptions options;
        options.subfolders = c.subfolders, options.outputFolder = c.output.c_str();
        std::vector<Vexa::CString> names, tooLong;
        EXPECT_EQ(ListInputFiles(in.c_str(), c.pattern, names, options, &tooLong), 0u);
        std::vector<std::string> listed(names.begin(), names.end());
        std::sort(listed.begin(), listed.end());
        std::string seen = tooLong.empty() ? "" : " !";
        for (const Vexa::CString& path : tooLong) seen += " " + std::to_string(path.GetLength());
        for (auto name = listed.rbegin(); name != listed.rend(); ++name) seen = " " + *name + seen;
        EXPECT_EQ(seen.substr(1), c.listed) << c.pattern << " " << c.subfolders;
    }
    DeleteFileW(longFile.c_str()), RemoveDirectoryW(wide(deeper).c_str()); // beyond the scratch folder's reach
}

} // namespace
