#include "app/CMainDlg001.h"

#include "app/CMainWnd.h"
#include "app/FailureText.h"
#include "app/OpenOutput.h"
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
// The text side's filter and default extension by the text format.
const char* const kTextFilters[3] = {kTextFilter, "Intel HEX {*.hex}\0*.hex;*.ihex\0All Files\0*.*\0",
                                     "S-records {*.srec}\0*.srec;*.s19;*.s28;*.s37;*.mot\0All Files\0*.*\0"};
const char* const kTextExtensions[3] = {"txt", "hex", "srec"};

} // namespace

CMainDlg001::CMainDlg001() : CMainDlg(IDD_PAGE_INDIVIDUAL, &CSystemInfo::GetIndConvSetting, s_focusOrder) {}

CMainDlg001::~CMainDlg001()
{
    for (CButtonEx& button : s_buttons) button.Detach();
    for (CInputBoxEx& edit : s_edits) edit.Detach();
}

int CMainDlg001::OnInitDialog(WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; i < 4; ++i) s_buttons[i].Attach(GetDlgItem(IDC_INPUT_BROWSE + i));
    for (int i = 0; i < 2; ++i) s_edits[i].Attach(GetDlgItem(IDC_INPUT_PATH + i));
    return CMainDlg::OnInitDialog(wParam, lParam);
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

int CMainDlg001::BrowseInput(int mode)
{
    const int format = GetTextFormat();
    const char* filter = mode == 0 ? kTextFilters[format] : mode == 1 ? kDataFilter : kAllFilter;
    const char* ext = mode == 0 ? kTextExtensions[format] : mode == 1 ? "dat" : nullptr;
    CFileDialog dialog;
    if (!dialog.OpenFile(m_hWnd, filter, m_strFolder, "変換したいファイルを選択してください",
                         OFN_FILEMUSTEXIST, ext))
        return ERROR_CANCELLED;
    SetInputPath(CString(dialog.m_strPath));
    return 0;
}

int CMainDlg001::BrowseOutput(int mode)
{
    const int format = GetTextFormat();
    const char* filter = mode == 0 ? kDataFilter : mode == 1 ? kTextFilters[format] : kAllFilter;
    const char* ext = mode == 0 ? "dat" : mode == 1 ? kTextExtensions[format] : nullptr;
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
    if (!main || input.IsEmpty() || !GetSystemInfo()) return CString();
    return Vexa::MakeOutputPath(input, main->GetMode(), GetSetting("DEFAULT_OUTPUT_EXTENSION"),
                                GetTextFormat());
}

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

// The output box's folder, with its file selected where Explorer shows it. A bare name is in the
// current folder, C:\x.dat in the root of C: (not in C:'s current folder).
int CMainDlg001::OnOpenOutputFolder()
{
    const CString output = GetOutputPath();
    if (output.IsEmpty()) {
        Message("出力ファイルを設定してください", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    CString folder = GetFolderPart(output);
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] == ':') folder += folder.IsEmpty() ? "." : "\\";
    OpenOutputFolder(m_hWnd, folder, output);
    return 0;
}

// The output box's file, in the editor for what the mode makes of it.
int CMainDlg001::OnOpenOutputFile()
{
    const CString output = GetOutputPath();
    if (output.IsEmpty()) {
        Message("出力ファイルを設定してください", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    CMainWnd* main = GetMainWnd();
    OpenOutputFile(m_hWnd, output, main && main->GetMode() == 1);
    return 0;
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
    std::vector<CRunFile> files(1);
    files[0].input = inputPath;
    files[0].output = GetOutputPath();
    StartRun(mode, std::move(files));
    return 0;
}

void CMainDlg001::OnRunEnded(bool stopped)
{
    const CRunFile& file = m_run.Files()[0];
    const FileConversionResult& result = file.result;
    if (stopped && !file.reached) {
        Message("変換を中止しました。出力ファイルは変更していません。", "確認", MB_ICONINFORMATION);
        return;
    }
    const char* first = nullptr;
    switch (result.stage) {
    case FileConversionResult::kDone:
        ReportDone(DescribeFindings(result));
        return;
    case FileConversionResult::kOutputEmpty:
        Message("出力ファイルを設定してください", "警告", MB_ICONWARNING);
        return;
    case FileConversionResult::kInputOpen: first = "入力ファイルのオープンに失敗しました"; break;
    case FileConversionResult::kOutputOpen: first = "出力ファイルのオープンに失敗しました"; break;
    case FileConversionResult::kConvert:
        first = GetRunMode() == 0 ? "バイナリファイルの作成に失敗しました"
                                  : "テキストファイルの作成に失敗しました";
        break;
    }
    Message(CString(first) + "\n" + DescribeFailure(result), "エラー", MB_ICONERROR);
}

// Per mille of the file's bytes read, and the MB.
int CMainDlg001::GetProgressRange()
{
    return 1000;
}

int CMainDlg001::GetProgress(CString& text)
{
    unsigned read = m_run.GetKiBRead(), total = m_run.GetKiBTotal();
    text.Format("%u / %u MB", read >> 10, total >> 10);
    return total ? static_cast<int>(1000ull * read / total) : 0;
}
