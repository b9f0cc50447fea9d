// The real open-file dialog and folder browser, answered from the test by a hook that acts when
// the chooser's window is activated.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/CFileDialog.h"
#include "framework/CFolderDialog.h"

using Vexa::CFileDialog;
using Vexa::CFolderDialog;
using Vexa::CString;

namespace {

// Answers the next chooser window that this thread activates, once.
class ChooserAnswer {
public:
    explicit ChooserAnswer(std::function<void(HWND)> answer)
    {
        s_answer = std::move(answer);
        m_hook = ::SetWindowsHookExA(WH_CBT, &Cbt, NULL, ::GetCurrentThreadId());
    }
    ~ChooserAnswer()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_answer = nullptr;
    }
    static int Answered() { return s_answered; }

private:
    static LRESULT CALLBACK Cbt(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_ACTIVATE && s_answer) {
            char name[16] = {};
            ::GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
            if (lstrcmpA(name, "#32770") == 0) {
                auto answer = std::move(s_answer);
                s_answer = nullptr;
                ++s_answered;
                answer(reinterpret_cast<HWND>(wParam));
            }
        }
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }

    HHOOK m_hook;
    static inline std::function<void(HWND)> s_answer;
    static inline int s_answered = 0;
};

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
        RemoveTree();
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
        std::string pattern = dir + (dir.back() == '\\' ? "*" : "\\*");
        HANDLE find = ::FindFirstFileA(pattern.c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE)
            return;
        while (::FindNextFileA(find, &entry)) {
        }
        ::FindClose(find);
    }

    void TearDown() override
    {
        ::DestroyWindow(owner);
        // The file dialog makes the chosen folder current; it must not stay so, to be removable.
        ::SetCurrentDirectoryA(savedDir);
        RemoveTree();
    }

    void RemoveTree()
    {
        for (const char* file : {"\\入力\\表.txt", "\\data.txt"})
            ::DeleteFileA((root + file).c_str());
        for (const char* dir : {"\\入力", "\\output", ""})
            ::RemoveDirectoryA((root + dir).c_str());
    }

    std::string root;
    char savedDir[MAX_PATH] = {};
    HWND owner = NULL;
};

const char kTextFilter[] = "Text Files {*.txt}\0*.txt\0All Files\0*.*\0";
const char kTitle[] = "変換したいファイルを選択してください";

TEST_F(ChooserFiles, FileChooserReturnsTheChosenPathAndCancelClearsIt)
{
    CFileDialog chooser;
    struct Step {
        const char* what;
        std::function<void(HWND)> answer;
        const char* initialDir;  // "root": the test folder
        DWORD flags;
        BOOL result;
        std::string path;
        bool save = false;  // the save dialog instead, which has no initial folder
    } steps[] = {
        {"full path typed", TypeNameAndOk(root + "\\入力\\表.txt"), nullptr, OFN_FILEMUSTEXIST,
         TRUE, root + "\\入力\\表.txt"},
        {"cancel after a choice", PressCancel, "root", OFN_FILEMUSTEXIST, FALSE, ""},
        {"name in the initial folder", TypeNameAndOk("data.txt"), "root", OFN_FILEMUSTEXIST, TRUE,
         root + "\\data.txt"},
        {"new name accepted without FILEMUSTEXIST", TypeNameAndOk("新しい.dat"), "root", 0, TRUE,
         root + "\\新しい.dat"},
        {"cancel again", PressCancel, nullptr, 0, FALSE, ""},
        {"save dialog", TypeNameAndOk(root + "\\output\\結果.dat"), nullptr, 0, TRUE,
         root + "\\output\\結果.dat", true},
        {"save dialog cancelled", PressCancel, nullptr, 0, FALSE, "", true},
    };
    for (const Step& s : steps) {
        int before = ChooserAnswer::Answered();
        BOOL result;
        {
            ChooserAnswer answer(s.answer);
            const char* initialDir = s.initialDir ? root.c_str() : nullptr;
            result = s.save ? chooser.SaveFile(owner, kTextFilter, kTitle, s.flags, "dat")
                            : chooser.OpenFile(owner, kTextFilter, initialDir, kTitle, s.flags, "txt");
        }
        EXPECT_EQ(ChooserAnswer::Answered(), before + 1) << s.what;
        EXPECT_EQ(result != FALSE, s.result != FALSE) << s.what;
        EXPECT_EQ(std::string(static_cast<const char*>(chooser.m_strPath)), s.path) << s.what;
    }
}

// One browser object run after run: its OK confirms the current selection, so confirming at once
// returns the preselected initial folder; cancel gives false and clears the earlier path. After
// each run the chooser no longer holds the browser's handle.
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
        {"another preselected subfolder", "\\output", PressOk, output},
        {"preselected root", "", PressOk, root},
        {"cancelled", "", PressCancel, ""},
        {"another folder chosen", "\\入力", chooseOutput, output},
    };
    CFolderDialog chooser;
    for (const auto& run : runs) {
        const int before = ChooserAnswer::Answered();
        bool chosen;
        {
            ChooserAnswer answer(run.answer);
            chosen = chooser.Browse("入力元を指定してください", owner,
                                    CString((root + run.initial).c_str()));
        }
        EXPECT_EQ(ChooserAnswer::Answered(), before + 1) << run.what;
        EXPECT_EQ(chosen, !run.path.empty()) << run.what;
        EXPECT_STREQ(chooser.GetPath(), run.path.c_str()) << run.what;
        char buffer[MAX_PATH] = "unchanged";
        EXPECT_EQ(chooser.GetPath(buffer) != FALSE, chosen) << run.what;
        EXPECT_STREQ(buffer, chosen ? run.path.c_str() : "unchanged") << run.what;
        EXPECT_EQ(chooser.GetHwnd(), nullptr) << run.what;
    }
}

} // namespace
