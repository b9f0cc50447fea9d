// CSafeOutput: what is on disk while a conversion writes, and after it commits, gives up, or is
// dropped unfinished, for a new file and an existing one.
#include <gtest/gtest.h>

#include "tests/TestSupport.h"
#include "app/CSafeOutput.h"

using namespace testkit;

namespace {

TEST(SafeOutputTest, CommitReplacesAndAnythingElseRestores)
{
    enum End { kCommit, kAbandon, kDrop };
    const struct Case {
        const char* name;
        const char* before; // nullptr: no file yet
        End end;
        const char* after;  // "<missing>" when nothing may be left
    } cases[] = {
        {"new file, committed", nullptr, kCommit, "new"},
        {"new file, abandoned", nullptr, kAbandon, "<missing>"},
        {"new file, dropped", nullptr, kDrop, "<missing>"},
        {"existing file, committed", "old content", kCommit, "new"},
        {"existing file, abandoned", "old content", kAbandon, "old content"},
        {"existing file, dropped", "old content", kDrop, "old content"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        std::string path = dir / "表.dat";
        if (c.before) WriteBytes(path, c.before);
        {
            DWORD written = 0;
            CSafeOutput output;
            ASSERT_EQ(output.Open(path.c_str()), 0u);
            // What a kill now would leave: the old content, or no file at all.
            EXPECT_EQ(ReadBytes(path), c.before ? c.before : "<missing>");
            ASSERT_TRUE(output.File().Write("new", 3, &written));
            if (c.end == kCommit) {
                EXPECT_EQ(output.Commit(), 0u);
            } else if (c.end == kAbandon) {
                output.Abandon();
            }
        }
        EXPECT_EQ(ReadBytes(path), c.after);
        EXPECT_EQ(FilesIn(dir.Path()), std::string(c.after) == "<missing>" ? 0 : 1) << "no temporary file stays";
    }
}

} // namespace
