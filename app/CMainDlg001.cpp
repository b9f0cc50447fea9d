#include "app/CMainDlg001.h"

#include "app/CMainWnd.h"
#include "app/FailureText.h"
#include "app/TextLayoutSetting.h"
#include "core/OutputPath.h"
#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainDlg001, CMainDlg)

namespace {


CButtonEx s_buttons[4];
CProgressCtrl s_progress;
CInputBoxEx s_edits[2];
CInputBoxEx& s_input = s_edits[0];
CInputBoxEx& s_output = s_edits[1];
CWindowBase* const s_focusOrder[6] = {&s_buttons[0], &s_edits[0], &s_buttons[1],
                                      &s_edits[1], &s_buttons[2], &s_buttons[3]};

// Chooser filters by mode, each pair zero-terminated, the list ending in an extra zero.
const char kTextFilter[] = "Text Files {*.txt}\0*.txt\0All Files\0*.*\0";
const char kDataFilter[] = "Data Files {*.dat}\0*.dat\0Binary Files {*.bin}\0*.bin\0All Files\0*.*\0";
const char kAllFilter[] = "All Files\0*.*\0";

} // namespace

CMainDlg001::CMainDlg001() : CMainDlg(IDD_PAGE_INDIVIDUAL) {}

CMainDlg001::~CMainDlg001()
{
    for (CButtonEx& button : s_buttons) button.Detach();
    for (CInputBoxEx& edit : s_edits) edit.Detach();
    s_progress.Detach();
}

int CMainDlg001::OnInitDialog(WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; i < 4; ++i) s_buttons[i].Attach(GetDlgItem(IDC_INPUT_BROWSE + i));
    for (int i = 0; i < 2; ++i) s_edits[i].Attach(GetDlgItem(IDC_INPUT_PATH + i));
    s_progress.Attach(GetDlgItem(IDC_RUN_PROGRESS));
    DragAcceptFiles(TRUE);
    return CDialog::OnInitDialog(wParam, lParam);
}

LRESULT CMainDlg001::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (OnRunMessage(msg, wParam, lParam)) return 0;
    if (msg == WM_FOCUSMOVE) {
        CWindowBase* from = reinterpret_cast<CWindowBase*>(wParam);
        MoveFocus(from ? from->GetHwnd() : NULL, static_cast<int>(lParam));
        return 0;
    }
    return CDialog::WindowProc(hwnd, msg, wParam, lParam);
}

int CMainDlg001::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (Refused()) {
        // While running, the "変換開始" button is "中止"; the other buttons are disabled.
        if (LOWORD(wParam) == IDC_CONVERT) StopRun();
        if (LOWORD(wParam) >= IDC_INPUT_BROWSE && LOWORD(wParam) <= IDC_CLEAR) return 0;
    }
    switch (LOWORD(wParam)) {
    case IDC_INPUT_BROWSE: return OnBrowseInput();
    case IDC_OUTPUT_BROWSE: return OnBrowseOutput();
    case IDC_CONVERT: return OnConvert();
    case IDC_CLEAR: return OnClear();
    default: return CMainDlg::OnCommand(wParam, lParam);
    }
}

int CMainDlg001::OnLButtonUp(WPARAM, LPARAM)
{
    MoveFocus(m_hWnd, 0);
    return 0;
}

int CMainDlg001::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    if (wParam == VK_TAB) {
        MoveFocus(m_hWnd, GetKeyState(VK_SHIFT) < 0 ? 2 : 1);
        return 0;
    }
    return CMainDlg::OnKeyDown(wParam, lParam);
}

int CMainDlg001::OnBrowseInput()
{
    CMainWnd* main = GetMainWnd();
    return main ? BrowseInput(main->GetMode()) : ERROR_INVALID_HANDLE;
}

int CMainDlg001::OnBrowseOutput()
{
    CMainWnd* main = GetMainWnd();
    return main ? BrowseOutput(main->GetMode()) : ERROR_INVALID_HANDLE;
}

int CMainDlg001::OnConvert()
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

int CMainDlg001::OnClear()
{
    return Clear();
}

int CMainDlg001::BrowseInput(int mode)
{
    const char* filter = mode == 0 ? kTextFilter : mode == 1 ? kDataFilter : kAllFilter;
    const char* ext = mode == 0 ? "txt" : mode == 1 ? "dat" : nullptr;
    CFileDialog dialog;
    if (!dialog.OpenFile(m_hWnd, filter, m_strFolder, "変換したいファイルを選択してください",
                         OFN_FILEMUSTEXIST, ext))
        return ERROR_CANCELLED;
    SetInputPath(CString(dialog.m_strPath));
    return 0;
}

int CMainDlg001::BrowseOutput(int mode)
{
    const char* filter = mode == 0 ? kDataFilter : mode == 1 ? kTextFilter : kAllFilter;
    const char* ext = mode == 0 ? "dat" : mode == 1 ? "txt" : nullptr;
    CFileDialog dialog;
    if (!dialog.OpenFile(m_hWnd, filter, m_strFolder, "変換後のファイル名を入力してください", 0, ext))
        return ERROR_CANCELLED;
    SetOutputPath(CString(dialog.m_strPath));
    return 0;
}

CString CMainDlg001::GetInputPath()
{
    return s_input.GetWindowText();
}

CString CMainDlg001::GetOutputPath()
{
    return s_output.GetWindowText();
}

CString CMainDlg001::MakeOutputPath(CString input)
{
    CMainWnd* main = GetMainWnd();
    CSystemInfo* info = GetSystemInfo();
    if (!main || input.IsEmpty() || !info) return CString();
    return Vexa::MakeOutputPath(input, main->GetMode(),
                                info->GetIndConvSetting("DEFAULT_OUTPUT_EXTENSION"));
}

namespace {

bool DecideOutputFromInput()
{
    CSystemInfo* info = GetSystemInfo();
    return info && info->GetIndConvSetting("DECIDE_OUTPUT_FROM_INPUT") == "TRUE";
}

} // namespace

void CMainDlg001::SetInputPath(CString path)
{
    s_input.SetWindowText(path);
    m_strFolder.Empty();
    if (FindLastPathSeparator(path) > 0) {
        m_strFolder = GetFolderPart(path);
        if (DecideOutputFromInput()) SetOutputPath(MakeOutputPath(path));
    }
}

void CMainDlg001::SetOutputPath(CString path)
{
    s_output.SetWindowText(path);
    m_strFolder.Empty();
    if (FindLastPathSeparator(path) > 0) m_strFolder = GetFolderPart(path);
}

void CMainDlg001::OnModeChanged()
{
    if (DecideOutputFromInput()) SetOutputPath(MakeOutputPath(GetInputPath()));
}

int CMainDlg001::Clear()
{
    SetInputPath(CString(""));
    SetOutputPath(CString(""));
    return 0;
}

HWND CMainDlg001::GetFirstControl()
{
    return s_buttons[0].GetHwnd();
}

HWND CMainDlg001::GetLastControl()
{
    return s_buttons[3].GetHwnd();
}

CWindowBase* const* CMainDlg001::GetControls()
{
    return s_focusOrder;
}

int CMainDlg001::GetControlCount()
{
    return 6;
}

int CMainDlg001::ConvertTextToBinary()
{
    return Convert(0);
}

int CMainDlg001::ConvertBinaryToText()
{
    return Convert(1);
}

// Reports in the order the messages promise (input path, input, output path, output, result);
// an old output stays unless the new one is complete, and every error says which file and why.
// The conversion runs on the worker; the messages after the input path follow in OnRunEnded.
int CMainDlg001::Convert(int mode)
{
    CString inputPath = GetInputPath();
    if (inputPath.IsEmpty()) {
        Message("入力ファイルを設定してください", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    ConvertOptions options;
    options.mode = mode;
    if (mode == 1) options.layout = TextLayoutSetting::Read();
    std::vector<CRunFile> files(1);
    files[0].input = inputPath;
    files[0].output = GetOutputPath();
    m_nRunMode = mode;
    StartRun(options, std::move(files));
    return 0;
}

void CMainDlg001::OnRunEnded(bool stopped)
{
    const CRunFile& file = m_run.Files()[0];
    const FileConversionResult& result = file.result;
    const int mode = m_nRunMode;
    if (stopped && !file.reached) {
        Message("変換を中止しました。出力ファイルは変更していません。", "確認", MB_ICONINFORMATION);
        return;
    }
    const char* first = nullptr;
    switch (result.stage) {
    case FileConversionResult::kDone:
        Message(mode == 0 ? "テキストファイルからバイナリファイルを作成しました"
                          : "バイナリファイルからテキストファイルを作成しました",
                "確認", MB_ICONINFORMATION);
        return;
    case FileConversionResult::kOutputEmpty:
        Message("出力ファイルを設定してください", "警告", MB_ICONWARNING);
        return;
    case FileConversionResult::kInputOpen: first = "入力ファイルのオープンに失敗しました"; break;
    case FileConversionResult::kOutputOpen: first = "出力ファイルのオープンに失敗しました"; break;
    case FileConversionResult::kConvert:
        first = mode == 0 ? "バイナリファイルの作成に失敗しました" : "テキストファイルの作成に失敗しました";
        break;
    }
    Message(CString(first) + "\n" + DescribeFailure(result), "エラー", MB_ICONERROR);
}

void CMainDlg001::ShowRunning(bool running)
{
    HWND focus = GetFocus();
    for (int id : {IDC_INPUT_BROWSE, IDC_OUTPUT_BROWSE, IDC_CLEAR}) ::EnableWindow(GetDlgItem(id), !running);
    for (CInputBoxEx& edit : s_edits) edit.EnableWindow(!running);
    s_buttons[2].SetWindowText(running ? "中止" : "変換開始");
    SetDlgItemTextA(m_hWnd, IDC_RUN_STATUS, "");
    s_progress.SetRange(0, 1000);
    s_progress.SetPos(0);
    ::ShowWindow(GetDlgItem(IDC_RUN_STATUS), running ? SW_SHOW : SW_HIDE);
    s_progress.ShowWindow(running ? SW_SHOW : SW_HIDE);
    // The keyboard stays with the page: on "中止" while running, which Esc also means.
    if (running && focus && !::IsWindowEnabled(focus)) ::SetFocus(s_buttons[2].GetHwnd());
}

// Bytes read of the file, in MB.
void CMainDlg001::OnRunProgress()
{
    unsigned read = m_run.GetKiBRead(), total = m_run.GetKiBTotal();
    s_progress.SetPos(total ? static_cast<int>(1000ull * read / total) : 0);
    CString text;
    text.Format("%u / %u MB", read >> 10, total >> 10);
    SetDlgItemTextA(m_hWnd, IDC_RUN_STATUS, text);
}
