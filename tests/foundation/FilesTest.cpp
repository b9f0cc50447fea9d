// The file, on real files; where the settings live for an unprivileged user.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
#include <string>

#include "foundation/CFile.h"
#include "foundation/CSystemInfo.h"
#include "tests/TestSupport.h"

using Vexa::CFile;

namespace {

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

// Beside the program where its folder can be written or the file is there, else in the application
// data folder, made on the first save; a failed write is told once, with the system's reason. Run
// by run-unprivileged as a user who may read the program folders but not write them.
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
