// packed_driver: works the real windows of a Quillmark.exe from a second process, as a user does,
// through a list of jobs; run_packed.py writes the list and checks the files afterwards.
//   packed_driver JOBS
// Each line of JOBS is a label, a command and its arguments, separated by tabs:
//   start    EXE                      starts EXE in its own folder and waits for the main window
//   layout   WIDTH COMMENTS FORMAT    writes the settings file beside EXE with that text layout and
//                                     format (HEX, IHEX or SREC)
//   convert  MODE INPUT OUTPUT        the individual page: the mode, both paths, "変換開始"
//   batch    MODE FOLDER OUTPUT ROWS  the batch page: lists FOLDER (ROWS rows) and converts them
//   console  COMMAND_LINE             runs a console program, which must end with exit code 0
//   close                             closes the main window; the program must end with exit code 0
// A conversion passes when it ends in the success box (caption "確認"), which for records goes on
// with the address ranges and for the plain text says nothing more. The program ending at any
// other moment ends the run, since nothing after it can run; ended by an exception, it is a CRASH.
// Prints a line per failed job (FAIL or CRASH, the label, why) and a SUMMARY line; exits with 1 when
// any job failed.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/TestSupport.h"

using testkit::TopWindow;

namespace {

// A conversion of the largest inputs takes well under a second; this only keeps a hung program
// from holding the run for ever. Once it ran out, the program is not fit for another job.
const DWORD kPatienceMs = 120000;
bool g_stuck = false;
bool g_records = false; // the settings written last name a record format

struct Program {
    PROCESS_INFORMATION process = {};
    std::string folder;
    HWND main = NULL;
};

std::string DescribeExit(DWORD code)
{
    const struct { DWORD code; const char* name; } known[] = {
        {0xC0000005, " (access violation)"}, {0xC000001D, " (illegal instruction)"},
        {0xC00000FD, " (stack overflow)"}, {0xC0000374, " (heap corruption)"},
        {0xC0000409, " (stack buffer overrun)"}};
    char text[64];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    for (const auto& exit : known)
        if (exit.code == code) return text + std::string(exit.name);
    return text;
}

// True once the program has ended; why then says how.
bool Ended(const Program& program, std::string& why, bool* crashed = NULL)
{
    if (WaitForSingleObject(program.process.hProcess, 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(program.process.hProcess, &code);
    // Exception codes (0xC...) are what the system gives a process that an exception ended.
    const bool abnormal = code >= 0xC0000000;
    why = std::string("Quillmark.exe ended ") + (abnormal ? "abnormally" : "unasked") + ", exit code " +
          DescribeExit(code);
    if (crashed) *crashed = abnormal;
    return true;
}

// The program's message box, which holds its text in item 0xFFFF; NULL while none is shown.
HWND MessageBoxOf(const Program& program)
{
    HWND box = TopWindow(program.process.dwProcessId, "#32770");
    return box && GetDlgItem(box, 0xFFFF) ? box : NULL;
}

// Sends a message to the other process; false when it does not answer within the patience.
bool Send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result = NULL)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(wnd, msg, wParam, lParam, SMTO_NORMAL, kPatienceMs, &answer)) {
        g_stuck = g_stuck || GetLastError() == ERROR_TIMEOUT;
        return false;
    }
    if (result) *result = static_cast<LRESULT>(answer);
    return true;
}

std::string Text(HWND wnd)
{
    char text[1024] = "";
    if (!Send(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text))) return "<no answer>";
    return text;
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

// The page of the main window that has (or lacks) the file list.
HWND FindPage(HWND main, bool batch)
{
    HWND page = NULL;
    while ((page = FindWindowExA(main, page, "#32770", NULL)) != NULL)
        if (GetDlgItem(page, IDC_OUTPUT_PATH) && (GetDlgItem(page, IDC_FILE_LIST) != NULL) == batch) return page;
    return NULL;
}

// Chooses in a combo box and tells its owner, as a user's choice does.
bool Choose(HWND owner, int id, int index)
{
    HWND combo = GetDlgItem(owner, id);
    return Send(combo, CB_SETCURSEL, index, 0) &&
           Send(owner, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Shows the page of the tab and chooses the mode.
HWND OpenPage(const Program& program, bool batch, int mode)
{
    HWND tabs = FindWindowExA(program.main, NULL, "SysTabControl32", NULL);
    HWND page = FindPage(program.main, batch);
    bool shown = tabs && page && Send(tabs, TCM_SETCURFOCUS, batch ? 1 : 0, 0);
    return shown && Choose(program.main, IDC_MODE_SELECTOR, mode) ? page : NULL;
}

bool SetText(HWND page, int id, const std::string& text)
{
    return Send(GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Starts the conversion from the File menu and waits for its closing box, which must be the success
// box of the mode (a batch's with no file skipped or failed); closes the box and waits until the
// page is ready for the next one.
bool RunConversion(const Program& program, HWND page, int mode, std::string& why)
{
    PostMessageA(program.main, WM_COMMAND, ID_CONVERT, 0);
    HWND box = NULL;
    auto boxShown = [&] { return (box = MessageBoxOf(program)) != NULL; };
    if (!WaitFor(program, boxShown, "message box", why)) return false;
    char caption[256] = "";
    GetWindowTextA(box, caption, sizeof caption);
    std::string text = Text(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    const char* success = mode == 0 ? "テキストファイルからバイナリファイルを作成しました"
                                    : "バイナリファイルからテキストファイルを作成しました";
    // A batch's box counts its files under the first line, none skipped or failed; records add the
    // ranges read or written, one line per file (a batch names five and counts the rest).
    const size_t more = text.find('\n');
    std::string rest = more == std::string::npos ? "" : text.substr(more + 1);
    const bool counted = rest.rfind("変換済み ", 0) == 0, allConverted =
        !counted || rest.substr(0, rest.find('\n')).find("スキップ 0 件、失敗 0 件") != std::string::npos;
    if (counted) rest = rest.find('\n') == std::string::npos ? "" : rest.substr(rest.find('\n') + 1);
    const bool ranges = rest.find("アドレス 0x") != std::string::npos || rest.find("データはありません") != std::string::npos;
    bool passed = lstrcmpA(caption, "確認") == 0 && text.substr(0, more) == success && allConverted &&
                  (g_records ? ranges && rest.find("のようです") == std::string::npos : rest.empty());
    if (!passed) {
        for (char& c : text)
            if (c == '\r' || c == '\n') c = ' ';
        why = std::string("box \"") + caption + "\": " + text;
    }
    std::string waiting;
    if (!WaitFor(program, [&] { return !IsWindow(box) && Text(GetDlgItem(page, IDC_CONVERT)) == "変換開始"; },
                 "ready page after the box", waiting)) {
        why = passed ? waiting : why + "; " + waiting;
        return false;
    }
    return passed;
}

bool Start(Program& program, const std::string& exe, std::string& why)
{
    program.folder = exe.substr(0, exe.find_last_of('\\'));
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, program.folder.c_str(), &startup,
                        &program.process)) {
        why = "cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    auto shown = [&] { return (program.main = TopWindow(program.process.dwProcessId, "CWindow")) != NULL; };
    return WaitFor(program, shown, "main window", why);
}

// The whole settings file, as the settings dialog writes it, with the layout under test. The file
// gets a time of its own each time, so a reader that caches it by its time reads it afresh.
bool WriteLayout(const Program& program, const std::string& width, const std::string& comments,
                 const std::string& format, std::string& why)
{
    g_records = format != "HEX";
    static ULONGLONG s_version = 0;
    const std::string pages = "DECIDE_OUTPUT_FROM_INPUT=FALSE\r\nDEFAULT_OUTPUT_EXTENSION=REPLACE\r\n";
    const std::string text = "[COMMON_SETTINGS]\r\nTEXT_BYTES_PER_LINE=" + width +
                             "\r\nTEXT_OFFSET_COMMENTS=" + comments + "\r\nTEXT_FORMAT=" + format +
                             "\r\n[IND_CONV_SETTINGS]\r\n" + pages +
                             "[BAT_CONV_SETTINGS]\r\n" + pages;
    const std::string path = program.folder + "\\Quillmark.ini";
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    ULARGE_INTEGER stamp; // 2020-01-01, then a second more each time
    stamp.QuadPart = 132223104000000000ull + ++s_version * 10000000ull;
    FILETIME time = {stamp.LowPart, stamp.HighPart};
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL) &&
              written == text.size() && SetFileTime(file, NULL, NULL, &time);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok) why = "cannot write " + path + " (error " + std::to_string(GetLastError()) + ")";
    return ok;
}

bool RunConsole(const std::string& command, std::string& why)
{
    std::string line = command;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        why = "cannot start (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    DWORD code = 259;
    if (WaitForSingleObject(process.hProcess, kPatienceMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        why = "still running after " + std::to_string(kPatienceMs / 1000) + " s";
    } else if (GetExitCodeProcess(process.hProcess, &code) && code != 0) {
        why = (code >= 0xC0000000 ? "ended abnormally, exit code " : "exit code ") + DescribeExit(code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return why.empty();
}

bool Close(Program& program, std::string& why)
{
    PostMessageA(program.main, WM_CLOSE, 0, 0);
    HWND box = NULL;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(program.process.hProcess, 5) != WAIT_OBJECT_0) {
        if ((box = MessageBoxOf(program)) != NULL) {
            why = "a box on closing: " + Text(GetDlgItem(box, 0xFFFF));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        if (GetTickCount() - start > kPatienceMs) {
            why = "still running after closing";
            return false;
        }
    }
    DWORD code = 259;
    GetExitCodeProcess(program.process.hProcess, &code);
    if (code != 0) why = "Quillmark.exe ended with exit code " + DescribeExit(code) + " after closing";
    return why.empty();
}

std::vector<std::vector<std::string>> ReadJobs(const char* path)
{
    std::vector<std::vector<std::string>> jobs;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return jobs;
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got) text.append(buffer, got);
    CloseHandle(file);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        jobs.emplace_back();
        for (size_t from = 0;;) {
            size_t tab = line.find('\t', from);
            jobs.back().push_back(line.substr(from, tab - from));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
    }
    return jobs;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: packed_driver JOBS\n");
        return 2;
    }
    const std::vector<std::vector<std::string>> jobs = ReadJobs(argv[1]);
    if (jobs.empty()) {
        std::fprintf(stderr, "packed_driver: no jobs in %s\n", argv[1]);
        return 2;
    }
    Program program;
    int failed = 0;
    size_t done = 0;
    DWORD start = GetTickCount();
    for (; done < jobs.size(); ++done) {
        const std::vector<std::string>& job = jobs[done];
        const std::string command = job.size() >= 2 ? job[1] : "";
        auto arg = [&](size_t i) { return job.size() > i + 2 ? job[i + 2] : std::string(); };
        std::string why;
        bool passed = false;
        if (command == "start") {
            passed = Start(program, arg(0), why);
        } else if (!program.process.hProcess) {
            why = "the program was never started";
        } else if (command == "layout") {
            passed = WriteLayout(program, arg(0), arg(1), arg(2), why);
        } else if (command == "convert") {
            int mode = std::atoi(arg(0).c_str());
            HWND page = OpenPage(program, false, mode);
            passed = page && SetText(page, IDC_INPUT_PATH, arg(1)) && SetText(page, IDC_OUTPUT_PATH, arg(2)) &&
                     RunConversion(program, page, mode, why);
        } else if (command == "batch") {
            int mode = std::atoi(arg(0).c_str());
            HWND page = OpenPage(program, true, mode);
            LRESULT rows = -1;
            // Choosing the filter lists the folder.
            passed = page && SetText(page, IDC_INPUT_PATH, arg(1)) && SetText(page, IDC_OUTPUT_PATH, arg(2)) &&
                     Choose(page, IDC_FILTER, 0) &&
                     Send(GetDlgItem(page, IDC_FILE_LIST), LVM_GETITEMCOUNT, 0, 0, &rows);
            if (passed && rows != std::atoi(arg(3).c_str())) {
                why = "the list shows " + std::to_string(rows) + " rows, not " + arg(3);
                passed = false;
            }
            passed = passed && RunConversion(program, page, mode, why);
        } else if (command == "console") {
            passed = RunConsole(arg(0), why);
        } else if (command == "close") {
            passed = Close(program, why);
        } else {
            why = "unknown command " + command;
        }
        if (!passed && why.empty()) why = "the program did not answer";
        std::string ended;
        bool crashed = false;
        const bool gone = program.process.hProcess && command != "close" && Ended(program, ended, &crashed);
        if (gone) why = ended;
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
