// The output names the pages propose, and the path splitting they stand on, with CP932 names whose
// trail byte is a backslash: 表 95 5C, ソ 83 5C, 饅 E9 5C (a lead byte above 9F).
#include <gtest/gtest.h>

#include <string>

#include "core/OutputPath.h"

using Vexa::CString;

namespace {

std::string Text(const CString& s) { return static_cast<const char*>(s); }

TEST(OutputPath, DerivedFromTheInputAndSplitByCharacters)
{
    // Whole paths (the single-file page) and file names (the batch page).
    struct Case { bool whole; int mode; const char* setting; const char* input; const char* expected; };
    const Case cases[] = {
        { true, 0, "ADD", "D:\\in\\sample.txt", "D:\\in\\sample.txt.dat" },
        { true, 1, "REPLACE", "D:\\in\\sample.txt", "D:\\in\\sample.txt" }, // the input itself
        { true, 0, "add", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },     // only exactly "ADD" appends
        { true, 0, "REPLACE", "D:\\old.files\\README", "D:\\old.files\\README.dat" },
        { true, 0, "REPLACE", "D:\\in\\data.表", "D:\\in\\data.dat" },
        { true, 1, "REPLACE", "D:\\in\\x.饅", "D:\\in\\x.txt" },
        { false, 1, "ADD", "データ.bin", "データ.bin.txt" },
        { false, 0, "REPLACE", "sub.d\\README", "sub.d\\README.dat" }, // a name below a subfolder
    };
    for (const Case& c : cases) {
        const CString actual = c.whole ? Vexa::MakeOutputPath(c.input, c.mode, c.setting)
                                       : Vexa::MakeOutputFileName(c.input, c.mode, c.setting);
        EXPECT_EQ(c.expected, Text(actual)) << c.mode << ", " << c.setting << ", " << c.input;
    }

    struct Split { const char* path; int separator; const char* folder; };
    const Split splits[] = {
        { "C:\\work\\表", 7, "C:\\work" },
        { "C:\\work\\饅", 7, "C:\\work" },
        { "C:\\ソフト\\表\\", 12, "C:\\ソフト\\表" },
        { "ｱ\\x", 1, "ｱ" },       // half-width B1 is a single byte
        { "\\a", 0, "" },
        { "a\x81", -1, "" },      // a lead byte cut off at the end
    };
    for (const Split& c : splits) {
        EXPECT_EQ(c.separator, Vexa::FindLastPathSeparator(c.path)) << c.path;
        EXPECT_EQ(c.folder, Text(Vexa::GetFolderPart(c.path))) << c.path;
    }
}

} // namespace
