// CSafeOutput: what is on disk after a conversion commits or gives up, for a new file, an
// existing file and a device.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/CSafeOutput.h"

using namespace apptest;

namespace {

int FilesIn(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    int files = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return files;
}

struct Case {
    const char* name;
    const char* before; // nullptr: no file yet
    bool commit;
    const char* after;  // "<missing>" when nothing may be left
};

TEST(SafeOutputTest, CommitReplacesAndAbandonRestores)
{
    const Case cases[] = {
        {"new file, committed", nullptr, true, "new"},
        {"new file, abandoned", nullptr, false, "<missing>"},
        {"existing file, committed", "old content", true, "new"},
        {"existing file, abandoned", "old content", false, "old content"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        std::string path = dir / "表.dat";
        if (c.before) WriteBytes(path, c.before);
        {
            DWORD written = 0;
            CSafeOutput output;
            ASSERT_TRUE(output.Open(path.c_str()));
            EXPECT_EQ(ReadBytes(path), c.before ? c.before : "") << "nothing is truncated before the end";
            ASSERT_TRUE(output.File().Write("new", 3, &written));
            if (c.commit)
                EXPECT_TRUE(output.Commit());
            else
                output.Abandon();
        }
        EXPECT_EQ(ReadBytes(path), c.after);
        EXPECT_EQ(FilesIn(dir.Path()), std::string(c.after) == "<missing>" ? 0 : 1) << "no temporary file stays";
    }
}

TEST(SafeOutputTest, AnOutputThatIsNeitherCommittedNorAbandonedIsRolledBack)
{
    ScratchFolder dir;
    WriteBytes(dir / "out.dat", "keep");
    {
        DWORD written = 0;
        CSafeOutput output;
        ASSERT_TRUE(output.Open((dir / "out.dat").c_str()));
        output.File().Write("xx", 2, &written);
    }
    EXPECT_EQ(ReadBytes(dir / "out.dat"), "keep");
    EXPECT_EQ(FilesIn(dir.Path()), 1);
}

TEST(SafeOutputTest, OpenFailsWhereThePagesReportTheOutputAsNotOpenable)
{
    ScratchFolder dir;
    CreateDirectoryA((dir / "folder").c_str(), NULL);
    WriteBytes(dir / "locked.dat", "locked");
    HANDLE lock = CreateFileA((dir / "locked.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    for (const std::string& path : {dir / "folder", dir / "missing\\x.dat", dir / "locked.dat"}) {
        CSafeOutput output;
        EXPECT_FALSE(output.Open(path.c_str())) << path;
    }
    CloseHandle(lock);
    EXPECT_EQ(ReadBytes(dir / "locked.dat"), "locked");
}

TEST(SafeOutputTest, ADeviceIsWrittenInPlaceAndLeftAlone)
{
    DWORD written = 0;
    CSafeOutput output;
    ASSERT_TRUE(output.Open("Z:\\dev\\full"));
    EXPECT_FALSE(output.File().Write("x", 1, &written));
    output.Abandon();
    HANDLE dev = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(GetFileType(dev), static_cast<DWORD>(FILE_TYPE_CHAR));
    CloseHandle(dev);
}

} // namespace
