// Where the settings live, met as an unprivileged user meets it: tests/foundation/run-unprivileged
// runs this program as such a user, with program folders that user may not write to.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
#include <string>

#include "foundation/CSystemInfo.h"
#include "tests/TestSupport.h"

namespace {

std::string Text(const Vexa::CString& s) { return static_cast<const char*>(s); }

// Beside the program when its folder can be written or the file is there, else in the application
// data folder, made on the first write; a write that fails is told once, with the system's reason.
TEST(SettingsPlace, ForAnUnprivilegedUser)
{
    const char* readOnly = getenv("QUILL_READ_ONLY_FOLDER");     // empty
    const char* readOnlyIni = getenv("QUILL_READ_ONLY_INI_FOLDER"); // holds FILER=kept
    if (!readOnly || !readOnlyIni) GTEST_SKIP() << "SKIPPED: runs as the ctest entry settings_unprivileged";
    char appData[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, appData), S_OK);
    const std::string own = std::string(appData) + "\\Quillmark";
    testkit::RemoveTree(own);
    testkit::ScratchFolder writable;
    const struct {
        const char* name;
        std::string folder, file, before;
        DWORD error;
    } cases[] = {
        {"a folder the user may write to", writable.Path(), writable / "Quillmark.ini", "", 0},
        {"a read-only folder", readOnly, own + "\\Quillmark.ini", "", 0},
        {"a read-only folder that holds the file", readOnlyIni, std::string(readOnlyIni) + "\\Quillmark.ini", "kept",
         ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Vexa::CSystemInfo store;
        store.m_strProgramFolder = c.folder.c_str();
        store.LocateIniFile();
        EXPECT_EQ(Text(store.GetIniFilePath()), c.file);
        EXPECT_EQ(Text(store.GetCommonSetting("FILER")), c.before);
        EXPECT_EQ(store.SetCommonSetting("FILER", "new") != 0, c.error == 0);
        EXPECT_EQ(store.TakeWriteError(), c.error);
        EXPECT_EQ(store.TakeWriteError(), 0u) << "told once";
        EXPECT_EQ(Text(store.GetCommonSetting("FILER")), c.error ? c.before : "new");
        EXPECT_EQ(testkit::FilesIn(c.folder), c.error ? 1 : c.file.find(c.folder) == 0) << "nothing else left";
    }
    testkit::RemoveTree(own);
}

} // namespace
