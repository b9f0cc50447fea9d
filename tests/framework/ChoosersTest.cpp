// The real folder browser, answered from the test as each one opens. The open-file dialog is
// driven by the pages' own tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/CFolderDialog.h"
#include "tests/TestSupport.h"

using Vexa::CFolderDialog;
using Vexa::CString;

namespace {

// What the framework gives back through CoTaskMemFree, recorded while a test hooks it.
void(WINAPI* g_realFree)(LPVOID) = nullptr;
std::vector<void*> g_freed;
void WINAPI RecordingFree(LPVOID p)
{
    g_freed.push_back(p);
    g_realFree(p);
}
bool Freed(void* p) { return std::find(g_freed.begin(), g_freed.end(), p) != g_freed.end(); }

void PressOk(HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDOK, 0); }
void PressCancel(HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

// A folder of the test's own with two subfolders, removed afterwards.
class ChooserFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {}, longTemp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        ::GetLongPathNameA(temp, longTemp, MAX_PATH);
        root = std::string(longTemp) + "quill_choosers_" + std::to_string(::GetCurrentProcessId());
        testkit::RemoveTree(root);
        ASSERT_TRUE(::CreateDirectoryA(root.c_str(), NULL));
        for (const char* sub : {"\\入力", "\\output"})
            ASSERT_TRUE(::CreateDirectoryA((root + sub).c_str(), NULL));
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
    HWND owner = NULL;
};

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
    g_realFree = &CoTaskMemFree;
    testkit::HookImport(reinterpret_cast<void*>(g_realFree), reinterpret_cast<void*>(&RecordingFree));
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
            EXPECT_EQ(chooser.GetHwnd(), nullptr) << run.what;
            EXPECT_TRUE(earlier == nullptr || Freed(earlier)) << run.what;
            last = chooser.m_pidl;
        }
    }
    EXPECT_TRUE(Freed(last));
    testkit::HookImport(reinterpret_cast<void*>(&RecordingFree), reinterpret_cast<void*>(g_realFree));
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
