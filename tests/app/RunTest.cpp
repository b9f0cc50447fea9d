// Conversions on the worker thread, in the real main window: while a run goes on the window answers
// and shows progress, nothing changes what the run works on, and a stop keeps the finished files
// and leaves nothing partial. The worker is held at a chosen read, so "during the run" is exact.
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

#include "AppEnvironment.h"
#include "resources/resource.h"

using namespace apptest;

namespace {

using ReadFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
ReadFn s_read = nullptr;
DWORD s_uiThread = 0;
LONG s_readsLeft = 0;
HANDLE s_reached = CreateEventA(NULL, TRUE, FALSE, NULL);
HANDLE s_release = CreateEventA(NULL, TRUE, FALSE, NULL);

// Every file read of the program; another thread's n-th read (n set by Hold) waits for Release.
BOOL WINAPI HeldReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (GetCurrentThreadId() != s_uiThread && InterlockedDecrement(&s_readsLeft) == 0) {
        SetEvent(s_reached);
        WaitForSingleObject(s_release, INFINITE);
    }
    return s_read(file, buffer, size, read, overlapped);
}

// With s_holdFlushes, the committer's flushes wait for Release too: at a stop, the files already
// written still wait in its queue.
using FlushFn = BOOL(WINAPI*)(HANDLE);
FlushFn s_flush = nullptr;
bool s_holdFlushes = false;
BOOL WINAPI HeldFlush(HANDLE file)
{
    if (s_holdFlushes) WaitForSingleObject(s_release, INFINITE);
    return s_flush(file);
}

class RunTest : public AppTest {
protected:
    void SetUp() override
    {
        static const bool hooked = (s_read = &ReadFile, s_uiThread = GetCurrentThreadId(),
                                    HookImport(reinterpret_cast<void*>(s_read), reinterpret_cast<void*>(&HeldReadFile)),
                                    s_flush = &FlushFileBuffers,
                                    HookImport(reinterpret_cast<void*>(s_flush), reinterpret_cast<void*>(&HeldFlush)), true);
        ASSERT_TRUE(hooked);
        AppTest::SetUp();
        CreateDirectoryA(in.c_str(), NULL);
        CreateDirectoryA(out.c_str(), NULL);
    }
    // Presses "変換開始" on the page and returns once the worker waits at its n-th read (each
    // small file takes two: its bytes, then the end), the window answering all along: a conversion
    // run inside the command would never get there (given up after 30 s).
    bool StartHeld(HWND page, LONG read)
    {
        ResetEvent(s_reached);
        ResetEvent(s_release);
        s_readsLeft = read;
        busy.swap(saved); // until Release, Pump does not wait for runs
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(4002, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, 4002)));
        for (int i = 0; i < 3000 && WaitForSingleObject(s_reached, 0) != WAIT_OBJECT_0; ++i) {
            MsgWaitForMultipleObjects(1, &s_reached, FALSE, 10, QS_ALLINPUT);
            Drain();
        }
        Drain();
        return WaitForSingleObject(s_reached, 0) == WAIT_OBJECT_0 && Individual().IsRunning() + Batch().IsRunning() == 1;
    }
    // Lets the worker go on and pumps until the run has ended with its message.
    void Release()
    {
        SetEvent(s_release);
        busy.swap(saved);
        Pump();
    }
    static std::string Name(int i) { return "f" + std::to_string(10000 + i).substr(1); }
    HWND ListBatch(int files, const char* outputs)
    {
        for (int i = 0; i < files; ++i) WriteBytes(in + "\\" + Name(i) + ".txt", "41 42");
        for (int i = 0; outputs && i < files; ++i) WriteBytes(out + "\\" + Name(i) + ".dat", outputs);
        ChooseTab(1);
        Batch().SetInputPath(in.c_str());
        SetText(Batch().GetHwnd(), 7001, out);
        return Batch().GetHwnd();
    }

    std::string in = dir / "in", out = dir / "out";
    std::function<bool()> saved;
};

// Thousands of rows: held half-way, the page shows progress and refuses everything that would
// change what the run reads or writes; then every file is made.
TEST_F(RunTest, DuringARunThePageShowsProgressAndNothingChangesWhatItWorksOn)
{
    HWND page = ListBatch(2000, nullptr), main = MainWnd().GetHwnd(), list = GetDlgItem(page, 8000);
    auto state = [&] {
        std::string rows;
        for (int i = 0; i < Rows(list); i += 199) rows += Cell(list, i, 0) + ">" + Cell(list, i, 1) + (Checked(list, i) ? "+ " : "- ");
        return std::to_string(MainWnd().GetMode()) + std::to_string(MainWnd().m_nPage) + std::to_string(IsWindowVisible(page)) +
               " " + GetText(page, 7000) + " " + GetText(page, 7001) + " " + std::to_string(Rows(list)) + " " + rows;
    };
    ASSERT_TRUE(StartHeld(page, 2 * 1000 + 1)); // at file 1000
    EXPECT_EQ(GetText(page, 4002), "中止");
    int done = 0, total = 0;
    EXPECT_EQ(sscanf(GetText(page, 3001).c_str(), "%d / %d", &done, &total), 2) << GetText(page, 3001);
    EXPECT_TRUE(done >= 1 && done <= 1000 && total == 2000) << GetText(page, 3001);
    EXPECT_EQ(SendDlgItemMessageA(page, 8001, PBM_GETPOS, 0, 0), done);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, 8001)));
    for (HWND off : {GetDlgItem(page, 9000), GetDlgItem(page, 7000), GetDlgItem(page, 4003), GetDlgItem(main, 9000), MainWnd().GetTabCtrl()->GetHwnd()})
        EXPECT_FALSE(IsWindowEnabled(off));
    EXPECT_TRUE(GetMenuState(GetMenu(main), 102, MF_BYCOMMAND) & MF_GRAYED);

    const std::string before = state();
    const std::pair<const char*, std::function<void()>> attempts[] = {
        {"mode selector", [] { ChooseMode(1); }},
        {"mode menu", [] { Command(106); }},
        {"Ctrl+T", [&] { Press(main, 'T', VK_CONTROL); }},
        {"tab strip", [] { ChooseTab(0); }},
        {"filter", [&] {
             SendDlgItemMessageA(page, 9000, CB_SETCURSEL, 1, 0);
             SendMessageA(page, WM_COMMAND, MAKEWPARAM(9000, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, 9000)));
             SendDlgItemMessageA(page, 9000, CB_SETCURSEL, 0, 0);
         }},
        {"input folder browse", [] { Command(100); }},
        {"output folder button", [&] { Click(page, 4001); }},
        {"クリア", [&] { Click(page, 4003); }},
        {"Delete", [&] { Press(main, VK_DELETE); }},
        {"選択解除", [&] { Click(page, 4005); }},
        {"Ctrl+U", [&] { Press(main, 'U', VK_CONTROL); }},
        {"row check", [&] { ListView_SetCheckState(list, 0, FALSE); }},
        {"rename", [&] {
             ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
             Batch().EditOutputName();
         }},
        {"settings", [] { Command(109); }},
        {"second start", [] { Command(102); }},
        {"Enter", [&] { Press(main, VK_RETURN); }},
        {"dropped file", [&] { SendMessageA(main, WM_DROPFILES, MakeDrop({"C:\\x.txt"}), 0); }},
    };
    for (const auto& attempt : attempts) {
        EXPECT_EQ(Opened([&] { attempt.second(), Drain(); }) + state(), before) << attempt.first;
        EXPECT_TRUE(Batch().IsRunning()) << attempt.first;
    }
    EXPECT_EQ(Opened([&] { Release(); }), "<テキストファイルからバイナリファイルを作成しました>");
    EXPECT_EQ(FilesIn(out), 2000);
    EXPECT_EQ(ReadBytes(out + "\\" + Name(1999) + ".dat"), "AB");
    EXPECT_EQ(GetText(page, 4002), "変換開始");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 8001)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 7000)) && IsWindowEnabled(MainWnd().GetTabCtrl()->GetHwnd()));
}

// Whether text is pattern, each '*' of which stands for any text.
bool Matches(const std::string& text, const std::string& pattern)
{
    size_t at = 0;
    for (size_t from = 0;;) {
        const size_t star = pattern.find('*', from);
        const std::string piece = pattern.substr(from, star == std::string::npos ? star : star - from);
        const size_t found = from == 0 ? (text.compare(0, piece.size(), piece) ? std::string::npos : 0) : text.find(piece, at);
        if (found == std::string::npos) return false;
        at = found + piece.size();
        if (star == std::string::npos) return at == text.size();
        from = star + 1;
    }
}

TEST_F(RunTest, AStopKeepsTheFinishedFilesAndLeavesNothingPartial)
{
    const std::string dup = "出力ファイル名が重複しています", three = "変換を中止しました。\n3 件のファイルを変換し、7 件のファイルは変換していません。";
    auto click = [](HWND page) { Click(page, IDC_CONVERT); };
    const struct {
        const char* name;
        std::function<void(HWND page)> prepare; // after listing
        LONG read;                              // the worker's read the stop comes at
        std::function<void(HWND page)> stop;
        std::string box;                        // '*' for anything
        std::string outputs;                    // per row: 'A' converted, 'o' old, 'D' a folder
    } cases[] = {
        // The batch is held at the first read of its fourth file, the large file at its second
        // block; the batch's first three files wait to be committed.
        {"中止", [](HWND) {}, 7, click, three, "AAAooooooo"},
        {"Esc on the main window", [](HWND) {}, 7, [](HWND) { Press(MainWnd().GetHwnd(), VK_ESCAPE); }, three, "AAAooooooo"},
        {"Esc on the 中止 button", [](HWND) {}, 7, [](HWND page) { Press(GetDlgItem(page, IDC_CONVERT), VK_ESCAPE); }, three,
         "AAAooooooo"},
        // Rows failed and skipped before the stop are named as at the end of a whole run.
        {"中止 after a failed row and two skipped ones", [&](HWND page) {
             DeleteFileA((out + "\\" + Name(0) + ".dat").c_str());
             CreateDirectoryA((out + "\\" + Name(0) + ".dat").c_str(), NULL);
             ListView_SetItemText(GetDlgItem(page, IDC_FILE_LIST), 1, 1, const_cast<char*>((Name(2) + ".dat").c_str()));
         }, 5, click,
         "変換を中止しました。\n2 件のファイルを変換し、8 件のファイルは変換していません。\n" + Name(0) +
             ".txt: 出力ファイルを作成できません - *\n" + Name(1) + ".txt: " + dup + "\n" + Name(2) + ".txt: " + dup,
         "DooAAooooo"},
        {"one large file, 中止", [](HWND) {}, 2, click, "変換を中止しました。出力ファイルは変更していません。", "oooooooooo"},
    };
    WriteBytes(dir / "large.txt", std::string(3 * 1024 * 1024, '4'));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool batch = std::string(c.name).find("large") == std::string::npos;
        RemoveTree(out);
        CreateDirectoryA(out.c_str(), NULL);
        HWND page = ListBatch(10, "old");
        if (!batch) {
            ChooseTab(0);
            page = Individual().GetHwnd();
            SetText(page, IDC_INPUT_PATH, dir / "large.txt");
            SetText(page, IDC_OUTPUT_PATH, out + "\\" + Name(0) + ".dat");
        }
        c.prepare(page);
        DialogWatcher watcher;
        s_holdFlushes = batch;
        ASSERT_TRUE(StartHeld(page, c.read));
        c.stop(page);
        Release();
        s_holdFlushes = false;
        ASSERT_EQ(watcher.boxes.size(), 1u);
        EXPECT_TRUE(Matches(watcher.boxes[0].text, c.box)) << watcher.boxes[0].text;
        for (int i = 0; i < 10; ++i) {
            const std::string path = out + "\\" + Name(i) + ".dat";
            EXPECT_EQ(c.outputs[i] == 'D' ? std::to_string(PathIsDirectoryA(path.c_str()) != FALSE) : ReadBytes(path),
                      c.outputs[i] == 'A' ? "AB" : c.outputs[i] == 'o' ? "old" : "1") << i;
        }
        EXPECT_EQ(FilesIn(out), 10 - static_cast<int>(std::count(c.outputs.begin(), c.outputs.end(), 'D'))) << "no temporary file left";
        WIN32_FIND_DATAA entry;
        EXPECT_EQ(FindFirstFileA((out + "\\~quillmark-*").c_str(), &entry), INVALID_HANDLE_VALUE) << "nor their folder";
        EXPECT_EQ(GetText(page, IDC_CONVERT), "変換開始");
    }
}

} // namespace
