// packed_driver JOBS: works the real windows of a Quillmark.exe from a second process, as a user
// does. A line of JOBS is a label, a command and its arguments, separated by tabs:
//   start EXE | layout WIDTH COMMENTS FORMAT (the settings file) | convert MODE INPUT OUTPUT (the
//   individual page) | batch MODE FOLDER OUTPUT ROWS | console COMMAND_LINE | close
// A conversion passes when it ends in the mode's success box, a console program or the closed
// program with exit code 0. Quillmark.exe ending at any other moment ends the run; ended by an
// exception, it is a CRASH. Prints FAIL or CRASH, the label and why per failed job, then SUMMARY.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/TestSupport.h"

using testkit::TopWindow;

namespace {

// Only keeps a hung program from holding the run for ever; once it ran out, nothing more runs.
const DWORD kPatienceMs = 120000;
bool g_stuck = false;
bool g_records = false; // the settings written last name a record format

struct Program {
    PROCESS_INFORMATION process = {};
    std::string folder;
    HWND main = NULL;
};

// How a process that ended did, "" for exit code 0; 0xC... is an exception's.
std::string ExitOf(HANDLE process, bool* crashed = NULL)
{
    DWORD code = 259;
    GetExitCodeProcess(process, &code);
    char text[64] = "";
    if (code) std::snprintf(text, sizeof text, "ended %s, exit code 0x%08lX", code >= 0xC0000000 ? "abnormally" : "unasked",
                            static_cast<unsigned long>(code));
    return crashed && (*crashed = code >= 0xC0000000), text;
}

// True once the program has ended; why then says how.
bool Ended(const Program& program, std::string& why, bool* crashed = NULL)
{
    if (WaitForSingleObject(program.process.hProcess, 0) != WAIT_OBJECT_0) return false;
    const std::string how = ExitOf(program.process.hProcess, crashed);
    return why = "Quillmark.exe " + (how.empty() ? "ended unasked" : how), true;
}

// The program's message box (its text is item 0xFFFF); NULL while none is shown.
HWND MessageBoxOf(const Program& program)
{
    HWND box = TopWindow(program.process.dwProcessId, "#32770");
    return box && GetDlgItem(box, 0xFFFF) ? box : NULL;
}

// Sends a message to the other process; false when it does not answer within the patience.
bool Send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result = NULL)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(wnd, msg, wParam, lParam, SMTO_NORMAL, kPatienceMs, &answer))
        return g_stuck = g_stuck || GetLastError() == ERROR_TIMEOUT, false;
    if (result) *result = static_cast<LRESULT>(answer);
    return true;
}

std::string Text(HWND wnd)
{
    char text[1024] = "";
    return Send(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)) ? text : "<no answer>";
}

// Waits until done() holds, the program ends (false, why says how) or the patience runs out.
template <class Done>
bool WaitFor(const Program& program, Done done, const char* what, std::string& why)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < kPatienceMs;) {
        if (done()) return true;
        if (Ended(program, why)) return false;
        WaitForSingleObject(program.process.hProcess, 5);
    }
    why = std::string("no ") + what + " after " + std::to_string(kPatienceMs / 1000) + " s";
    g_stuck = true;
    return false;
}

// Chooses in a combo box and tells its owner, as a user's choice does.
bool Choose(HWND owner, int id, int index)
{
    HWND combo = GetDlgItem(owner, id);
    return Send(combo, CB_SETCURSEL, index, 0) &&
           Send(owner, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Shows the page (the one with the file list, or without) and chooses the mode.
HWND OpenPage(const Program& program, bool batch, int mode)
{
    HWND tabs = FindWindowExA(program.main, NULL, "SysTabControl32", NULL), page = NULL;
    while ((page = FindWindowExA(program.main, page, "#32770", NULL)) != NULL)
        if (GetDlgItem(page, IDC_OUTPUT_PATH) && (GetDlgItem(page, IDC_FILE_LIST) != NULL) == batch) break;
    const bool shown = tabs && page && Send(tabs, TCM_SETCURFOCUS, batch ? 1 : 0, 0);
    return shown && Choose(program.main, IDC_MODE_SELECTOR, mode) ? page : NULL;
}

// Starts the conversion from the File menu; its closing box must be the mode's success box (a
// batch's with no file skipped or failed). Closes it and waits until the page is ready again.
bool RunConversion(const Program& program, HWND page, int mode, std::string& why)
{
    PostMessageA(program.main, WM_COMMAND, ID_CONVERT, 0);
    HWND box = NULL;
    if (!WaitFor(program, [&] { return (box = MessageBoxOf(program)) != NULL; }, "message box", why)) return false;
    const std::string caption = Text(box);
    std::string text = Text(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    const char* success = mode == 0 ? "テキストファイルからバイナリファイルを作成しました"
                                    : "バイナリファイルからテキストファイルを作成しました";
    // A batch counts what it skipped and failed; records add their address ranges (or none), and
    // a text that looks like another format is told of.
    const bool ranges = text.find("アドレス 0x") != std::string::npos || text.find("データはありません") != std::string::npos;
    const bool passed = caption == "確認" && text.rfind(success, 0) == 0 && ranges == g_records &&
                        (text.find("変換済み ") == std::string::npos ||
                         text.find("スキップ 0 件、失敗 0 件") != std::string::npos) &&
                        text.find("のようです") == std::string::npos;
    for (char& c : text) c = c == '\r' || c == '\n' ? ' ' : c;
    if (!passed) why = "box \"" + caption + "\": " + text;
    std::string waiting;
    if (!WaitFor(program, [&] { return !IsWindow(box) && Text(GetDlgItem(page, IDC_CONVERT)) == "変換開始"; },
                 "ready page after the box", waiting))
        return why = passed ? waiting : why + "; " + waiting, false;
    return passed;
}

bool Start(Program& program, const std::string& exe, std::string& why)
{
    program.folder = exe.substr(0, exe.find_last_of('\\'));
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA startup = {sizeof startup};
    if (!CreateProcessA(exe.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, program.folder.c_str(), &startup,
                        &program.process))
        return why = "cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")", false;
    auto shown = [&] { return (program.main = TopWindow(program.process.dwProcessId, "CWindow")) != NULL; };
    return WaitFor(program, shown, "main window", why);
}

// The whole settings file with the layout under test, a second newer each time, so a reader that
// caches it by its time reads it afresh.
bool WriteLayout(const Program& program, const std::vector<std::string>& job, std::string& why)
{
    g_records = job[4] != "HEX";
    static ULONGLONG s_version = 0;
    const std::string pages = "DECIDE_OUTPUT_FROM_INPUT=FALSE\r\nDEFAULT_OUTPUT_EXTENSION=REPLACE\r\n";
    const std::string text = "[COMMON_SETTINGS]\r\nTEXT_BYTES_PER_LINE=" + job[2] + "\r\nTEXT_OFFSET_COMMENTS=" +
                             job[3] + "\r\nTEXT_FORMAT=" + job[4] + "\r\n[IND_CONV_SETTINGS]\r\n" + pages +
                             "[BAT_CONV_SETTINGS]\r\n" + pages;
    const std::string path = program.folder + "\\Quillmark.ini";
    testkit::WriteBytes(path, text);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    const ULONGLONG stamp = 132223104000000000ull + ++s_version * 10000000ull; // 2020-01-01 and s_version s
    const FILETIME time = {DWORD(stamp), DWORD(stamp >> 32)};
    const bool ok = SetFileTime(file, NULL, NULL, &time) && testkit::ReadBytes(path) == text;
    if (!ok) why = "cannot write " + path + " (error " + std::to_string(GetLastError()) + ")";
    return CloseHandle(file), ok;
}

bool RunConsole(std::string line, std::string& why)
{
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return why = "cannot start (error " + std::to_string(GetLastError()) + ")", false;
    if (WaitForSingleObject(process.hProcess, kPatienceMs) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1), why = "still running after " + std::to_string(kPatienceMs / 1000) + " s";
    else why = ExitOf(process.hProcess);
    CloseHandle(process.hThread), CloseHandle(process.hProcess);
    return why.empty();
}

bool Close(Program& program, std::string& why)
{
    PostMessageA(program.main, WM_CLOSE, 0, 0);
    for (DWORD start = GetTickCount(); WaitForSingleObject(program.process.hProcess, 5) != WAIT_OBJECT_0;) {
        if (HWND box = MessageBoxOf(program)) {
            why = "a box on closing: " + Text(GetDlgItem(box, 0xFFFF));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        if (GetTickCount() - start > kPatienceMs) return why = "still running after closing", false;
    }
    const std::string how = ExitOf(program.process.hProcess);
    if (!how.empty()) why = "Quillmark.exe " + how + " after closing";
    return why.empty();
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::vector<std::string>> jobs;
    std::istringstream lines(argc == 2 ? testkit::ReadBytes(argv[1]) : "");
    for (std::string line; std::getline(lines, line) && line.size() > 1;) {
        std::istringstream fields(line.substr(0, line.size() - 1)); // without its CR
        jobs.emplace_back();
        for (std::string field; std::getline(fields, field, '\t');) jobs.back().push_back(field);
        jobs.back().resize(6);
    }
    if (jobs.empty()) return std::fprintf(stderr, "usage: packed_driver JOBS (tab-separated lines)\n"), 2;
    Program program;
    int failed = 0;
    size_t done = 0;
    const DWORD start = GetTickCount();
    for (; done < jobs.size(); ++done) {
        const std::vector<std::string>& job = jobs[done];
        const std::string& command = job[1];
        std::string why;
        bool passed = false;
        if (command == "start") {
            passed = Start(program, job[2], why);
        } else if (command == "layout") {
            passed = WriteLayout(program, job, why);
        } else if (command == "convert" || command == "batch") {
            const bool batch = command == "batch";
            const int mode = std::atoi(job[2].c_str());
            HWND page = OpenPage(program, batch, mode);
            LRESULT rows = -1;
            // Choosing the filter lists the folder.
            passed = page && Send(GetDlgItem(page, IDC_INPUT_PATH), WM_SETTEXT, 0, LPARAM(job[3].c_str())) &&
                     Send(GetDlgItem(page, IDC_OUTPUT_PATH), WM_SETTEXT, 0, LPARAM(job[4].c_str())) &&
                     (!batch || (Choose(page, IDC_FILTER, 0) &&
                                 Send(GetDlgItem(page, IDC_FILE_LIST), LVM_GETITEMCOUNT, 0, 0, &rows)));
            if (passed && batch && rows != std::atoi(job[5].c_str()))
                passed = false, why = "the list shows " + std::to_string(rows) + " rows, not " + job[5];
            passed = passed && RunConversion(program, page, mode, why);
        } else if (command == "console") {
            passed = RunConsole(job[2], why);
        } else if (command == "close") {
            passed = Close(program, why);
        } else {
            why = "unknown command " + command;
        }
        if (!passed && why.empty()) why = "the program did not answer";
        bool crashed = false;
        const bool gone = program.process.hProcess && command != "close" && Ended(program, why, &crashed);
        if (!passed || gone) {
            ++failed;
            std::printf("%s\t%s\t%s\n", crashed ? "CRASH" : "FAIL", job[0].c_str(), why.c_str());
            std::fflush(stdout);
        }
        if (gone || g_stuck || (!passed && (command == "start" || command == "close"))) {
            ++done;
            break;
        }
    }
    if (program.process.hProcess) {
        // A run that ended early leaves nothing running behind it.
        if (WaitForSingleObject(program.process.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(program.process.hProcess, 1);
        CloseHandle(program.process.hThread);
        CloseHandle(program.process.hProcess);
    }
    std::printf("SUMMARY\t%u\t%u\t%d\t%.1f\n", unsigned(done), unsigned(jobs.size()), failed,
                (GetTickCount() - start) / 1000.0);
    return failed ? 1 : 0;
}
