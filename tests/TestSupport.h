// Helpers shared by the Windows test programs: scratch folders and files as bytes, the message
// queue and keys, message boxes and dialogs as they open, a process's windows, imports redirected.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testkit {

// Calls each(name, attributes) for the entries of a folder but "." and "..".
template <class Each>
void ForEntries(const std::string& folder, Each each)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry))
        if (lstrcmpA(entry.cFileName, ".") && lstrcmpA(entry.cFileName, "..")) each(std::string(entry.cFileName), entry.dwFileAttributes);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

inline void RemoveTree(const std::string& path)
{
    ForEntries(path, [&](const std::string& name, DWORD attributes) {
        const std::string full = path + "\\" + name;
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
        // A file named as a device (nul.txt) is reached only through the \\?\ form of its path.
        else if (!DeleteFileA(full.c_str())) DeleteFileA(("\\\\?\\" + full).c_str());
    });
    RemoveDirectoryA(path.c_str());
}

// Plain files only.
inline int FilesIn(const std::string& folder)
{
    int files = 0;
    ForEntries(folder, [&](const std::string&, DWORD attributes) { files += !(attributes & FILE_ATTRIBUTE_DIRECTORY); });
    return files;
}

// A fresh, empty folder under the system's temporary folder; removed with everything in it.
struct ScratchFolder {
    ScratchFolder()
    {
        static int s_counter = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        do m_path = std::string(temp) + "quill-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++s_counter);
        while (!CreateDirectoryA(m_path.c_str(), nullptr));
    }
    ~ScratchFolder() { RemoveTree(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }
    std::string m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL), CloseHandle(file);
}

// The 8.3 name the file system gives an existing file.
inline std::string ShortName(const std::string& path)
{
    char name[MAX_PATH] = "<none>";
    GetShortPathNameA(path.c_str(), name, MAX_PATH);
    return std::string(name).substr(std::string(name).rfind('\\') + 1);
}

// The file's bytes; "<missing>" when it cannot be read.
inline std::string ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    for (DWORD got = 0; ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0;) bytes.append(buffer, got);
    return CloseHandle(file), bytes;
}

// Dispatches what waits in this thread's queue now, nothing more.
inline void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) TranslateMessage(&msg), DispatchMessageA(&msg);
}

// Work that messages started and that goes on elsewhere (a conversion on its worker thread).
inline std::function<bool()> busy;

// Dispatches every waiting message, and goes on while busy() says.
inline void Pump()
{
    for (Drain(); busy && busy(); Drain()) MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
}

// The window's text, asked of the window itself (so it works across processes too).
inline std::string WindowText(HWND wnd)
{
    char text[1024] = "";
    SendMessageA(wnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

// Sends key to wnd as if pressed with modifier (VK_CONTROL, VK_SHIFT or 0) held, then pumps.
inline void Press(HWND wnd, WPARAM key, BYTE modifier = 0)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    if (modifier) keys[modifier] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(wnd, WM_KEYDOWN, key, 0), Pump();
    if (modifier) keys[modifier] = 0;
    SetKeyboardState(keys);
}

// Types key with modifier held as the system queues it for the focused window (a real key state).
inline void Type(BYTE key, BYTE modifier = 0)
{
    if (modifier) keybd_event(modifier, 0, 0, 0);
    keybd_event(key, 0, 0, 0), keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    if (modifier) keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
    Pump();
}

// The visible top-level window of class cls that belongs to process pid, or NULL.
inline HWND TopWindow(DWORD pid, const char* cls)
{
    for (HWND wnd = NULL; (wnd = FindWindowExA(NULL, wnd, cls, NULL)) != NULL;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(wnd, &owner);
        if (owner == pid && IsWindowVisible(wnd)) return wnd;
    }
    return NULL;
}

// What the user saw in one message box; icon is MB_ICONERROR, _WARNING, _INFORMATION, _QUESTION or 0.
struct Box { std::string caption, text; UINT icon; };

// Watches the thread's dialogs while it lives. Message boxes are recorded (then onBox runs) and
// answered with OK; any other dialog goes, once, to onDialog, which must end it.
class DialogWatcher {
public:
    DialogWatcher() : m_hook(SetWindowsHookExA(WH_CBT, Hook, NULL, GetCurrentThreadId())) { s_watcher = this; }
    ~DialogWatcher() { UnhookWindowsHookEx(m_hook), s_watcher = nullptr; }
    DialogWatcher(const DialogWatcher&) = delete;
    std::vector<Box> boxes;
    std::function<void(HWND)> onDialog;
    std::function<void(const Box&)> onBox;

    static UINT IconOf(HWND box)
    {
        // Nothing is visible yet when the box activates; a box without an icon holds none.
        for (HWND child = NULL; (child = FindWindowExA(box, child, "Static", NULL)) != NULL;) {
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
            HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            const struct { LPCSTR id; UINT flag; } icons[] = {{IDI_HAND, MB_ICONERROR}, {IDI_EXCLAMATION, MB_ICONWARNING},
                                                            {IDI_ASTERISK, MB_ICONINFORMATION}, {IDI_QUESTION, MB_ICONQUESTION}};
            for (const auto& known : icons)
                if (icon && icon == LoadIconA(NULL, known.id)) return known.flag;
        }
        return 0;
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND wnd = reinterpret_cast<HWND>(wParam);
        char cls[64] = "";
        if (code == HCBT_ACTIVATE && s_watcher && GetClassNameA(wnd, cls, sizeof(cls)) && !lstrcmpA(cls, "#32770")) {
            // A message box: its text item, and no edit or list of a chooser beside it.
            HWND text = GetDlgItem(wnd, 0xFFFF);
            if (text && !FindWindowExA(wnd, NULL, "ComboBox", NULL) && !FindWindowExA(wnd, NULL, "Edit", NULL)) {
                const Box box{WindowText(wnd), WindowText(text), IconOf(wnd)};
                s_watcher->boxes.push_back(box);
                PostMessageA(wnd, WM_COMMAND, IDOK, 0);
                if (s_watcher->onBox) s_watcher->onBox(box);
            } else if (!GetPropA(wnd, "testkit.seen") && SetPropA(wnd, "testkit.seen", HANDLE(1)) && s_watcher->onDialog) {
                s_watcher->onDialog(wnd);
            }
        }
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
    static inline DialogWatcher* s_watcher = nullptr;
    HHOOK m_hook;
};

// Holds path open as another program would while it lives: share "r" read sharing only, "rw" read
// and write sharing without delete sharing (a handle of this process stands for another's).
struct HeldFile {
    HeldFile(const std::string& path, const char* share)
        : file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | (share[1] ? FILE_SHARE_WRITE : 0), NULL,
                           OPEN_EXISTING, 0, NULL)), held(file != INVALID_HANDLE_VALUE) {}
    ~HeldFile() { CloseHandle(file); }
    HANDLE file;
    bool held;
};

// Points this program's imports of a function (from any module) at replacement.
inline void HookImport(void* original, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(NULL));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); desc->Name; ++desc)
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk); slot->u1.Function; ++slot)
            if (DWORD old; reinterpret_cast<void*>(slot->u1.Function) == original) {
                VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &old);
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), old, &old);
            }
}

// The system's own function, for a hook to pass on to: the import slots point at the hooks.
template <typename F> F Kernel32(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// While failRenames is set, a safe output's commit fails: the rename through the open temporary
// file and the rename by name it falls back on. HookRenames installs the hooks, once.
inline bool failRenames = false;
inline BOOL WINAPI MoveOrFail(LPCSTR from, LPCSTR to, DWORD flags)
{
    return failRenames ? SetLastError(ERROR_ACCESS_DENIED), FALSE
                       : Kernel32<decltype(&MoveOrFail)>("MoveFileExA")(from, to, flags);
}
inline BOOL WINAPI SetInfoOrFail(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type, LPVOID info, DWORD size)
{
    return failRenames && type == FileRenameInfo ? SetLastError(ERROR_ACCESS_DENIED), FALSE
        : Kernel32<decltype(&SetInfoOrFail)>("SetFileInformationByHandle")(file, type, info, size);
}
inline bool HookRenames()
{
    static const bool hooked =
        (HookImport(reinterpret_cast<void*>(&MoveFileExA), reinterpret_cast<void*>(&MoveOrFail)),
         HookImport(reinterpret_cast<void*>(&SetFileInformationByHandle), reinterpret_cast<void*>(&SetInfoOrFail)), true);
    return hooked;
}

} // namespace testkit
