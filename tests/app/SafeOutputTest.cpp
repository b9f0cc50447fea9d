// CSafeOutput: what is on disk while a conversion writes, and after it commits, gives up, or is
// dropped unfinished, for a new file and an existing one; a failed commit as both pages report it;
// and a held output that a batch finds before converting.
#include <gtest/gtest.h>

#include "AppEnvironment.h"
#include "app/CSafeOutput.h"

using namespace apptest;

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

// The last step of a commit, the rename, fails while s_failMoves is set.
bool s_failMoves = false;
BOOL WINAPI MoveOrFail(LPCSTR from, LPCSTR to, DWORD flags)
{
    using Move = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    static const Move real = reinterpret_cast<Move>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "MoveFileExA")));
    if (!s_failMoves) return real(from, to, flags);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST_F(AppTest, AFailedCommitIsReportedOnBothPages)
{
    static const bool hooked = (HookImport(reinterpret_cast<void*>(&MoveFileExA), reinterpret_cast<void*>(&MoveOrFail)), true);
    ASSERT_TRUE(hooked);
    WriteBytes(dir / "in.txt", "41");
    SetText(Individual().GetHwnd(), 7000, dir / "in.txt");
    SetText(Individual().GetHwnd(), 7001, dir / "out.dat");
    DialogWatcher watcher;
    s_failMoves = true;
    Click(Individual().GetHwnd(), 4002);
    ChooseTab(1);
    Batch().SetInputPath(dir.Path().c_str());
    SetText(Batch().GetHwnd(), 7001, dir / "out");
    Click(Batch().GetHwnd(), 4002);
    s_failMoves = false;
    ASSERT_EQ(watcher.boxes.size(), 2u);
    for (const Box& box : watcher.boxes) EXPECT_EQ(box.caption, "エラー") << box.text;
    EXPECT_EQ(ReadBytes(dir / "out.dat"), "<missing>");
    EXPECT_EQ(FilesIn(dir / "out"), 0) << "no temporary file stays";
    WIN32_FIND_DATAA entry;
    EXPECT_EQ(FindFirstFileA((dir / "out\\*.tmp").c_str(), &entry), INVALID_HANDLE_VALUE) << "nor their folder";
}

TEST_F(AppTest, ABatchFindsAHeldOutputBeforeConverting)
{
    // The output folder's listing spells the held output in other letters; it is looked at all the same.
    WriteBytes(dir / "in.txt", "41");
    CreateDirectoryA((dir / "out").c_str(), NULL);
    WriteBytes(dir / "out\\IN.DAT", "old");
    HeldFile held(dir / "out\\IN.DAT", "rw");
    ChooseTab(1);
    Batch().SetInputPath(dir.Path().c_str());
    SetText(Batch().GetHwnd(), 7001, dir / "out");
    DialogWatcher watcher;
    Click(Batch().GetHwnd(), 4002);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_NE(watcher.boxes[0].text.find("出力ファイルを作成できません"), std::string::npos) << watcher.boxes[0].text;
}

} // namespace
