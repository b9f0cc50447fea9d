// The individual conversion page in a real main window: every message, the bytes on disk, and
// the output proposals with and without a settings file.
#include <gtest/gtest.h>

#include "AppEnvironment.h"

using namespace apptest;

namespace {

const char kNoInput[] = "入力ファイルを設定してください";
const char kInputFailed[] = "入力ファイルのオープンに失敗しました";
const char kNoOutput[] = "出力ファイルを設定してください";
const char kOutputFailed[] = "出力ファイルのオープンに失敗しました";
const char kMadeBinary[] = "テキストファイルからバイナリファイルを作成しました";
const char kMadeText[] = "バイナリファイルからテキストファイルを作成しました";
const char kBinaryFailed[] = "バイナリファイルの作成に失敗しました";
const char kTextFailed[] = "テキストファイルの作成に失敗しました";

class IndividualPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveIni();
        MainWnd().SetMode(0);
        ChooseTab(0);
        Individual().Clear();
        Pump();
    }
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

    ScratchFolder dir;
};

struct MessageCase {
    const char* name;
    int mode;
    const char* input;  // under the scratch folder unless it starts with "Z:"; "" for none
    const char* output; // likewise; "=" means the input path itself
    const char* text;
    const char* caption;
    UINT icon;
};

const MessageCase kMessages[] = {
    {"both empty", 0, "", "", kNoInput, "警告", MB_ICONWARNING},
    {"input missing, output empty", 0, "nothing.txt", "", kInputFailed, "エラー", MB_ICONERROR},
    {"output empty", 0, "in.txt", "", kNoOutput, "警告", MB_ICONWARNING},
    {"output is the input", 0, "in.txt", "=", kOutputFailed, "エラー", MB_ICONERROR},
    {"output folder missing", 0, "in.txt", "no\\such\\out.dat", kOutputFailed, "エラー", MB_ICONERROR},
    {"a folder where the output goes", 0, "in.txt", "sub", kOutputFailed, "エラー", MB_ICONERROR},
    {"text to binary", 0, "in.txt", "out.dat", kMadeBinary, "確認", MB_ICONINFORMATION},
    {"binary to text", 1, "in.txt", "out.txt", kMadeText, "確認", MB_ICONINFORMATION},
    {"full disk, text to binary", 0, "in.txt", "Z:\\dev\\full", kBinaryFailed, "エラー", MB_ICONERROR},
    {"full disk, binary to text", 1, "in.txt", "Z:\\dev\\full", kTextFailed, "エラー", MB_ICONERROR},
    {"read error, text to binary", 0, "Z:\\proc\\self\\mem", "out.dat", kBinaryFailed, "エラー", MB_ICONERROR},
    {"read error, binary to text", 1, "Z:\\proc\\self\\mem", "out.txt", kTextFailed, "エラー", MB_ICONERROR},
};

TEST_F(IndividualPageTest, EachOutcomeShowsItsOwnMessage)
{
    for (const MessageCase& c : kMessages) {
        SCOPED_TRACE(c.name);
        ScratchFolder case_dir;
        WriteBytes(case_dir / "in.txt", "41 42 43");
        CreateDirectoryA((case_dir / "sub").c_str(), NULL);
        auto place = [&](const std::string& name) {
            if (name.empty() || name.rfind("Z:", 0) == 0) return name;
            return case_dir / name;
        };
        std::string input = place(c.input);
        std::string output = std::string(c.output) == "=" ? input : place(c.output);
        MainWnd().SetMode(c.mode);
        Box box = Convert(input, output);
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(ReadBytes(case_dir / "in.txt"), "41 42 43") << "the input is never touched";
        // Both paths stay for another try.
        EXPECT_EQ(GetText(Page(), 7000), input);
        EXPECT_EQ(GetText(Page(), 7001), output);
    }
}

TEST_F(IndividualPageTest, ConversionsWriteTheExactBytes)
{
    WriteBytes(dir / "in.txt", "# header\r\n41 42 43\r\n4a4B 0x41 abc");
    Box box = Convert(dir / "in.txt", dir / "out.dat");
    EXPECT_EQ(box.text, kMadeBinary);
    EXPECT_EQ(ReadBytes(dir / "out.dat"), std::string("ABCJK\x04\x1a\xbc", 8));

    MainWnd().SetMode(1);
    WriteBytes(dir / "in.bin", std::string("\x00\x0a\xff", 3));
    box = Convert(dir / "in.bin", dir / "out.txt");
    EXPECT_EQ(box.text, kMadeText);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "00 0a ff ");
}

TEST_F(IndividualPageTest, AnExistingOutputIsReplacedOnSuccessAndKeptOnFailure)
{
    WriteBytes(dir / "in.txt", "30 31");
    WriteBytes(dir / "out.dat", "old content that is longer");
    EXPECT_EQ(Convert(dir / "in.txt", dir / "out.dat").text, kMadeBinary);
    EXPECT_EQ(ReadBytes(dir / "out.dat"), "01");

    // The input fails to read part-way: the old output must survive, and nothing is left over.
    WriteBytes(dir / "out.dat", "precious");
    EXPECT_EQ(Convert("Z:\\proc\\self\\mem", dir / "out.dat").text, kBinaryFailed);
    EXPECT_EQ(ReadBytes(dir / "out.dat"), "precious");
    EXPECT_FALSE(Exists(dir / "new.dat"));
    EXPECT_EQ(Convert("Z:\\proc\\self\\mem", dir / "new.dat").text, kBinaryFailed);
    EXPECT_FALSE(Exists(dir / "new.dat")) << "no partial output is left behind";

    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir / "*").c_str(), &entry);
    int files = 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    EXPECT_EQ(files, 2) << "only in.txt and out.dat: no temporary file stays";
}

TEST_F(IndividualPageTest, FullDiskLeavesTheDeviceInPlace)
{
    WriteBytes(dir / "in.txt", "41");
    Convert(dir / "in.txt", "Z:\\dev\\full");
    DWORD type = 0;
    HANDLE dev = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    type = GetFileType(dev);
    CloseHandle(dev);
    EXPECT_EQ(type, static_cast<DWORD>(FILE_TYPE_CHAR)) << "the device was not replaced by a file";
}

struct ProposalCase {
    const char* name;
    const char* decide; // nullptr: no settings file at all
    const char* extension;
    int mode;
    const char* input;
    const char* expected; // the output box after the input is set
};

const ProposalCase kProposals[] = {
    {"no settings file", nullptr, nullptr, 0, "D:\\in\\sample.txt", ""},
    {"rule off", "FALSE", "ADD", 0, "D:\\in\\sample.txt", ""},
    {"lower-case true is off", "true", "ADD", 0, "D:\\in\\sample.txt", ""},
    {"add, to binary", "TRUE", "ADD", 0, "D:\\in\\sample.txt", "D:\\in\\sample.txt.dat"},
    {"add, to text", "TRUE", "ADD", 1, "D:\\in\\sample.bin", "D:\\in\\sample.bin.txt"},
    {"replace", "TRUE", "REPLACE", 0, "D:\\in\\sample.txt", "D:\\in\\sample.dat"},
    {"replace without a dot", "TRUE", "REPLACE", 0, "D:\\in\\sample", "D:\\in\\sample.dat"},
    {"replace the last dot", "TRUE", "REPLACE", 0, "D:\\in\\a.b.c", "D:\\in\\a.b.dat"},
    {"lower-case add replaces", "TRUE", "add", 0, "D:\\in\\sample.txt", "D:\\in\\sample.dat"},
    {"missing extension rule replaces", "TRUE", nullptr, 0, "D:\\in\\sample.txt", "D:\\in\\sample.dat"},
    {"dotted folder, no extension", "TRUE", "REPLACE", 0, "D:\\old.files\\README", "D:\\old.files\\README.dat"},
    {"double-byte name", "TRUE", "REPLACE", 0, "C:\\work\\表.txt", "C:\\work\\表.dat"},
    {"no backslash derives nothing", "TRUE", "REPLACE", 0, "sample.txt", ""},
    {"only a leading backslash", "TRUE", "REPLACE", 0, "\\sample.txt", ""},
    {"the input itself in mode 1", "TRUE", "REPLACE", 1, "D:\\in\\sample.txt", "D:\\in\\sample.txt"},
};

TEST_F(IndividualPageTest, SettingAnInputProposesTheOutput)
{
    for (const ProposalCase& c : kProposals) {
        SCOPED_TRACE(c.name);
        RemoveIni();
        if (c.decide) SetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", c.decide);
        if (c.extension) SetIni("IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", c.extension);
        // The batch section must not count for this page.
        SetIni("BAT_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE");
        MainWnd().SetMode(c.mode);
        Individual().Clear();
        Individual().SetInputPath(c.input);
        EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), c.input);
        EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), c.expected);
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
    Individual().SetOutputPath("plain.dat");
    EXPECT_STREQ(Individual().m_strFolder, "");
    Click(Individual().GetHwnd(), 4003);
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7000), "");
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "");
    EXPECT_STREQ(Individual().m_strFolder, "");
}

TEST_F(IndividualPageTest, TheSelectorDerivesAgainButTheMenuDoesNot)
{
    SetIni("IND_CONV_SETTINGS", "DECIDE_OUTPUT_FROM_INPUT", "TRUE");
    SetIni("IND_CONV_SETTINGS", "DEFAULT_OUTPUT_EXTENSION", "REPLACE");
    Individual().SetInputPath("D:\\in\\sample.bin");
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\in\\sample.dat");

    SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 106, 0); // "テキスト変換 (&T)"
    Pump();
    EXPECT_EQ(MainWnd().GetMode(), 1);
    EXPECT_EQ(SendMessageA(GetDlgItem(MainWnd().GetHwnd(), 9000), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\in\\sample.dat");

    ChooseMode(0);
    ChooseMode(1);
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\in\\sample.txt");

    // A path typed by hand derives nothing until the mode is chosen again.
    SetText(Individual().GetHwnd(), 7000, "D:\\typed\\x.txt");
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\in\\sample.txt");
    ChooseMode(0);
    EXPECT_EQ(GetText(Individual().GetHwnd(), 7001), "D:\\typed\\x.dat");
}

TEST_F(IndividualPageTest, MenuCommandsAndKeysReachThePageShown)
{
    WriteBytes(dir / "in.txt", "41");
    SetText(Page(), 7000, dir / "in.txt");
    SetText(Page(), 7001, dir / "out.dat");
    {
        DialogWatcher watcher;
        SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 102, 0); // "変換開始 (&C)"
        Pump();
        ASSERT_EQ(watcher.boxes.size(), 1u);
        EXPECT_EQ(watcher.boxes[0].text, kMadeBinary);
    }
    {
        DialogWatcher watcher;
        SendMessageA(MainWnd().GetHwnd(), WM_KEYDOWN, VK_RETURN, 0);
        Pump();
        EXPECT_EQ(watcher.boxes.size(), 1u) << "Enter on the main window converts";
    }
    {
        DialogWatcher watcher;
        SendMessageA(GetDlgItem(Page(), 7000), WM_KEYDOWN, VK_RETURN, 0);
        Pump();
        EXPECT_EQ(watcher.boxes.size(), 0u) << "Enter in an edit box does not convert";
    }
    SendMessageA(GetDlgItem(Page(), 7001), WM_KEYDOWN, VK_DELETE, 0);
    Pump();
    EXPECT_NE(GetText(Page(), 7000), "") << "Delete in an edit box edits, it does not clear";
    SendMessageA(MainWnd().GetTabCtrl()->GetHwnd(), WM_KEYDOWN, VK_DELETE, 0);
    Pump();
    EXPECT_EQ(GetText(Page(), 7000), "") << "Delete on the tab strip clears the page";
    SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, 103, 0);
    Pump();
    EXPECT_EQ(ReadBytes(dir / "out.dat"), "A");
}

TEST_F(IndividualPageTest, TheChoosersPickBothPathsAndCancelChangesNothing)
{
    WriteBytes(dir / "picked.txt", "41");
    Individual().SetOutputPath((dir / "start.dat").c_str());
    struct Run {
        const char* name;
        std::function<void()> open;
        std::string typed; // "" cancels
        const char* title;
        int box;
    } runs[] = {
        {"入力, cancelled", [&] { Click(Page(), 4000); }, "", "変換したいファイルを選択してください", 7000},
        {"Ctrl+I", [&] {
             BYTE keys[256];
             GetKeyboardState(keys);
             keys[VK_CONTROL] = 0x80;
             SetKeyboardState(keys);
             SendMessageA(MainWnd().GetHwnd(), WM_KEYDOWN, 'I', 0);
             Pump();
             keys[VK_CONTROL] = 0;
             SetKeyboardState(keys);
         }, dir / "picked.txt", "変換したいファイルを選択してください", 7000},
        {"出力", [&] { Click(Page(), 4001); }, dir / "new.dat", "変換後のファイル名を入力してください", 7001},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        std::string title, before = GetText(Page(), run.box);
        std::string folderBefore = static_cast<const char*>(Individual().m_strFolder);
        DialogWatcher watcher;
        watcher.onDialog = [&](HWND chooser) {
            title = WindowText(chooser);
            if (run.typed.empty()) {
                PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            SetDlgItemTextA(chooser, 1148, run.typed.c_str());
            SetDlgItemTextA(chooser, 1152, run.typed.c_str());
            PostMessageA(chooser, WM_COMMAND, IDOK, 0);
        };
        run.open();
        EXPECT_EQ(title, run.title);
        if (run.typed.empty()) {
            EXPECT_EQ(GetText(Page(), run.box), before);
            EXPECT_EQ(std::string(Individual().m_strFolder), folderBefore);
        } else {
            EXPECT_EQ(GetText(Page(), run.box), run.typed);
            EXPECT_EQ(std::string(Individual().m_strFolder), dir.Path());
        }
    }
}

} // namespace
