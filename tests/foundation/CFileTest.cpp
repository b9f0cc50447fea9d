#include <gtest/gtest.h>

#include <windows.h>

#include "foundation/CFile.h"
#include "tests/TestSupport.h"

using Vexa::CFile;

// A failed open leaves INVALID_HANDLE_VALUE for the caller to test; closing never hands that
// value (the current process's pseudo-handle) or null to the platform.
TEST(CFile, FailedOpenAndClose)
{
    testkit::ScratchFolder folder;
    testkit::WriteBytes(folder / "here.txt", "here");
    CFile missing((folder / "no such file").c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(INVALID_HANDLE_VALUE, missing.GetHandle());
    EXPECT_FALSE(missing.Close());
    EXPECT_EQ(nullptr, missing.GetHandle());
    EXPECT_EQ("<missing>", testkit::ReadBytes(folder / "no such file")) << "reading creates nothing";

    CFile file((folder / "here.txt").c_str(), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file.GetHandle());
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.Close()) << "nothing left to close";
    // Shared for reading only: a second writer is refused until the handle is closed.
    CFile reader((folder / "here.txt").c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CFile((folder / "here.txt").c_str(), GENERIC_WRITE, OPEN_EXISTING).GetHandle());
}
