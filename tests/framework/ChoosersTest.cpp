// The real open-file dialog and folder browser, answered from the test as each one opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/CFileDialog.h"
#include "framework/CFolderDialog.h"
#include "tests/TestSupport.h"

using Vexa::CFileDialog;
using Vexa::CFolderDialog;
using Vexa::CString;

namespace {

// What the framework gives back through its import of CoTaskMemFree, while recording.
using FreeProc = void(WINAPI*)(LPVOID);
#ifdef _WIN64
extern "C" FreeProc g_freeSlot __asm__("__imp_CoTaskMemFree");
#else
extern "C" FreeProc g_freeSlot __asm__("__imp__CoTaskMemFree@4");
#endif
FreeProc g_realFree = nullptr;
std::vector<void*> g_freed;
void WINAPI RecordingFree(LPVOID p)
{
    g_freed.push_back(p);
    g_realFree(p);
}
bool Freed(void* p) { return std::find(g_freed.begin(), g_freed.end(), p) != g_freed.end(); }

void PressOk(HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDOK, 0); }
void PressCancel(HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

// Types a name into the file dialog's name box and presses OK.
std::function<void(HWND)> TypeNameAndOk(std::string name)
{
    return [name](HWND dialog) {
        HWND box = ::GetDlgItem(dialog, 0x47c);  // cmb13, the name combo of newer dialogs
        if (box == NULL)
            box = ::GetDlgItem(dialog, 0x480);  // edt1
        ::SetWindowTextA(box, name.c_str());
        PressOk(dialog);
    };
}

// A folder of the test's own with two files and two subfolders, removed afterwards.
class ChooserFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {}, longTemp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        ::GetLongPathNameA(temp, longTemp, MAX_PATH);
        root = std::string(longTemp) + "quill_choosers_" + std::to_string(::GetCurrentProcessId());
        ::GetCurrentDirectoryA(MAX_PATH, savedDir);
        testkit::RemoveTree(root);
        ASSERT_TRUE(::CreateDirectoryA(root.c_str(), NULL));
        for (const char* sub : {"\\入力", "\\output"})
            ASSERT_TRUE(::CreateDirectoryA((root + sub).c_str(), NULL));
        for (const char* file : {"\\data.txt", "\\入力\\表.txt"}) {
            HANDLE h = ::CreateFileA((root + file).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, NULL);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            ::CloseHandle(h);
        }
        // Reading a folder for the first time after a change (or after a day) updates its access
        // time; the browser watches the folders it shows, takes that for a change and rebuilds the
        // branch, losing its selection. Read every folder on the way now, before a browser watches.
        for (size_t at = root.find('\\'); at != std::string::npos; at = root.find('\\', at + 1))
            ReadFolder(root.substr(0, at + 1));
        for (const char* sub : {"", "\\入力", "\\output"})
            ReadFolder(root + sub);
        owner = ::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL,
                                  NULL, NULL, NULL);
    }
    static void ReadFolder(const std::string& dir)
    {
        WIN32_FIND_DATAA entry;
        HANDLE find = ::FindFirstFileA((dir + (dir.back() == '\\' ? "*" : "\\*")).c_str(), &entry);
        while (find != INVALID_HANDLE_VALUE && ::FindNextFileA(find, &entry)) {
        }
        ::FindClose(find);
    }

    void TearDown() override
    {
        ::DestroyWindow(owner);
        // The file dialog makes the chosen folder current; it must not stay so, to be removable.
        ::SetCurrentDirectoryA(savedDir);
        testkit::RemoveTree(root);
    }

    // Gives the next chooser the answer, and counts the choosers answered.
    void Answer(std::function<void(HWND)> answer)
    {
        answered = 0;
        watcher.onDialog = [this, answer](HWND chooser) {
            ++answered;
            answer(chooser);
        };
    }

    testkit::DialogWatcher watcher;
    int answered = 0;
    std::string root;
    char savedDir[MAX_PATH] = {};
    HWND owner = NULL;
};

const char kTextFilter[] = "Text Files {*.txt}\0*.txt\0All Files\0*.*\0";
const char kTitle[] = "変換したいファイルを選択してください";

// One chooser run after run: the chosen path, or false and no path after a cancel.
TEST_F(ChooserFiles, FileChooserReturnsTheChosenPathAndCancelClearsIt)
{
    CFileDialog chooser;
    const struct {
        const char* what;
        std::function<void(HWND)> answer;
        bool inRoot; // opened in the test folder
        DWORD flags;
        std::string path; // "": cancelled
        bool save;        // the save dialog, which has no initial folder
    } steps[] = {
        {"full path typed", TypeNameAndOk(root + "\\入力\\表.txt"), false, OFN_FILEMUSTEXIST,
         root + "\\入力\\表.txt", false},
        {"cancel after a choice", PressCancel, true, OFN_FILEMUSTEXIST, "", false},
        {"name in the initial folder", TypeNameAndOk("data.txt"), true, OFN_FILEMUSTEXIST,
         root + "\\data.txt", false},
        {"save dialog", TypeNameAndOk(root + "\\output\\結果.dat"), false, 0,
         root + "\\output\\結果.dat", true},
    };
    for (const auto& s : steps) {
        Answer(s.answer);
        const BOOL result =
            s.save ? chooser.SaveFile(owner, kTextFilter, kTitle, s.flags, "dat")
                   : chooser.OpenFile(owner, kTextFilter, s.inRoot ? root.c_str() : nullptr, kTitle,
                                      s.flags, "txt");
        EXPECT_EQ(answered, 1) << s.what;
        EXPECT_EQ(result != FALSE, !s.path.empty()) << s.what;
        EXPECT_STREQ(chooser.m_strPath, s.path.c_str()) << s.what;
    }
}

// One browser object run after run: its OK confirms the current selection, so confirming at once
// returns the preselected initial folder; cancel gives false and clears the earlier path. After
// each run the chooser no longer holds the browser's handle, and the item list of the run
// before has been freed, as the last one is by the destructor.
TEST_F(ChooserFiles, FolderBrowserPreselectsReturnsAndCancels)
{
    const std::string output = root + "\\output";
    const auto chooseOutput = [output](HWND browser) {
        ::SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(output.c_str()));
        PressOk(browser);
    };
    const struct {
        const char* what;
        const char* initial; // under root
        std::function<void(HWND)> answer;
        std::string path;    // "": cancelled
    } runs[] = {
        {"preselected subfolder", "\\入力", PressOk, root + "\\入力"},
        {"preselected root", "", PressOk, root},
        {"cancelled", "", PressCancel, ""},
        {"another folder chosen", "\\入力", chooseOutput, output},
    };
    DWORD old;
    ::VirtualProtect(&g_freeSlot, sizeof g_freeSlot, PAGE_READWRITE, &old);
    g_realFree = g_freeSlot;
    g_freeSlot = &RecordingFree;
    void* last = nullptr;
    {
        CFolderDialog chooser;
        for (const auto& run : runs) {
            Answer(run.answer);
            void* earlier = chooser.m_pidl;
            const bool chosen = chooser.Browse("入力元を指定してください", owner,
                                               CString((root + run.initial).c_str()));
            EXPECT_EQ(answered, 1) << run.what;
            EXPECT_EQ(chosen, !run.path.empty()) << run.what;
            EXPECT_STREQ(chooser.GetPath(), run.path.c_str()) << run.what;
            char buffer[MAX_PATH] = "unchanged";
            EXPECT_EQ(chooser.GetPath(buffer) != FALSE, chosen) << run.what;
            EXPECT_STREQ(buffer, chosen ? run.path.c_str() : "unchanged") << run.what;
            EXPECT_EQ(chooser.GetHwnd(), nullptr) << run.what;
            EXPECT_TRUE(earlier == nullptr || Freed(earlier)) << run.what;
            last = chooser.m_pidl;
        }
    }
    EXPECT_TRUE(Freed(last));
    g_freeSlot = g_realFree;
}

// A handler that throws is stopped at the browser's callback, as at a window procedure: the
// browser still runs to its end instead of the program ending.
TEST_F(ChooserFiles, FolderBrowserStopsAHandlersException)
{
    struct Throwing : CFolderDialog {
        int OnInitialized(LPARAM, LPARAM) override { throw std::runtime_error("handler"); }
    } chooser;
    Answer(PressCancel);
    EXPECT_FALSE(chooser.Browse("入力元を指定してください", owner));
    EXPECT_EQ(answered, 1);
}

} // namespace
