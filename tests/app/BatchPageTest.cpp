// The batch conversion page in a real main window: listing and filters, output names, the
// check boxes, renaming a row, and the conversion with its messages and files.
#include <algorithm>
#include <set>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

using RowList = std::vector<std::string>;

class BatchPageTest : public AppTest {
protected:
    void SetUp() override
    {
        Reset(1);
        SendMessageA(GetDlgItem(Page(), 9000), CB_SETCURSEL, 0, 0);
        in = dir / "in";
        out = dir / "out";
        CreateDirectoryA(in.c_str(), NULL);
        CreateDirectoryA((in + "\\sub.txt").c_str(), NULL); // folders, hidden and system files are not listed
        const struct { const char* name; std::string bytes; DWORD attributes; } files[] = {
            {"memo.txt", "41 42", 0}, {"a.b.txt", "43", 0}, {"data.dat", std::string("\x01\xfe", 2), 0},
            {"README", "44", 0}, {"hidden.txt", "45", FILE_ATTRIBUTE_HIDDEN}, {"system.txt", "46", FILE_ATTRIBUTE_SYSTEM},
        };
        for (const auto& file : files) {
            WriteBytes(in + "\\" + file.name, file.bytes);
            if (file.attributes) SetFileAttributesA((in + "\\" + file.name).c_str(), file.attributes);
        }
        WriteBytes(in + "\\sub.txt\\inner.txt", "47");
    }
    HWND Page() { return Batch().GetHwnd(); }
    HWND List() { return GetDlgItem(Page(), 8000); }
    void SetState(int row, UINT mask, UINT state)
    {
        LVITEMA item = {};
        item.stateMask = mask;
        item.state = state;
        SendMessageA(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    void Check(int row, bool on) { SetState(row, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(on ? 2 : 1)); }
    int RowOf(const std::string& name)
    {
        for (int i = 0; i < Rows(List()); ++i)
            if (Cell(List(), i, 0) == name) return i;
        return -1;
    }
    int CheckedRows()
    {
        int n = 0;
        for (int i = 0; i < Rows(List()); ++i) n += Checked(List(), i);
        return n;
    }
    // "name -> output" for every row, sorted (the platform's search order is its own).
    RowList Listing()
    {
        RowList rows;
        for (int i = 0; i < Rows(List()); ++i) rows.push_back(Cell(List(), i, 0) + " -> " + Cell(List(), i, 1));
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // Lists the input folder, names the output folder and presses "変換開始": the one box shown.
    Box ConvertAll(const std::function<void()>& beforeConvert = [] {})
    {
        Batch().SetInputPath(in.c_str());
        SetText(Page(), 7001, out);
        beforeConvert();
        DialogWatcher watcher;
        Click(Page(), 4002);
        EXPECT_EQ(watcher.boxes.size(), 1u) << "one box for the whole run";
        return watcher.boxes.empty() ? Box{"", "<no box>", 0} : watcher.boxes[0];
    }

    std::string in, out;
};

TEST_F(BatchPageTest, FiltersModesAndSettingsShapeTheList)
{
    struct Case {
        const char* name;
        int filter; // *.*, *.txt, *.dat, *.bin
        int mode;
        const char* decide;
        const char* extension;
        RowList expected;
    } cases[] = {
        {"no settings file", 0, 0, nullptr, nullptr,
         {"README -> README.dat", "a.b.txt -> a.b.dat", "data.dat -> data.dat", "memo.txt -> memo.dat"}},
        {"*.txt, replace", 1, 0, "FALSE", "REPLACE", {"a.b.txt -> a.b.dat", "memo.txt -> memo.dat"}},
        {"*.txt, add", 1, 0, "TRUE", "ADD", {"a.b.txt -> a.b.txt.dat", "memo.txt -> memo.txt.dat"}},
        {"*.dat, to text", 2, 1, "FALSE", "REPLACE", {"data.dat -> data.txt"}},
        {"*.bin, nothing", 3, 0, "FALSE", "REPLACE", {}},
        {"*.*, to text, add", 0, 1, "TRUE", "ADD",
         {"README -> README.txt", "a.b.txt -> a.b.txt.txt", "data.dat -> data.dat.txt", "memo.txt -> memo.txt.txt"}},
    };
    char pattern[16] = "";
    SendMessageA(GetDlgItem(Page(), 9000), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(pattern));
    EXPECT_STREQ(pattern, "*.*");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveIni();
        if (c.decide) SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", c.decide);
        if (c.extension) SetIni("BAT_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", c.extension);
        SetIni("IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "ADD"); // not this page's section
        Batch().Clear();
        MainWnd().SetMode(c.mode);
        SendMessageA(GetDlgItem(Page(), 9000), CB_SETCURSEL, c.filter, 0);
        Batch().SetInputPath(in.c_str());
        EXPECT_EQ(Listing(), c.expected);
        EXPECT_EQ(CheckedRows(), static_cast<int>(c.expected.size()));
        EXPECT_EQ(GetText(Page(), 7000), in);
        EXPECT_EQ(GetText(Page(), 7001), c.decide && std::string(c.decide) == "TRUE" ? in : "");
    }
    // Choosing another filter lists again.
    SendMessageA(GetDlgItem(Page(), 9000), CB_SETCURSEL, 2, 0);
    SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(9000, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(Page(), 9000)));
    Pump();
    EXPECT_EQ(Listing(), RowList{"data.dat -> data.dat.txt"});
    Individual().SetInputPath("C:\\x.txt");
    Command(103); // "クリア (&R)"
    EXPECT_EQ(GetText(Page(), 7000) + GetText(Page(), 7001), "");
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), "C:\\x.txt") << "only the page shown is cleared";
    EXPECT_EQ(Rows(List()), 0);
    EXPECT_STREQ(Batch().m_strFolder, "");
}

TEST_F(BatchPageTest, TheSelectorRebuildsTheListAndTheMenuDoesNot)
{
    Batch().SetInputPath(in.c_str());
    Check(RowOf("memo.txt"), false);
    Command(106);
    EXPECT_EQ(Cell(List(), RowOf("memo.txt"), 1), "memo.dat") << "the menu only changes the mode";
    ChooseMode(1);
    EXPECT_EQ(Cell(List(), RowOf("memo.txt"), 1), "memo.txt");
    EXPECT_TRUE(Checked(List(), RowOf("memo.txt"))) << "a rebuilt list is checked again";
}

TEST_F(BatchPageTest, CheckAllAndClearAllByButtonAndKey)
{
    Batch().SetInputPath(in.c_str());
    HWND wnd = MainWnd().GetHwnd(), tabs = MainWnd().GetTabCtrl()->GetHwnd();
    struct Step {
        const char* name;
        std::function<void()> act;
        int checked;
    } steps[] = {
        {"全解除", [&] { Click(Page(), 4005); }, 0},
        {"全選択", [&] { Click(Page(), 4004); }, 4},
        {"Ctrl+U", [&] { Press(wnd, 'U', VK_CONTROL); }, 0},
        {"Ctrl+A", [&] { Press(tabs, 'A', VK_CONTROL); }, 4},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(CheckedRows(), step.checked) << step.name;
    }
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
        DialogWatcher watcher;
        Click(Page(), 4002);
        ASSERT_EQ(watcher.boxes.size(), 1u);
        EXPECT_EQ(watcher.boxes[0].text, c.text);
        EXPECT_EQ(watcher.boxes[0].caption, "警告");
        EXPECT_EQ(watcher.boxes[0].icon, static_cast<UINT>(MB_ICONWARNING));
    }
}

TEST_F(BatchPageTest, ConvertsEveryCheckedRowIntoANewOutputFolder)
{
    Box box = ConvertAll([&] { Check(RowOf("README"), false); });
    EXPECT_EQ(box.text, "テキストファイルからバイナリファイルを作成しました");
    EXPECT_EQ(box.caption, "確認");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(ReadBytes(out + "\\memo.dat"), "AB");
    EXPECT_EQ(ReadBytes(out + "\\a.b.dat"), "C");
    EXPECT_EQ(ReadBytes(out + "\\data.dat"), "") << "no hex digits in a binary file";
    EXPECT_EQ(ReadBytes(out + "\\README.dat"), "<missing>") << "unchecked rows are left alone";

    MainWnd().SetMode(1);
    EXPECT_EQ(ConvertAll().text, "バイナリファイルからテキストファイルを作成しました");
    EXPECT_EQ(ReadBytes(out + "\\data.txt"), "01 fe ");
    SetIni("COMMON_SETTINGS", "TEXT_BYTES_PER_LINE", "8");
    ConvertAll();
    EXPECT_EQ(ReadBytes(out + "\\data.txt"), "01 fe\r\n") << "the layout of the settings";

    RemoveTree(out);
    Box none = ConvertAll([&] { Click(Page(), 4005); });
    EXPECT_EQ(none.text + " " + none.caption, "変換するファイルが選ばれていません 警告");
    EXPECT_EQ(ReadBytes(out + "\\memo.txt"), "<missing>") << "nothing checked, nothing written";
}

TEST_F(BatchPageTest, TheOutputFolderIsMadeWithEveryLevelOrOneBoxSaysWhy)
{
    struct Case {
        const char* name;
        std::string folder;
        const char* first; // the box's first line
    } cases[] = {
        {"two missing levels", dir / "made\\a\\b", "テキストファイルからバイナリファイルを作成しました"},
        {"a file in the way", in + "\\memo.txt\\x", "出力フォルダを作成できませんでした"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        out = c.folder;
        Box box = ConvertAll();
        EXPECT_EQ(box.text.substr(0, box.text.find('\n')), c.first) << box.text;
        EXPECT_EQ(ReadBytes(out + "\\memo.dat"), box.caption == "確認" ? "AB" : "<missing>");
    }
}

TEST_F(BatchPageTest, RowsWhoseOutputsCollideAreSkippedWithTheirReasons)
{
    const char* const dup = "出力ファイル名が重複しています";
    const char* const isInput = "出力先が入力ファイルです";
    struct Case {
        const char* name;
        std::string folder;               // the output folder
        std::vector<std::string> extra;   // more input files, each holding "46"
        std::string renamed;              // "row=output name" typed in the name dialog
        std::string unchecked;            // a row left unchecked
        std::vector<std::string> skipped; // "row: reason" in the error box
        std::vector<std::string> files;   // "output=bytes" afterwards
    } cases[] = {
        {"same output name, letter case aside", dir / "other", {"memo", "MEMO.bin"}, "", "",
         {std::string("memo.txt: ") + dup, std::string("memo: ") + dup, std::string("MEMO.bin: ") + dup},
         {"memo.dat=<missing>", "a.b.dat=C", "README.dat=D"}},
        {"the input folder spelled otherwise", dir / "IN\\.", {"README.DAT"}, "", "README.DAT",
         {std::string("README: ") + isInput, std::string("data.dat: ") + isInput},
         {"memo.dat=AB", "README.DAT=46", "data.dat=\x01\xfe"}},
        {"an edited output name", dir / "other", {}, "a.b.txt=readme.DAT", "",
         {std::string("a.b.txt: ") + dup, std::string("README: ") + dup},
         {"memo.dat=AB", "README.dat=<missing>", "a.b.dat=old"}},
    };
    auto names = [&] {
        std::set<std::string> found;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((in + "\\*").c_str(), &entry);
        do found.insert(entry.cFileName);
        while (FindNextFileA(search, &entry));
        FindClose(search);
        return found;
    };
    const std::set<std::string> original = names();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : c.extra) WriteBytes(in + "\\" + name, "46");
        out = c.folder;
        if (out == dir / "other") {
            CreateDirectoryA(out.c_str(), NULL);
            WriteBytes(out + "\\a.b.dat", "old"); // not part of the run: replaced as always
        }
        Box box = ConvertAll([&] {
            if (!c.renamed.empty()) {
                LVITEMA item = {};
                item.iSubItem = 1;
                std::string name = c.renamed.substr(c.renamed.find('=') + 1);
                item.pszText = &name[0];
                SendMessageA(List(), LVM_SETITEMTEXTA, RowOf(c.renamed.substr(0, c.renamed.find('='))), reinterpret_cast<LPARAM>(&item));
            }
            if (!c.unchecked.empty()) Check(RowOf(c.unchecked), false);
        });
        EXPECT_EQ(box.caption, "エラー");
        EXPECT_EQ(box.text.rfind(std::to_string(c.skipped.size()) + " ", 0), 0u) << box.text;
        for (const std::string& line : c.skipped) EXPECT_NE(box.text.find("\n" + line), std::string::npos) << box.text;
        for (const std::string& file : c.files) {
            size_t eq = file.find('=');
            EXPECT_EQ(ReadBytes(out + "\\" + file.substr(0, eq)), file.substr(eq + 1)) << file;
        }
        for (const std::string& name : names())
            if (!original.count(name)) DeleteFileA((in + "\\" + name).c_str());
        RemoveTree(dir / "other");
    }
}

TEST_F(BatchPageTest, FailedRowsAreNamedAndTheOthersStillConverted)
{
    CreateDirectoryA(out.c_str(), NULL);
    CreateDirectoryA((out + "\\memo.dat").c_str(), NULL); // a folder where the output goes
    WriteBytes(out + "\\a.b.dat", "keep me");
    Box box = ConvertAll([&] { DeleteFileA((in + "\\a.b.txt").c_str()); }); // gone since listed
    EXPECT_EQ(box.caption, "エラー");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_NE(box.text.find("2"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("memo.txt"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("a.b.txt"), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("README"), std::string::npos) << box.text;
    EXPECT_EQ(ReadBytes(out + "\\README.dat"), "D");
    EXPECT_EQ(ReadBytes(out + "\\a.b.dat"), "keep me");

    // Many failures are counted, not all named.
    for (int i = 0; i < 8; ++i) {
        WriteBytes(in + "\\f" + std::to_string(i) + ".txt", "41");
        CreateDirectoryA((out + "\\f" + std::to_string(i) + ".dat").c_str(), NULL);
    }
    box = ConvertAll();
    EXPECT_EQ(box.text.rfind("9 件のファイルを変換できませんでした。\n", 0), 0u) << box.text;
    EXPECT_EQ(std::count(box.text.begin(), box.text.end(), '\n'), 6) << "five named, then the count: " << box.text;
    EXPECT_NE(box.text.find("\nほか 4 件"), std::string::npos) << box.text;
}

TEST_F(BatchPageTest, TheOutputNameDialogRenamesOneRowAndRefusesAnEmptyName)
{
    Batch().SetInputPath(in.c_str());
    int row = RowOf("memo.txt");
    Check(row, false);
    DialogWatcher watcher;
    HWND dialog = NULL;
    std::string before, shown, cellAtRefusal;
    bool editable = true;
    watcher.onDialog = [&](HWND opened) {
        dialog = opened;
        before = GetText(dialog, 7000);
        shown = GetText(dialog, 7001);
        editable = IsWindowEnabled(GetDlgItem(dialog, 7000)) != FALSE;
        SetText(dialog, 7001, "");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    watcher.onBox = [&](const Box&) {
        cellAtRefusal = Cell(List(), row, 1);
        SetText(dialog, 7001, "result.bin");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    Batch().EditOutputName();
    EXPECT_EQ(dialog, (HWND)NULL) << "no row selected, no dialog";

    SetState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Batch().EditOutputName();
    EXPECT_EQ(before, "memo.txt");
    EXPECT_EQ(shown, "memo.dat");
    EXPECT_FALSE(editable);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "変換後のファイル名を入力してください");
    EXPECT_EQ(watcher.boxes[0].caption, "警告");
    EXPECT_EQ(watcher.boxes[0].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(cellAtRefusal, "memo.dat");
    EXPECT_EQ(Cell(List(), row, 1), "result.bin");
    EXPECT_FALSE(Checked(List(), row)) << "the check box is not touched";
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
        EXPECT_EQ(Rows(List()), 4);
    }
}

} // namespace
