// The collision check of a batch: names compared by the file they name, whatever their spelling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/OutputCollisions.h"
#include "tests/TestSupport.h"

using namespace testkit;

namespace {

// Rows "input>output" ('-' first when unchecked) and their verdicts: C convert, - unchecked,
// D another row makes the same output, I the output is a listed input.
TEST(Collisions, NamesAreComparedByTheFileTheyName)
{
    ScratchFolder dir;
    CreateDirectoryA((dir / "in").c_str(), NULL);
    CreateDirectoryA((dir / "other").c_str(), NULL);
    WriteBytes(dir / "in\\longname_input.txt", "41");
    WriteBytes(dir / "other\\longname_output.dat", "old");
    const std::string shortName = ShortName(dir / "in\\longname_input.txt"), base = shortName.substr(0, shortName.find('.'));
    const std::string shortOutput = ShortName(dir / "other\\longname_output.dat");
    const struct {
        const char* name;
        std::string outputFolder;
        std::vector<std::string> rows;
        const char* verdicts;
    } cases[] = {
        {"letter case", dir / "other", {"memo.txt>memo.dat", "MEMO.bin>MEMO.DAT", "a.txt>a.dat", "-x.txt>memo.dat"}, "DDC-"},
        {"a trailing dot or blank", dir / "other", {"a.txt>a.dat.", "b.txt>A.DAT ", "c.txt>c.dat"}, "DDC"},
        {"the input folder spelled otherwise", dir / "IN\\.", {"a.txt>b.txt", "b.txt>b.dat", "-c.txt>c.txt"}, "IC-"},
        {"an input's short name", dir / "in", {"longname_input.txt>x.dat", "a.txt>" + shortName, base + ".bin>" + base + ".txt"}, "CII"},
        {"a detour through another folder", dir / "other",
         {"a.txt>..\\in\\a.txt", "b.txt>..\\IN\\x\\..\\b.dat", "c.txt>..\\in\\" + shortName + " ", "-longname_input.txt>x"}, "ICI-"},
        {"an existing output's short name", dir / "other", {"a.txt>longname_output.dat", "b.txt>" + shortOutput}, "DD"},
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
            verdicts += "C-DI"[verdict];
        EXPECT_EQ(verdicts, c.verdicts) << c.name;
    }
}

} // namespace
