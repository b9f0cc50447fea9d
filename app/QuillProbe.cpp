// quillprobe: a small helper for the scripts that start Quillmark under Wine without a desktop.
//   quillprobe wait SECONDS   waits until the main window is shown (exit 0) or gives up (exit 1)
//   quillprobe close          asks the main window to close (exit 0 when one was there)
//   quillprobe convert MODE INPUT OUTPUT
//                             converts on the individual page as a user does (mode chosen in the
//                             selector, both paths typed, "変換開始") and prints the seconds until
//                             the message box and the box's text
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND FindMainWindow()
{
    HWND wnd = FindWindowA("CWindow", "クイルマーク");
    return wnd && IsWindowVisible(wnd) ? wnd : NULL;
}

struct BoxSearch {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindBox(HWND wnd, LPARAM param)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[16] = "";
    GetClassNameA(wnd, cls, sizeof(cls));
    if (pid == search->pid && lstrcmpA(cls, "#32770") == 0 && GetDlgItem(wnd, 0xFFFF) && IsWindowVisible(wnd)) {
        search->box = wnd;
        return FALSE;
    }
    return TRUE;
}

int Convert(int mode, const char* input, const char* output)
{
    HWND main = FindMainWindow();
    if (!main) return 1;
    HWND page = NULL;
    while ((page = FindWindowExA(main, page, "#32770", NULL)) != NULL)
        if (GetDlgItem(page, 7001) && !GetDlgItem(page, 8000)) break;
    if (!page) return 1;
    HWND tab = FindWindowExA(main, NULL, "SysTabControl32", NULL);
    SendMessageA(tab, TCM_SETCURFOCUS, 0, 0);
    HWND combo = GetDlgItem(main, 9000);
    SendMessageA(combo, CB_SETCURSEL, mode, 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(9000, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    SendMessageA(GetDlgItem(page, 7000), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input));
    SendMessageA(GetDlgItem(page, 7001), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(output));

    BoxSearch search = {0, NULL};
    GetWindowThreadProcessId(main, &search.pid);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PostMessageA(main, WM_COMMAND, 102, 0);
    for (int waited = 0; waited < 600000 && !search.box; ++waited) {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (!search.box) Sleep(1);
    }
    QueryPerformanceCounter(&end);
    if (!search.box) return 1;
    char text[256] = "";
    SendMessageA(GetDlgItem(search.box, 0xFFFF), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    std::printf("%.3f %s\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), text);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "wait") == 0) {
        int seconds = argc >= 3 ? std::atoi(argv[2]) : 30;
        for (int waited = 0; waited < seconds * 10; ++waited) {
            if (FindMainWindow()) {
                // One more moment so the first paint of every child is done.
                Sleep(500);
                return 0;
            }
            Sleep(100);
        }
        std::fprintf(stderr, "quillprobe: no main window after %d s\n", seconds);
        return 1;
    }
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) {
        HWND wnd = FindMainWindow();
        if (!wnd) return 1;
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "convert") == 0)
        return Convert(std::atoi(argv[2]), argv[3], argv[4]);
    std::fprintf(stderr, "usage: quillprobe wait SECONDS | close | convert MODE INPUT OUTPUT\n");
    return 2;
}
