#include <gtest/gtest.h>

#include <string>

#include "foundation/CSystemInfo.h"
#include "tests/TestSupport.h"

using Vexa::CString;
using Vexa::CSystemInfo;

namespace {

std::string Text(const CString& s) { return static_cast<const char*>(s); }

// The same key in each section, with values that end in a backslash byte (表 is 95 5C): each
// section keeps its own value, and a missing file or key reads "".
TEST(CSystemInfo, SectionsKeepTheirOwnValues)
{
    testkit::ScratchFolder folder;
    CSystemInfo store;
    store.m_strProgramFolder = folder.Path().c_str();
    EXPECT_EQ(folder / "Quillmark.ini", Text(store.GetIniFilePath()));
    EXPECT_EQ("", Text(store.GetBatConvSetting("DEFAULT_OUTPUT_EXTENSION")));

    EXPECT_NE(0, store.SetCommonSetting("DEFAULT_OUTPUT_EXTENSION", "C:\\ツール\\表"));
    EXPECT_NE(0, store.SetIndConvSetting("DEFAULT_OUTPUT_EXTENSION", "ADD"));
    EXPECT_NE(0, store.SetBatConvSetting("DEFAULT_OUTPUT_EXTENSION", "REPLACE"));
    EXPECT_EQ("C:\\ツール\\表", Text(store.GetCommonSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_EQ("ADD", Text(store.GetIndConvSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_EQ("REPLACE", Text(store.GetBatConvSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_EQ("", Text(store.GetBatConvSetting("DECIDE_OUTPUT_FROM_INPUT")));
    const std::string ini = testkit::ReadBytes(folder / "Quillmark.ini");
    for (const char* line : { "[COMMON_SETTINGS]", "[IND_CONV_SETTINGS]", "[BAT_CONV_SETTINGS]" })
        EXPECT_NE(std::string::npos, ini.find(line)) << line << " in\n" << ini;

    const std::string longValue(3000, 'v'); // read whole, or the settings dialog saves it cut
    EXPECT_NE(0, store.SetCommonSetting("FILER", longValue.c_str()));
    EXPECT_EQ(longValue, Text(store.GetCommonSetting("FILER")));

    store.m_strProgramFolder = (folder / "missing").c_str();
    EXPECT_EQ(0, store.SetCommonSetting("FILER", "x")) << "an unwritable folder fails quietly";
}

} // namespace
