// The keyboard focus: Tab and Shift+Tab round the main window and both pages, as the focus-aware
// controls report them, and round the settings dialog.
#include "AppEnvironment.h"

using namespace apptest;

namespace {

// Presses key on the window that has the focus; where the focus went once the posted moves ran.
HWND PressOnFocus(WPARAM key, BYTE modifier = 0)
{
    Press(GetFocus(), key, modifier);
    return GetFocus();
}

using FocusTest = AppTest;

TEST_F(FocusTest, TabAndShiftTabRunRoundTheMainWindowAndEachPage)
{
    const std::vector<int> pages[] = {
        {IDC_INPUT_BROWSE, IDC_INPUT_PATH, IDC_OUTPUT_BROWSE, IDC_OUTPUT_PATH, IDC_CONVERT, IDC_CLEAR},
        {IDC_FILTER, IDC_INPUT_BROWSE, IDC_INPUT_PATH, IDC_OUTPUT_BROWSE, IDC_OUTPUT_PATH, IDC_FILE_LIST, IDC_CONVERT,
         IDC_CLEAR, IDC_CHECK_ALL, IDC_UNCHECK_ALL}};
    for (int tab : {0, 1}) {
        Reset(tab);
        std::vector<HWND> ring = {MainWnd().GetHwnd(), GetDlgItem(MainWnd().GetHwnd(), IDC_MODE_SELECTOR), MainWnd().GetTabCtrl()->GetHwnd()};
        for (int id : pages[tab]) ring.push_back(GetDlgItem(CMainWnd::GetPage(tab)->GetHwnd(), id));
        for (size_t i = 1; i <= ring.size(); ++i) EXPECT_EQ(PressOnFocus(VK_TAB), ring[i % ring.size()]) << tab << " Tab " << i;
        for (size_t i = ring.size(); i-- > 0;) EXPECT_EQ(PressOnFocus(VK_TAB, VK_SHIFT), ring[i]) << tab << " Shift+Tab " << i;
    }
}

// Runs a script inside an open modal dialog, from the first timer tick of its loop (the dialog is
// up and active by then).
std::function<void()> s_script;
void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    std::function<void()> script;
    script.swap(s_script);
    if (script) script();
}

// Tab on the focused control, with Shift as given, handed to the dialog manager as a modal loop
// hands it over; where the focus went.
HWND DialogKey(HWND dialog, bool shift = false)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    MSG msg = {GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    if (!IsDialogMessageA(dialog, &msg)) DispatchMessageA(&msg);
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    return GetFocus();
}

// Tab and Shift+Tab reach every control of the common page and the dialog's buttons.
TEST_F(FocusTest, TheSettingsDialogIsWalkedWithTab)
{
    bool walked = false;
    DialogWatcher watcher;
    watcher.onDialog = [&](HWND dialog) {
        s_script = [&, dialog] {
            HWND strip = GetDlgItem(dialog, IDC_SETTING_TAB), common = GetWindow(strip, GW_HWNDNEXT);
            std::vector<HWND> ring = {strip};
            for (int tool = 0; tool < 3; ++tool)
                ring.insert(ring.end(), {GetDlgItem(common, IDC_TOOL_BROWSE + tool), GetDlgItem(common, IDC_TOOL_PATH + tool)});
            for (int id : {IDC_TEXT_WIDTH, IDC_TEXT_COMMENTS, IDC_TEXT_FORMAT, IDC_RECORD_BYTES, IDC_FILL_BYTE, IDC_START_ADDRESS})
                ring.push_back(GetDlgItem(common, id));
            ring.insert(ring.end(), {GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL)});
            SetFocus(strip);
            for (size_t i = 1; i <= ring.size(); ++i) EXPECT_EQ(DialogKey(dialog), ring[i % ring.size()]) << "Tab " << i;
            for (size_t i = ring.size(); i-- > 0;) EXPECT_EQ(DialogKey(dialog, true), ring[i]) << "Shift+Tab " << i;
            walked = true;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        };
        SetTimer(NULL, 0, 1, RunScript);
    };
    Command(ID_SETTINGS);
    EXPECT_TRUE(walked);
}

} // namespace
