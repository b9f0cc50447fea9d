// The batch conversion page in a real main window: the list and what shapes it, and the conversion
// with its messages and files, rows that collide or fail.
#include <algorithm>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

using RowList = std::vector<std::string>;

class BatchPageTest : public AppTest {
protected:
    void SetUp() override
    {
        Reset(1);
        SendDlgItemMessageA(Page(), IDC_FILTER, CB_SETCURSEL, 0, 0); // *.*
        MakeInputs();
    }
    // Four files to list, beside a folder, a hidden and a system file that are never listed.
    void MakeInputs()
    {
        RemoveTree(in), CreateDirectoryA(in.c_str(), NULL), CreateDirectoryA((in + "\\sub.txt").c_str(), NULL);
        const char* const files[][2] = {{"memo.txt", "41 42"}, {"a.b.txt", "43"}, {"data.dat", "\x01\xfe"},
                                        {"README", "44"}, {"hidden.txt", "45"}, {"system.txt", "46"}};
        for (const auto& file : files) WriteBytes(in + "\\" + file[0], file[1]);
        SetFileAttributesA((in + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((in + "\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    }
    HWND Page() { return Batch().GetHwnd(); }
    HWND List() { return GetDlgItem(Page(), IDC_FILE_LIST); }
    void Check(const std::string& name, bool on) { ListView_SetCheckState(List(), RowOf(name), on); }
    int RowOf(const std::string& name)
    {
        for (int i = 0; i < Rows(List()); ++i) if (Cell(List(), i, 0) == name) return i;
        return -1;
    }
    std::string in = dir / "in", out = dir / "out";
};

// The filter and the mode shape the list; a new listing checks every row, while the rows of the
// same folder keep their unchecks and hand-made names through every rebuild.
TEST_F(BatchPageTest, FilterAndModeShapeTheListAndItKeepsTheUsersWork)
{
    Batch().SetInputPath(in.c_str());
    EXPECT_EQ(Listing(), (RowList{"README -> README.dat+", "a.b.txt -> a.b.dat+", "data.dat -> data.dat+", "memo.txt -> memo.dat+"}));
    EXPECT_EQ(GetText(Page(), IDC_OUTPUT_PATH), "");
    Check("memo.txt", false), Check("README", false);
    ListView_SetItemText(List(), RowOf("a.b.txt"), 1, const_cast<char*>("renamed.dat"));
    SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE"); // applying the input folder would propose it
    SetText(Page(), IDC_OUTPUT_PATH, "typed");
    for (int id : {IDC_INPUT_PATH, IDC_OUTPUT_PATH, IDC_FILE_LIST}) SetFocus(GetDlgItem(Page(), id)), Press(GetFocus(), VK_TAB, VK_SHIFT);
    Press(GetDlgItem(Page(), IDC_INPUT_PATH), VK_RETURN);
    ChooseMode(0);
    const RowList kept = {"README -> README.dat", "a.b.txt -> renamed.dat+", "data.dat -> data.dat+", "memo.txt -> memo.dat"};
    EXPECT_EQ(Listing(), kept);
    EXPECT_EQ(GetText(Page(), IDC_OUTPUT_PATH), "typed");
    MainWnd().SetMode(1);
    // Another filter, or the mode from the selector (not from the menu), lists again.
    ChooseFilter(Page(), 1);
    EXPECT_EQ(Listing(), (RowList{"a.b.txt -> renamed.dat+", "memo.txt -> memo.txt"}));
    Command(ID_MODE_BINARY);
    EXPECT_EQ(Listing(), (RowList{"a.b.txt -> renamed.dat+", "memo.txt -> memo.txt"}));
    ChooseMode(0);
    EXPECT_EQ(Listing(), (RowList{"a.b.txt -> renamed.dat+", "memo.txt -> memo.dat"}));
    // Another folder, typed and left with Tab (Esc would keep the old one), is a new list.
    SetText(Page(), IDC_INPUT_PATH, in + "\\."), Press(GetDlgItem(Page(), IDC_INPUT_PATH), VK_TAB);
    EXPECT_EQ(Listing(), (RowList{"a.b.txt -> a.b.dat+", "memo.txt -> memo.dat+"}));
}

// Every message of a run and the files it leaves: colliding rows skipped, failed rows named with
// their reasons, the others converted.
TEST_F(BatchPageTest, EachOutcomeShowsItsOwnMessageAndLeavesItsFiles)
{
    const std::string other = dir / "other";
    // Each case: the mode, the output folder, what is done after listing, the box's "caption: first
    // line", "row: reason" lines below it, and "output=bytes" afterwards.
    const struct {
        const char* name;
        int mode;
        std::string folder;
        std::function<void()> act;
        std::string first;
        RowList named, files;
    } cases[] = {
        {"no input", 0, "", [] { Batch().SetInputPath(""); }, "警告: 入力フォルダを設定してください", {}, {}},
        {"no output", 0, "", [] { Batch().SetInputPath("x"); }, "警告: 出力フォルダを設定してください", {}, {}},
        {"nothing listed", 0, "y", [] { Batch().SetInputPath("x"); }, "警告: 変換するものがありません", {}, {}},
        {"nothing checked", 0, other, [&] { Click(Page(), IDC_UNCHECK_ALL); }, "警告: 変換するファイルが選ばれていません", {}, {"memo.dat=<missing>"}},
        {"to S-records", 1, other, [&] { SetIni("COMMON_SETTINGS", "TEXT_FORMAT", "SREC"), Batch().SetInputPath(in.c_str()); },
         "確認: バイナリファイルからテキストファイルを作成しました", {"memo.txt: アドレス 0x00000000-0x00000004 (5 バイト)"},
         {"memo.srec=S00B00006D656D6F2E747874B8\r\nS108000034312034320C\r\nS5030001FB\r\nS9030000FC\r\n"}},
        {"a file where a level goes", 0, in + "\\memo.txt\\x", [] {}, "エラー: 出力フォルダを作成できませんでした", {}, {"memo.dat=<missing>"}},
        {"failures", 0, other, [&] {
             CreateDirectoryA((other + "\\memo.dat").c_str(), NULL);
             DeleteFileA((in + "\\a.b.txt").c_str()); // gone since listed
         },
         "エラー: 2 件のファイルを変換できませんでした。", {"memo.txt: 出力ファイルを作成できません - ", "a.b.txt: 入力ファイルを開けません - "},
         {"a.b.dat=old", "README.dat=D"}},
        {"subfolders, the output folder inside the input", 0, in + "\\out", [&] {
             SetIni("BAT_CONV_SETTINGS", "INCLUDE_SUBFOLDERS", "TRUE");
             WriteBytes(in + "\\sub.txt\\deep.txt", "47");
             CreateDirectoryA((in + "\\out").c_str(), NULL), WriteBytes(in + "\\out\\old.txt", "48");
             Batch().SetInputPath(in.c_str());
         },
         "確認: テキストファイルからバイナリファイルを作成しました", {}, {"sub.txt\\deep.dat=G", "memo.dat=AB", "out\\old.dat=<missing>"}},
        {"many failures, five named", 0, other, [&] {
             for (int i = 0; i < 9; ++i) CreateDirectoryA((other + "\\f" + std::to_string(i) + ".dat").c_str(), NULL), WriteBytes(in + "\\f" + std::to_string(i) + ".txt", "41");
             Batch().SetInputPath(in.c_str());
         },
         "エラー: 9 件のファイルを変換できませんでした。", {"変換済み 4 件、スキップ 0 件、失敗 9 件", "ほか 4 件"}, {"README.dat=D"}},
    };
    for (const auto& c : cases) {
        Batch().Clear();
        MakeInputs();
        RemoveTree(other), CreateDirectoryA(other.c_str(), NULL);
        WriteBytes(other + "\\a.b.dat", "old"); // not part of the run: replaced as always
        RemoveIni();
        MainWnd().SetMode(c.mode);
        out = c.folder;
        Batch().SetInputPath(in.c_str());
        SetText(Page(), IDC_OUTPUT_PATH, out);
        c.act();
        const Box box = ConvertBox(Page());
        EXPECT_EQ(Said(box), c.first) << c.name;
        for (const std::string& line : c.named) EXPECT_NE(box.text.find("\n" + line), std::string::npos) << c.name << ": " << box.text;
        EXPECT_LE(std::count(box.text.begin(), box.text.end(), '\n'), 7)
            << "the counts, five rows named at most, the rest counted";
        for (const std::string& file : c.files)
            EXPECT_EQ(ReadBytes(out + "\\" + file.substr(0, file.find('='))), file.substr(file.find('=') + 1)) << c.name << ": " << file;
    }
}

// After a run each row says what became of it and a converted row loses its check, so 変換開始
// again converts only the rest; a new listing clears the column.
TEST_F(BatchPageTest, EachRowShowsItsOutcomeAndASecondRunConvertsTheRest)
{
    const std::string other = dir / "other", dup = "スキップ: 出力ファイル名が重複しています";
    CreateDirectoryA(other.c_str(), NULL);
    WriteBytes(in + "\\memo", "45"), WriteBytes(other + "\\README.dat", "old"); // memo.txt's output; held at first
    Batch().SetInputPath(in.c_str());
    SetText(Page(), IDC_OUTPUT_PATH, other);
    Check("data.dat", false);
    auto run = [&] { // the box's caption and first two lines, then "name result" per row, '+' where checked
        const Box box = ConvertBox(Page());
        RowList rows = {box.caption + ": " + box.text.substr(0, box.text.find('\n', box.text.find('\n') + 1))};
        for (int i = 0; i < Rows(List()); ++i) {
            const std::string result = Cell(List(), i, 2); // without the system's reason
            rows.push_back(Cell(List(), i, 0) + " " + result.substr(0, result.find(" - ")) + (Checked(List(), i) ? "+" : ""));
        }
        std::sort(rows.begin() + 1, rows.end());
        return rows;
    };
    RowList first;
    {
        HeldFile held(other + "\\README.dat", "rw");
        first = run();
    }
    EXPECT_EQ(first, (RowList{"エラー: 3 件のファイルを変換できませんでした。\n変換済み 1 件、スキップ 2 件、失敗 1 件",
                              "README 失敗: 出力ファイルを作成できません+", "a.b.txt 変換済み", "data.dat ", "memo " + dup + "+",
                              "memo.txt " + dup + "+"}));
    ListView_SetItemText(List(), RowOf("memo"), 1, const_cast<char*>("memo2.dat"));
    WriteBytes(other + "\\a.b.dat", "mine"); // stays: its row is not converted again
    EXPECT_EQ(run(), (RowList{"確認: テキストファイルからバイナリファイルを作成しました\n変換済み 3 件、スキップ 0 件、失敗 0 件",
                              "README 変換済み", "a.b.txt 変換済み", "data.dat ", "memo 変換済み", "memo.txt 変換済み"}));
    EXPECT_EQ(ReadBytes(other + "\\a.b.dat") + ReadBytes(other + "\\README.dat") + ReadBytes(other + "\\memo2.dat"), "mineDE");
    Batch().SetInputPath(in.c_str());
    // The rows the run unchecked are checked again; the one the user unchecked stays so.
    for (int i = 0; i < Rows(List()); ++i)
        EXPECT_TRUE(Cell(List(), i, 2).empty() && Checked(List(), i) == (Cell(List(), i, 0) != "data.dat")) << i;
}

} // namespace
