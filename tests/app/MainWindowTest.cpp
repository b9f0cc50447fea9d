// The main window: every command and drop and what it reaches (the keys are FocusTest's), the
// start-up paths, the menus' texts, the settings dialog with and without a settings file.
#include "AppEnvironment.h"

#include "app/StartPaths.h"

using namespace apptest;

namespace {

using MainWindowTest = AppTest;

// Each step from "x" in both input boxes: what opened, the page shown, the mode where selector and
// menu agree (else -1), the page's boxes, and after a choice where the next chooser starts.
TEST_F(MainWindowTest, EveryCommandAndDropReachesWhatItNames)
{
    WriteBytes(dir / "a.txt", "41");
    CreateDirectoryA((dir / "sub").c_str(), NULL);
    HWND main = MainWnd().GetHwnd(), one = Individual().GetHwnd(), many = Batch().GetHwnd();
    const std::string a = dir / "a.txt", b = dir / "sub\\b.dat";
    const char* const in = "[変換したいファイルを選択してください]";
    const char* const out = "[変換後のファイル名を入力してください]";
    const struct {
        int tab;
        const char* name;
        std::function<void()> act;
        std::string typed; // into a chooser, "" cancels it
        std::string seen;
    } steps[] = {
        {0, "参照（入力） (&I)", [] { Command(ID_BROWSE_INPUT); }, a, in + ("|0|0|" + a + "||" + dir.Path())},
        {0, "参照（出力） (&O)", [] { Command(ID_BROWSE_OUTPUT); }, b, out + ("|0|0|x|" + b + "|" + dir / "sub")},
        {0, "Ctrl+E", [&] { Press(main, 'E', VK_CONTROL); }, "", "<出力ファイルを設定してください>|0|0|x|"},
        {1, "Ctrl+P in the list", [&] { Press(GetDlgItem(many, IDC_FILE_LIST), 'P', VK_CONTROL); }, "", "<出力フォルダを設定してください>|1|0|x|"},
        {0, "a folder dropped on a page", [&] { SendMessageA(one, WM_DROPFILES, MakeDrop({dir.Path()}), 0); }, "", "|1|0|" + dir.Path() + "|"},
        {0, "テキスト変換 (&T)", [] { Command(ID_MODE_TEXT); }, "", "|0|1|x|"},
    };
    HMENU edit = GetSubMenu(GetMenu(main), 1);
    for (const auto& step : steps) {
        ChooseTab(step.tab);
        for (HWND page : {one, many}) SetText(page, IDC_INPUT_PATH, "x"), SetText(page, IDC_OUTPUT_PATH, "");
        std::string seen = Opened(step.act, step.typed);
        const int mode = MainWnd().GetMode(), page = MainWnd().m_nPage;
        const bool agree = SendDlgItemMessageA(main, IDC_MODE_SELECTOR, CB_GETCURSEL, 0, 0) == mode &&
                           (GetMenuState(edit, mode, MF_BYPOSITION) & MF_CHECKED) && !(GetMenuState(edit, 1 - mode, MF_BYPOSITION) & MF_CHECKED);
        HWND shown = CMainWnd::GetPage(page)->GetHwnd();
        seen += "|" + std::to_string(page) + "|" + std::to_string(agree ? mode : -1) + "|" + GetText(shown, IDC_INPUT_PATH) + "|" +
                GetText(shown, IDC_OUTPUT_PATH);
        if (!step.typed.empty()) seen += "|" + std::string(Individual().m_strFolder); // where the next chooser starts
        EXPECT_EQ(seen, step.seen) << step.name;
        EXPECT_TRUE(IsWindowVisible(shown) && !IsWindowVisible(CMainWnd::GetPage(1 - page)->GetHwnd())) << step.name;
    }
}

// Paths of one folder dropped together open on the batch page with just their rows checked (the
// filter widened to show them); several folders or a path too long are refused, opening nothing.
TEST_F(MainWindowTest, PathsDroppedTogether)
{
    const std::string in = dir / "表 in", other = dir / "other", tooLong = in + "\\" + std::string(260, 'x');
    CreateDirectoryA(in.c_str(), NULL), CreateDirectoryA(other.c_str(), NULL);
    for (const char* name : {"表 a.txt", "b.dat", "c.txt", "..\\other\\d.txt"}) WriteBytes(in + "\\" + name, "41");
    const struct { std::vector<std::string> paths; std::string seen; } cases[] = {
        {{in + "\\表 a.txt", in + "\\b.dat"}, "|1|" + in + "|*.*|b.dat -> b.dat+ c.txt -> c.dat 表 a.txt -> 表 a.dat+ "},
        {{in + "\\c.txt", other + "\\d.txt"}, "<まとめて開くファイルは、1つのフォルダにあるものにしてください。>|0|"},
        {{in + "\\c.txt", tooLong}, "<パスが長すぎるため使えません。\n" + tooLong + "\n" + std::to_string(tooLong.size()) + " バイト（上限 259 バイト）>|0|"},
    };
    for (const auto& c : cases) {
        Reset(0);
        SendDlgItemMessageA(Batch().GetHwnd(), IDC_FILTER, CB_SETCURSEL, 1, 0);
        std::string seen;
        DialogWatcher watcher;
        watcher.onBox = [&](const Box& box) { seen += "<" + box.text + ">"; };
        SendMessageA(MainWnd().GetHwnd(), WM_DROPFILES, MakeDrop(c.paths), 0);
        HWND shown = CMainWnd::GetPage(MainWnd().m_nPage)->GetHwnd();
        seen += "|" + std::to_string(MainWnd().m_nPage) + "|" + GetText(shown, IDC_INPUT_PATH);
        if (MainWnd().m_nPage == 1) {
            seen += "|" + GetText(shown, IDC_FILTER) + "|";
            for (const std::string& row : Listing()) seen += row + " ";
        }
        EXPECT_EQ(seen, c.seen);
    }
}

// The command line is one path, as always, unless that names nothing and the line splits by the
// system's quoting rules into several paths that all exist (Explorer quotes those with blanks).
TEST_F(MainWindowTest, SeveralPathsOnTheCommandLine)
{
    using Args = std::vector<std::string>;
    const struct { std::string line; Args args; } splits[] = {
        {"\"C:\\a b\\表\" x\\y", {"C:\\a b\\表", "x\\y"}}, // 表 ends in the byte of a backslash
        {" a\\\\\"b c\" \\\"d  \"\"", {"a\\b c", "\"d", ""}},
    };
    for (const auto& split : splits) {
        Args args;
        for (const Vexa::CString& arg : SplitCommandLine(split.line.c_str())) args.push_back(static_cast<const char*>(arg));
        EXPECT_EQ(args, split.args) << split.line;
    }
    const std::string a = dir / "表 a.txt", b = dir / "b.txt";
    WriteBytes(a, "41"), WriteBytes(b, "42");
    // The one path, its closing quote or blanks after it left off. (Two that exist open the batch
    // page: the end-to-end test.)
    for (const std::string& line : {a, "\"" + a + "\"", "\"" + a, a + " \t "})
        EXPECT_EQ(std::string(OneStartPath(line.c_str())) + "|" + std::to_string(SeveralStartPaths(line.c_str()).size()), a + "|0");
    EXPECT_EQ(SeveralStartPaths(("\"" + a + "\" \"" + b + "x\"").c_str()).size(), 0u);
}

// The menus as the user reads them, each entry with its command; a separator is {"-", 0}.
TEST_F(MainWindowTest, MenuTextsAndCommands)
{
    using Items = std::vector<std::pair<std::string, UINT>>;
    const Items expected[] = {
        {{"ファイル (&F)", 0}, {"参照（入力） (&I)\tCtrl+I", ID_BROWSE_INPUT}, {"参照（出力） (&O)\tCtrl+O", ID_BROWSE_OUTPUT}, {"-", 0},
         {"変換開始 (&C)\tEnter", ID_CONVERT}, {"クリア (&R)\tDelete", ID_CLEAR}, {"-", 0}, {"設定 (&S)", ID_SETTINGS}, {"-", 0},
         {"出力フォルダを開く (&D)\tCtrl+E", ID_OPEN_OUTPUT_FOLDER}, {"出力ファイルを開く (&P)\tCtrl+P", ID_OPEN_OUTPUT_FILE}, {"-", 0},
         {"終了", ID_EXIT}},
        {{"編集 (&E)", 0}, {"バイナリ変換 (&B)\tCtrl+B", ID_MODE_BINARY}, {"テキスト変換 (&T)\tCtrl+T", ID_MODE_TEXT}},
        {{"ヘルプ (&H)", 0}, {"使い方 (&H)\tF1", ID_HELP}, {"バージョン情報 (&V)\tCtrl+F1", ID_VERSION}},
    };
    HMENU bar = GetMenu(MainWnd().GetHwnd());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    for (int i = 0; i < 3; ++i) {
        char text[64] = "";
        GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
        Items menu = {{text, 0}};
        HMENU drop = GetSubMenu(bar, i);
        for (int n = 0; n < GetMenuItemCount(drop); ++n) {
            const UINT id = GetMenuItemID(drop, n);
            GetMenuStringA(drop, n, text, sizeof text, MF_BYPOSITION);
            menu.push_back({id == 0 ? "-" : text, id});
        }
        EXPECT_EQ(menu, expected[i]);
    }
    char item[64] = "";
    SendDlgItemMessageA(MainWnd().GetHwnd(), IDC_MODE_SELECTOR, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, "テキスト変換");
}

// The nth settings page (a child dialog) holding control id.
HWND PageWith(HWND dialog, int id, int nth = 0)
{
    HWND child = NULL;
    while ((child = FindWindowExA(dialog, child, "#32770", NULL)) != NULL)
        if (GetDlgItem(child, id) && nth-- == 0) return child;
    return NULL;
}

// What the dialog shows: the rule pages' check boxes, the filer, the width, the comments, the format
// and its record size, fill byte and start address.
std::string ShownSettings(HWND dialog)
{
    std::string shown;
    for (int page : {0, 1})
        for (int id : {IDC_DECIDE_OUTPUT, IDC_EXTENSION_ADD})
            shown += std::to_string(SendDlgItemMessageA(PageWith(dialog, IDC_DECIDE_OUTPUT, page), id, BM_GETCHECK, 0, 0));
    shown += std::to_string(SendDlgItemMessageA(PageWith(dialog, IDC_DECIDE_OUTPUT, 1), IDC_INCLUDE_SUBFOLDERS, BM_GETCHECK, 0, 0));
    HWND common = PageWith(dialog, IDC_TOOL_PATH);
    shown += "|" + GetText(common, IDC_TOOL_PATH) + "|" + GetText(common, IDC_TEXT_WIDTH) + "|" +
             std::to_string(SendDlgItemMessageA(common, IDC_TEXT_COMMENTS, BM_GETCHECK, 0, 0));
    for (int id : {IDC_TEXT_FORMAT, IDC_RECORD_BYTES, IDC_FILL_BYTE, IDC_START_ADDRESS}) shown += "|" + GetText(common, id);
    return shown;
}

std::string SavedSettings()
{
    std::string saved;
    for (const char* key : {"FILER", "TXT_EDITOR", "BIN_EDITOR", "TEXT_BYTES_PER_LINE", "TEXT_OFFSET_COMMENTS", "TEXT_FORMAT",
                            "FILL_BYTE", "START_ADDRESS", "RECORD_BYTES"})
        saved += GetIni("COMMON_SETTINGS", key) + "|";
    for (const char* section : {"IND_CONV_SETTINGS", "BAT_CONV_SETTINGS"})
        saved += GetIni(section, "DECIDE_OUTPUT_FROM_INPUT") + "|" + GetIni(section, "DEFAULT_OUTPUT_EXTENSION") + "|";
    return saved + GetIni("BAT_CONV_SETTINGS", "INCLUDE_SUBFOLDERS");
}

// Opens the settings dialog; act runs in it, onBox at each message box. The boxes shown.
std::vector<Box> WithSettings(const std::function<void(HWND)>& act, const std::function<void(const Box&)>& onBox = nullptr)
{
    DialogWatcher watcher;
    watcher.onDialog = act;
    watcher.onBox = onBox;
    Command(ID_SETTINGS);
    return watcher.boxes;
}

// Without a settings file the dialog shows the defaults and 決定 writes every key; a failed save
// says which file and why, and the dialog stays open until 決定 can save.
TEST_F(MainWindowTest, SettingsShowTheDefaultsAndAFailedSaveSaysWhy)
{
    const std::string ini = ProgramFolder() + "\\Quillmark.ini";
    std::string shown;
    HWND open = NULL;
    CreateDirectoryA(ini.c_str(), NULL);
    const std::vector<Box> boxes = WithSettings(
        [&](HWND dialog) {
            shown = ShownSettings(open = dialog);
            SetText(PageWith(dialog, IDC_TOOL_PATH), IDC_TOOL_PATH + 1, "changed");
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        },
        [&](const Box&) { RemoveDirectoryA(ini.c_str()), PostMessageA(open, WM_COMMAND, IDOK, 0); });
    EXPECT_EQ(shown, "00000||なし|0|16進テキスト|16|FF|0x00000000");
    EXPECT_EQ(SavedSettings(), "|changed||0|FALSE|HEX|FF|0x00000000|16|FALSE|REPLACE|FALSE|REPLACE|FALSE");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Said(boxes[0]) + boxes[0].text.substr(boxes[0].text.find('\n')).substr(0, ini.size() + 1),
              "エラー: 設定を保存できませんでした\n" + ini);
    EXPECT_NE(boxes[0].text.find("(エラー "), std::string::npos) << boxes[0].text;
}

// 決定 saves every change on every page and writes back the rest as the file held it (a long path,
// a value in quotes); a fill byte, then a start address that does not parse, is refused, the
// dialog kept open for another try.
TEST_F(MainWindowTest, SettingsShowTheFileAndOkSavesEveryChange)
{
    const std::string longPath = "C:\\" + std::string(300, 'x') + ".exe", quoted = "\"C:\\a b\\x.exe\" -n \"%1\"";
    const char* const ind = "IND_CONV_SETTINGS", *bat = "BAT_CONV_SETTINGS", *common = "COMMON_SETTINGS";
    const char* const ini[][3] = {
        {ind, "DECIDE_OUTPUT_FROM_INPUT", "true"}, // not TRUE: shown and saved off
        {bat, "DECIDE_OUTPUT_FROM_INPUT", "TRUE"}, {bat, "DEFAULT_OUTPUT_EXTENSION", "ADD"}, {bat, "INCLUDE_SUBFOLDERS", "TRUE"},
        {common, "FILER", "C:\\filer.exe"}, {common, "TEXT_BYTES_PER_LINE", "12"}, {common, "TEXT_OFFSET_COMMENTS", "TRUE"},
        {common, "TEXT_FORMAT", "SREC"}, {common, "FILL_BYTE", "0a"}, {common, "START_ADDRESS", "4096"},
        {common, "RECORD_BYTES", "32"}, {common, "TXT_EDITOR", longPath.c_str()}, {common, "BIN_EDITOR", quoted.c_str()}};
    for (const auto& line : ini) SetIni(line[0], line[1], line[2]);
    std::string shown;
    std::vector<std::string> refused;
    HWND page = NULL;
    WithSettings([&](HWND dialog) {
        shown = ShownSettings(dialog);
        // Change something on every page, switching tabs as a user does.
        HWND tab = GetDlgItem(dialog, IDC_SETTING_TAB);
        page = PageWith(dialog, IDC_TOOL_PATH);
        SendDlgItemMessageA(page, IDC_TEXT_WIDTH, CB_SETCURSEL, 3, 0);
        SendDlgItemMessageA(page, IDC_TEXT_COMMENTS, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(page, IDC_TEXT_FORMAT, CB_SETCURSEL, 1, 0);
        SetText(page, IDC_FILL_BYTE, "G1"), SetText(page, IDC_START_ADDRESS, "0x100000000");
        SendMessageA(tab, TCM_SETCURFOCUS, 1, 0);
        SendDlgItemMessageA(PageWith(dialog, IDC_DECIDE_OUTPUT, 0), IDC_DECIDE_OUTPUT, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(tab, TCM_SETCURFOCUS, 2, 0);
        HWND batch = PageWith(dialog, IDC_DECIDE_OUTPUT, 1);
        SendDlgItemMessageA(batch, IDC_EXTENSION_ADD, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(batch, IDC_EXTENSION_REPLACE, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }, [&](const Box& box) {
        refused.push_back(box.caption + "|" + box.text.substr(0, box.text.find("には")) + "|" + GetIni("COMMON_SETTINGS", "TEXT_FORMAT"));
        SetText(page, refused.size() == 1 ? IDC_FILL_BYTE : IDC_START_ADDRESS, refused.size() == 1 ? "0a" : "0X8000000");
        PostMessageA(GetParent(page), WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(refused, std::vector<std::string>({"警告|埋めるバイト|SREC", "警告|開始アドレス|SREC"}));
    EXPECT_EQ(shown, "00111|C:\\filer.exe|なし|1|Sレコード|32|0A|0x00001000") << "individual off/replace, batch on/add/subfolders, an unknown width";
    EXPECT_EQ(SavedSettings(),
              "C:\\filer.exe|" + longPath + "|C:\\a b\\x.exe\" -n \"%1|32|FALSE|IHEX|0A|0x08000000|32|TRUE|REPLACE|TRUE|REPLACE|TRUE");
    EXPECT_NE(ReadBytes(ProgramFolder() + "\\Quillmark.ini").find("BIN_EDITOR=" + quoted + "\r\n"), std::string::npos);
    // The page follows the saved rule without a restart.
    Individual().SetInputPath("D:\\in\\x.txt");
    EXPECT_EQ(GetText(Individual().GetHwnd(), IDC_OUTPUT_PATH), "D:\\in\\x.dat");
}

// Both open commands hand the output, quoted and whole (blanks, 表 and ソ end in a backslash byte),
// to the program the settings name, else to Explorer or the shell ("{...}"), or say why not.
TEST_F(MainWindowTest, OpenCommandsHandTheOutputOverWhole)
{
    const std::string tools = dir / "ツール 表", outputs = dir / "出力 表", text = outputs + "\\表 データ.txt";
    const std::string recorder = tools + "\\記録 ソ.exe", quoted = "\"" + recorder + "\" ";
    std::string windows(MAX_PATH, '\0');
    windows.resize(GetWindowsDirectoryA(&windows[0], MAX_PATH));
    CreateDirectoryA(tools.c_str(), NULL), CreateDirectoryA(outputs.c_str(), NULL), WriteBytes(text, "41");
    ASSERT_TRUE(CopyFileA("Z:" QUILL_RECORDER_PATH, recorder.c_str(), FALSE));
    const struct { const char* name; int tab, mode, command; const char* key; std::string tool, output, seen; } cases[] = {
        {"filer on a drive's root", 1, 0, ID_OPEN_OUTPUT_FOLDER, "FILER", recorder, "Z:\\", quoted + "\"Z:\\\\\""},
        {"text editor, its argument quoted", 0, 1, ID_OPEN_OUTPUT_FILE, "TXT_EDITOR", recorder + " \"%1\"", text,
         quoted + "\"" + text + "\""},
        {"binary editor, quoted", 0, 0, ID_OPEN_OUTPUT_FILE, "BIN_EDITOR", " \"" + recorder + "\" -n \"%1\"", text,
         quoted + "-n \"" + text + "\""},
        {"no filer", 0, 0, ID_OPEN_OUTPUT_FOLDER, "FILER", "", text, "{\"" + windows + "\\explorer.exe\" /select,\"" + text + "\"}"},
        {"no editor", 0, 1, ID_OPEN_OUTPUT_FILE, "TXT_EDITOR", "", text, "{open " + text + "}"},
        {"a missing output", 0, 1, ID_OPEN_OUTPUT_FILE, "TXT_EDITOR", recorder, outputs + "\\none.txt",
         "<出力ファイルを開けませんでした\n" + outputs + "\\none.txt>"},
    };
    for (const auto& c : cases) {
        ChooseTab(c.tab);
        MainWnd().SetMode(c.mode);
        SetText(CMainWnd::GetPage(c.tab)->GetHwnd(), IDC_OUTPUT_PATH, c.output);
        SetIni("COMMON_SETTINGS", c.key, c.tool.c_str());
        DeleteFileA((recorder + ".txt").c_str());
        std::string seen;
        DialogWatcher watcher;
        watcher.onBox = [&](const Box& box) { seen += "<" + box.text.substr(0, box.text.rfind('\n')) + ">"; };
        started.clear();
        Command(c.command);
        for (int i = 0; started.rfind(quoted, 0) == 0 && seen.empty() && i < 2000; ++i, Sleep(10))
            if (ReadBytes(recorder + ".txt") != "<missing>") seen = ReadBytes(recorder + ".txt"); // as the program got it
        EXPECT_EQ(seen.empty() ? "{" + started + "}" : seen, c.seen) << c.name;
    }
}

} // namespace
