// A failed commit of a safe output as both pages report it, and what it leaves on disk.
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
    CreateDirectoryA((dir / "out").c_str(), NULL);
    WriteBytes(dir / "out\\in.dat", "old");
    SetText(Individual().GetHwnd(), 7000, dir / "in.txt");
    SetText(Individual().GetHwnd(), 7001, dir / "out.dat");
    s_failRenames = true;
    const std::string individual = ConvertBox(Individual().GetHwnd()).text;
    ChooseTab(1);
    Batch().SetInputPath(dir.Path().c_str());
    SetText(Batch().GetHwnd(), 7001, dir / "out");
    const std::string batch = ConvertBox(Batch().GetHwnd()).text;
    s_failRenames = false;
    EXPECT_EQ(individual.rfind("バイナリファイルの作成に失敗しました\n" + (dir / "out.dat") + "\n", 0), 0u) << individual;
    EXPECT_EQ(batch.rfind("1 件のファイルを変換できませんでした。\nin.txt: 変換に失敗しました - ", 0), 0u) << batch;
    EXPECT_EQ(ReadBytes(dir / "out.dat") + ReadBytes(dir / "out\\in.dat"), "<missing>old");
    EXPECT_EQ(FilesIn(dir / "out") + FilesIn(dir.Path()), 2) << "no temporary file stays";
    WIN32_FIND_DATAA entry;
    EXPECT_EQ(FindFirstFileA((dir / "out\\*.tmp").c_str(), &entry), INVALID_HANDLE_VALUE) << "nor their folder";
}

} // namespace
