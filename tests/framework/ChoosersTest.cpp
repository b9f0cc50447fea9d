// The real folder browser, answered from the test as each one opens. The open-file dialog is
// driven by the pages' own tests; the pages make a new chooser for every run and read its path
// only after a confirmed one.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/CFolderDialog.h"
#include "tests/TestSupport.h"

using Vexa::CFolderDialog;

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

// A folder of the test's own with two subfolders, and a watcher that answers each chooser.
class ChooserFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        ::GetLongPathNameA(folder.Path().c_str(), temp, MAX_PATH);
        root = temp;
        for (const char* sub : {"\\入力", "\\output"})
            ASSERT_TRUE(::CreateDirectoryA((root + sub).c_str(), NULL));
        // Reading a folder for the first time after a change updates its access time; the browser
        // takes that for a change and rebuilds the branch, losing its selection. So every folder on
        // the way is read now, before a browser watches.
        const auto read = [](const std::string& dir) { testkit::ForEntries(dir, [](const std::string&, DWORD) {}); };
        for (size_t at = root.find('\\'); at != std::string::npos; at = root.find('\\', at + 1)) read(root.substr(0, at));
        for (const char* sub : {"", "\\入力", "\\output"}) read(root + sub);
        watcher.onDialog = [this](HWND chooser) { ++answered, answer(chooser); };
    }

    testkit::ScratchFolder folder;
    testkit::DialogWatcher watcher;
    std::function<void(HWND)> answer;
    int answered = 0;
    std::string root;
};

// One browser object run after run: OK at once returns the preselected initial folder; cancel gives
// false and clears the earlier path. After each run the chooser holds no handle, and the item list
// of the run before has been freed, as the last one is by the destructor.
TEST_F(ChooserFiles, FolderBrowserPreselectsReturnsAndCancels)
{
    const std::string output = root + "\\output";
    const auto chooseOutput = [output](HWND browser) {
        ::SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(output.c_str()));
        PressOk(browser);
    };
    const struct { std::function<void(HWND)> answer; std::string path; } runs[] = {
        {PressOk, root + "\\入力"}, {[](HWND d) { ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }, ""}, {chooseOutput, output},
    };
    g_realFree = &CoTaskMemFree; // the imported address, read when the test runs
    testkit::HookImport(reinterpret_cast<void*>(g_realFree), reinterpret_cast<void*>(&RecordingFree));
    void* last = nullptr;
    {
        CFolderDialog chooser;
        for (const auto& run : runs) {
            answer = run.answer;
            answered = 0;
            void* earlier = chooser.m_pidl;
            const bool chosen = chooser.Browse("入力元を指定してください", NULL, (root + "\\入力").c_str());
            EXPECT_EQ(answered, 1) << run.path;
            EXPECT_EQ(chosen, !run.path.empty()) << run.path;
            EXPECT_STREQ(chooser.GetPath(), run.path.c_str());
            EXPECT_EQ(chooser.GetHwnd(), nullptr) << run.path;
            EXPECT_TRUE(earlier == nullptr || Freed(earlier)) << run.path;
            last = chooser.m_pidl;
        }
    }
    EXPECT_TRUE(Freed(last));
    testkit::HookImport(reinterpret_cast<void*>(&RecordingFree), reinterpret_cast<void*>(g_realFree));
}

} // namespace
