// Helpers shared by the in-process window tests: a scratch folder, files as bytes, the message
// queue, and a per-thread CBT hook that sees every dialog and message box as it opens.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace apptest {

// What the user saw in one message box.
struct Box {
    std::string caption;
    std::string text;
    UINT icon; // MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION or 0
};

// Watches the thread's dialogs while it lives. Message boxes are recorded and answered with OK;
// any other dialog goes to the handler set for it (which must end it).
class DialogWatcher {
public:
    DialogWatcher();
    ~DialogWatcher();

    std::vector<Box> boxes;
    // Called, once, for every dialog that is not a message box, with its window.
    std::function<void(HWND)> onDialog;
    // Runs when a message box is answered, after it is recorded.
    std::function<void(const Box&)> onBox;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
};

// Dispatches every message waiting in the thread's queue, and goes on while busy() says work
// started by those messages still runs (a conversion on its worker thread).
void Pump();
// Dispatches what waits now, nothing more.
void Drain();
extern std::function<bool()> busy;

// A fresh, empty folder under the system's temporary folder; removed with its files on exit.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void WriteBytes(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);
int FilesIn(const std::string& folder); // plain files only
void RemoveTree(const std::string& path);

// A second process that holds path open ("r": read sharing only; "rw": read and write sharing
// without delete sharing) for as long as this object lives.
class HeldFile {
public:
    HeldFile(const std::string& path, const char* share);
    ~HeldFile();
    bool held = false;

private:
    PROCESS_INFORMATION m_process = {};
    HANDLE m_input = NULL;
};

// The window's text, asked of the window itself (so it works across processes too).
std::string WindowText(HWND wnd);
// Sends key to wnd as if pressed with modifier (VK_CONTROL, VK_SHIFT or 0) held, then pumps.
void Press(HWND wnd, WPARAM key, BYTE modifier = 0);

} // namespace apptest
