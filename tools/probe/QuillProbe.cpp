// quillprobe: drives a running Quillmark from a second process, for the scripts that start it
// under Wine without a desktop (tools/run, tools/bench-app).
//   quillprobe wait SECONDS   waits until the main window is shown (exit 0) or gives up (exit 1)
//   quillprobe close          asks the main window to close (exit 0 when one was there)
//   quillprobe convert MODE INPUT OUTPUT
//                             converts on the individual page as a user does (mode chosen in the
//                             selector, both paths typed, "変換開始")
//   quillprobe list MODE FOLDER
//                             types FOLDER into the batch page and lists it by choosing the
//                             filter, then once more by choosing the mode; prints both times
//   quillprobe batch MODE INPUT OUTPUT
//                             lists INPUT on the batch page, names OUTPUT and converts every row
//   quillprobe floor INPUT OUTPUT
//                             the bare file work of a batch: reads every file of INPUT once and
//                             creates each in OUTPUT once, nothing else
// convert and batch print the seconds until the closing message box, the box's text, and how the
// window answered meanwhile: a WM_NULL sent every 100 ms with a 250 ms limit, the longest wait
// for an answer and the longest stretch from a poll that got none to the next one answered.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resources/resource.h"

namespace {

HWND FindMainWindow()
{
    HWND wnd = FindWindowA("CWindow", "クイルマーク");
    return wnd && IsWindowVisible(wnd) ? wnd : NULL;
}

double Now()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
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

// The page of the main window that has (or lacks) the list view.
HWND FindPage(HWND main, bool batch)
{
    HWND page = NULL;
    while ((page = FindWindowExA(main, page, "#32770", NULL)) != NULL)
        if (GetDlgItem(page, IDC_OUTPUT_PATH) && (GetDlgItem(page, IDC_FILE_LIST) != NULL) == batch) return page;
    return NULL;
}

void ChooseTab(HWND main, int tab)
{
    SendMessageA(FindWindowExA(main, NULL, "SysTabControl32", NULL), TCM_SETCURFOCUS, tab, 0);
}

void ChooseMode(HWND main, int mode)
{
    HWND combo = GetDlgItem(main, IDC_MODE_SELECTOR);
    SendMessageA(combo, CB_SETCURSEL, mode, 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MODE_SELECTOR, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void ChooseFilter(HWND page, int filter)
{
    HWND combo = GetDlgItem(page, IDC_FILTER);
    SendMessageA(combo, CB_SETCURSEL, filter, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_FILTER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Posts the File menu's "変換開始 (&C)" and waits for the closing message box, polling the main
// window for answers meanwhile; prints the figures and the box's text.
int RunAndPoll(HWND main)
{
    BoxSearch search = {0, NULL};
    GetWindowThreadProcessId(main, &search.pid);
    double start = Now();
    PostMessageA(main, WM_COMMAND, ID_CONVERT, 0);
    int polls = 0, unanswered = 0;
    double longestWait = 0, longestStretch = 0, firstMiss = -1, nextPoll = start, nextLook = start;
    while (!search.box && Now() - start < 3600) {
        if (Now() >= nextPoll) {
            double sent = Now();
            DWORD_PTR result = 0;
            bool answered = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 250, &result) != 0;
            double back = Now();
            ++polls;
            if (back - sent > longestWait) longestWait = back - sent;
            if (!answered) {
                ++unanswered;
                if (firstMiss < 0) firstMiss = sent;
            } else if (firstMiss >= 0) {
                if (back - firstMiss > longestStretch) longestStretch = back - firstMiss;
                firstMiss = -1;
            }
            nextPoll = sent + 0.1;
        }
        // The box disables the main window, its owner. One question every 5 ms: looking through
        // every window each millisecond took a share of the two processors from the conversion
        // being timed (each question is a trip to the Wine server). The full look runs when the
        // window is disabled, and every 50 ms in case.
        if (!IsWindowEnabled(main) || Now() >= nextLook) {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            nextLook = Now() + 0.05;
        }
        if (!search.box) Sleep(5);
    }
    double end = Now();
    if (firstMiss >= 0 && end - firstMiss > longestStretch) longestStretch = end - firstMiss;
    if (!search.box) return 1;
    char text[512] = "";
    SendMessageA(GetDlgItem(search.box, 0xFFFF), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    for (char* c = text; *c; ++c)
        if (*c == '\n' || *c == '\r') *c = ' ';
    PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    std::printf("%.3f s; polls %d, unanswered %d, longest wait %.0f ms, longest unanswered %.0f ms; %s\n",
                end - start, polls, unanswered, longestWait * 1000, longestStretch * 1000, text);
    return 0;
}

int Convert(int mode, const char* input, const char* output)
{
    HWND main = FindMainWindow();
    HWND page = main ? FindPage(main, false) : NULL;
    if (!page) return 1;
    ChooseTab(main, 0);
    ChooseMode(main, mode);
    SendMessageA(GetDlgItem(page, IDC_INPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input));
    SendMessageA(GetDlgItem(page, IDC_OUTPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(output));
    return RunAndPoll(main);
}

int List(int mode, const char* folder)
{
    HWND main = FindMainWindow();
    HWND page = main ? FindPage(main, true) : NULL;
    if (!page) return 1;
    HWND list = GetDlgItem(page, IDC_FILE_LIST);
    ChooseTab(main, 1);
    SendMessageA(GetDlgItem(page, IDC_INPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    ChooseMode(main, mode); // lists nothing: the folder box is empty
    SendMessageA(GetDlgItem(page, IDC_INPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder));
    double start = Now();
    ChooseFilter(page, 0);
    UpdateWindow(list);
    double filtered = Now();
    ChooseMode(main, 1 - mode);
    UpdateWindow(list);
    double moded = Now();
    std::printf("%d rows; filter %.3f s, mode %.3f s\n", int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)),
                filtered - start, moded - filtered);
    ChooseMode(main, mode);
    return 0;
}

int Batch(int mode, const char* input, const char* output)
{
    HWND main = FindMainWindow();
    HWND page = main ? FindPage(main, true) : NULL;
    if (!page) return 1;
    ChooseTab(main, 1);
    ChooseMode(main, mode);
    SendMessageA(GetDlgItem(page, IDC_INPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input));
    SendMessageA(GetDlgItem(page, IDC_OUTPUT_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(output));
    ChooseFilter(page, 0);
    return RunAndPoll(main);
}

int Floor(const char* input, const char* output)
{
    double start = Now();
    CreateDirectoryA(output, NULL);
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((std::string(input) + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 1;
    static char buffer[1 << 16];
    int files = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        HANDLE in = CreateFileA((std::string(input) + "\\" + entry.cFileName).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        HANDLE out = CreateFileA((std::string(output) + "\\" + entry.cFileName).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD got = 0, put = 0;
        while (in != INVALID_HANDLE_VALUE && ReadFile(in, buffer, sizeof(buffer), &got, NULL) && got)
            WriteFile(out, buffer, got, &put, NULL);
        if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        ++files;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    std::printf("%.3f s for %d files\n", Now() - start, files);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string command = argc >= 2 ? argv[1] : "";
    if (command == "wait") {
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
    if (command == "close") {
        HWND wnd = FindMainWindow();
        if (!wnd) return 1;
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == "convert" && argc == 5) return Convert(std::atoi(argv[2]), argv[3], argv[4]);
    if (command == "list" && argc == 4) return List(std::atoi(argv[2]), argv[3]);
    if (command == "batch" && argc == 5) return Batch(std::atoi(argv[2]), argv[3], argv[4]);
    if (command == "floor" && argc == 4) return Floor(argv[2], argv[3]);
    std::fprintf(stderr, "usage: quillprobe wait SECONDS | close | convert MODE INPUT OUTPUT |\n"
                         "       list MODE FOLDER | batch MODE INPUT OUTPUT | floor INPUT OUTPUT\n");
    return 2;
}
