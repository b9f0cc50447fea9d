#include <gtest/gtest.h>

#include <string>

#include "core/OutputPath.h"

using Vexa::CString;

namespace {

std::string Text(const CString& s) { return static_cast<const char*>(s); }

// Whole paths (the single-file page) and bare file names (the batch page).
TEST(OutputPath, DerivedFromTheInput)
{
    struct Case { bool whole; int mode; const char* setting; const char* input; const char* expected; };
    const Case cases[] = {
        { true, 0, "ADD", "D:\\in\\sample.txt", "D:\\in\\sample.txt.dat" },
        { true, 1, "ADD", "D:\\in\\sample.bin", "D:\\in\\sample.bin.txt" },
        { true, 0, "REPLACE", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        { true, 0, "REPLACE", "D:\\in\\a.b.c", "D:\\in\\a.b.dat" },
        { true, 1, "REPLACE", "D:\\in\\sample.txt", "D:\\in\\sample.txt" }, // the input itself
        // Settings other than exactly "ADD" replace.
        { true, 0, "", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        { true, 0, "add", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        { true, 0, "ADD ", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        // Only a dot of the file name counts, not one in a folder name.
        { true, 0, "REPLACE", "D:\\old.files\\README", "D:\\old.files\\README.dat" },
        { true, 1, "REPLACE", "D:\\old.files\\", "D:\\old.files\\.txt" },
        // A trail byte 5C is no separator: the dot before 表 belongs to the file name.
        { true, 0, "REPLACE", "D:\\in\\data.表", "D:\\in\\data.dat" },
        { true, 0, "REPLACE", "C:\\表\\データ.txt", "C:\\表\\データ.dat" },
        { true, 1, "REPLACE", "C:\\work.d\\ソ", "C:\\work.d\\ソ.txt" },
        { true, 0, "ADD", "", "" },
        { true, 0, "REPLACE", "sample.txt", "sample.dat" },
        { false, 1, "ADD", "データ.bin", "データ.bin.txt" },
        { false, 0, "REPLACE", "data.表", "data.dat" },
        { false, 1, "REPLACE", "", ".txt" },
    };
    for (const Case& c : cases) {
        const CString actual = c.whole ? Vexa::MakeOutputPath(c.input, c.mode, c.setting)
                                       : Vexa::MakeOutputFileName(c.input, c.mode, c.setting);
        EXPECT_EQ(c.expected, Text(actual)) << (c.whole ? "path" : "name") << ", mode " << c.mode << ", "
                                            << c.setting << ", " << c.input;
    }
    EXPECT_EQ(".dat", Text(Vexa::OutputExtension(0)));
    EXPECT_EQ(".txt", Text(Vexa::OutputExtension(1)));
}

TEST(OutputPath, SplittingKnowsDoubleByteCharacters)
{
    struct Case { const char* path; int separator; const char* folder; const char* name; };
    const Case cases[] = {
        { "C:\\work\\表.txt", 7, "C:\\work", "表.txt" },
        { "C:\\work\\表", 7, "C:\\work", "表" },          // ends in 95 5C
        { "C:\\ソフト\\表\\", 12, "C:\\ソフト\\表", "" }, // ソ is 83 5C
        { "表.txt", -1, "", "表.txt" },
        { "ｱ\\x", 1, "ｱ", "x" },                          // half-width B1 is a single byte
        { "\\a", 0, "", "a" },
        { "C:\\", 2, "C:", "" },
        { "a\x81", -1, "", "a\x81" },                     // a lead byte cut off at the end
        { "", -1, "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.separator, Vexa::FindLastPathSeparator(c.path));
        EXPECT_EQ(c.folder, Text(Vexa::GetFolderPart(c.path)));
        EXPECT_EQ(c.name, Text(Vexa::GetFileNamePart(c.path)));
    }
    EXPECT_EQ(-1, Vexa::FindLastPathSeparator(nullptr));
}

} // namespace
