// The batch conversion page in a real main window: listing and filters, output names, the
// check boxes, renaming a row, and the conversion with its messages and files.
#include <gtest/gtest.h>

#include <algorithm>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

class BatchPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveIni();
        MainWnd().SetMode(0);
        ChooseTab(1);
        HWND filter = GetDlgItem(Page(), 9000);
        SendMessageA(filter, CB_SETCURSEL, 0, 0);
        Batch().Clear();
        in = dir / "in";
        out = dir / "out";
        CreateDirectoryA(in.c_str(), NULL);
        WriteBytes(in + "\\memo.txt", "41 42");
        WriteBytes(in + "\\a.b.txt", "43");
        WriteBytes(in + "\\data.dat", std::string("\x01\xfe", 2));
        WriteBytes(in + "\\README", "44");
        WriteBytes(in + "\\hidden.txt", "45");
        SetFileAttributesA((in + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        WriteBytes(in + "\\system.txt", "46");
        SetFileAttributesA((in + "\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
        CreateDirectoryA((in + "\\sub.txt").c_str(), NULL);
        WriteBytes(in + "\\sub.txt\\inner.txt", "47");
    }
    HWND Page() { return Batch().GetHwnd(); }
    HWND List() { return GetDlgItem(Page(), 8000); }
    int Rows() { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column)
    {
        char text[300] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(List(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    bool Checked(int row)
    {
        return (SendMessageA(List(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2;
    }
    void Check(int row, bool on)
    {
        LVITEMA item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
        SendMessageA(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    int RowOf(const std::string& name)
    {
        for (int i = 0; i < Rows(); ++i)
            if (Cell(i, 0) == name) return i;
        return -1;
    }
    void Select(int row)
    {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    // "name -> output" for every row, sorted (the platform's search order is its own).
    std::vector<std::string> Listing()
    {
        std::vector<std::string> rows;
        for (int i = 0; i < Rows(); ++i) rows.push_back(Cell(i, 0) + " -> " + Cell(i, 1));
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    void ChooseFilter(int index)
    {
        HWND filter = GetDlgItem(Page(), 9000);
        SendMessageA(filter, CB_SETCURSEL, index, 0);
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(9000, CBN_SELCHANGE), reinterpret_cast<LPARAM>(filter));
        Pump();
    }
    std::vector<Box> ConvertAll()
    {
        DialogWatcher watcher;
        Click(Page(), 4002);
        return watcher.boxes;
    }

    ScratchFolder dir;
    std::string in, out;
};

using RowList = std::vector<std::string>;

TEST_F(BatchPageTest, ListsThePlainFilesOfTheFolderAllChecked)
{
    EXPECT_EQ(SendMessageA(GetDlgItem(Page(), 9000), CB_GETCURSEL, 0, 0), 0);
    char pattern[16] = "";
    SendMessageA(GetDlgItem(Page(), 9000), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(pattern));
    EXPECT_STREQ(pattern, "*.*");
    Batch().SetInputPath(in.c_str());
    EXPECT_EQ(Listing(), (RowList{"README -> README.dat", "a.b.txt -> a.b.dat", "data.dat -> data.dat",
                               "memo.txt -> memo.dat"}));
    for (int i = 0; i < Rows(); ++i) EXPECT_TRUE(Checked(i)) << Cell(i, 0);
    EXPECT_EQ(GetText(Page(), 7000), in);
    EXPECT_EQ(GetText(Page(), 7001), "") << "without settings the output folder stays empty";
}

struct ListingCase {
    const char* name;
    int filter;
    int mode;
    const char* extension;
    RowList expected;
};

TEST_F(BatchPageTest, FiltersModesAndExtensionRulesShapeTheList)
{
    const ListingCase cases[] = {
        {"*.txt, replace", 1, 0, "REPLACE", {"a.b.txt -> a.b.dat", "memo.txt -> memo.dat"}},
        {"*.txt, add", 1, 0, "ADD", {"a.b.txt -> a.b.txt.dat", "memo.txt -> memo.txt.dat"}},
        {"*.dat, to text", 2, 1, "REPLACE", {"data.dat -> data.txt"}},
        {"*.bin, nothing", 3, 0, "REPLACE", {}},
        {"*.*, to text, add", 0, 1, "ADD",
         {"README -> README.txt", "a.b.txt -> a.b.txt.txt", "data.dat -> data.dat.txt", "memo.txt -> memo.txt.txt"}},
    };
    for (const ListingCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetIni("BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", c.extension);
        SetIni("IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "ADD"); // not this page's section
        SetText(Page(), 7000, in);
        MainWnd().SetMode(c.mode);
        ChooseFilter(c.filter);
        EXPECT_EQ(Listing(), c.expected);
    }
}

TEST_F(BatchPageTest, TheSelectorRebuildsTheListAndTheMenuDoesNot)
{
    Batch().SetInputPath(in.c_str());
    int row = RowOf("memo.txt");
    Check(row, false);
    SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 106, 0);
    Pump();
    EXPECT_EQ(Cell(RowOf("memo.txt"), 1), "memo.dat") << "the menu only changes the mode";
    ChooseMode(1);
    row = RowOf("memo.txt");
    EXPECT_EQ(Cell(row, 1), "memo.txt");
    EXPECT_TRUE(Checked(row)) << "a rebuilt list is checked again";
}

TEST_F(BatchPageTest, DecideOutputFromInputFillsTheOutputFolder)
{
    SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE");
    Batch().SetInputPath(in.c_str());
    EXPECT_EQ(GetText(Page(), 7001), in);
    Click(Page(), 4003);
    EXPECT_EQ(GetText(Page(), 7000), "");
    EXPECT_EQ(GetText(Page(), 7001), "");
    EXPECT_EQ(Rows(), 0);
    EXPECT_STREQ(Batch().m_strFolder, "");
}

TEST_F(BatchPageTest, CheckAllAndClearAll)
{
    Batch().SetInputPath(in.c_str());
    Click(Page(), 4005);
    for (int i = 0; i < Rows(); ++i) EXPECT_FALSE(Checked(i));
    Click(Page(), 4004);
    for (int i = 0; i < Rows(); ++i) EXPECT_TRUE(Checked(i));
}

TEST_F(BatchPageTest, WarningsForWhatIsMissing)
{
    struct Case {
        const char* input;
        const char* output;
        const char* text;
    } cases[] = {
        {"", "", "入力フォルダを設定してください"},
        {"x", "", "出力フォルダを設定してください"},
        {"x", "y", "変換するものがありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SetText(Page(), 7000, c.input);
        SetText(Page(), 7001, c.output);
        std::vector<Box> boxes = ConvertAll();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, "警告");
        EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONWARNING));
    }
}

TEST_F(BatchPageTest, ConvertsEveryCheckedRowIntoANewOutputFolder)
{
    Batch().SetInputPath(in.c_str());
    SetText(Page(), 7001, out);
    Check(RowOf("README"), false);
    std::vector<Box> boxes = ConvertAll();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "テキストファイルからバイナリファイルを作成しました");
    EXPECT_EQ(boxes[0].caption, "確認");
    EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(ReadBytes(out + "\\memo.dat"), "AB");
    EXPECT_EQ(ReadBytes(out + "\\a.b.dat"), "C");
    EXPECT_EQ(ReadBytes(out + "\\data.dat"), "") << "no hex digits in a binary file";
    EXPECT_FALSE(Exists(out + "\\README.dat")) << "unchecked rows are left alone";

    MainWnd().SetMode(1);
    Batch().SetInputPath(in.c_str()); // mode 1 names
    SetText(Page(), 7001, out);
    boxes = ConvertAll();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "バイナリファイルからテキストファイルを作成しました");
    EXPECT_EQ(ReadBytes(out + "\\data.txt"), "01 fe ");
}

TEST_F(BatchPageTest, AllRowsUncheckedWritesNothing)
{
    Batch().SetInputPath(in.c_str());
    SetText(Page(), 7001, out);
    Click(Page(), 4005);
    std::vector<Box> boxes = ConvertAll();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "テキストファイルからバイナリファイルを作成しました");
    EXPECT_EQ(ReadBytes(out + "\\memo.dat"), "<missing>");
}

TEST_F(BatchPageTest, FailedRowsAreNamedAndTheOthersStillConverted)
{
    Batch().SetInputPath(in.c_str());
    SetText(Page(), 7001, out);
    CreateDirectoryA(out.c_str(), NULL);
    CreateDirectoryA((out + "\\memo.dat").c_str(), NULL); // a folder where the output goes
    WriteBytes(out + "\\a.b.dat", "keep me");
    DeleteFileA((in + "\\a.b.txt").c_str()); // deleted since the list was filled
    std::vector<Box> boxes = ConvertAll();
    ASSERT_EQ(boxes.size(), 1u) << "one box for the whole run";
    EXPECT_EQ(boxes[0].caption, "エラー");
    EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_NE(boxes[0].text.find("2"), std::string::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("memo.txt"), std::string::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("a.b.txt"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].text.find("README"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(ReadBytes(out + "\\README.dat"), "D");
    EXPECT_EQ(ReadBytes(out + "\\a.b.dat"), "keep me");
}

TEST_F(BatchPageTest, ManyFailuresAreCountedNotAllNamed)
{
    CreateDirectoryA(out.c_str(), NULL);
    for (int i = 0; i < 8; ++i) {
        std::string name = "f" + std::to_string(i);
        WriteBytes(in + "\\" + name + ".txt", "41");
        CreateDirectoryA((out + "\\" + name + ".dat").c_str(), NULL);
    }
    Batch().SetInputPath(in.c_str());
    SetText(Page(), 7001, out);
    std::vector<Box> boxes = ConvertAll();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("8 ", 0), 0u) << boxes[0].text;
    EXPECT_LT(std::count(boxes[0].text.begin(), boxes[0].text.end(), '\n'), 8) << boxes[0].text;
    EXPECT_EQ(ReadBytes(out + "\\memo.dat"), "AB");
}

TEST_F(BatchPageTest, TheOutputNameDialogRenamesOneRow)
{
    Batch().SetInputPath(in.c_str());
    int row = RowOf("memo.txt");
    Check(row, false);
    Select(row);
    DialogWatcher watcher;
    std::string before, shown;
    bool editable = true;
    watcher.onDialog = [&](HWND dialog) {
        before = GetText(dialog, 7000);
        shown = GetText(dialog, 7001);
        editable = IsWindowEnabled(GetDlgItem(dialog, 7000)) != FALSE;
        SetText(dialog, 7001, "result.bin");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    Batch().EditOutputName();
    EXPECT_EQ(before, "memo.txt");
    EXPECT_EQ(shown, "memo.dat");
    EXPECT_FALSE(editable);
    EXPECT_EQ(Cell(row, 1), "result.bin");
    EXPECT_FALSE(Checked(row)) << "the check box is not touched";
}

TEST_F(BatchPageTest, AnEmptyNameIsRefusedAndCancelKeepsTheRow)
{
    Batch().SetInputPath(in.c_str());
    int row = RowOf("memo.txt");
    Select(row);
    DialogWatcher watcher;
    HWND nameDialog = NULL;
    watcher.onDialog = [&](HWND dialog) {
        nameDialog = dialog;
        SetText(dialog, 7001, "");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    watcher.onBox = [&](const Box&) { PostMessageA(nameDialog, WM_COMMAND, IDCANCEL, 0); };
    Batch().EditOutputName();
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "変換後のファイル名を入力してください");
    EXPECT_EQ(watcher.boxes[0].caption, "警告");
    EXPECT_EQ(watcher.boxes[0].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(Cell(row, 1), "memo.dat");
}

TEST_F(BatchPageTest, NoSelectionOpensNothing)
{
    Batch().SetInputPath(in.c_str());
    DialogWatcher watcher;
    int opened = 0;
    watcher.onDialog = [&](HWND dialog) {
        ++opened;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    Batch().EditOutputName();
    EXPECT_EQ(opened, 0);
}

TEST_F(BatchPageTest, TheFolderChoosersShowTheirTitlesAndCancelChangesNothing)
{
    Batch().SetInputPath(in.c_str());
    for (int button : {4000, 4001}) {
        SCOPED_TRACE(button);
        bool titled = false;
        DialogWatcher watcher;
        watcher.onDialog = [&](HWND browser) {
            const char* title = button == 4000 ? "入力元を指定してください" : "出力先を指定してください";
            titled = FindWindowExA(browser, NULL, "Static", title) != NULL;
            PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
        };
        Click(Page(), button);
        EXPECT_TRUE(titled);
        EXPECT_EQ(GetText(Page(), 7000), in);
        EXPECT_EQ(GetText(Page(), 7001), "");
        EXPECT_EQ(Rows(), 4);
    }
}

} // namespace
