// Binding and message dispatch of window objects, and the faults the binding must not allow, in
// real windows.
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "TestKit.h"
#include "TestResources.h"
#include "framework/CDialog.h"

using testkit::BoundObject;
using testkit::Received;
using Vexa::CWindow;
using Vexa::CWindowBase;

namespace {

// Records every handler call as its message with the parameters given; with answer set, each
// handler returns 0x10000 + its message instead of default processing.
class RecorderWindow : public CWindow {
public:
    std::vector<Received> calls;
    bool answer = false;

#define RECORD(name, message)                                              \
    int name(WPARAM wParam, LPARAM lParam) override                        \
    {                                                                      \
        calls.push_back({message, wParam, lParam});                        \
        return answer ? 0x10000 + message : CWindow::name(wParam, lParam); \
    }
    RECORD(OnInitDialog, WM_INITDIALOG) RECORD(OnCreate, WM_CREATE) RECORD(OnClose, WM_CLOSE)
    RECORD(OnDestroy, WM_DESTROY) RECORD(OnPaint, WM_PAINT)
    RECORD(OnLButtonDown, WM_LBUTTONDOWN) RECORD(OnLButtonUp, WM_LBUTTONUP)
    RECORD(OnRButtonDown, WM_RBUTTONDOWN) RECORD(OnRButtonUp, WM_RBUTTONUP)
    RECORD(OnKeyDown, WM_KEYDOWN) RECORD(OnKeyUp, WM_KEYUP) RECORD(OnChar, WM_CHAR)
    RECORD(OnMouseWheel, WM_MOUSEWHEEL) RECORD(OnDropFiles, WM_DROPFILES)
    RECORD(OnCtlColorDlg, WM_CTLCOLORDLG) RECORD(OnCtlColorStatic, WM_CTLCOLORSTATIC)
    RECORD(OnNotify, WM_NOTIFY) RECORD(OnCommand, WM_COMMAND)
#undef RECORD
};

HWND CreateHidden(CWindow& window) { return window.Create("test", 0, 0, 200, 100, NULL, NULL); }

// Bound from the first creation message on. Each message of the table reaches its own handler with
// its parameters unchanged and returns the handler's result; other messages reach no handler. The
// handled WM_DESTROY ends the binding although the window lives on; the object keeps the handle.
TEST(WindowBinding, FromCreationThroughTheDispatchTableToDestroy)
{
    RecorderWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, (HWND)NULL);
    EXPECT_EQ(BoundObject(hwnd), (HANDLE)&window);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.front().msg, (UINT)WM_CREATE);
    EXPECT_EQ(reinterpret_cast<const CREATESTRUCTA*>(window.calls.front().lParam)->lpCreateParams, (void*)&window);
    EXPECT_EQ(window.SendMessage(WM_KEYDOWN, 'Q', 0x00100001), 0); // default processing

    window.answer = true;
    WPARAM wParam = 0x11110000;
    LPARAM lParam = 0x22220000;
    for (UINT message : {WM_INITDIALOG, WM_CREATE, WM_CLOSE, WM_COMMAND, WM_PAINT, WM_LBUTTONDOWN, WM_LBUTTONUP,
                         WM_RBUTTONDOWN, WM_RBUTTONUP, WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_MOUSEWHEEL, WM_DROPFILES,
                         WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_NOTIFY, WM_SIZE, WM_USER + 7, WM_DESTROY}) {
        const bool inTable = message != WM_SIZE && message != WM_USER + 7;
        window.calls.clear();
        const LRESULT result = ::SendMessageA(hwnd, message, ++wParam, ++lParam);
        ASSERT_EQ(window.calls.size(), inTable ? 1u : 0u) << "message 0x" << std::hex << message;
        if (inTable) {
            EXPECT_EQ(window.calls[0], (Received{message, wParam, lParam}));
            EXPECT_EQ(result, 0x10000 + message) << "message 0x" << std::hex << message;
        }
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
    ASSERT_NE(CreateHidden(host), (HWND)NULL);
    Vexa::CDialog page(IDD_TEST_PAGE);
    HWND dialog = page.CreateModeless(host.m_hWnd);
    ASSERT_NE(dialog, (HWND)NULL);
    EXPECT_EQ(::GetWindowLongPtrA(dialog, DWLP_DLGPROC), (LONG_PTR)&CWindowBase::StaticWindowProc);

    HWND edit = page.GetDlgItem(IDC_TEST_EDIT);
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

// A modal dialog that, once up, has the posted messages of its scenario waiting in its queue.
class ScriptedDialog : public Vexa::CDialog {
public:
    enum Action { ClickOk, ClickCancel, CloseBox, ClickOther, ThrowThenOk };
    explicit ScriptedDialog(Action a) : CDialog(IDD_TEST_BUTTONS), action(a) {}

    Action action;
    std::vector<Received> commands;
    HWND boundAtInit = NULL, other = NULL; // the window, when bound to this object; the other button

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override
    {
        boundAtInit = BoundObject(m_hWnd) == this ? m_hWnd : NULL;
        other = GetDlgItem(IDC_TEST_OTHER);
        if (action == CloseBox) PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        if (action == ThrowThenOk) PostMessage(WM_COMMAND, IDC_TEST_OTHER, 0);
        const int clicked[] = {IDOK, IDCANCEL, 0, IDC_TEST_OTHER, IDOK}; // by action
        if (clicked[action] != 0) ::PostMessageA(GetDlgItem(clicked[action]), BM_CLICK, 0, 0);
        return CDialog::OnInitDialog(wParam, lParam);
    }
    int OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back({WM_COMMAND, wParam, lParam});
        if (action == ThrowThenOk) throw std::bad_alloc();
        EndDialog(7);
        return 1;
    }
};

} // namespace

// Each way of ending a modal dialog: OK and Cancel never reach OnCommand, the close box cancels,
// another button reaches it with its handle, and a handler's exception stops at the dialog
// procedure. Bound while up; ended, keeping its last handle.
TEST(Dialog, ModalResultsAndCommands)
{
    const struct { ScriptedDialog::Action action; INT_PTR result; WPARAM command; bool fromButton; } rows[] = {
        {ScriptedDialog::ClickOk, IDOK, 0, false}, {ScriptedDialog::ClickCancel, IDCANCEL, 0, false},
        {ScriptedDialog::CloseBox, IDCANCEL, 0, false}, {ScriptedDialog::ClickOther, 7, MAKEWPARAM(IDC_TEST_OTHER, BN_CLICKED), true},
        {ScriptedDialog::ThrowThenOk, IDOK, IDC_TEST_OTHER, false},
    };
    for (const auto& row : rows) {
        ScriptedDialog dialog(row.action);
        EXPECT_EQ(dialog.DoModal(NULL), row.result) << row.action;
        ASSERT_EQ(dialog.commands.size(), row.command ? 1u : 0u) << row.action;
        if (row.command) {
            EXPECT_EQ(dialog.commands[0], (Received{WM_COMMAND, row.command, row.fromButton ? (LPARAM)dialog.other : 0}));
        }
        EXPECT_NE(dialog.boundAtInit, (HWND)NULL) << row.action;
        EXPECT_EQ(dialog.m_hWnd, dialog.boundAtInit) << row.action;
        EXPECT_FALSE(::IsWindow(dialog.m_hWnd)) << row.action;
    }
}
