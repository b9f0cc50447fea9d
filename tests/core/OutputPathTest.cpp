#include <gtest/gtest.h>

#include <string>

#include "core/OutputPath.h"

using Vexa::CString;

namespace {

std::string Text(const CString& s) { return static_cast<const char*>(s); }

struct PathCase { int mode; const char* setting; const char* input; const char* expected; };

TEST(OutputPath, IndividualPageDerivesAWholePath)
{
    const PathCase cases[] = {
        { 0, "ADD", "D:\\in\\sample.txt", "D:\\in\\sample.txt.dat" },
        { 1, "ADD", "D:\\in\\sample.bin", "D:\\in\\sample.bin.txt" },
        { 0, "REPLACE", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        { 0, "REPLACE", "D:\\in\\sample", "D:\\in\\sample.dat" },
        { 0, "REPLACE", "D:\\in\\a.b.c", "D:\\in\\a.b.dat" },
        { 1, "REPLACE", "D:\\in\\sample.txt", "D:\\in\\sample.txt" }, // the input itself
        { 1, "REPLACE", "D:\\in\\.profile", "D:\\in\\.txt" },
        // Settings other than exactly "ADD" replace.
        { 0, "", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        { 0, "add", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        { 0, "ADD ", "D:\\in\\sample.txt", "D:\\in\\sample.dat" },
        // Only a dot of the file name counts, not one in a folder name.
        { 0, "REPLACE", "D:\\old.files\\README", "D:\\old.files\\README.dat" },
        { 1, "REPLACE", "D:\\old.files\\", "D:\\old.files\\.txt" },
        // A trail byte 5C is no separator: the dot before 表 belongs to the file name.
        { 0, "REPLACE", "D:\\in\\data.表", "D:\\in\\data.dat" },
        { 0, "REPLACE", "C:\\表\\データ.txt", "C:\\表\\データ.dat" },
        { 1, "REPLACE", "C:\\work.d\\ソ", "C:\\work.d\\ソ.txt" },
        { 0, "ADD", "", "" },
        { 0, "REPLACE", "", "" },
        { 0, "REPLACE", "sample.txt", "sample.dat" },
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(c.expected, Text(Vexa::MakeOutputPath(c.input, c.mode, c.setting)))
            << "mode " << c.mode << ", " << c.setting << ", " << c.input;
    }
}

TEST(OutputPath, BatchPageDerivesAFileName)
{
    const PathCase cases[] = {
        { 1, "REPLACE", "log.dat", "log.txt" },
        { 1, "REPLACE", "README", "README.txt" },
        { 1, "REPLACE", ".profile", ".txt" },
        { 0, "REPLACE", "a.b.c", "a.b.dat" },
        { 0, "ADD", "a.b.c", "a.b.c.dat" },
        { 1, "ADD", "データ.bin", "データ.bin.txt" },
        { 0, "add", "x.txt", "x.dat" },
        { 0, "", "x.txt", "x.dat" },
        { 0, "REPLACE", "data.表", "data.dat" },
        { 1, "REPLACE", "", ".txt" },
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(c.expected, Text(Vexa::MakeOutputFileName(c.input, c.mode, c.setting)))
            << "mode " << c.mode << ", " << c.setting << ", " << c.input;
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
    // The string's own search stays a byte search.
    EXPECT_EQ(9, CString("C:\\work\\表").ReverseFind('\\'));
}

} // namespace
