// The real open-file dialog and folder browser, answered from the test by a hook that acts when
// the chooser's window is activated.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ControlTestKit.h"
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
    static std::function<void(HWND)> s_answer;
    static int s_answered;
};
std::function<void(HWND)> ChooserAnswer::s_answer;
int ChooserAnswer::s_answered = 0;

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
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        char longTemp[MAX_PATH] = {};
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
        ::DeleteFileA((root + "\\入力\\表.txt").c_str());
        ::DeleteFileA((root + "\\data.txt").c_str());
        ::RemoveDirectoryA((root + "\\入力").c_str());
        ::RemoveDirectoryA((root + "\\output").c_str());
        ::RemoveDirectoryA(root.c_str());
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

// The browser's OK confirms its current selection, so confirming at once returns the folder
// that was preselected.
TEST_F(ChooserFiles, FolderBrowserPreselectsTheInitialFolder)
{
    for (const char* sub : {"\\入力", "\\output", ""}) {
        std::string folder = root + sub;
        CFolderDialog chooser;
        {
            ChooserAnswer answer(PressOk);
            EXPECT_TRUE(chooser.Browse("入力元を指定してください", owner, CString(folder.c_str())))
                << folder;
        }
        EXPECT_STREQ(chooser.GetPath(), folder.c_str());
        char buffer[MAX_PATH] = {};
        EXPECT_TRUE(chooser.GetPath(buffer));
        EXPECT_STREQ(buffer, folder.c_str());
        // The browser's window is gone, and the chooser no longer holds its handle.
        EXPECT_EQ(chooser.GetHwnd(), nullptr);
    }
}

TEST_F(ChooserFiles, FolderBrowserReturnsAnotherChosenFolder)
{
    std::string chosen = root + "\\output";
    CFolderDialog chooser;
    {
        ChooserAnswer answer([chosen](HWND browser) {
            ::SendMessageA(browser, BFFM_SETSELECTIONA, TRUE,
                           reinterpret_cast<LPARAM>(chosen.c_str()));
            PressOk(browser);
        });
        EXPECT_TRUE(chooser.Browse("出力先を指定してください", owner, CString((root + "\\入力").c_str())));
    }
    EXPECT_STREQ(chooser.GetPath(), chosen.c_str());
}

TEST_F(ChooserFiles, FolderBrowserCancelGivesFalseAndNoPath)
{
    CFolderDialog chooser;
    {
        ChooserAnswer answer(PressCancel);
        EXPECT_FALSE(chooser.Browse("出力先を指定してください", owner, CString(root.c_str())));
    }
    EXPECT_EQ(chooser.m_pidl, nullptr);
    char buffer[MAX_PATH] = "unchanged";
    EXPECT_FALSE(chooser.GetPath(buffer));
    EXPECT_STREQ(buffer, "unchanged");
    EXPECT_STREQ(chooser.GetPath(), "");
    EXPECT_EQ(chooser.GetHwnd(), nullptr);
}

// A second run on the same object: the chooser stays usable and reports the new outcome.
TEST_F(ChooserFiles, FolderBrowserRunTwiceOnOneObject)
{
    CFolderDialog chooser;
    {
        ChooserAnswer answer(PressOk);
        EXPECT_TRUE(chooser.Browse("t", owner, CString(root.c_str())));
    }
    EXPECT_STREQ(chooser.GetPath(), root.c_str());
    {
        ChooserAnswer answer(PressCancel);
        EXPECT_FALSE(chooser.Browse("t", owner));
    }
    EXPECT_STREQ(chooser.GetPath(), "");
}

} // namespace
