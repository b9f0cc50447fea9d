// A failed commit of a safe output as both pages report it. (What the engine leaves on disk under
// this and other faults, a full disk among them, is tested without windows in tests/engine.)
#include "AppEnvironment.h"

using namespace apptest;

namespace {

TEST_F(AppTest, AFailedCommitIsReportedOnBothPagesAndLeavesTheOldOutput)
{
    ASSERT_TRUE(HookRenames());
    WriteBytes(dir / "in.txt", "41");
    const std::string out = dir / "out", old = out + "\\in.dat";
    const struct {
        int tab;
        std::string output, box; // the output box's text; how the message box begins
    } cases[] = {
        {0, old, "バイナリファイルの作成に失敗しました\n" + old + "\n"},
        {1, out, "1 件のファイルを変換できませんでした。\n変換済み 0 件、スキップ 0 件、失敗 1 件\nin.txt: 変換に失敗しました - "},
    };
    for (const auto& c : cases) {
        Reset(c.tab);
        RemoveTree(out);
        CreateDirectoryA(out.c_str(), NULL);
        WriteBytes(old, "old");
        CMainDlg* page = CMainWnd::GetPage(c.tab);
        page->SetInputPath(c.tab == 0 ? (dir / "in.txt").c_str() : dir.Path().c_str());
        SetText(page->GetHwnd(), IDC_OUTPUT_PATH, c.output);
        failRenames = true;
        const std::string shown = ConvertBox(page->GetHwnd()).text;
        failRenames = false;
        EXPECT_EQ(shown.rfind(c.box, 0), 0u) << shown;
        EXPECT_EQ(ReadBytes(old), "old");
        EXPECT_EQ(FilesIn(out) + FilesIn(dir.Path()), 2) << "no temporary file stays";
        WIN32_FIND_DATAA entry;
        EXPECT_EQ(FindFirstFileA((out + "\\*.tmp").c_str(), &entry), INVALID_HANDLE_VALUE) << "nor their folder";
    }
}

} // namespace
