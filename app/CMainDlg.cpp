#include "app/CMainDlg.h"

#include "app/CMainWnd.h"
#include "app/FailureText.h"
#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainDlg, CDialog)

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

namespace {

// A run that ends within this time never shows the running page: short conversions look as
// they always did.
const DWORD kCalmMs = 100;

} // namespace

void CMainDlg::StartRun(const ConvertOptions& options, std::vector<CRunFile> files, const char* outputFolder)
{
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

bool CMainDlg::OnRunMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_RUNDONE:
        // Also arrives after a run that was already ended at once or aborted.
        if (IsRunning() && wParam == m_run.GetSerial()) EndRun();
        return true;
    case WM_RUNPROGRESS:
        if (IsRunning() && wParam == m_run.GetSerial()) OnRunProgress();
        return true;
    case WM_FOCUSMOVE:
        // Esc in any control of the page (it names the page itself) stops a run.
        if (IsRunning() && lParam == 0 && reinterpret_cast<CWindowBase*>(wParam) == this) {
            StopRun();
            return true;
        }
        return false;
    default:
        return false;
    }
}

int CMainDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // The menu's commands would change or restart what a run works on.
    if (Refused() && LOWORD(wParam) >= ID_BROWSE_INPUT && LOWORD(wParam) <= ID_CLEAR) return 0;
    switch (LOWORD(wParam)) {
    case ID_BROWSE_INPUT: return OnBrowseInput();
    case ID_BROWSE_OUTPUT: return OnBrowseOutput();
    case ID_CONVERT: return OnConvert();
    case ID_CLEAR: return OnClear();
    default: return CDialog::OnCommand(wParam, lParam);
    }
}

int CMainDlg::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
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

int CMainDlg::OnDropFiles(WPARAM wParam, LPARAM lParam)
{
    if (CMainWnd* main = GetMainWnd())
        main->SendMessage(WM_DROPFILES, wParam, lParam);
    else
        DragFinish(reinterpret_cast<HDROP>(wParam));
    return 0;
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
