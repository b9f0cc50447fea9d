#include "app/CMainDlg001.h"

#include "app/CMainWnd.h"
#include "app/FileConversion.h"
#include "app/TextLayoutSetting.h"
#include "core/OutputPath.h"
#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainDlg001, CMainDlg)

namespace {


CButtonEx s_buttons[4];
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
}

int CMainDlg001::OnInitDialog(WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; i < 4; ++i) s_buttons[i].Attach(GetDlgItem(IDC_INPUT_BROWSE + i));
    for (int i = 0; i < 2; ++i) s_edits[i].Attach(GetDlgItem(IDC_INPUT_PATH + i));
    DragAcceptFiles(TRUE);
    return CDialog::OnInitDialog(wParam, lParam);
}

LRESULT CMainDlg001::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_FOCUSMOVE) {
        CWindowBase* from = reinterpret_cast<CWindowBase*>(wParam);
        MoveFocus(from ? from->GetHwnd() : NULL, static_cast<int>(lParam));
        return 0;
    }
    return CDialog::WindowProc(hwnd, msg, wParam, lParam);
}

int CMainDlg001::OnCommand(WPARAM wParam, LPARAM lParam)
{
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
    FileConversionResult result = ConvertFile(inputPath, GetOutputPath(), options);
    const char* first = nullptr;
    switch (result.stage) {
    case FileConversionResult::kDone:
        Message(mode == 0 ? "テキストファイルからバイナリファイルを作成しました"
                          : "バイナリファイルからテキストファイルを作成しました",
                "確認", MB_ICONINFORMATION);
        return 0;
    case FileConversionResult::kOutputEmpty:
        Message("出力ファイルを設定してください", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    case FileConversionResult::kInputOpen: first = "入力ファイルのオープンに失敗しました"; break;
    case FileConversionResult::kOutputOpen: first = "出力ファイルのオープンに失敗しました"; break;
    case FileConversionResult::kConvert:
        first = mode == 0 ? "バイナリファイルの作成に失敗しました" : "テキストファイルの作成に失敗しました";
        break;
    }
    Message(CString(first) + "\n" + DescribeFailure(result), "エラー", MB_ICONERROR);
    if (result.stage != FileConversionResult::kConvert) return ERROR_OPEN_FAILED;
    return mode == 0 ? 0 : static_cast<int>(result.error);
}
