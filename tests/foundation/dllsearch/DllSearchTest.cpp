// After the start-up routine, a DLL beside the program (and in the current folder) no longer
// loads by its bare name, while system DLLs still do.
#include <gtest/gtest.h>

#include <windows.h>

#include "foundation/DllSearch.h"

TEST(DllSearch, APlantedDllNoLongerLoadsByItsBareName)
{
    HMODULE planted = LoadLibraryA("quillplant.dll");
    ASSERT_NE(planted, (HMODULE)NULL) << "the plant beside the program must load before the narrowing";
    FreeLibrary(planted);

    EXPECT_TRUE(Vexa::NarrowDllSearch());
    EXPECT_EQ(LoadLibraryA("quillplant.dll"), (HMODULE)NULL);
    EXPECT_NE(LoadLibraryA("version.dll"), (HMODULE)NULL);
}
