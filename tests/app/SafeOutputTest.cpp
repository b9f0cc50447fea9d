// A failed commit of a safe output as both pages report it. (What the engine leaves on disk under
// this and other faults, a full disk among them, is tested without windows in tests/engine.)
#include "AppEnvironment.h"

using namespace apptest;

namespace {

// The last step of a commit, the rename, fails while s_failRenames is set: both the rename
// through the open temporary file and the rename by name it falls back on. The hooks reach the
// system's functions through kernel32, since the import slots are theirs.
bool s_failRenames = false;
template <typename F>
F Real(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}
BOOL WINAPI MoveOrFail(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (s_failRenames) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
    return Real<decltype(&MoveOrFail)>("MoveFileExA")(from, to, flags);
}
BOOL WINAPI SetInfoOrFail(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type, LPVOID info, DWORD size)
{
    if (s_failRenames && type == FileRenameInfo) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
    return Real<decltype(&SetInfoOrFail)>("SetFileInformationByHandle")(file, type, info, size);
}

TEST_F(AppTest, AFailedCommitIsReportedOnBothPagesAndLeavesTheOldOutput)
{
    static const bool hooked =
        (HookImport(reinterpret_cast<void*>(&MoveFileExA), reinterpret_cast<void*>(&MoveOrFail)),
         HookImport(reinterpret_cast<void*>(&SetFileInformationByHandle), reinterpret_cast<void*>(&SetInfoOrFail)), true);
    ASSERT_TRUE(hooked);
    WriteBytes(dir / "in.txt", "41");
    const std::string out = dir / "out", old = out + "\\in.dat";
    const struct {
        int tab;
        std::string output, box; // the output box's text; how the message box begins
    } cases[] = {
        {0, old, "バイナリファイルの作成に失敗しました\n" + old + "\n"},
        {1, out, "1 件のファイルを変換できませんでした。\nin.txt: 変換に失敗しました - "},
    };
    for (const auto& c : cases) {
        Reset(c.tab);
        RemoveTree(out);
        CreateDirectoryA(out.c_str(), NULL);
        WriteBytes(old, "old");
        CMainDlg* page = CMainWnd::GetPage(c.tab);
        page->SetInputPath(c.tab == 0 ? (dir / "in.txt").c_str() : dir.Path().c_str());
        SetText(page->GetHwnd(), IDC_OUTPUT_PATH, c.output);
        s_failRenames = true;
        const std::string shown = ConvertBox(page->GetHwnd()).text;
        s_failRenames = false;
        EXPECT_EQ(shown.rfind(c.box, 0), 0u) << shown;
        EXPECT_EQ(ReadBytes(old), "old");
        EXPECT_EQ(FilesIn(out) + FilesIn(dir.Path()), 2) << "no temporary file stays";
        WIN32_FIND_DATAA entry;
        EXPECT_EQ(FindFirstFileA((out + "\\*.tmp").c_str(), &entry), INVALID_HANDLE_VALUE) << "nor their folder";
    }
}

} // namespace
