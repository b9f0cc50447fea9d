// The individual conversion page in a real main window: every message, the bytes on disk, and
// the output proposals with and without a settings file.
#include <algorithm>
#include <memory>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

const char kMadeBinary[] = "テキストファイルからバイナリファイルを作成しました";
const char kMadeText[] = "バイナリファイルからテキストファイルを作成しました";
const char kBinaryFailed[] = "バイナリファイルの作成に失敗しました";
const char kTextFailed[] = "テキストファイルの作成に失敗しました";
const char kOutputFailed[] = "出力ファイルのオープンに失敗しました";

class IndividualPageTest : public AppTest {
protected:
    HWND Page() { return Individual().GetHwnd(); }
    // Types both paths and presses "変換開始"; returns the one message box it showed.
    Box Convert(const std::string& input, const std::string& output)
    {
        SetText(Page(), 7000, input);
        SetText(Page(), 7001, output);
        DialogWatcher watcher;
        Click(Page(), 4002);
        EXPECT_EQ(watcher.boxes.size(), 1u);
        return watcher.boxes.empty() ? Box{"", "<no box>", 0} : watcher.boxes[0];
    }
};

// A folder whose path leaves room for an output's name but not for a temporary file beside it.
std::string LongFolder(const ScratchFolder& folder)
{
    std::string path = folder.Path();
    while (path.size() < 248) {
        path += "\\" + std::string(std::min<size_t>(100, 247 - path.size()), 'x');
        CreateDirectoryA(path.c_str(), NULL);
    }
    return path;
}

TEST_F(IndividualPageTest, EachOutcomeShowsItsOwnMessage)
{
    const char* const error = "エラー";
    struct Case {
        const char* name;
        int mode;
        const char* input;  // under the scratch folder unless it starts with "Z:"; "" for none
        const char* output; // likewise; "=" means the input path itself; "<long>" a long folder
        const char* hold;   // a second process holds held.txt: "r" or "rw" sharing
        const char* text;   // the first line
        char concerns;      // the file an error names on its second line: 'i'nput or 'o'utput
        const char* says;   // and what follows it
        const char* caption;
        UINT icon;
    } cases[] = {
        {"both empty", 0, "", "", nullptr, "入力ファイルを設定してください", 0, "", "警告", MB_ICONWARNING},
        {"input missing", 0, "nothing.txt", "", nullptr, "入力ファイルのオープンに失敗しました", 'i', "(エラー 2)", error, MB_ICONERROR},
        {"output empty", 0, "in.txt", "", nullptr, "出力ファイルを設定してください", 0, "", "警告", MB_ICONWARNING},
        {"output is the input", 0, "in.txt", "=", nullptr, kOutputFailed, 'o', "出力先が入力ファイルです", error, MB_ICONERROR},
        {"output folder missing", 0, "in.txt", "no\\such\\out.dat", nullptr, kOutputFailed, 'o', "(エラー 3)", error, MB_ICONERROR},
        {"a folder where the output goes", 0, "in.txt", "sub", nullptr, kOutputFailed, 'o', "(エラー 5)", error, MB_ICONERROR},
        {"output held, read sharing", 1, "in.txt", "held.txt", "r", kOutputFailed, 'o', "使用しています", error, MB_ICONERROR},
        {"output held, no delete sharing", 0, "in.txt", "held.txt", "rw", kOutputFailed, 'o', "使用しています", error, MB_ICONERROR},
        {"no room for a temporary file", 0, "in.txt", "<long>", nullptr, kOutputFailed, 'o', "一時ファイル", error, MB_ICONERROR},
        {"text to binary", 0, "in.txt", "out.dat", nullptr, kMadeBinary, 0, "", "確認", MB_ICONINFORMATION},
        {"binary to text", 1, "in.txt", "out.txt", nullptr, kMadeText, 0, "", "確認", MB_ICONINFORMATION},
        {"full disk, to binary", 0, "in.txt", "Z:\\dev\\full", nullptr, kBinaryFailed, 'o', "(エラー 112)", error, MB_ICONERROR},
        {"full disk, to text", 1, "in.txt", "Z:\\dev\\full", nullptr, kTextFailed, 'o', "(エラー 112)", error, MB_ICONERROR},
        {"read error, to binary", 0, "Z:\\proc\\self\\mem", "out.dat", nullptr, kBinaryFailed, 'i', "(エラー", error, MB_ICONERROR},
        {"read error, to text", 1, "Z:\\proc\\self\\mem", "out.txt", nullptr, kTextFailed, 'i', "(エラー", error, MB_ICONERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        WriteBytes(folder / "in.txt", "41 42 43");
        WriteBytes(folder / "held.txt", "old");
        CreateDirectoryA((folder / "sub").c_str(), NULL);
        auto place = [&](const std::string& name) {
            return name.empty() || name.rfind("Z:", 0) == 0 ? name : folder / name;
        };
        std::string input = place(c.input);
        std::string output = std::string(c.output) == "=" ? input : place(c.output);
        if (std::string(c.output) == "<long>") {
            output = LongFolder(folder) + "\\o.dat";
            WriteBytes(output, "old");
        }
        MainWnd().SetMode(c.mode);
        std::unique_ptr<HeldFile> held;
        if (c.hold) held.reset(new HeldFile(folder / "held.txt", c.hold));
        Box box = Convert(input, output);
        held.reset();
        std::string first = box.text.substr(0, box.text.find('\n'));
        std::string rest = box.text.size() > first.size() ? box.text.substr(first.size() + 1) : "";
        EXPECT_EQ(first, c.text);
        if (c.concerns) {
            EXPECT_EQ(rest.rfind((c.concerns == 'i' ? input : output) + "\n", 0), 0u) << rest;
        }
        EXPECT_NE(rest.find(c.says), std::string::npos) << rest;
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(ReadBytes(folder / "in.txt"), "41 42 43") << "the input is never touched";
        EXPECT_EQ(ReadBytes(folder / "held.txt"), "old");
        EXPECT_EQ(FilesIn(folder.Path()), box.caption == "確認" ? 3 : 2) << "no temporary file stays";
        if (std::string(c.output) == "<long>") {
            EXPECT_EQ(ReadBytes(output), "old");
        }
        EXPECT_EQ(GetText(Page(), 7000), input) << "both paths stay for another try";
        EXPECT_EQ(GetText(Page(), 7001), output);
    }
    HANDLE dev = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(GetFileType(dev), static_cast<DWORD>(FILE_TYPE_CHAR)) << "the device was not replaced by a file";
    CloseHandle(dev);
}

TEST_F(IndividualPageTest, ConversionsWriteTheExactBytes)
{
    WriteBytes(dir / "in.txt", "# header\r\n41 42 43\r\n4a4B 0x41 abc");
    WriteBytes(dir / "out.dat", "old content that is longer");
    EXPECT_EQ(Convert(dir / "in.txt", dir / "out.dat").text, kMadeBinary);
    EXPECT_EQ(ReadBytes(dir / "out.dat"), std::string("ABCJK\x04\x1a\xbc", 8));

    MainWnd().SetMode(1);
    WriteBytes(dir / "in.bin", std::string("\x00\x0a\xff", 3));
    EXPECT_EQ(Convert(dir / "in.bin", dir / "out.txt").text, kMadeText);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "00 0a ff ");
}

// テキスト変換 writes the layout the common settings name, read afresh at every run.
TEST_F(IndividualPageTest, TextFollowsTheLayoutSettings)
{
    struct Case {
        const char* width; // nullptr: no key
        const char* comments;
        std::string text;
    } cases[] = {
        {nullptr, nullptr, "4d 5a 90 "},
        {"0", "TRUE", "4d 5a 90 "},
        {"8", "FALSE", "4d 5a 90\r\n"},
        {"16", "TRUE", "4d 5a 90" + std::string(39, ' ') + "  # 00000000  MZ.\r\n"},
        {"12", "TRUE", "4d 5a 90 "},
        {"32", "true", "4d 5a 90\r\n"},
    };
    MainWnd().SetMode(1);
    WriteBytes(dir / "in.bin", "MZ\x90");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width ? c.width : "none");
        RemoveIni();
        if (c.width) SetIni("COMMON_SETTINGS", "TEXT_BYTES_PER_LINE", c.width);
        if (c.comments) SetIni("COMMON_SETTINGS", "TEXT_OFFSET_COMMENTS", c.comments);
        EXPECT_EQ(Convert(dir / "in.bin", dir / "out.txt").text, kMadeText);
        EXPECT_EQ(ReadBytes(dir / "out.txt"), c.text);
    }
}

// The page's own part of the proposal: whether to propose, from which section, and only for a
// path with a folder; the names themselves are the output path rules'.
TEST_F(IndividualPageTest, SettingAnInputProposesTheOutput)
{
    struct Case {
        const char* name;
        const char* decide; // nullptr: no settings file at all
        const char* extension;
        int mode;
        const char* input;
        const char* expected;
    } cases[] = {
        {"no settings file", nullptr, nullptr, 0, "D:\\in\\sample.txt", ""},
        {"rule off", "FALSE", "ADD", 0, "D:\\in\\sample.txt", ""},
        {"lower-case true is off", "true", "ADD", 0, "D:\\in\\sample.txt", ""},
        {"add", "TRUE", "ADD", 0, "D:\\in\\sample.txt", "D:\\in\\sample.txt.dat"},
        {"replace", "TRUE", "REPLACE", 0, "D:\\in\\sample.txt", "D:\\in\\sample.dat"},
        {"missing extension rule replaces", "TRUE", nullptr, 0, "D:\\in\\sample.txt", "D:\\in\\sample.dat"},
        {"no backslash derives nothing", "TRUE", "REPLACE", 0, "sample.txt", ""},
        {"only a leading backslash", "TRUE", "REPLACE", 0, "\\sample.txt", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveIni();
        if (c.decide) SetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", c.decide);
        if (c.extension) SetIni("IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", c.extension);
        SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE"); // not this page's section
        MainWnd().SetMode(c.mode);
        Individual().Clear();
        Individual().SetInputPath(c.input);
        EXPECT_EQ(GetText(Page(), 7000), c.input);
        EXPECT_EQ(GetText(Page(), 7001), c.expected);
    }
}

TEST_F(IndividualPageTest, TheFolderFollowsThePathSetLastAndRespectsDoubleByteNames)
{
    Individual().SetInputPath("C:\\work\\表\\x.txt");
    EXPECT_STREQ(Individual().m_strFolder, "C:\\work\\表");
    Individual().SetOutputPath("D:\\out\\ソ.dat");
    EXPECT_STREQ(Individual().m_strFolder, "D:\\out");
    Individual().SetInputPath("C:\\work\\表");
    EXPECT_STREQ(Individual().m_strFolder, "C:\\work") << "the trail byte of 表 is no separator";
    Click(Page(), 4003);
    EXPECT_EQ(GetText(Page(), 7000) + GetText(Page(), 7001), "");
    EXPECT_STREQ(Individual().m_strFolder, "");
}

TEST_F(IndividualPageTest, TheSelectorDerivesAgainButTheMenuDoesNot)
{
    SetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE");
    SetIni("IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "REPLACE");
    Individual().SetInputPath("D:\\in\\sample.bin");
    EXPECT_EQ(GetText(Page(), 7001), "D:\\in\\sample.dat");
    Command(106); // "テキスト変換 (&T)"
    EXPECT_EQ(MainWnd().GetMode(), 1);
    EXPECT_EQ(GetText(Page(), 7001), "D:\\in\\sample.dat");
    ChooseMode(0);
    ChooseMode(1);
    EXPECT_EQ(GetText(Page(), 7001), "D:\\in\\sample.txt");
    // A path typed by hand derives nothing until the mode is chosen again.
    SetText(Page(), 7000, "D:\\typed\\x.txt");
    EXPECT_EQ(GetText(Page(), 7001), "D:\\in\\sample.txt");
    ChooseMode(0);
    EXPECT_EQ(GetText(Page(), 7001), "D:\\typed\\x.dat");
}

TEST_F(IndividualPageTest, MenuCommandsAndKeysReachThePageShown)
{
    WriteBytes(dir / "in.txt", "41");
    SetText(Page(), 7000, dir / "in.txt");
    SetText(Page(), 7001, dir / "out.dat");
    struct Case {
        const char* name;
        std::function<void()> act;
        size_t boxes;
    } cases[] = {
        {"変換開始 (&C)", [] { Command(102); }, 1},
        {"Enter on the main window", [] { Press(MainWnd().GetHwnd(), VK_RETURN); }, 1},
        {"Enter in an edit box", [&] { Press(GetDlgItem(Page(), 7000), VK_RETURN); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DialogWatcher watcher;
        c.act();
        EXPECT_EQ(watcher.boxes.size(), c.boxes);
    }
    EXPECT_EQ(ReadBytes(dir / "out.dat"), "A");
    Press(GetDlgItem(Page(), 7001), VK_DELETE);
    EXPECT_NE(GetText(Page(), 7000), "") << "Delete in an edit box edits, it does not clear";
    Press(MainWnd().GetTabCtrl()->GetHwnd(), VK_DELETE);
    EXPECT_EQ(GetText(Page(), 7000), "") << "Delete on the tab strip clears the page";
}

TEST_F(IndividualPageTest, TheChoosersPickBothPathsAndCancelChangesNothing)
{
    WriteBytes(dir / "picked.txt", "41");
    Individual().SetOutputPath((dir / "start.dat").c_str());
    const char* const inputTitle = "変換したいファイルを選択してください";
    const char* const outputTitle = "変換後のファイル名を入力してください";
    struct Run {
        const char* name;
        std::function<void()> open;
        std::string typed; // "" cancels
        const char* title;
        int box;
    } runs[] = {
        {"入力, cancelled", [&] { Click(Page(), 4000); }, "", inputTitle, 7000},
        {"Ctrl+I", [] { Press(MainWnd().GetHwnd(), 'I', VK_CONTROL); }, dir / "picked.txt", inputTitle, 7000},
        {"出力", [&] { Click(Page(), 4001); }, dir / "new.dat", outputTitle, 7001},
        {"Ctrl+O", [] { Press(MainWnd().GetHwnd(), 'O', VK_CONTROL); }, dir / "other.dat", outputTitle, 7001},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        std::string title, before = GetText(Page(), run.box);
        std::string folderBefore = static_cast<const char*>(Individual().m_strFolder);
        DialogWatcher watcher;
        watcher.onDialog = [&](HWND chooser) {
            title = WindowText(chooser);
            SetDlgItemTextA(chooser, 1148, run.typed.c_str());
            SetDlgItemTextA(chooser, 1152, run.typed.c_str());
            PostMessageA(chooser, WM_COMMAND, run.typed.empty() ? IDCANCEL : IDOK, 0);
        };
        run.open();
        EXPECT_EQ(title, run.title);
        EXPECT_EQ(GetText(Page(), run.box), run.typed.empty() ? before : run.typed);
        EXPECT_EQ(std::string(Individual().m_strFolder), run.typed.empty() ? folderBefore : dir.Path());
    }
}

} // namespace
