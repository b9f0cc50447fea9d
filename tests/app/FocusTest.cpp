// The keyboard: the shortcuts from each kind of control and the focus after what they open.
#include "AppEnvironment.h"

using namespace apptest;

namespace {

using FocusTest = AppTest;

// Each key on each kind of control, and what it did: the command it ran (the mode, "in" and "out" the
// choosers, "all" and "none" the rows' checks...) or the control's own use ("edit", "rename"), "-"
// nothing. The focus stays where it was, also after every dialog and box.
TEST_F(FocusTest, ShortcutsWorkFromEveryControl)
{
    const std::string in = dir / "in", file = in + "\\a.txt";
    CreateDirectoryA(in.c_str(), NULL);
    WriteBytes(file, "41"), WriteBytes(in + "\\b.txt", "42");
    const struct { BYTE key; BYTE modifier; } keys[] = {{VK_RETURN, 0}, {VK_DELETE, 0}, {'I', VK_CONTROL}, {'O', VK_CONTROL}, {'B', VK_CONTROL},
                {'T', VK_CONTROL}, {'A', VK_CONTROL}, {'U', VK_CONTROL}, {VK_F1, 0}, {VK_F1, VK_CONTROL}};
    HWND main = MainWnd().GetHwnd(), one = Individual().GetHwnd(), many = Batch().GetHwnd(), list = GetDlgItem(many, IDC_FILE_LIST);
    const struct { const char* name; int tab; HWND control; const char* did; /* for each key above */ } controls[] = {
        {"the main window", 0, main, "convert clear in out bin text - - help version"},
        {"an edit box", 0, GetDlgItem(one, IDC_INPUT_PATH), "convert edit in out bin text edit - help version"},
        {"the button クリア", 0, GetDlgItem(one, IDC_CLEAR), "clear clear in out bin text - - help version"},
        {"the filter", 1, GetDlgItem(many, IDC_FILTER), "convert clear in out bin text all none help version"},
        {"the list", 1, list, "rename clear in out bin text all none help version"},
    };
    const std::pair<std::string, std::string> words[] = {
        {"[変換したいファイルを選択してください]", "in"}, {"[入力元を指定してください]", "in"}, {"[変換後のファイル名を入力してください]", "out"},
        {"[出力先を指定してください]", "out"}, {"[バージョン情報]", "version"}, {"[変換後ファイル名の設定]", "rename"}};
    for (const auto& c : controls) {
        std::string did;
        char cls[16] = "";
        GetClassNameA(c.control, cls, sizeof cls);
        for (const auto& key : keys) {
            ChooseTab(c.tab);
            const int mode = key.key == 'B';
            MainWnd().SetMode(mode);
            SetText(one, IDC_INPUT_PATH, "xyz"), SetText(one, IDC_OUTPUT_PATH, "x");
            Batch().SetInputPath(in.c_str());
            SetText(many, IDC_OUTPUT_PATH, file); // a file where the folder goes: converting fails at once
            ListView_SetCheckState(list, 0, TRUE);
            ListView_SetCheckState(list, 1, FALSE);
            ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            const std::string text = lstrcmpiA(cls, "Edit") == 0 ? WindowText(c.control) : "";
            SendMessageA(c.control, EM_SETSEL, 0, 0);
            SetForegroundWindow(main), SetFocus(c.control);
            started.clear();
            std::string seen = Opened([&] { Type(key.key, key.modifier); });
            for (const auto& word : words) seen = seen == word.first ? word.second : seen;
            seen = (seen[0] == '<' ? "convert" : seen) + (started.empty() ? "" : "help");
            if (MainWnd().GetMode() != mode) seen += mode ? "bin" : "text";
            const DWORD selection = static_cast<DWORD>(SendMessageA(c.control, EM_GETSEL, 0, 0));
            if (GetText(c.tab ? many : one, IDC_INPUT_PATH).empty()) seen += "clear";
            else if (!text.empty() && (WindowText(c.control) != text || HIWORD(selection) == text.size())) seen += "edit";
            if (c.tab && Rows(list) == 2 && Checked(list, 0) == Checked(list, 1)) seen += Checked(list, 0) ? "all" : "none";
            did += (did.empty() ? "" : " ") + (seen.empty() ? "-" : seen);
            EXPECT_EQ(GetFocus(), c.control) << c.name << ", key 0x" << std::hex << key.key;
        }
        EXPECT_EQ(did, c.did) << c.name;
    }
}

} // namespace
