#include "app/CMainDlg002.h"

#include <shlwapi.h>

#include "app/CMainWnd.h"
#include "app/CSubDlg001.h"
#include "app/FailureText.h"
#include "app/OpenOutput.h"
#include "core/OutputPath.h"
#include "engine/InputListing.h"
#include "engine/OutputCollisions.h"
#include "resources/resource.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

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

// The list's columns: the input's name, the output's, and what became of the row.
enum { kInputColumn, kOutputColumn, kResultColumn };

// From this size on, the status shows how far the file under way is.
const unsigned kShowBytesFromKiB = 2048;

} // namespace

CMainDlg002::CMainDlg002() : CMainDlg(IDD_PAGE_BATCH, &CSystemInfo::GetBatConvSetting, s_focusOrder)
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
    // A cell cut short shows whole in a tip where the system offers one.
    s_list.SetExtendedStyle(s_list.GetExtendedStyle() | 0x25 | LVS_EX_LABELTIP);
    // The three columns share the list's width, less a scroll bar's, so that 結果 is seen at any
    // DPI without scrolling sideways.
    RECT client = {};
    ::GetClientRect(s_list.GetHwnd(), &client);
    const int width = client.right - GetSystemMetrics(SM_CXVSCROLL), third = width / 3;
    s_list.InsertColumn(kInputColumn, third, "変換前");
    s_list.InsertColumn(kOutputColumn, third, "変換後");
    s_list.InsertColumn(kResultColumn, width - 2 * third, "結果");
    return CMainDlg::OnInitDialog(wParam, lParam);
}

// Leaving the input folder box with Tab or Shift+Tab applies a typed folder.
void CMainDlg002::OnFocusLeaving(CWindowBase* control)
{
    if (control == &s_input) ApplyInputFolder();
}

// Enter applies a typed input folder and goes on to the output folder; on the list it renames the
// selected row's output; in the output folder box it converts.
void CMainDlg002::OnEnterKey(CWindowBase* control)
{
    if (control == &s_input) {
        ApplyInputFolder();
        MoveFocus(s_output.GetHwnd(), 0);
    } else if (control == &s_list) {
        EditOutputName();
    } else {
        CMainDlg::OnEnterKey(control);
    }
}

// The text of the input box as the input folder; the text set last changes nothing, so the list
// keeps the user's work and the output box what was typed into it.
void CMainDlg002::ApplyInputFolder()
{
    CString folder = GetInputFolder();
    if (folder != m_strFolder) SetInputPath(folder);
}

// The page's own buttons and filter; each refuses while a run goes on.
int CMainDlg002::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
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
    if (header && header->hwndFrom == s_list.GetHwnd()) {
        if (header->code == static_cast<UINT>(NM_DBLCLK)) {
            EditOutputName();
            return 0;
        }
        // While running, a row's check stays as it is (the list still scrolls and selects).
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        bool refuse = header->code == static_cast<UINT>(LVN_ITEMCHANGING) && Refused() &&
                      (change->uChanged & LVIF_STATE) &&
                      ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK);
        // Declining the notice per row makes emptying a long list quick.
        if (refuse || header->code == static_cast<UINT>(LVN_DELETEALLITEMS)) {
            ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
    }
    return CDialog::OnNotify(wParam, lParam);
}

int CMainDlg002::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (wParam) {
    case 'A':
        return ctrl ? CheckAll() : 0;
    case 'U':
        return ctrl ? UncheckAll() : 0;
    default:
        return CMainDlg::OnKeyDown(wParam, lParam);
    }
}

CString CMainDlg002::GetSelectedOutput(const CString& folder)
{
    if (s_list.SendMessage(LVM_GETSELECTEDCOUNT, 0, 0) != 1) return CString();
    return CString(folder + "\\", s_list.GetItemText(s_list.GetSelectedItem(), kOutputColumn));
}

// The output folder box's folder, with the selected row's output selected where Explorer shows it.
int CMainDlg002::OnOpenOutputFolder()
{
    const CString folder = GetOutputFolder();
    if (folder.IsEmpty()) {
        Message("出力フォルダを設定してください", "警告", MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    OpenOutputFolder(m_hWnd, folder, GetSelectedOutput(folder));
    return 0;
}

// The selected row's output, in the editor for what the mode makes of it.
int CMainDlg002::OnOpenOutputFile()
{
    const CString folder = GetOutputFolder();
    const CString output = folder.IsEmpty() ? CString() : GetSelectedOutput(folder);
    if (output.IsEmpty()) {
        Message(folder.IsEmpty() ? "出力フォルダを設定してください" : "開く出力ファイルを一覧で選択してください", "警告",
                MB_ICONWARNING);
        return ERROR_FILE_NOT_FOUND;
    }
    CMainWnd* main = GetMainWnd();
    OpenOutputFile(m_hWnd, output, main && main->GetMode() == 1);
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

CMainDlg002::Listing CMainDlg002::ListingNow(const CString& folder)
{
    Listing listing;
    listing.folder = folder;
    listing.filter = s_filter.GetCurSel();
    if (listing.filter < 0 || listing.filter >= static_cast<int>(m_vecFilter.size())) listing.filter = 0;
    CMainWnd* main = GetMainWnd();
    listing.mode = main && main->GetMode() == 0 ? 0 : 1;
    listing.rule = GetSetting("DEFAULT_OUTPUT_EXTENSION");
    listing.format = GetTextFormat();
    listing.subfolders = GetSetting("INCLUDE_SUBFOLDERS") == "TRUE";
    return listing;
}

// Lists the folder with the list view's redrawing off: one paint for the whole list, not one per
// row.
void CMainDlg002::FillList(CString folder)
{
    const Listing listing = ListingNow(folder);
    // What the user did to the rows of this folder: unchecked them, or named their outputs.
    struct Work {
        CString output; // a name given by hand, or empty
        bool unchecked;
    };
    std::unordered_map<std::string, Work> work;
    const bool sameFolder = folder.CompareNoCase(m_listed.folder) == 0;
    const int rows = sameFolder ? std::min(s_list.GetItemCount(), static_cast<int>(m_vecDerived.size())) : 0;
    for (int i = 0; i < rows; ++i) {
        const CString output = s_list.GetItemText(i, 1);
        // A converted row lost its check to the run, not to the user: a new listing checks it again.
        const bool named = output != m_vecDerived[i],
                   unchecked = !s_list.GetCheck(i) && s_list.GetItemText(i, kResultColumn) != "変換済み";
        if (named || unchecked)
            work[static_cast<const char*>(s_list.GetItemText(i, 0))] = {named ? output : CString(), unchecked};
    }
    m_listed = listing;
    m_vecDerived.clear();
    s_list.SendMessage(WM_SETREDRAW, FALSE, 0);
    s_list.DeleteAllItems();
    std::vector<CString> names, tooLong;
    if (folder.GetLength() > kMaxPathLength) {
        tooLong.push_back(folder);
    } else if (PathIsDirectoryA(folder)) {
        ListingOptions options;
        options.subfolders = listing.subfolders;
        const CString outputFolder = GetOutputFolder();
        options.outputFolder = outputFolder;
        // The batch's listing rule, which quillconv's folder mode shares; a folder that cannot be
        // listed shows what was listed, as before.
        ListInputFiles(folder, m_vecFilter[listing.filter], names, options, &tooLong);
    }
    if (!names.empty()) {
        s_list.SendMessage(LVM_SETITEMCOUNT, names.size(), 0);
        for (size_t i = 0; i < names.size(); ++i) {
            int row = s_list.InsertItem(static_cast<int>(i), names[i]);
            m_vecDerived.push_back(MakeOutputFileName(names[i], listing.mode, listing.rule, listing.format));
            s_list.SetItemText(row, 1, m_vecDerived.back());
        }
        // Row -1 is every row: all checked by one message.
        s_list.SetCheck(-1, TRUE);
        for (size_t i = 0; i < names.size() && !work.empty(); ++i) {
            auto kept = work.find(static_cast<const char*>(names[i]));
            if (kept == work.end()) continue;
            const int row = static_cast<int>(i);
            if (!kept->second.output.IsEmpty()) s_list.SetItemText(row, 1, kept->second.output);
            if (kept->second.unchecked) s_list.SetCheck(row, FALSE);
        }
    }
    s_list.SendMessage(WM_SETREDRAW, TRUE, 0);
    s_list.InvalidateRect(NULL, TRUE);
    if (tooLong.size() == 1 && tooLong[0] == folder)
        Message(TooLongText(folder), "警告", MB_ICONWARNING);
    else if (!tooLong.empty())
        Message(TooLongListText(tooLong), "警告", MB_ICONWARNING);
}

void CMainDlg002::OpenFiles(CString folder, const std::vector<CString>& names)
{
    const CString pattern = m_vecFilter[ListingNow(folder).filter];
    for (const CString& name : names) {
        if (!PathIsDirectoryA(folder + "\\" + name) && !PathMatchSpecA(name, pattern)) s_filter.SetCurSel(0);
    }
    SetInputPath(folder);
    std::unordered_set<std::string> chosen;
    for (const CString& name : names) chosen.insert(CaseKey(name));
    for (int i = 0; i < s_list.GetItemCount(); ++i) {
        // The row's file, or the subfolder of the folder that holds it.
        CString row = s_list.GetItemText(i, 0);
        int separator = 0;
        while (row[separator] && row[separator] != '\\')
            separator += IsLeadByte(static_cast<unsigned char>(row[separator])) && row[separator + 1] ? 2 : 1;
        const bool check = chosen.count(CaseKey(row)) > 0 || chosen.count(CaseKey(row.Left(separator))) > 0;
        s_list.SetCheck(i, check);
    }
}

// The filter or the mode chosen again as it was lists nothing again.
void CMainDlg002::OnFilterChanged()
{
    if (Refused() || ListingNow(GetInputFolder()) == m_listed) return;
    FillList(GetInputFolder());
}

void CMainDlg002::OnModeChanged()
{
    if (Refused() || ListingNow(GetInputFolder()) == m_listed) return;
    FillList(GetInputFolder());
}

int CMainDlg002::CheckAll()
{
    if (Refused()) return 0;
    for (int i = 0; i < s_list.GetItemCount(); ++i) s_list.SetCheck(i, true);
    return 0;
}

int CMainDlg002::UncheckAll()
{
    if (Refused()) return 0;
    for (int i = 0; i < s_list.GetItemCount(); ++i) s_list.SetCheck(i, false);
    return 0;
}

int CMainDlg002::EditOutputName()
{
    int row = s_list.GetSelectedItem();
    if (row < 0 || Refused()) return 0;
    CSubDlg001 dialog;
    dialog.SetBeforeName(s_list.GetItemText(row, 0));
    dialog.SetAfterName(s_list.GetItemText(row, 1));
    if (dialog.DoModal(m_hWnd) == IDOK) s_list.SetItemText(row, 1, dialog.GetAfterName());
    return 0;
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
    for (const CString& folder : {inputFolder, outputFolder}) {
        if (folder.GetLength() <= kMaxPathLength) continue;
        Message(TooLongText(folder), "警告", MB_ICONWARNING);
        return ERROR_FILENAME_EXCED_RANGE;
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

    // The worker gets the paths, never the list; rows left out keep their place for the message.
    std::vector<CRunFile> files;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (verdicts[i] == kRowUnchecked) continue;
        files.emplace_back();
        CRunFile& file = files.back();
        file.row = static_cast<int>(i);
        if (verdicts[i] != kRowConvert) {
            const int length = std::max(inputFolder.GetLength() + 1 + rows[i].input.GetLength(),
                                        outputFolder.GetLength() + 1 + rows[i].output.GetLength());
            file.skipped = DescribeVerdict(verdicts[i], length);
        }
        file.input = CString(inputFolder + "\\", rows[i].input);
        file.output = CString(outputFolder + "\\", rows[i].output);
    }
    StartRun(mode, std::move(files), outputFolder);
    return 0;
}

// Files done of all files.
int CMainDlg002::GetProgressRange()
{
    return static_cast<int>(m_run.Files().size());
}

// Files done of all files, then the file under way, with its MB read when it is large.
int CMainDlg002::GetProgress(CString& text)
{
    const int passed = m_run.FilesPassed(), current = m_run.GetCurrentFile();
    text.Format("%d / %d", passed, GetProgressRange());
    if (current < 0 || current >= GetProgressRange()) return passed;
    const unsigned size = m_run.GetKiBTotal();
    if (size >= kShowBytesFromKiB) {
        CString bytes;
        bytes.Format("  %u / %u MB", m_run.GetKiBRead() >> 10, size >> 10);
        text += bytes;
    }
    text += "  ";
    text += s_list.GetItemText(m_run.Files()[current].row, kInputColumn);
    return passed;
}

// The status takes the place of the buttons that a run leaves nothing to do for.
void CMainDlg002::OnShowRunning(bool running)
{
    for (int i = 3; i < 6; ++i) s_buttons[i].ShowWindow(running ? SW_HIDE : SW_SHOW);
}

// Each row of the run gets its outcome in words, and a converted row loses its check, so that
// "変換開始" again converts only the rest. One message for the run: done, stopped (with how many
// files were and were not converted), or how many were not converted; each counts the converted,
// skipped and failed files first, and the last two name the rows skipped or failed. When all is
// done, it names what the converted files' records span, or what their text looks like.
void CMainDlg002::OnRunEnded(bool stopped)
{
    int converted = 0, skipped = 0, failed = 0, noted = 0;
    CString names, notes;
    bool looksRecords = false, looksBinary = false;
    for (const CRunFile& file : m_run.Files()) {
        const FileConversionResult& result = file.result;
        CString reason;
        if (!file.skipped.IsEmpty()) {
            ++skipped;
            reason = file.skipped;
            s_list.SetItemText(file.row, kResultColumn, CString("スキップ: ") + reason);
        } else if (file.reached && result.Done()) {
            ++converted;
            s_list.SetItemText(file.row, kResultColumn, "変換済み");
            s_list.SetCheck(file.row, false);
            // What a file's conversion found: the range of its records, or what its text looks like.
            if (result.records || result.looksLike != TextPlain) {
                if (noted++ < kNamedFailures)
                    notes += CString("\n") + s_list.GetItemText(file.row, kInputColumn) + ": " +
                             (result.records ? DescribeRange(result.image)
                                             : CString(DescribeLooks(result.looksLike)));
                looksBinary = looksBinary || result.looksLike == TextBinary;
                looksRecords = looksRecords || (!result.records && result.looksLike != TextBinary);
            }
            continue;
        } else if (file.reached) {
            ++failed;
            reason = DescribeFailureBriefly(result);
            s_list.SetItemText(file.row, kResultColumn, CString("失敗: ") + reason);
        } else {
            continue; // the run stopped before it: it keeps its check
        }
        if (skipped + failed <= kNamedFailures) {
            names += "\n";
            names += s_list.GetItemText(file.row, kInputColumn);
            names += ": ";
            names += reason;
        }
    }
    const int notDone = skipped + failed;
    if (notDone > kNamedFailures) {
        CString more;
        more.Format("\nほか %d 件", notDone - kNamedFailures);
        names += more;
    }
    if (noted > kNamedFailures) {
        CString more;
        more.Format("\nほか %d 件", noted - kNamedFailures);
        notes += more;
    }
    if (looksRecords) notes += CString("\n") + AdviseLooks(TextIntelHex);
    if (looksBinary) notes += CString("\n") + AdviseLooks(TextBinary);
    CString counts;
    counts.Format("\n変換済み %d 件、スキップ %d 件、失敗 %d 件", converted, skipped, failed);
    const int notConverted = static_cast<int>(m_run.Files().size()) - converted;
    if (stopped && notConverted > 0) {
        CString text;
        text.Format("変換を中止しました。\n%d 件のファイルを変換し、%d 件のファイルは変換していません。",
                    converted, notConverted);
        Message(text + counts + names, "確認", MB_ICONINFORMATION);
        return;
    }
    if (notDone == 0) {
        ReportDone(counts + notes);
        return;
    }
    CString text;
    text.Format("%d 件のファイルを変換できませんでした。", notDone);
    Message(text + counts + names, "エラー", MB_ICONERROR);
}
