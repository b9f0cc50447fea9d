#include "AppEnvironment.h"

#include <dlgs.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "foundation/CSystemInfo.h"

namespace apptest {

namespace {

ScratchFolder* s_program = nullptr;
CMainWnd* s_wnd = nullptr;

BOOL WINAPI RecordCreateProcess(LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                                BOOL inherit, DWORD flags, LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                                LPPROCESS_INFORMATION info)
{
    if ((started = line).find("explorer.exe\"") != std::string::npos) return *info = {}, TRUE;
    return Kernel32<decltype(&RecordCreateProcess)>("CreateProcessA")(app, line, process, thread, inherit, flags,
                                                                        environment, folder, startup, info);
}
BOOL WINAPI RecordShellExecuteEx(SHELLEXECUTEINFOA* info) { return started = "open " + std::string(info->lpFile), TRUE; }
HINSTANCE WINAPI RecordShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT)
{
    return started += std::string(verb) + " " + file, reinterpret_cast<HINSTANCE>(33);
}

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        HookImport(reinterpret_cast<void*>(&CreateProcessA), reinterpret_cast<void*>(&RecordCreateProcess));
        HookImport(reinterpret_cast<void*>(&ShellExecuteExA), reinterpret_cast<void*>(&RecordShellExecuteEx));
        HookImport(reinterpret_cast<void*>(&ShellExecuteA), reinterpret_cast<void*>(&RecordShellExecute));
        s_program = new ScratchFolder, Vexa::CreateSystemInfo();
        Vexa::GetSystemInfo()->m_strProgramFolder = s_program->Path().c_str();
        s_wnd = new CMainWnd("クイルマーク");
        s_wnd->Create(CW_USEDEFAULT, CW_USEDEFAULT, 420, 404, NULL);
        s_wnd->ShowWindow(SW_SHOW), SetForegroundWindow(s_wnd->GetHwnd());
        busy = [] { return Individual().IsRunning() || Batch().IsRunning(); };
        Pump();
    }
    void TearDown() override
    {
        busy = nullptr;
        delete s_wnd;
        Pump(), Vexa::DestroySystemInfo(), delete s_program;
    }
};

::testing::Environment* const s_environment = ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

std::string started;
CMainWnd& MainWnd() { return *s_wnd; }
CMainDlg001& Individual() { return *static_cast<CMainDlg001*>(CMainWnd::GetPage(0)); }
CMainDlg002& Batch() { return *static_cast<CMainDlg002*>(CMainWnd::GetPage(1)); }
std::string ProgramFolder() { return s_program->Path(); }
static std::string IniPath() { return s_program->Path() + "\\Quillmark.ini"; }
void SetIni(const char* section, const char* key, const char* value) { WritePrivateProfileStringA(section, key, value, IniPath().c_str()); }

// The profile functions may cache the file: flushed before it is deleted under them.
void RemoveIni() { WritePrivateProfileStringA(NULL, NULL, NULL, IniPath().c_str()), DeleteFileA(IniPath().c_str()); }

std::string GetIni(const char* section, const char* key)
{
    char value[1024] = "";
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof(value), IniPath().c_str());
    return value;
}

// Wine's tab control selects a tab even when the change was refused (during a run), and then
// takes that tab again for no change; the strip goes back to the page shown first.
void ChooseTab(int tab)
{
    HWND strip = MainWnd().GetTabCtrl()->GetHwnd();
    SendMessageA(strip, TCM_SETCURSEL, MainWnd().m_nPage, 0), SendMessageA(strip, TCM_SETCURFOCUS, tab, 0), Pump();
}
void Command(int id) { SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, id, 0), Pump(); }

void ChooseMode(int mode)
{
    HWND combo = GetDlgItem(MainWnd().GetHwnd(), IDC_MODE_SELECTOR);
    SendMessageA(combo, CB_SETCURSEL, mode, 0);
    SendMessageA(MainWnd().GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_MODE_SELECTOR, CBN_SELCHANGE), (LPARAM)combo), Pump();
}

void ChooseFilter(HWND batch, int filter)
{
    SendDlgItemMessageA(batch, IDC_FILTER, CB_SETCURSEL, filter, 0);
    SendMessageA(batch, WM_COMMAND, MAKEWPARAM(IDC_FILTER, CBN_SELCHANGE), (LPARAM)GetDlgItem(batch, IDC_FILTER)), Pump();
}

WPARAM MakeDrop(const std::vector<std::string>& paths)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    char* names = reinterpret_cast<char*>(drop + 1);
    for (const std::string& path : paths) names += lstrlenA(lstrcpyA(names, path.c_str())) + 1;
    GlobalUnlock(memory);
    return reinterpret_cast<WPARAM>(memory);
}

Box ConvertBox(HWND page)
{
    DialogWatcher watcher;
    Click(page, IDC_CONVERT);
    EXPECT_EQ(watcher.boxes.size(), 1u);
    if (watcher.boxes.empty()) return Box{"", "<no box>", 0};
    const Box& box = watcher.boxes[0];
    EXPECT_EQ(box.icon, static_cast<UINT>(box.caption == "警告" ? MB_ICONWARNING : box.caption == "確認" ? MB_ICONINFORMATION
                                                                                                       : MB_ICONERROR));
    return box;
}

std::string Opened(const std::function<void()>& act, const std::string& typed)
{
    std::string seen;
    DialogWatcher watcher;
    watcher.onDialog = [&](HWND dialog) {
        HWND title = GetDlgItem(dialog, 0x3742); // the title line of a folder chooser
        seen += "[" + WindowText(title ? title : dialog) + "]";
        SetDlgItemTextA(dialog, cmb13, typed.c_str()); // a file chooser's name box, old style or new
        SetDlgItemTextA(dialog, edt1, typed.c_str());
        PostMessageA(dialog, WM_COMMAND, typed.empty() ? IDCANCEL : IDOK, 0);
    };
    watcher.onBox = [&](const Box& box) { seen += "<" + box.text.substr(0, box.text.find('\n')) + ">"; };
    act();
    return seen;
}

std::string Cell(HWND list, int row, int column)
{
    char text[300] = "";
    ListView_GetItemText(list, row, column, text, sizeof(text));
    return text;
}

std::vector<std::string> Listing()
{
    HWND list = GetDlgItem(Batch().GetHwnd(), IDC_FILE_LIST);
    std::vector<std::string> rows;
    for (int i = 0; i < Rows(list); ++i) rows.push_back(Cell(list, i, 0) + " -> " + Cell(list, i, 1) + (Checked(list, i) ? "+" : ""));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void AppTest::Reset(int tab)
{
    RemoveIni(), MainWnd().SetMode(0), Individual().Clear(), Batch().Clear(), ChooseTab(tab);
    SetForegroundWindow(MainWnd().GetHwnd()), SetFocus(MainWnd().GetHwnd()), Pump();
}

} // namespace apptest
