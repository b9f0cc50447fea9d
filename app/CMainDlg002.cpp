#include "app/CMainDlg002.h"

#include <shlwapi.h>

#include "app/CMainWnd.h"
#include "app/FileConversion.h"
#include "app/OutputCollisions.h"
#include "app/CSubDlg001.h"
#include "app/Dpi.h"
#include "app/TextLayoutSetting.h"
#include "core/OutputPath.h"
#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CMainDlg002, CMainDlg)

namespace {

CComboBoxEx s_filter;
CButtonEx s_buttons[6];
CInputBoxEx s_edits[2];
CInputBoxEx& s_input = s_edits[0];
CInputBoxEx& s_output = s_edits[1];
CListViewEx s_list;
CWindowBase* const s_focusOrder[10] = {&s_filter,     &s_buttons[0], &s_edits[0], &s_buttons[1],
                                       &s_edits[1],   &s_list,       &s_buttons[2], &s_buttons[3],
                                       &s_buttons[4], &s_buttons[5]};

// How many failed rows the error message names before it only counts the rest.
const int kNamedFailures = 5;

bool DecideOutputFromInput()
{
    CSystemInfo* info = GetSystemInfo();
    return info && info->GetBatConvSetting("DECIDE_OUTPUT_FROM_INPUT") == "TRUE";
}

} // namespace

CMainDlg002::CMainDlg002() : CMainDlg(IDD_PAGE_BATCH)
{
    m_vecFilter.push_back(CString("*.*"));
    m_vecFilter.push_back(CString("*.txt"));
    m_vecFilter.push_back(CString("*.dat"));
    m_vecFilter.push_back(CString("*.bin"));
}

CMainDlg002::~CMainDlg002()
{
    s_filter.Detach();
    for (CButtonEx& button : s_buttons) button.Detach();
    for (CInputBoxEx& edit : s_edits) edit.Detach();
    s_list.Detach();
}

int CMainDlg002::OnInitDialog(WPARAM wParam, LPARAM lParam)
{
    s_filter.Attach(GetDlgItem(IDC_FILTER));
    for (const CString& pattern : m_vecFilter) s_filter.AddString(pattern);
    s_filter.SetCurSel(0);
    for (int i = 0; i < 6; ++i) s_buttons[i].Attach(GetDlgItem(IDC_INPUT_BROWSE + i));
    for (int i = 0; i < 2; ++i) s_edits[i].Attach(GetDlgItem(IDC_INPUT_PATH + i));
    s_list.Attach(GetDlgItem(IDC_FILE_LIST));
    s_list.SetExtendedStyle(s_list.GetExtendedStyle() | 0x25);
    s_list.InsertColumn(0, ScaleForDpi(160), "変換前");
    s_list.InsertColumn(1, ScaleForDpi(160), "変換後");
    DragAcceptFiles(TRUE);
    return CDialog::OnInitDialog(wParam, lParam);
}

LRESULT CMainDlg002::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_FOCUSMOVE) {
        CWindowBase* from = reinterpret_cast<CWindowBase*>(wParam);
        if (from == &s_input) SetInputPath(GetInputFolder());
        MoveFocus(from ? from->GetHwnd() : NULL, static_cast<int>(lParam));
        return 0;
    }
    if (msg == WM_ENTERKEY) {
        CWindowBase* from = reinterpret_cast<CWindowBase*>(wParam);
        if (from == &s_input) {
            SetInputPath(GetInputFolder());
            MoveFocus(s_output.GetHwnd(), 0);
        } else if (from == &s_output) {
            MoveFocus(m_hWnd, 0);
        } else if (from == &s_list) {
            EditOutputName();
        }
        return 0;
    }
    return CDialog::WindowProc(hwnd, msg, wParam, lParam);
}

int CMainDlg002::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDC_INPUT_BROWSE: return OnBrowseInput();
    case IDC_OUTPUT_BROWSE: return OnBrowseOutput();
    case IDC_CONVERT: return OnConvert();
    case IDC_CLEAR: return OnClear();
    case IDC_CHECK_ALL: return CheckAll();
    case IDC_UNCHECK_ALL: return UncheckAll();
    case IDC_FILTER:
        if (HIWORD(wParam) == CBN_SELCHANGE) OnFilterChanged();
        return 0;
    default: return CMainDlg::OnCommand(wParam, lParam);
    }
}

int CMainDlg002::OnNotify(WPARAM wParam, LPARAM lParam)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->hwndFrom == s_list.GetHwnd() && header->code == static_cast<UINT>(NM_DBLCLK)) {
        EditOutputName();
        return 0;
    }
    return CDialog::OnNotify(wParam, lParam);
}

int CMainDlg002::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (wParam) {
    case VK_TAB:
        MoveFocus(m_hWnd, GetKeyState(VK_SHIFT) < 0 ? 2 : 1);
        return 0;
    case 'A':
        return ctrl ? CheckAll() : 0;
    case 'U':
        return ctrl ? UncheckAll() : 0;
    default:
        return CMainDlg::OnKeyDown(wParam, lParam);
    }
}

int CMainDlg002::OnLButtonUp(WPARAM, LPARAM)
{
    MoveFocus(m_hWnd, 0);
    return 0;
}

int CMainDlg002::OnBrowseInput()
{
    CMainWnd* main = GetMainWnd();
    if (!main) return ERROR_INVALID_HANDLE;
    BrowseInputFolder(main->GetMode());
    return 0;
}

int CMainDlg002::OnBrowseOutput()
{
    CMainWnd* main = GetMainWnd();
    if (!main) return ERROR_INVALID_HANDLE;
    BrowseOutputFolder(main->GetMode());
    return 0;
}

int CMainDlg002::OnConvert()
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

int CMainDlg002::OnClear()
{
    return Clear();
}

void CMainDlg002::BrowseInputFolder(int)
{
    CFolderDialog dialog;
    if (dialog.Browse("入力元を指定してください", m_hWnd, CString(m_strFolder)))
        SetInputPath(dialog.GetPath());
}

void CMainDlg002::BrowseOutputFolder(int)
{
    CFolderDialog dialog;
    if (dialog.Browse("出力先を指定してください", m_hWnd, CString(m_strFolder)))
        SetOutputPath(dialog.GetPath());
}

CString CMainDlg002::GetInputFolder()
{
    return s_input.GetWindowText();
}

CString CMainDlg002::GetOutputFolder()
{
    return s_output.GetWindowText();
}

void CMainDlg002::SetInputPath(CString folder)
{
    s_input.SetWindowText(folder);
    m_strFolder = folder;
    FillList(folder);
    if (DecideOutputFromInput()) SetOutputPath(folder);
}

void CMainDlg002::SetOutputPath(CString folder)
{
    s_output.SetWindowText(folder);
}

void CMainDlg002::FillList(CString folder)
{
    s_list.DeleteAllItems();
    if (!PathIsDirectoryA(folder)) return;
    int filter = s_filter.GetCurSel();
    if (filter < 0 || filter >= static_cast<int>(m_vecFilter.size())) filter = 0;
    CString search(folder + "\\", m_vecFilter[filter]);
    CMainWnd* main = GetMainWnd();
    int mode = main && main->GetMode() == 0 ? 0 : 1;
    CSystemInfo* info = GetSystemInfo();
    CString rule = info ? info->GetBatConvSetting("DEFAULT_OUTPUT_EXTENSION") : CString();

    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(search, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    int row = 0;
    do {
        const DWORD skipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
        if ((entry.dwFileAttributes & skipped) == 0) {
            CString name(entry.cFileName);
            s_list.InsertItem(row, "");
            s_list.SetItemText(row, 0, name);
            s_list.SetItemText(row, 1, MakeOutputFileName(name, mode, rule));
            s_list.SetCheck(row, true);
            ++row;
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

void CMainDlg002::OnFilterChanged()
{
    FillList(GetInputFolder());
}

void CMainDlg002::OnModeChanged()
{
    FillList(GetInputFolder());
}

int CMainDlg002::CheckAll()
{
    for (int i = 0; i < s_list.GetItemCount(); ++i) s_list.SetCheck(i, true);
    return 0;
}

int CMainDlg002::UncheckAll()
{
    for (int i = 0; i < s_list.GetItemCount(); ++i) s_list.SetCheck(i, false);
    return 0;
}

int CMainDlg002::EditOutputName()
{
    int row = s_list.GetSelectedItem();
    if (row < 0) return 0;
    CSubDlg001 dialog;
    dialog.SetBeforeName(s_list.GetItemText(row, 0));
    dialog.SetAfterName(s_list.GetItemText(row, 1));
    if (dialog.DoModal(m_hWnd) == IDOK) s_list.SetItemText(row, 1, dialog.GetAfterName());
    return 0;
}

int CMainDlg002::Clear()
{
    SetInputPath(CString(""));
    SetOutputPath(CString(""));
    return 0;
}

HWND CMainDlg002::GetFirstControl()
{
    return s_filter.GetHwnd();
}

HWND CMainDlg002::GetLastControl()
{
    return s_buttons[5].GetHwnd();
}

CWindowBase* const* CMainDlg002::GetControls()
{
    return s_focusOrder;
}

int CMainDlg002::GetControlCount()
{
    return 10;
}

int CMainDlg002::ConvertTextToBinary()
{
    return Convert(0);
}

int CMainDlg002::ConvertBinaryToText()
{
    return Convert(1);
}

// Converts every checked row; a row that fails or would overwrite another row's output or a
// listed input does not stop the others, and the user is told which rows were not made and why.
int CMainDlg002::Convert(int mode)
{
    CString inputFolder = GetInputFolder();
    if (inputFolder.IsEmpty()) {
        Message("入力フォルダを設定してください", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    CString outputFolder = GetOutputFolder();
    if (outputFolder.IsEmpty()) {
        Message("出力フォルダを設定してください", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    if (s_list.GetItemCount() == 0) {
        Message("変換するものがありません", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    std::vector<BatchRow> rows(s_list.GetItemCount());
    bool anyChecked = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].input = s_list.GetItemText(static_cast<int>(i), 0);
        rows[i].output = s_list.GetItemText(static_cast<int>(i), 1);
        rows[i].checked = s_list.GetCheck(static_cast<int>(i)) != 0;
        anyChecked = anyChecked || rows[i].checked;
    }
    if (!anyChecked) {
        Message("変換するファイルが選ばれていません", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    if (DWORD error = MakeFolder(outputFolder)) {
        CString text("出力フォルダを作成できませんでした\n");
        text += outputFolder;
        text += "\n";
        text += SystemReason(error);
        Message(text, "エラー", MB_ICONERROR);
        return static_cast<int>(error);
    }
    // Rows whose outputs would overwrite each other or a listed input are left out, before
    // anything is written.
    std::vector<RowVerdict> verdicts = CheckOutputCollisions(inputFolder, outputFolder, rows);

    ConvertOptions options;
    options.mode = mode;
    // The layout is read once for the whole run.
    if (mode == 1) options.layout = TextLayoutSetting::Read();
    int failed = 0;
    CString names;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (verdicts[i] == kRowUnchecked) continue;
        CString reason;
        if (verdicts[i] != kRowConvert) {
            reason = DescribeVerdict(verdicts[i]);
        } else {
            CString inputPath(inputFolder + "\\", rows[i].input);
            CString outputPath(outputFolder + "\\", rows[i].output);
            FileConversionResult result = ConvertFile(inputPath, outputPath, options);
            if (result.Done()) continue;
            reason = DescribeFailureBriefly(result);
        }
        if (failed < kNamedFailures) {
            names += "\n";
            names += rows[i].input;
            names += ": ";
            names += reason;
        }
        ++failed;
    }

    if (failed == 0) {
        Message(mode == 0 ? "テキストファイルからバイナリファイルを作成しました"
                          : "バイナリファイルからテキストファイルを作成しました",
                "確認", MB_ICONINFORMATION);
        return 0;
    }
    CString text;
    text.Format("%d 件のファイルを変換できませんでした。", failed);
    text += names;
    if (failed > kNamedFailures) {
        CString more;
        more.Format("\nほか %d 件", failed - kNamedFailures);
        text += more;
    }
    Message(text, "エラー", MB_ICONERROR);
    return 0;
}
