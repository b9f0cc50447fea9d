// Binding and dispatch of window objects in real windows: the dispatch table, the exception fence,
// the binding's end, a control's own procedure given back, a modal dialog's results.
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "TestKit.h"
#include "TestResources.h"
#include "foundation/CString.h"
#include "framework/CDialog.h"

using testkit::BoundObject;
using testkit::Received;
using Vexa::CWindow;

namespace {

// Records every handler call as its message with the parameters given; with answer set, each
// handler returns 0x10000 + its message instead of default processing; with raise set, it throws.
class RecorderWindow : public CWindow {
public:
    std::vector<Received> calls;
    bool answer = false, raise = false;

#define RECORD(name, message)                                              \
    int name(WPARAM wParam, LPARAM lParam) override                        \
    {                                                                      \
        calls.push_back({message, wParam, lParam});                        \
        if (raise) throw std::bad_alloc();                                 \
        return answer ? 0x10000 + message : CWindow::name(wParam, lParam); \
    }
    RECORD(OnInitDialog, WM_INITDIALOG) RECORD(OnCreate, WM_CREATE) RECORD(OnClose, WM_CLOSE) RECORD(OnDestroy, WM_DESTROY)
    RECORD(OnPaint, WM_PAINT) RECORD(OnLButtonDown, WM_LBUTTONDOWN) RECORD(OnLButtonUp, WM_LBUTTONUP)
    RECORD(OnRButtonDown, WM_RBUTTONDOWN) RECORD(OnRButtonUp, WM_RBUTTONUP) RECORD(OnKeyDown, WM_KEYDOWN)
    RECORD(OnKeyUp, WM_KEYUP) RECORD(OnChar, WM_CHAR) RECORD(OnMouseWheel, WM_MOUSEWHEEL) RECORD(OnDropFiles, WM_DROPFILES)
    RECORD(OnCtlColorDlg, WM_CTLCOLORDLG) RECORD(OnCtlColorStatic, WM_CTLCOLORSTATIC) RECORD(OnNotify, WM_NOTIFY)
    RECORD(OnCommand, WM_COMMAND)
#undef RECORD
};

// Bound from creation on; each message of the table reaches its own handler unchanged and returns
// its result, others none; an exception stops at the procedure; WM_DESTROY ends the binding.
TEST(WindowBinding, FromCreationThroughTheDispatchTableToDestroy)
{
    RecorderWindow window;
    HWND hwnd = window.Create("test", 0, 0, 200, 100, NULL, NULL);
    ASSERT_NE(hwnd, (HWND)NULL);
    EXPECT_EQ(BoundObject(hwnd), (HANDLE)&window);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(reinterpret_cast<const CREATESTRUCTA*>(window.calls.front().lParam)->lpCreateParams, (void*)&window);
    EXPECT_EQ(window.SendMessage(WM_KEYDOWN, 'Q', 0x00100001), 0); // default processing
    window.raise = true;
    EXPECT_EQ(window.SendMessage(WM_COMMAND, 1, 0), 0);
    window.raise = false, window.answer = true;
    WPARAM wParam = 0x11110000;
    LPARAM lParam = 0x22220000;
    for (UINT message : {WM_INITDIALOG, WM_CREATE, WM_CLOSE, WM_COMMAND, WM_PAINT, WM_LBUTTONDOWN, WM_LBUTTONUP,
                         WM_RBUTTONDOWN, WM_RBUTTONUP, WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_MOUSEWHEEL, WM_DROPFILES,
                         WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_NOTIFY, WM_SIZE, WM_USER + 7, WM_DESTROY}) {
        const bool inTable = message != WM_SIZE && message != WM_USER + 7;
        window.calls.clear();
        const LRESULT result = ::SendMessageA(hwnd, message, ++wParam, ++lParam);
        const std::vector<Received> handled = {{message, wParam, lParam}};
        EXPECT_EQ(window.calls, inTable ? handled : std::vector<Received>()) << std::hex << message;
        EXPECT_EQ(result, inTable ? 0x10000 + message : 0) << std::hex << message;
    }
    EXPECT_EQ(BoundObject(hwnd), (HANDLE)NULL);
    EXPECT_EQ(window.m_hWnd, hwnd);
    EXPECT_TRUE(::DestroyWindow(hwnd));
}

// A control of a template, bound as dialogs bind theirs, passes on what it does not handle and gets
// its own procedure back after WM_DESTROY, seeing the last message itself.
TEST(WindowBinding, TemplateControlIsSubclassedAndGetsItsProcedureBack)
{
    CWindow host;
    ASSERT_NE(host.Create("test", 0, 0, 200, 100, NULL, NULL), (HWND)NULL);
    Vexa::CDialog page(IDD_TEST_PAGE);
    HWND dialog = page.CreateModeless(host.m_hWnd), edit = page.GetDlgItem(IDC_TEST_EDIT);
    testkit::ProcRecorder editOwn(edit);
    RecorderWindow boundEdit;
    ASSERT_TRUE(boundEdit.Attach(edit));
    ::SendMessageA(edit, WM_SETTEXT, 0, (LPARAM) "ab");
    ::SendMessageA(edit, EM_SETSEL, 2, 2);
    ::SendMessageA(edit, WM_CHAR, 'c', 1);
    EXPECT_STREQ((const char*)boundEdit.GetWindowText(), "abc");
    EXPECT_EQ(boundEdit.calls.size(), 1u);
    EXPECT_TRUE(::DestroyWindow(dialog));
    EXPECT_EQ(boundEdit.calls.back().msg, (UINT)WM_DESTROY);
    EXPECT_TRUE(editOwn.Saw(WM_NCDESTROY));
}

// A modal dialog that, once up, finds a click on button `click` waiting, or the close box for 0.
struct ScriptedDialog : Vexa::CDialog {
    explicit ScriptedDialog(int click) : CDialog(IDD_TEST_BUTTONS), click(click) {}
    int click;
    HWND other = NULL;
    std::vector<Received> commands;
    int OnInitDialog(WPARAM wParam, LPARAM lParam) override
    {
        other = GetDlgItem(IDC_TEST_OTHER);
        if (click) ::PostMessageA(GetDlgItem(click), BM_CLICK, 0, 0);
        else PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        return CDialog::OnInitDialog(wParam, lParam);
    }
    int OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back({WM_COMMAND, wParam, lParam});
        return EndDialog(7);
    }
};

} // namespace

// OK and Cancel end a modal dialog without reaching OnCommand, the close box cancels, another
// button reaches OnCommand with its handle and ends the dialog with the handler's result.
TEST(Dialog, ModalResultsAndCommands)
{
    const struct { int click; INT_PTR result; } rows[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}, {0, IDCANCEL}, {IDC_TEST_OTHER, 7}};
    for (const auto& row : rows) {
        ScriptedDialog dialog(row.click);
        EXPECT_EQ(dialog.DoModal(NULL), row.result) << row.click;
        const Received other = {WM_COMMAND, MAKEWPARAM(IDC_TEST_OTHER, BN_CLICKED), (LPARAM)dialog.other};
        EXPECT_EQ(dialog.commands, row.result == 7 ? std::vector<Received>{other} : std::vector<Received>()) << row.click;
    }
}
