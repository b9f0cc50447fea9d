// quillprobe: a small helper for the scripts that start Quillmark under Wine without a desktop.
//   quillprobe wait SECONDS   waits until the main window is shown (exit 0) or gives up (exit 1)
//   quillprobe close          asks the main window to close (exit 0 when one was there)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND FindMainWindow()
{
    HWND wnd = FindWindowA("CWindow", "クイルマーク");
    return wnd && IsWindowVisible(wnd) ? wnd : NULL;
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
    std::fprintf(stderr, "usage: quillprobe wait SECONDS | quillprobe close\n");
    return 2;
}
