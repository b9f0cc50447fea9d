// The file and the settings store, on real files; where the settings live for an unprivileged user.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
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

// Beside the program where its folder can be written or the file is there, else in the application
// data folder, made on the first save; a write that fails is told once, with the system's reason.
// tests/foundation/run-unprivileged runs this as an unprivileged user, with program folders that
// user may read but not write.
TEST(SettingsPlace, ForAnUnprivilegedUser)
{
    const char* readOnly = getenv("QUILL_READ_ONLY_FOLDER");
    const char* withIni = getenv("QUILL_READ_ONLY_INI_FOLDER"); // its Quillmark.ini holds FILER=kept
    if (!readOnly || !withIni) GTEST_SKIP() << "SKIPPED: runs as the ctest entry settings_unprivileged";
    char appData[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, appData), S_OK);
    const std::string own = std::string(appData) + "\\Quillmark";
    testkit::RemoveTree(own);
    testkit::ScratchFolder writable;
    // The program folder, the file used, what FILER reads before and after a write, its error.
    const struct {
        std::string folder, file, before, after;
        DWORD error;
    } cases[] = {{writable.Path(), writable / "Quillmark.ini", "", "new", 0},
                 {readOnly, own + "\\Quillmark.ini", "", "new", 0},
                 {withIni, std::string(withIni) + "\\Quillmark.ini", "kept", "kept", ERROR_ACCESS_DENIED}};
    for (const auto& c : cases) {
        Vexa::CSystemInfo store;
        store.m_strProgramFolder = c.folder.c_str();
        store.LocateIniFile();
        EXPECT_STREQ(store.GetIniFilePath(), c.file.c_str());
        EXPECT_STREQ(store.GetCommonSetting("FILER"), c.before.c_str());
        EXPECT_EQ(store.SetCommonSetting("FILER", "new") != 0, c.error == 0) << c.folder;
        EXPECT_EQ(store.TakeWriteError(), c.error) << c.folder;
        EXPECT_EQ(store.TakeWriteError(), 0u) << "told once";
        EXPECT_STREQ(store.GetCommonSetting("FILER"), c.after.c_str());
    }
    testkit::RemoveTree(own);
}

} // namespace
