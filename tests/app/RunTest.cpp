// Runs on the worker thread in the real main window, held at a chosen read: the window answers,
// shows progress and refuses what would change the run; a stop says what became of the files.
#include "AppEnvironment.h"

#include <regex>

using namespace apptest;

namespace {

const DWORD s_uiThread = GetCurrentThreadId();
LONG s_readsLeft = 0;
HANDLE s_reached = CreateEventA(NULL, TRUE, FALSE, NULL), s_release = CreateEventA(NULL, TRUE, FALSE, NULL);

// Another thread's n-th read (n set by StartHeld) waits for Release.
BOOL WINAPI HeldReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (GetCurrentThreadId() != s_uiThread && InterlockedDecrement(&s_readsLeft) == 0) {
        SetEvent(s_reached);
        WaitForSingleObject(s_release, INFINITE);
    }
    return Kernel32<decltype(&HeldReadFile)>("ReadFile")(file, buffer, size, read, overlapped);
}

class RunTest : public AppTest {
protected:
    void SetUp() override
    {
        HookImport(reinterpret_cast<void*>(&ReadFile), reinterpret_cast<void*>(&HeldReadFile)); // again: no change
        AppTest::SetUp();
        CreateDirectoryA(in.c_str(), NULL), CreateDirectoryA(out.c_str(), NULL);
    }
    // Presses "変換開始" and returns once the worker waits at its n-th read (a small file takes one),
    // the window answering all along; a run inside the command would never get there.
    bool StartHeld(HWND page, LONG read)
    {
        ResetEvent(s_reached), ResetEvent(s_release);
        s_readsLeft = read;
        busy.swap(saved); // until Release, Pump does not wait for runs
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_CONVERT)));
        for (int i = 0; i < 3000 && WaitForSingleObject(s_reached, 0) != WAIT_OBJECT_0; ++i)
            MsgWaitForMultipleObjects(1, &s_reached, FALSE, 10, QS_ALLINPUT), Drain();
        Drain();
        return WaitForSingleObject(s_reached, 0) == WAIT_OBJECT_0 && Individual().IsRunning() + Batch().IsRunning() == 1;
    }
    // Lets the worker go on and pumps until the run has ended with its message.
    void Release() { SetEvent(s_release), busy.swap(saved), Pump(); }
    static std::string Name(int i) { return "f" + std::to_string(10000 + i).substr(1); }
    HWND ListBatch(int files, const char* outputs)
    {
        for (int i = 0; i < files; ++i) WriteBytes(in + "\\" + Name(i) + ".txt", "41 42");
        for (int i = 0; outputs && i < files; ++i) WriteBytes(out + "\\" + Name(i) + ".dat", outputs);
        ChooseTab(1);
        Batch().SetInputPath(in.c_str());
        SetText(Batch().GetHwnd(), IDC_OUTPUT_PATH, out);
        return Batch().GetHwnd();
    }

    std::string in = dir / "in", out = dir / "out";
    std::function<bool()> saved;
};

// Held half-way through 2000 files, the batch page shows that it runs and refuses all that would
// change the run (each key goes to a command FocusTest names); then every output is made.
TEST_F(RunTest, DuringARunThePageShowsItAndNothingChangesWhatItWorksOn)
{
    HWND page = ListBatch(2000, nullptr), main = MainWnd().GetHwnd(), list = GetDlgItem(page, IDC_FILE_LIST);
    std::vector<HWND> off = {GetDlgItem(main, IDC_MODE_SELECTOR), MainWnd().GetTabCtrl()->GetHwnd()};
    for (int id : {IDC_FILTER, IDC_INPUT_BROWSE, IDC_INPUT_PATH, IDC_OUTPUT_BROWSE, IDC_OUTPUT_PATH, IDC_CLEAR, IDC_CHECK_ALL,
                   IDC_UNCHECK_ALL})
        off.push_back(GetDlgItem(page, id));
    auto state = [&] {
        std::string rows;
        for (int i = 0; i < Rows(list); i += 199) rows += Cell(list, i, 0) + ">" + Cell(list, i, 1) + (Checked(list, i) ? "+ " : "- ");
        return std::to_string(MainWnd().GetMode()) + std::to_string(MainWnd().m_nPage) + std::to_string(IsWindowVisible(page)) +
               " " + GetText(page, IDC_INPUT_PATH) + " " + GetText(page, IDC_OUTPUT_PATH) + " " + std::to_string(Rows(list)) + " " + rows;
    };
    auto shown = [&] { return IsWindowVisible(GetDlgItem(page, IDC_RUN_PROGRESS)) + IsWindowVisible(GetDlgItem(page, IDC_RUN_STATUS)); };
    SetFocus(GetDlgItem(page, IDC_INPUT_PATH));
    EXPECT_EQ(shown(), 0) << "no progress shows before a run";
    ASSERT_TRUE(StartHeld(page, 1000 + 1));
    EXPECT_EQ(GetText(page, IDC_CONVERT), "中止");
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_CONVERT)) << "the keyboard stays with the page";
    EXPECT_EQ(shown(), 2);
    for (HWND control : off) EXPECT_FALSE(IsWindowEnabled(control)) << GetDlgCtrlID(control);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_CONVERT)) && IsWindowEnabled(list));
    EXPECT_TRUE(GetMenuState(GetMenu(main), ID_CONVERT, MF_BYCOMMAND) & MF_GRAYED);

    const std::string before = state();
    const std::pair<const char*, std::function<void()>> attempts[] = {
        {"mode selector", [] { ChooseMode(1); }}, {"mode menu", [] { Command(ID_MODE_TEXT); }},
        {"tab strip", [] { ChooseTab(0); }},
        {"input browse", [] { Command(ID_BROWSE_INPUT); }}, {"output button", [&] { Click(page, IDC_OUTPUT_BROWSE); }},
        {"クリア", [&] { Click(page, IDC_CLEAR); }}, {"Delete", [&] { Press(main, VK_DELETE); }},
        {"settings", [] { Command(ID_SETTINGS); }}, {"second start", [&] { Press(main, VK_RETURN); }},
        {"dropped file", [&] { SendMessageA(main, WM_DROPFILES, MakeDrop({"C:\\x.txt"}), 0); }},
        {"filter", [&] { ChooseFilter(page, 1), SendDlgItemMessageA(page, IDC_FILTER, CB_SETCURSEL, 0, 0); }},
        {"選択解除", [&] { Click(page, IDC_UNCHECK_ALL); }},
        {"row check", [&] { ListView_SetCheckState(list, 0, FALSE); }},
        {"rename", [&] { ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED); Batch().EditOutputName(); }},
    };
    for (const auto& attempt : attempts) {
        EXPECT_EQ(Opened([&] { attempt.second(), Drain(); }) + state(), before) << attempt.first;
        EXPECT_TRUE(Batch().IsRunning()) << attempt.first;
    }
    EXPECT_EQ(Opened([&] { Release(); }), "<テキストファイルからバイナリファイルを作成しました>");
    EXPECT_TRUE(FilesIn(out) == 2000 && ReadBytes(out + "\\" + Name(1999) + ".dat") == "AB") << "every output made";
    EXPECT_EQ(GetText(page, IDC_CONVERT), "変換開始");
    EXPECT_EQ(shown(), 0);
    for (HWND control : off) EXPECT_TRUE(IsWindowEnabled(control)) << GetDlgCtrlID(control);
}

// A stop, each way, says what became of the files (on the batch page at the fourth file, rows
// Held inside a 3 MiB file after two small ones, the status names it with its MB read in place
// of the buttons.
TEST_F(RunTest, TheStatusNamesTheFileUnderWay)
{
    WriteBytes(in + "\\large.txt", std::string(3 * 1024 * 1024, '4'));
    HWND page = ListBatch(2, nullptr);
    ASSERT_TRUE(StartHeld(page, 4));
    auto shows = [&] { // brought up to date while nothing is read
        return std::regex_match(GetText(page, IDC_RUN_STATUS), std::regex("2 / 3  [0-9.]+ / 3 MB  large\\.txt"));
    };
    for (int i = 0; i < 1000 && !shows(); ++i) MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT), Drain();
    EXPECT_TRUE(shows()) << GetText(page, IDC_RUN_STATUS);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_CLEAR)));
    EXPECT_EQ(Opened([&] { Release(); }), "<テキストファイルからバイナリファイルを作成しました>");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_CLEAR)));
}

// failed or skipped before it named as at the end of a whole run).
TEST_F(RunTest, AStopSaysWhatBecameOfTheFiles)
{
    const std::string dup = "出力ファイル名が重複しています";
    const struct {
        int tab;
        const char* name;
        std::function<void(HWND page)> stop;
        bool failed; // a failed row and two skipped ones before the stop
        std::string box;
    } cases[] = {
        {0, "中止", [](HWND page) { Click(page, IDC_CONVERT); }, false, "変換を中止しました。出力ファイルは変更していません。"},
        {1, "Esc on the main window", [](HWND) { Press(MainWnd().GetHwnd(), VK_ESCAPE); }, false,
         "変換を中止しました。\n3 件のファイルを変換し、7 件のファイルは変換していません。\n変換済み 3 件、スキップ 0 件、失敗 0 件"},
        {1, "Esc on the 中止 button", [](HWND page) { Press(GetDlgItem(page, IDC_CONVERT), VK_ESCAPE); }, true,
         "変換を中止しました。\n2 件のファイルを変換し、8 件のファイルは変換していません。\n変換済み 2 件、スキップ 2 件、失敗 1 件\n" +
             Name(0) + ".txt: 出力ファイルを作成できません - "},
    };
    WriteBytes(dir / "large.txt", std::string(3 * 1024 * 1024, '4'));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Batch().Clear(); // rows converted before are unchecked
        RemoveTree(out), CreateDirectoryA(out.c_str(), NULL);
        HWND page = ListBatch(10, "old");
        if (c.tab == 0) {
            ChooseTab(0);
            page = Individual().GetHwnd();
            SetText(page, IDC_INPUT_PATH, dir / "large.txt");
            SetText(page, IDC_OUTPUT_PATH, out + "\\" + Name(0) + ".dat");
        }
        if (c.failed) {
            DeleteFileA((out + "\\" + Name(0) + ".dat").c_str());
            CreateDirectoryA((out + "\\" + Name(0) + ".dat").c_str(), NULL);
            ListView_SetItemText(GetDlgItem(page, IDC_FILE_LIST), 1, 1, const_cast<char*>((Name(2) + ".dat").c_str()));
        }
        DialogWatcher watcher;
        ASSERT_TRUE(StartHeld(page, c.tab ? 4 - c.failed : 2));
        c.stop(page);
        Release();
        ASSERT_EQ(watcher.boxes.size(), 1u);
        const std::string& box = watcher.boxes[0].text;
        EXPECT_EQ(box.rfind(c.box, 0), 0u) << box;
        EXPECT_TRUE(!c.failed || box.find("\n" + Name(1) + ".txt: " + dup + "\n" + Name(2) + ".txt: " + dup) != box.npos) << box;
        EXPECT_EQ(GetText(page, IDC_CONVERT), "変換開始");
    }
}

} // namespace
