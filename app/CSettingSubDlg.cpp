#include "app/CSettingSubDlg.h"

#include <string.h>

#include <string>
#include <vector>

#include "app/TextLayoutSetting.h"
#include "core/OutputPath.h"
#include "resources/resource.h"

using namespace Vexa;

VEXA_IMPLEMENT_DYNAMIC(CSettingSubDlg, CDialog)
VEXA_IMPLEMENT_DYNAMIC(CSettingSubDlg001, CSettingSubDlg)
VEXA_IMPLEMENT_DYNAMIC(CSettingSubDlg002, CSettingSubDlg)
VEXA_IMPLEMENT_DYNAMIC(CSettingSubDlg003, CSettingSubDlg)

namespace {

const char* const kToolKeys[3] = {"FILER", "TXT_EDITOR", "BIN_EDITOR"};

CButton s_toolButtons[3];
CInputBox s_toolBoxes[3];
CString s_toolLoaded[3]; // the values shown when the page opened
CString s_toolStored[3]; // the same as the file holds them, quotes and all
// The layout of テキスト変換: bytes per line (なし, 8, 16, 32) and the comments.
CComboBox s_textWidth;
CCheckBox s_textComments;
const char* const kWidthNames[4] = {"なし", "8", "16", "32"};
// The text format, and what the record formats need: the record size, the fill, the address.
CComboBox s_format;
CComboBox s_recordBytes;
CInputBox s_fill;
CInputBox s_address;
const char* const kFormatNames[3] = {"16進テキスト", "Intel HEX", "Sレコード"};

// One set of controls per output-rule page.
struct RuleControls {
    CCheckBox decide;
    CRadioButton add;
    CRadioButton replace;
};
RuleControls s_ind;
RuleControls s_bat;

// The value of key in the common section as the file holds it, "" when missing. The profile
// reader takes the quotes off a quoted value, and a value such as "C:\a b\x.exe" -n "%1" would
// not read back the same if written back without them.
CString StoredToolValue(CSystemInfo& info, const char* key)
{
    const CString path = info.GetIniFilePath();
    std::vector<char> lines(4096);
    for (;;) {
        const DWORD length =
            GetPrivateProfileSectionA("COMMON_SETTINGS", lines.data(), static_cast<DWORD>(lines.size()), path);
        if (length + 2 < lines.size() || lines.size() >= (1u << 24)) break;
        lines.assign(lines.size() * 4, '\0');
    }
    for (const char* line = lines.data(); *line; line += strlen(line) + 1) {
        const char* equals = strchr(line, '=');
        if (!equals) continue;
        std::string name(line, equals);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        if (lstrcmpiA(name.c_str(), key) != 0) continue;
        std::string value(equals + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
        return CString(value.c_str());
    }
    return CString();
}

// Whether stored reads as shown: itself, or without the quotes that enclose it.
bool ReadsAs(const CString& stored, const CString& shown)
{
    const int length = stored.GetLength();
    if (length >= 2 && (stored[0] == '"' || stored[0] == '\'') && stored[length - 1] == stored[0])
        return stored.Mid(1, length - 2) == shown;
    return stored == shown;
}

using Getter = CString (CSystemInfo::*)(CString);
using Setter = int (CSystemInfo::*)(CString, CString);

void LoadRules(CDialog& page, RuleControls& controls, Getter get)
{
    controls.decide.Attach(page.GetDlgItem(IDC_DECIDE_OUTPUT));
    controls.add.Attach(page.GetDlgItem(IDC_EXTENSION_ADD));
    controls.replace.Attach(page.GetDlgItem(IDC_EXTENSION_REPLACE));
    CSystemInfo* info = GetSystemInfo();
    if (!info) return;
    if ((info->*get)("DECIDE_OUTPUT_FROM_INPUT") == "TRUE") controls.decide.SetCheck(1);
    if ((info->*get)("DEFAULT_OUTPUT_EXTENSION") == "ADD")
        controls.add.SetCheck(1);
    else
        controls.replace.SetCheck(1);
}

void SaveRules(RuleControls& controls, Setter set)
{
    CSystemInfo* info = GetSystemInfo();
    if (!info) return;
    (info->*set)("DECIDE_OUTPUT_FROM_INPUT", controls.decide.IsChecked() ? "TRUE" : "FALSE");
    (info->*set)("DEFAULT_OUTPUT_EXTENSION", controls.add.IsChecked() ? "ADD" : "REPLACE");
}

void Release(RuleControls& controls)
{
    controls.decide.Detach();
    controls.add.Detach();
    controls.replace.Detach();
}

} // namespace

CSettingSubDlg001::CSettingSubDlg001() : CSettingSubDlg(IDD_SETTING_COMMON) {}

CSettingSubDlg001::~CSettingSubDlg001()
{
    for (CButton& button : s_toolButtons) button.Detach();
    for (CInputBox& box : s_toolBoxes) box.Detach();
    s_textWidth.Detach();
    s_textComments.Detach();
    for (CComboBox* combo : {&s_format, &s_recordBytes}) combo->Detach();
    for (CInputBox* box : {&s_fill, &s_address}) box->Detach();
}

int CSettingSubDlg001::OnInitDialog(WPARAM, LPARAM)
{
    for (int i = 0; i < 3; ++i) s_toolButtons[i].Attach(GetDlgItem(IDC_TOOL_BROWSE + i));
    for (int i = 0; i < 3; ++i) s_toolBoxes[i].Attach(GetDlgItem(IDC_TOOL_PATH + i));
    s_textWidth.Attach(GetDlgItem(IDC_TEXT_WIDTH));
    s_textComments.Attach(GetDlgItem(IDC_TEXT_COMMENTS));
    for (const char* name : kWidthNames) s_textWidth.AddString(name);
    s_textWidth.SetCurSel(0);
    if (CSystemInfo* info = GetSystemInfo()) {
        for (int i = 0; i < 3; ++i) {
            s_toolLoaded[i] = info->GetCommonSetting(kToolKeys[i]);
            s_toolStored[i] = StoredToolValue(*info, kToolKeys[i]);
            s_toolBoxes[i].SetWindowText(s_toolLoaded[i]);
        }
        s_textWidth.SetCurSel(TextLayoutSetting::WidthIndex(info->GetCommonSetting(TextLayoutSetting::kWidthKey)));
        if (info->GetCommonSetting(TextLayoutSetting::kCommentsKey) == "TRUE") s_textComments.SetCheck(1);
    }
    LoadFormat();
    return 0;
}

// The format and its values as the settings file gives them (ReadText's defaults for what is
// missing or does not parse), the numbers in the form they are saved in.
void CSettingSubDlg001::LoadFormat()
{
    s_format.Attach(GetDlgItem(IDC_TEXT_FORMAT));
    s_recordBytes.Attach(GetDlgItem(IDC_RECORD_BYTES));
    s_fill.Attach(GetDlgItem(IDC_FILL_BYTE));
    s_address.Attach(GetDlgItem(IDC_START_ADDRESS));
    for (const char* name : kFormatNames) s_format.AddString(name);
    s_recordBytes.AddString("16");
    s_recordBytes.AddString("32");
    s_fill.SendMessage(EM_LIMITTEXT, 2, 0);
    s_address.SendMessage(EM_LIMITTEXT, 10, 0);
    const TextOptions text = TextLayoutSetting::ReadText();
    s_format.SetCurSel(text.format);
    s_recordBytes.SetCurSel(text.recordBytes == 32 ? 1 : 0);
    CString value;
    value.Format("%02X", text.fill);
    s_fill.SetWindowText(value);
    value.Format("0x%08lX", static_cast<unsigned long>(text.address));
    s_address.SetWindowText(value);
}

HWND CSettingSubDlg001::FindInvalid(const char*& problem)
{
    unsigned char fill = 0;
    uint32_t address = 0;
    if (!ParseFillByte(s_fill.GetWindowText(), fill)) {
        problem = "埋めるバイトには 00 から FF までの2桁の16進数を入力してください。";
        return s_fill.GetHwnd();
    }
    if (!ParseAddress(s_address.GetWindowText(), address)) {
        problem = "開始アドレスには 0 から 4294967295 までの10進数か、0x を付けた 0x00000000 から "
                  "0xFFFFFFFF までの16進数を入力してください。";
        return s_address.GetHwnd();
    }
    return NULL;
}

// "参照" picks a program for the box beside it, starting in the folder the box names.
int CSettingSubDlg001::OnCommand(WPARAM wParam, LPARAM lParam)
{
    int index = LOWORD(wParam) - IDC_TOOL_BROWSE;
    if (index < 0 || index > 2 || HIWORD(wParam) != BN_CLICKED)
        return CSettingSubDlg::OnCommand(wParam, lParam);
    CString folder = GetFolderPart(s_toolBoxes[index].GetWindowText());
    CFileDialog dialog;
    if (dialog.OpenFile(m_hWnd, "Programs {*.exe}\0*.exe\0All Files\0*.*\0",
                        folder.IsEmpty() ? nullptr : static_cast<const char*>(folder),
                        "プログラムを選択してください", OFN_FILEMUSTEXIST, nullptr))
        s_toolBoxes[index].SetWindowText(dialog.m_strPath);
    return 0;
}

void CSettingSubDlg001::SaveSettings()
{
    CSystemInfo* info = GetSystemInfo();
    if (!info) return;
    // Every key, every time: a value left alone goes back as the file held it (quotes kept, its
    // whole length), an empty box as an empty value.
    for (int i = 0; i < 3; ++i) {
        CString text = s_toolBoxes[i].GetWindowText();
        const bool kept = text == s_toolLoaded[i] && ReadsAs(s_toolStored[i], text);
        info->SetCommonSetting(kToolKeys[i], kept ? s_toolStored[i] : text);
    }
    const int width = s_textWidth.GetCurSel();
    info->SetCommonSetting(TextLayoutSetting::kWidthKey, TextLayoutSetting::kWidths[width > 0 && width < 4 ? width : 0]);
    info->SetCommonSetting(TextLayoutSetting::kCommentsKey, s_textComments.IsChecked() ? "TRUE" : "FALSE");
    const int format = s_format.GetCurSel();
    info->SetCommonSetting(TextLayoutSetting::kFormatKey,
                           TextLayoutSetting::kFormats[format > 0 && format < 3 ? format : 0]);
    // Saved as read back: FindInvalid has let only values through that parse.
    unsigned char fill = 0xff;
    uint32_t address = 0;
    ParseFillByte(s_fill.GetWindowText(), fill);
    ParseAddress(s_address.GetWindowText(), address);
    CString value;
    value.Format("%02X", fill);
    info->SetCommonSetting(TextLayoutSetting::kFillKey, value);
    value.Format("0x%08lX", static_cast<unsigned long>(address));
    info->SetCommonSetting(TextLayoutSetting::kAddressKey, value);
    info->SetCommonSetting(TextLayoutSetting::kRecordBytesKey, s_recordBytes.GetCurSel() == 1 ? "32" : "16");
}

CSettingSubDlg002::CSettingSubDlg002() : CSettingSubDlg(IDD_SETTING_IND) {}

CSettingSubDlg002::~CSettingSubDlg002()
{
    Release(s_ind);
}

int CSettingSubDlg002::OnInitDialog(WPARAM, LPARAM)
{
    LoadRules(*this, s_ind, &CSystemInfo::GetIndConvSetting);
    return 0;
}

void CSettingSubDlg002::SaveSettings()
{
    SaveRules(s_ind, &CSystemInfo::SetIndConvSetting);
}

CSettingSubDlg003::CSettingSubDlg003() : CSettingSubDlg(IDD_SETTING_BAT) {}

CSettingSubDlg003::~CSettingSubDlg003()
{
    Release(s_bat);
}

int CSettingSubDlg003::OnInitDialog(WPARAM, LPARAM)
{
    LoadRules(*this, s_bat, &CSystemInfo::GetBatConvSetting);
    return 0;
}

void CSettingSubDlg003::SaveSettings()
{
    SaveRules(s_bat, &CSystemInfo::SetBatConvSetting);
}
