// The real folder browser, answered from the test as each one opens (the open-file dialog is
// driven by the pages' own tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/CFolderDialog.h"
#include "tests/TestSupport.h"

namespace {

// What the framework gives back through CoTaskMemFree, recorded while the test hooks it.
void(WINAPI* g_realFree)(LPVOID) = nullptr;
std::vector<void*> g_freed;
void WINAPI RecordingFree(LPVOID p) { g_freed.push_back(p), g_realFree(p); }
bool Freed(void* p) { return std::find(g_freed.begin(), g_freed.end(), p) != g_freed.end(); }

// One browser run after run: OK returns the preselected folder, cancel false and no path; each run
// frees the item list of the one before, the destructor the last.
TEST(ChooserFiles, FolderBrowserPreselectsReturnsAndCancels)
{
    testkit::ScratchFolder folder;
    char temp[MAX_PATH] = {};
    ::GetLongPathNameA(folder.Path().c_str(), temp, MAX_PATH);
    const std::string root = temp, input = root + "\\入力", output = root + "\\output";
    ASSERT_TRUE(::CreateDirectoryA(input.c_str(), NULL) && ::CreateDirectoryA(output.c_str(), NULL));
    // A first read after a change updates a folder's access time, which makes a watching browser
    // rebuild the branch and lose its selection: every folder on the way is read now.
    const auto read = [](const std::string& dir) { testkit::ForEntries(dir, [](const std::string&, DWORD) {}); };
    for (size_t at = root.find('\\'); at != std::string::npos; at = root.find('\\', at + 1)) read(root.substr(0, at));
    for (const std::string& dir : {root, input, output}) read(dir);
    const auto press = [](UINT id) { return [id](HWND d) { ::PostMessageA(d, WM_COMMAND, id, 0); }; };
    const struct { std::function<void(HWND)> answer; std::string path; } runs[] = {
        {press(IDOK), input}, {press(IDCANCEL), ""},
        {[&](HWND d) { ::SendMessageA(d, BFFM_SETSELECTIONA, TRUE, (LPARAM)output.c_str()), press(IDOK)(d); }, output}};
    int answered = 0;
    testkit::DialogWatcher watcher;
    g_realFree = &CoTaskMemFree; // the imported address, read when the test runs
    testkit::HookImport(reinterpret_cast<void*>(g_realFree), reinterpret_cast<void*>(&RecordingFree));
    void* last = nullptr;
    {
        Vexa::CFolderDialog chooser;
        for (const auto& run : runs) {
            watcher.onDialog = [&](HWND d) { ++answered, run.answer(d); };
            answered = 0;
            void* earlier = chooser.m_pidl;
            EXPECT_EQ(chooser.Browse("入力元を指定してください", NULL, input.c_str()), !run.path.empty()) << run.path;
            EXPECT_EQ(answered, 1) << run.path;
            EXPECT_STREQ(chooser.GetPath(), run.path.c_str());
            EXPECT_TRUE(chooser.GetHwnd() == nullptr && (earlier == nullptr || Freed(earlier))) << run.path;
            last = chooser.m_pidl;
        }
    }
    EXPECT_TRUE(Freed(last));
    testkit::HookImport(reinterpret_cast<void*>(&RecordingFree), reinterpret_cast<void*>(g_realFree));
}

} // namespace
