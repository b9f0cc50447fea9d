// shotdriver: drives a running Quillmark for tools/screenshots and says where its windows are.
//   shotdriver main SECONDS   waits for the main window
//   shotdriver settings TAB   opens the settings dialog and shows tab TAB (0, 1 or 2)
//   shotdriver rename ROW     selects ROW of the batch list and opens the output file name dialog
//   shotdriver convert        converts from the File menu and closes the closing message box
//   shotdriver dismiss        cancels the dialog in front and waits until it is gone
//   shotdriver close          closes the main window and waits for the program to end
// Every command but the last two prints the window's rectangle as ImageMagick geometry
// (WIDTHxHEIGHT+X+Y) once the window has painted, ready for convert -crop.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resources/resource.h"

namespace {

const char kMainTitle[] = "クイルマーク";
const char kSettingsTitle[] = "設定";
const char kRenameTitle[] = "変換後ファイル名の設定";

// Polls for something the other process does on its own time; gives up after the timeout.
template <class F>
bool WaitFor(F condition, int seconds = 20)
{
    for (int i = 0; i < seconds * 50; ++i) {
        if (condition()) return true;
        Sleep(20);
    }
    return false;
}

HWND MainWindow()
{
    HWND wnd = FindWindowA("CWindow", kMainTitle);
    return wnd && IsWindowVisible(wnd) ? wnd : NULL;
}

HWND Dialog(const char* title)
{
    HWND wnd = FindWindowA("#32770", title);
    return wnd && IsWindowVisible(wnd) ? wnd : NULL;
}

// The page of the main window that holds the list (the batch page).
HWND BatchPage(HWND main)
{
    HWND child = NULL;
    while ((child = FindWindowExA(main, child, "#32770", NULL)) != NULL)
        if (GetDlgItem(child, IDC_FILE_LIST)) return child;
    return NULL;
}

// A block of memory inside the program's process, for the control messages that take a pointer:
// the system passes those between processes as they are, without copying what they point to.
class RemoteMemory {
public:
    RemoteMemory(HWND wnd, SIZE_T size)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_address = VirtualAllocEx(m_process, NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory()
    {
        if (m_address) VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process) CloseHandle(m_process);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Valid() const { return m_address != NULL; }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(m_address); }
    bool Write(const void* data, SIZE_T size)
    {
        return WriteProcessMemory(m_process, m_address, data, size, NULL) != FALSE;
    }
    bool Read(void* data, SIZE_T size)
    {
        return ReadProcessMemory(m_process, m_address, data, size, NULL) != FALSE;
    }

private:
    HANDLE m_process = NULL;
    void* m_address = NULL;
};

// Lets the window and its children finish painting, then prints where it is.
int Report(HWND wnd)
{
    RedrawWindow(wnd, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
    // A round trip through the program's queue: its pending work is done when this returns.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);
    RECT rect;
    GetWindowRect(wnd, &rect);
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return 0;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "shotdriver: %s\n", what);
    return 1;
}

int Main(int seconds)
{
    HWND main = NULL;
    if (!WaitFor([&] { return (main = MainWindow()) != NULL; }, seconds))
        return Fail("no main window");
    return Report(main);
}

// A click on the tab, as the user gives it: the tab strip itself tells the dialog of the change.
bool ClickTab(HWND tab, int index)
{
    RemoteMemory rect(tab, sizeof(RECT));
    RECT item = {};
    if (!rect.Valid() || !SendMessageA(tab, TCM_GETITEMRECT, index, rect.Address()) || !rect.Read(&item, sizeof(item)))
        return false;
    LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(tab, WM_LBUTTONUP, 0, point);
    return SendMessageA(tab, TCM_GETCURSEL, 0, 0) == index;
}

int Settings(int tab)
{
    HWND main = MainWindow();
    if (!main) return Fail("no main window");
    PostMessageA(main, WM_COMMAND, ID_SETTINGS, 0);
    HWND dialog = NULL;
    if (!WaitFor([&] { return (dialog = Dialog(kSettingsTitle)) != NULL; }))
        return Fail("the settings dialog did not open");
    if (tab != 0 && !ClickTab(GetDlgItem(dialog, IDC_SETTING_TAB), tab))
        return Fail("the tab could not be chosen");
    return Report(dialog);
}

int Rename(int row)
{
    HWND main = MainWindow();
    HWND page = main ? BatchPage(main) : NULL;
    HWND list = page ? GetDlgItem(page, IDC_FILE_LIST) : NULL;
    if (!list) return Fail("no batch list");
    if (row >= SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) return Fail("the list has too few rows");

    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    RemoteMemory remote(list, sizeof(state));
    if (!remote.Valid() || !remote.Write(&state, sizeof(state)) ||
        !SendMessageA(list, LVM_SETITEMSTATE, row, remote.Address()))
        return Fail("the row could not be selected");
    // Enter on the list opens the dialog for the selected row.
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    HWND dialog = NULL;
    if (!WaitFor([&] { return (dialog = Dialog(kRenameTitle)) != NULL; }))
        return Fail("the output file name dialog did not open");
    return Report(dialog);
}

// The program's message box (its text is item 0xFFFF), or NULL.
HWND MessageBoxOf(HWND main)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    for (HWND wnd = NULL; (wnd = FindWindowExA(NULL, wnd, "#32770", NULL)) != NULL;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(wnd, &owner);
        if (owner == pid && IsWindowVisible(wnd) && GetDlgItem(wnd, 0xFFFF)) return wnd;
    }
    return NULL;
}

int Convert()
{
    HWND main = MainWindow();
    if (!main) return Fail("no main window");
    PostMessageA(main, WM_COMMAND, ID_CONVERT, 0);
    HWND box = NULL;
    if (!WaitFor([&] { return (box = MessageBoxOf(main)) != NULL; })) return Fail("no closing message box");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return WaitFor([&] { return !IsWindow(box); }) ? 0 : Fail("the message box stayed open");
}

int Dismiss()
{
    HWND dialog = Dialog(kRenameTitle);
    if (!dialog) dialog = Dialog(kSettingsTitle);
    if (!dialog) return Fail("no dialog open");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitFor([&] { return !IsWindow(dialog); }) ? 0 : Fail("the dialog stayed open");
}

int Close()
{
    HWND main = MainWindow();
    if (!main) return Fail("no main window");
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(main, WM_CLOSE, 0, 0);
    bool ended = process && WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
    if (process) CloseHandle(process);
    return ended ? 0 : Fail("the program did not end");
}

} // namespace

int main(int argc, char** argv)
{
    const char* command = argc >= 2 ? argv[1] : "";
    int number = argc >= 3 ? std::atoi(argv[2]) : 0;
    if (std::strcmp(command, "main") == 0) return Main(argc >= 3 ? number : 30);
    if (std::strcmp(command, "settings") == 0) return Settings(number);
    if (std::strcmp(command, "rename") == 0) return Rename(number);
    if (std::strcmp(command, "convert") == 0) return Convert();
    if (std::strcmp(command, "dismiss") == 0) return Dismiss();
    if (std::strcmp(command, "close") == 0) return Close();
    std::fprintf(stderr, "usage: shotdriver main SECONDS | settings TAB | rename ROW | convert | dismiss | close\n");
    return 2;
}
