#include "AppTestSupport.h"

namespace apptest {

namespace {

DialogWatcher* s_watcher = nullptr;

UINT IconOf(HWND box)
{
    HWND child = NULL;
    while ((child = FindWindowExA(box, child, "Static", NULL)) != NULL) {
        // Nothing is visible yet when the box activates; a box without an icon holds none.
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        const struct { LPCSTR id; UINT flag; } icons[] = {{IDI_HAND, MB_ICONERROR}, {IDI_EXCLAMATION, MB_ICONWARNING},
                                                        {IDI_ASTERISK, MB_ICONINFORMATION}, {IDI_QUESTION, MB_ICONQUESTION}};
        for (const auto& known : icons)
            if (icon && icon == LoadIconA(NULL, known.id)) return known.flag;
    }
    return 0;
}

} // namespace

DialogWatcher::DialogWatcher()
{
    s_watcher = this;
    m_hook = SetWindowsHookExA(WH_CBT, Hook, NULL, GetCurrentThreadId());
}

DialogWatcher::~DialogWatcher()
{
    UnhookWindowsHookEx(m_hook);
    s_watcher = nullptr;
}

LRESULT CALLBACK DialogWatcher::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && s_watcher) {
        HWND wnd = reinterpret_cast<HWND>(wParam);
        char cls[64] = "";
        GetClassNameA(wnd, cls, sizeof(cls));
        if (lstrcmpA(cls, "#32770") == 0) {
            // A message box: its text item, and no edit or list of a chooser beside it.
            HWND text = GetDlgItem(wnd, 0xFFFF);
            bool chooser = FindWindowExA(wnd, NULL, "ComboBox", NULL) || FindWindowExA(wnd, NULL, "Edit", NULL);
            if (text && !chooser) {
                Box box{WindowText(wnd), WindowText(text), IconOf(wnd)};
                s_watcher->boxes.push_back(box);
                PostMessageA(wnd, WM_COMMAND, IDOK, 0);
                if (s_watcher->onBox) s_watcher->onBox(box);
            } else if (GetPropA(wnd, "apptest.seen") == NULL) {
                SetPropA(wnd, "apptest.seen", reinterpret_cast<HANDLE>(1));
                if (s_watcher->onDialog) s_watcher->onDialog(wnd);
            }
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

std::function<bool()> busy;

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Pump()
{
    Drain();
    while (busy && busy()) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
        Drain();
    }
}

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    char name[MAX_PATH];
    wsprintfA(name, "%squill-app-%lu-%d", temp, GetCurrentProcessId(), ++counter);
    m_path = name;
    RemoveTree(m_path);
    CreateDirectoryA(m_path.c_str(), NULL);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(m_path);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    CloseHandle(file);
}

std::string ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

int FilesIn(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    int files = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return files;
}

std::string WindowText(HWND wnd)
{
    char text[1024] = "";
    SendMessageA(wnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

void Press(HWND wnd, WPARAM key, BYTE modifier)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    if (modifier) keys[modifier] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(wnd, WM_KEYDOWN, key, 0);
    Pump();
    if (modifier) keys[modifier] = 0;
    SetKeyboardState(keys);
}

HeldFile::HeldFile(const std::string& path, const char* share)
{
    std::string exe = "Z:" QUILL_HOLDFILE_PATH;
    for (char& c : exe)
        if (c == '/') c = '\\';
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE childIn = NULL, childOut = NULL, output = NULL;
    CreatePipe(&childIn, &m_input, &inherit, 0);
    CreatePipe(&output, &childOut, &inherit, 0);
    SetHandleInformation(m_input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = startup.hStdError = childOut;
    std::string line = "\"" + exe + "\" \"" + path + "\" " + share;
    if (CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &m_process)) {
        // Blocks until the holder has the file open, or has ended without it.
        char said[8] = "";
        DWORD read = 0;
        CloseHandle(childOut);
        childOut = NULL;
        held = ReadFile(output, said, 4, &read, NULL) && read == 4;
    }
    for (HANDLE h : {childIn, childOut, output})
        if (h) CloseHandle(h);
}

HeldFile::~HeldFile()
{
    CloseHandle(m_input); // the holder lets go when its input ends
    if (m_process.hProcess) {
        WaitForSingleObject(m_process.hProcess, INFINITE);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}

} // namespace apptest
