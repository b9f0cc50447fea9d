#include <gtest/gtest.h>

#include <string>

#include "foundation/CSystemInfo.h"
#include "tests/TempFolder.h"

using Vexa::CString;
using Vexa::CSystemInfo;

namespace {

std::string Text(const CString& s) { return static_cast<const char*>(s); }

class CSystemInfoTest : public ::testing::Test {
protected:
    CSystemInfoTest() { m_store.m_strProgramFolder = m_folder.Folder().c_str(); }

    std::string IniText() const { return m_folder.ReadFile("Quillmark.ini"); }

    QuillTest::TempFolder m_folder;
    CSystemInfo m_store;
};

struct Key { const char* section; const char* key; const char* value; };

// Every key in the order the settings dialog saves them, with values a user may enter:
// 表 (95 5C) and ソ (83 5C) end in a backslash byte.
const Key kAllKeys[] = {
    { "COMMON_SETTINGS", "FILER", "C:\\ツール\\表.exe" },
    { "COMMON_SETTINGS", "TXT_EDITOR", "" },
    { "COMMON_SETTINGS", "BIN_EDITOR", "D:\\bin\\ソ" },
    { "IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE" },
    { "IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "ADD" },
    { "BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "FALSE" },
    { "BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "REPLACE" },
};

CString Get(CSystemInfo& store, const Key& k)
{
    const std::string section = k.section;
    return section == "COMMON_SETTINGS" ? store.GetCommonSetting(k.key)
         : section == "IND_CONV_SETTINGS" ? store.GetIndConvSetting(k.key) : store.GetBatConvSetting(k.key);
}

int Set(CSystemInfo& store, const Key& k)
{
    const std::string section = k.section;
    return section == "COMMON_SETTINGS" ? store.SetCommonSetting(k.key, k.value)
         : section == "IND_CONV_SETTINGS" ? store.SetIndConvSetting(k.key, k.value)
         : store.SetBatConvSetting(k.key, k.value);
}

TEST_F(CSystemInfoTest, SettingsFileIsBesideTheProgram)
{
    EXPECT_EQ(m_folder.Folder() + "\\Quillmark.ini", Text(m_store.GetIniFilePath()));
    EXPECT_EQ("\\Quillmark.ini", Text(CSystemInfo().GetIniFilePath()));
}

// A missing file, section or key reads empty; values come back exactly, case and all.
TEST_F(CSystemInfoTest, ReadsWhatTheFileHolds)
{
    for (const Key& k : kAllKeys)
        EXPECT_EQ("", Text(Get(m_store, k))) << "no file: " << k.section << "/" << k.key;

    m_folder.WriteFile("Quillmark.ini", "[IND_CONV_SETTINGS]\r\nDECIDE_OUTPUT_FROM_INPUT=true\r\n"
                                        "DEFAULT_OUTPUT_EXTENSION=add\r\n"
                                        "[BAT_CONV_SETTINGS]\r\nDECIDE_OUTPUT_FROM_INPUT=TRUE\r\n");
    const Key cases[] = {
        { "COMMON_SETTINGS", "FILER", "" },
        { "COMMON_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "" },
        { "IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "true" },
        { "IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "add" },
        { "BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE" },
        { "BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "" },
    };
    for (const Key& k : cases)
        EXPECT_EQ(k.value, Text(Get(m_store, k))) << k.section << "/" << k.key;
    EXPECT_FALSE(m_store.GetIndConvSetting("DECIDE_OUTPUT_FROM_INPUT") == "TRUE") << "case counts";
}

TEST_F(CSystemInfoTest, SavingEveryKeyWritesTheFileAndReadsBack)
{
    for (const Key& k : kAllKeys)
        EXPECT_NE(0, Set(m_store, k)) << k.key;
    for (const Key& k : kAllKeys)
        EXPECT_EQ(k.value, Text(Get(m_store, k))) << k.section << "/" << k.key;

    const std::string ini = IniText();
    for (const char* line : { "[COMMON_SETTINGS]", "FILER=C:\\ツール\\表.exe", "TXT_EDITOR=\r\n",
                              "[IND_CONV_SETTINGS]", "[BAT_CONV_SETTINGS]",
                              "DEFAULT_OUTPUT_EXTENSION=REPLACE" })
        EXPECT_NE(std::string::npos, ini.find(line)) << line << " in\n" << ini;

    // A second save replaces the values in place.
    EXPECT_NE(0, m_store.SetBatConvSetting("DEFAULT_OUTPUT_EXTENSION", "ADD"));
    EXPECT_EQ("ADD", Text(m_store.GetBatConvSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_EQ("ADD", Text(m_store.GetIndConvSetting("DEFAULT_OUTPUT_EXTENSION")));
    EXPECT_EQ(std::string::npos, IniText().find("REPLACE"));
}

TEST_F(CSystemInfoTest, LongValueIsReadWholeAndUnwritableFolderFailsQuietly)
{
    const std::string value(3000, 'v');
    EXPECT_NE(0, m_store.SetCommonSetting("FILER", value.c_str()));
    EXPECT_EQ(value, Text(m_store.GetCommonSetting("FILER")));

    m_store.m_strProgramFolder = (m_folder.Folder() + "\\missing").c_str();
    EXPECT_EQ(0, m_store.SetCommonSetting("FILER", "x"));
    EXPECT_EQ("", Text(m_store.GetCommonSetting("FILER")));
}

TEST(SystemInfoStore, OneStorePerProcess)
{
    EXPECT_EQ(nullptr, Vexa::GetSystemInfo());
    Vexa::CreateSystemInfo();
    CSystemInfo* store = Vexa::GetSystemInfo();
    ASSERT_NE(nullptr, store);
    Vexa::CreateSystemInfo();
    EXPECT_EQ(store, Vexa::GetSystemInfo()) << "a second create keeps the first store";
    Vexa::DestroySystemInfo();
    EXPECT_EQ(nullptr, Vexa::GetSystemInfo());
    Vexa::DestroySystemInfo();
}

} // namespace
