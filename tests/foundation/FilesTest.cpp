// The file and the settings store, on real files.
#include <gtest/gtest.h>

#include <string>

#include "foundation/CFile.h"
#include "foundation/CSystemInfo.h"
#include "tests/TestSupport.h"

using Vexa::CFile;

namespace {

std::string Text(const Vexa::CString& s) { return static_cast<const char*>(s); }

// A failed open leaves INVALID_HANDLE_VALUE for the caller to test; an open file is shared for
// reading only, so a writer (an output naming the input) is refused while it is open.
TEST(CFile, FailedOpenAndSharing)
{
    testkit::ScratchFolder folder;
    testkit::WriteBytes(folder / "here.txt", "here");
    EXPECT_EQ(INVALID_HANDLE_VALUE, CFile((folder / "none").c_str(), GENERIC_READ, OPEN_EXISTING).GetHandle());
    CFile reader((folder / "here.txt").c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, CFile((folder / "here.txt").c_str(), GENERIC_READ, OPEN_EXISTING).GetHandle());
    EXPECT_EQ(INVALID_HANDLE_VALUE, CFile((folder / "here.txt").c_str(), GENERIC_WRITE, OPEN_EXISTING).GetHandle());
}

// The same key in each section, with values that end in a backslash byte (表 is 95 5C): each
// section keeps its own value, a missing file or key reads "", and a long value reads whole.
TEST(CSystemInfo, SectionsKeepTheirOwnValues)
{
    testkit::ScratchFolder folder;
    Vexa::CSystemInfo store;
    store.m_strProgramFolder = folder.Path().c_str();
    EXPECT_EQ("", Text(store.GetBatConvSetting("DEFAULT_OUTPUT_EXTENSION")));
    const std::string longValue(3000, 'v'); // read whole, or the settings dialog saves it cut
    EXPECT_NE(0, store.SetCommonSetting("DEFAULT_OUTPUT_EXTENSION", "C:\\ツール\\表"));
    EXPECT_NE(0, store.SetIndConvSetting("DEFAULT_OUTPUT_EXTENSION", "ADD"));
    EXPECT_NE(0, store.SetBatConvSetting("DEFAULT_OUTPUT_EXTENSION", longValue.c_str()));
    EXPECT_EQ("C:\\ツール\\表", Text(store.GetCommonSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_EQ("ADD", Text(store.GetIndConvSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_TRUE(longValue == Text(store.GetBatConvSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_EQ("", Text(store.GetBatConvSetting("DECIDE_OUTPUT_FROM_INPUT")));
    const std::string ini = testkit::ReadBytes(folder / "Quillmark.ini");
    for (const char* line : { "[COMMON_SETTINGS]", "[IND_CONV_SETTINGS]", "[BAT_CONV_SETTINGS]" })
        EXPECT_NE(std::string::npos, ini.find(line)) << line << " in\n" << ini;
    store.m_strProgramFolder = (folder / "missing").c_str();
    EXPECT_EQ(0, store.SetCommonSetting("FILER", "x")) << "an unwritable folder fails quietly";
}

} // namespace
