#include "app/CMainDlg.h"

#include "app/CMainWnd.h"
#include "app/FailureText.h"
#include "app/TextLayoutSetting.h"
#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainDlg, CDialog)

CMainDlg::~CMainDlg()
{
    m_progress.Detach();
}

CMainWnd* CMainDlg::GetMainWnd()
{
    CWindowBase* parent = GetParentObject();
    if (parent && parent->IsKindOf(VEXA_RUNTIME_CLASS(CMainWnd))) return static_cast<CMainWnd*>(parent);
    return nullptr;
}

int CMainDlg::Message(const char* text, const char* caption, UINT icon)
{
    return MessageBoxA(m_hWnd, text, caption, MB_OK | icon);
}

CString CMainDlg::GetSetting(const char* key)
{
    CSystemInfo* info = GetSystemInfo();
    return info ? (info->*m_pfnSetting)(CString(key)) : CString();
}

bool CMainDlg::DecideOutputFromInput()
{
    return GetSetting("DECIDE_OUTPUT_FROM_INPUT") == "TRUE";
}

// The page binds its own controls first.
int CMainDlg::OnInitDialog(WPARAM wParam, LPARAM lParam)
{
    m_progress.Attach(GetDlgItem(IDC_RUN_PROGRESS));
    DragAcceptFiles(TRUE);
    return CDialog::OnInitDialog(wParam, lParam);
}

int CMainDlg::Clear()
{
    SetInputPath(CString(""));
    SetOutputPath(CString(""));
    return 0;
}

int CMainDlg::OnConvert()
{
    CMainWnd* main = GetMainWnd();
    if (!main) return ERROR_INVALID_HANDLE;
    int mode = main->GetMode();
    if (mode == 0)
        ConvertTextToBinary();
    else if (mode == 1)
        ConvertBinaryToText();
    return 0;
}

namespace {

// A run that ends within this time never shows the running page: short conversions look as
// they always did.
const DWORD kCalmMs = 100;

// While the running page shows, its status is brought up to date this often, also while the run
// has nothing to report (a slow read).
const UINT_PTR kStatusTimer = 1;
const UINT kStatusEveryMs = 250;

} // namespace

void CMainDlg::StartRun(int mode, std::vector<CRunFile> files, const char* outputFolder)
{
    ConvertOptions options;
    // The text's format and layout are read once for the whole run.
    static_cast<TextOptions&>(options) = TextLayoutSetting::ReadText();
    options.mode = mode;
    m_nRunMode = mode;
    if (!m_run.Start(m_hWnd, options, std::move(files), outputFolder)) {
        // No thread for the work (the system is out of resources): nothing was touched.
        Message(CString("変換を開始できませんでした\n") + SystemReason(m_run.GetStartError()), "エラー",
                MB_ICONERROR);
        return;
    }
    if (m_run.WaitFor(kCalmMs)) {
        EndRun();
        return;
    }
    m_bShownRunning = true;
    ShowRunning(true);
    if (CMainWnd* main = GetMainWnd()) main->ShowRunning(true);
}

void CMainDlg::EndRun()
{
    bool stopped = m_run.IsStopRequested();
    m_run.Wait();
    if (m_bShownRunning) {
        m_bShownRunning = false;
        ShowRunning(false);
        if (CMainWnd* main = GetMainWnd()) main->ShowRunning(false);
    }
    if (!m_bQuiet) OnRunEnded(stopped);
}

void CMainDlg::StopRun()
{
    if (IsRunning()) m_run.Stop();
}

void CMainDlg::AbortRun()
{
    if (!IsRunning()) return;
    m_run.Stop();
    m_bQuiet = true;
    EndRun();
    m_bQuiet = false;
}

void CMainDlg::ReportDone(const CString& more)
{
    CString text(m_nRunMode == 0 ? "テキストファイルからバイナリファイルを作成しました"
                                 : "バイナリファイルからテキストファイルを作成しました");
    Message(text + more, "確認", MB_ICONINFORMATION);
}

int CMainDlg::GetTextFormat()
{
    CSystemInfo* info = GetSystemInfo();
    return info ? TextLayoutSetting::FormatIndex(info->GetCommonSetting(TextLayoutSetting::kFormatKey)) : 0;
}

// Every control of the focus order is disabled but "変換開始", which reads "中止", and a list,
// which still scrolls and selects (the page refuses changes to its checks).
void CMainDlg::ShowRunning(bool running)
{
    HWND focus = GetFocus(), stop = GetDlgItem(IDC_CONVERT);
    CWindowBase* const* controls = GetControls();
    for (int i = 0; i < GetControlCount(); ++i) {
        if (controls[i]->GetHwnd() != stop && !controls[i]->IsKindOf(VEXA_RUNTIME_CLASS(CListView)))
            controls[i]->EnableWindow(!running);
    }
    ::SetWindowTextA(stop, running ? "中止" : "変換開始");
    m_progress.SetRange(0, GetProgressRange());
    // Where the run already is, not an empty status until its next report.
    ShowProgress();
    ::ShowWindow(GetDlgItem(IDC_RUN_STATUS), running ? SW_SHOW : SW_HIDE);
    m_progress.ShowWindow(running ? SW_SHOW : SW_HIDE);
    OnShowRunning(running);
    // Without the timer the status still follows the run's own reports.
    if (running)
        SetTimer(m_hWnd, kStatusTimer, kStatusEveryMs, NULL);
    else
        KillTimer(m_hWnd, kStatusTimer);
    // The keyboard stays with the page: on "中止" while running, which Esc also means.
    if (running && focus && !::IsWindowEnabled(focus)) ::SetFocus(stop);
}

void CMainDlg::ShowProgress()
{
    CString text;
    m_progress.SetPos(IsRunning() ? GetProgress(text) : 0);
    SetDlgItemTextA(m_hWnd, IDC_RUN_STATUS, text);
}

LRESULT CMainDlg::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWindowBase* from = reinterpret_cast<CWindowBase*>(wParam);
    switch (msg) {
    case WM_RUNDONE:
        // Also arrives after a run that was already ended at once or aborted.
        if (IsRunning() && wParam == m_run.GetSerial()) EndRun();
        return 0;
    case WM_RUNPROGRESS:
        if (IsRunning() && wParam == m_run.GetSerial()) ShowProgress();
        return 0;
    case WM_TIMER:
        if (wParam != kStatusTimer) return CDialog::WindowProc(hwnd, msg, wParam, lParam);
        if (IsRunning()) ShowProgress();
        return 0;
    case WM_FOCUSMOVE:
        // Esc in any control of the page (it names the page itself) stops a run.
        if (IsRunning() && lParam == 0 && from == this) {
            StopRun();
            return 0;
        }
        if (!Refused()) OnFocusLeaving(from);
        MoveFocus(from ? from->GetHwnd() : NULL, static_cast<int>(lParam));
        return 0;
    case WM_ENTERKEY:
        if (!Refused()) OnEnterKey(from);
        return 0;
    default:
        return CDialog::WindowProc(hwnd, msg, wParam, lParam);
    }
}

int CMainDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const WORD id = LOWORD(wParam);
    if (Refused()) {
        // While running, the "変換開始" button reads "中止"; the page's other buttons and the
        // menu's commands would change or restart what the run works on.
        if (id == IDC_CONVERT) StopRun();
        const bool button = id >= IDC_INPUT_BROWSE && id <= IDC_CLEAR, menu = id >= ID_BROWSE_INPUT && id <= ID_CLEAR;
        if (button || menu) return 0;
    }
    switch (id) {
    case IDC_INPUT_BROWSE:
    case ID_BROWSE_INPUT: return OnBrowseInput();
    case IDC_OUTPUT_BROWSE:
    case ID_BROWSE_OUTPUT: return OnBrowseOutput();
    case IDC_CONVERT:
    case ID_CONVERT: return OnConvert();
    case IDC_CLEAR:
    case ID_CLEAR: return OnClear();
    case ID_OPEN_OUTPUT_FOLDER: return OnOpenOutputFolder();
    case ID_OPEN_OUTPUT_FILE: return OnOpenOutputFile();
    default: return CDialog::OnCommand(wParam, lParam);
    }
}

int CMainDlg::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    if (wParam == VK_TAB) {
        MoveFocus(m_hWnd, GetKeyState(VK_SHIFT) < 0 ? 2 : 1);
        return 0;
    }
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    // Opening what was made changes nothing a run works on.
    if (ctrl && wParam == 'E') return OnOpenOutputFolder();
    if (ctrl && wParam == 'P') return OnOpenOutputFile();
    if (Refused()) {
        if (wParam == VK_ESCAPE) StopRun();
        return 0;
    }
    switch (wParam) {
    case VK_RETURN:
        return OnConvert();
    case VK_DELETE:
        return OnClear();
    case 'I':
        return ctrl ? OnBrowseInput() : 0;
    case 'O':
        return ctrl ? OnBrowseOutput() : 0;
    case 'B':
    case 'T':
        if (ctrl) {
            if (CMainWnd* main = GetMainWnd()) main->SetMode(wParam == 'B' ? 0 : 1);
        }
        return 0;
    default:
        return CDialog::OnKeyDown(wParam, lParam);
    }
}

// A click on the page's background: the focus goes to the main window.
int CMainDlg::OnLButtonUp(WPARAM, LPARAM)
{
    MoveFocus(m_hWnd, 0);
    return 0;
}

int CMainDlg::OnDropFiles(WPARAM wParam, LPARAM lParam)
{
    if (CMainWnd* main = GetMainWnd())
        main->SendMessage(WM_DROPFILES, wParam, lParam);
    else
        DragFinish(reinterpret_cast<HDROP>(wParam));
    return 0;
}

HWND CMainDlg::GetFirstControl()
{
    return GetControls()[0]->GetHwnd();
}

HWND CMainDlg::GetLastControl()
{
    return GetControls()[GetControlCount() - 1]->GetHwnd();
}

void CMainDlg::MoveFocus(HWND hwnd, int direction)
{
    CWindowBase* const* controls = GetControls();
    int count = GetControlCount();
    int index = count;
    for (int i = 0; i < count; ++i) {
        if (controls[i]->GetHwnd() == hwnd) {
            index = direction == 1 ? i + 1 : direction == 2 ? i - 1 : i;
            break;
        }
    }
    if (index >= 0 && index < count) {
        SetFocus(controls[index]->GetHwnd());
        return;
    }
    CMainWnd* main = GetMainWnd();
    if (!main) return;
    SetFocus(direction == 2 ? main->GetTabCtrl()->GetHwnd() : main->GetHwnd());
}
