// Binding and message dispatch of window objects, in real windows.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "TestResources.h"
#include "TestSupport.h"
#include "foundation/CString.h"
#include "framework/CDialog.h"
#include "framework/CWindow.h"

using Vexa::CDialog;
using Vexa::CWindow;
using Vexa::CWindowBase;

namespace {

struct HandlerCall {
    std::string name;
    UINT message; // the message WindowProc was called with
    WPARAM wParam;
    LPARAM lParam;
};

// Records every message its WindowProc sees and every handler call. In "answer" mode each
// handler returns a marker of its own instead of default processing.
class RecorderWindow : public CWindow {
public:
    std::vector<UINT> messages;
    std::vector<HandlerCall> calls;
    bool answer = false;
    UINT current = 0;

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(msg);
        current = msg;
        return CWindow::WindowProc(hwnd, msg, wParam, lParam);
    }

#define RECORD(name, marker)                                              \
    int name(WPARAM wParam, LPARAM lParam) override                       \
    {                                                                     \
        calls.push_back({#name, current, wParam, lParam});                \
        return answer ? marker : CWindow::name(wParam, lParam);           \
    }
    RECORD(OnInitDialog, 1001)
    RECORD(OnCreate, 1002)
    RECORD(OnClose, 1003)
    RECORD(OnDestroy, 1004)
    RECORD(OnCommand, 1005)
    RECORD(OnPaint, 1006)
    RECORD(OnLButtonDown, 1007)
    RECORD(OnLButtonUp, 1008)
    RECORD(OnRButtonDown, 1009)
    RECORD(OnRButtonUp, 1010)
    RECORD(OnKeyDown, 1011)
    RECORD(OnKeyUp, 1012)
    RECORD(OnChar, 1013)
    RECORD(OnMouseWheel, 1014)
    RECORD(OnDropFiles, 1015)
    RECORD(OnCtlColorDlg, 1016)
    RECORD(OnCtlColorStatic, 1017)
    RECORD(OnNotify, 1018)
#undef RECORD

    bool Called(const std::string& name) const
    {
        for (const HandlerCall& c : calls)
            if (c.name == name)
                return true;
        return false;
    }
};

HWND CreateHidden(CWindow& window)
{
    return window.Create("test", 0, 0, 200, 100, NULL, NULL);
}

// Watches the return of WM_DESTROY to one window, when the procedure has run but the window is
// still there: what the binding left behind is visible only at that moment.
struct DestroyWatch {
    static HWND target;
    static LONG procAfter;
    static HANDLE propAfter;
    static bool seen;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const CWPRETSTRUCT* ret = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && ret->hwnd == target && ret->message == WM_DESTROY) {
            seen = true;
            procAfter = ::GetWindowLongA(ret->hwnd, GWL_WNDPROC);
            propAfter = ::GetPropA(ret->hwnd, "CPP_CLASS");
        }
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }
    explicit DestroyWatch(HWND hwnd)
    {
        target = hwnd;
        seen = false;
        procAfter = 0;
        propAfter = NULL;
        hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, &Hook, NULL, ::GetCurrentThreadId());
    }
    ~DestroyWatch() { ::UnhookWindowsHookEx(hook); }
    HHOOK hook;
};
HWND DestroyWatch::target;
LONG DestroyWatch::procAfter;
HANDLE DestroyWatch::propAfter;
bool DestroyWatch::seen;

} // namespace

TEST(WindowBinding, CreationBindsAtTheFirstCreationMessage)
{
    RecorderWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, (HWND)NULL);

    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front(), (UINT)WM_NCCREATE);
    EXPECT_EQ(window.m_hWnd, hwnd);
    EXPECT_EQ(::GetPropA(hwnd, "CPP_CLASS"), (HANDLE)&window);
    // The window is of the library's own class: nothing was subclassed.
    EXPECT_EQ(window.m_pfnPrevProc, (WNDPROC)NULL);
    EXPECT_FALSE(window.m_bDialog);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.front().name, "OnCreate");
    const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(window.calls.front().lParam);
    EXPECT_EQ(cs->lpCreateParams, (void*)&window);

    char className[64] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    EXPECT_STREQ(className, "CWindow");
    EXPECT_EQ(window.GetStyle() & WS_OVERLAPPEDWINDOW, (LONG)WS_OVERLAPPEDWINDOW);
}

TEST(WindowBinding, DestroyUnbindsAndKeepsTheOldHandle)
{
    RecorderWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, (HWND)NULL);
    {
        DestroyWatch watch(hwnd);
        EXPECT_TRUE(::DestroyWindow(hwnd));
        ASSERT_TRUE(watch.seen);
        EXPECT_EQ(watch.propAfter, (HANDLE)NULL);
    }
    EXPECT_TRUE(window.Called("OnDestroy"));
    EXPECT_EQ(window.m_hWnd, hwnd);
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(WindowDispatch, EachTableMessageReachesItsHandlerUnchanged)
{
    struct Row {
        UINT message;
        const char* handler; // null: not in the table
        int result;
    };
    const Row rows[] = {
        {WM_INITDIALOG, "OnInitDialog", 1001}, {WM_CREATE, "OnCreate", 1002},
        {WM_CLOSE, "OnClose", 1003},           {WM_COMMAND, "OnCommand", 1005},
        {WM_PAINT, "OnPaint", 1006},           {WM_LBUTTONDOWN, "OnLButtonDown", 1007},
        {WM_LBUTTONUP, "OnLButtonUp", 1008},   {WM_RBUTTONDOWN, "OnRButtonDown", 1009},
        {WM_RBUTTONUP, "OnRButtonUp", 1010},   {WM_KEYDOWN, "OnKeyDown", 1011},
        {WM_KEYUP, "OnKeyUp", 1012},           {WM_CHAR, "OnChar", 1013},
        {WM_MOUSEWHEEL, "OnMouseWheel", 1014}, {WM_DROPFILES, "OnDropFiles", 1015},
        {WM_CTLCOLORDLG, "OnCtlColorDlg", 1016}, {WM_CTLCOLORSTATIC, "OnCtlColorStatic", 1017},
        {WM_NOTIFY, "OnNotify", 1018},         {WM_SIZE, NULL, 0},
        {WM_USER + 7, NULL, 0},                {WM_DESTROY, "OnDestroy", 1004},
    };
    RecorderWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, (HWND)NULL);
    window.answer = true;

    WPARAM wParam = 0x11110000;
    LPARAM lParam = 0x22220000;
    for (const Row& row : rows) {
        ++wParam;
        ++lParam;
        window.calls.clear();
        const LRESULT result = ::SendMessageA(hwnd, row.message, wParam, lParam);
        if (row.handler == NULL) {
            EXPECT_TRUE(window.calls.empty()) << "message 0x" << std::hex << row.message
                                              << " reached " << window.calls[0].name;
            continue;
        }
        ASSERT_EQ(window.calls.size(), 1u) << "message 0x" << std::hex << row.message;
        EXPECT_EQ(window.calls[0].name, row.handler) << "message 0x" << std::hex << row.message;
        EXPECT_EQ(window.calls[0].wParam, wParam) << row.handler;
        EXPECT_EQ(window.calls[0].lParam, lParam) << row.handler;
        EXPECT_EQ(result, row.result) << row.handler;
    }
    // The handled WM_DESTROY (last row) ended the binding although the window lives on.
    EXPECT_EQ(::GetPropA(hwnd, "CPP_CLASS"), (HANDLE)NULL);
    EXPECT_TRUE(::IsWindow(hwnd));
    ::DestroyWindow(hwnd);
}

namespace {

// Turns a key into a change of its own title instead of the system's default.
class KeyTitleWindow : public CWindow {
public:
    int OnKeyDown(WPARAM wParam, LPARAM) override
    {
        char text[2] = {static_cast<char>(wParam), 0};
        SetWindowText(text);
        return 77;
    }
};

} // namespace

TEST(WindowDispatch, OverriddenOnKeyDownChangesWhatTheKeyDoes)
{
    CWindow plain;
    KeyTitleWindow custom;
    ASSERT_NE(CreateHidden(plain), (HWND)NULL);
    ASSERT_NE(CreateHidden(custom), (HWND)NULL);

    EXPECT_EQ(plain.SendMessage(WM_KEYDOWN, 'Q', 0x00100001), 0);
    EXPECT_EQ(custom.SendMessage(WM_KEYDOWN, 'Q', 0x00100001), 77);

    EXPECT_STREQ((const char*)plain.GetWindowText(), "test");
    EXPECT_STREQ((const char*)custom.GetWindowText(), "Q");
}

TEST(WindowText, EmptyTitleGivesAnEmptyString)
{
    CWindow window;
    ASSERT_NE(window.Create("", 0, 0, 100, 100, NULL, NULL), (HWND)NULL);
    Vexa::CString text = window.GetWindowText();
    EXPECT_EQ(text.GetLength(), 0);
    ASSERT_TRUE(window.SetWindowText("四十二"));
    EXPECT_STREQ((const char*)window.GetWindowText(), "四十二");
}

namespace {

// A modeless page that binds a recorder to its edit box, the way dialogs bind their controls.
class PageWithBoundEdit : public CDialog {
public:
    PageWithBoundEdit() : CDialog(IDD_TEST_PAGE) {}
    RecorderWindow edit;
    RecorderWindow button;
    LONG procBefore = 0;
    int OnInitDialog(WPARAM wParam, LPARAM lParam) override
    {
        HWND control = GetDlgItem(IDC_TEST_EDIT);
        procBefore = ::GetWindowLongA(control, GWL_WNDPROC);
        edit.Attach(control);
        button.Attach(GetDlgItem(IDC_TEST_OTHER));
        return CDialog::OnInitDialog(wParam, lParam);
    }
};

} // namespace

TEST(WindowBinding, TemplateControlIsSubclassedAndGetsItsProcedureBack)
{
    CWindow host;
    ASSERT_NE(CreateHidden(host), (HWND)NULL);
    PageWithBoundEdit page;
    HWND dialog = page.CreateModeless(host.m_hWnd);
    ASSERT_NE(dialog, (HWND)NULL);
    HWND edit = page.edit.m_hWnd;
    ASSERT_NE(edit, (HWND)NULL);

    EXPECT_TRUE(page.m_bDialog);
    EXPECT_FALSE(page.edit.m_bDialog);
    EXPECT_EQ(::GetWindowLongA(edit, GWL_WNDPROC), (LONG)&CWindowBase::StaticWindowProc);
    EXPECT_EQ((LONG)page.edit.m_pfnPrevProc, page.procBefore);

    // Messages outside the table, and table messages left to default processing, both reach
    // the edit box's own procedure.
    EXPECT_TRUE(::SendMessageA(edit, WM_SETTEXT, 0, (LPARAM) "ab"));
    ::SendMessageA(edit, EM_SETSEL, 2, 2);
    ::SendMessageA(edit, WM_CHAR, 'c', 1);
    char text[16] = {};
    ::GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "abc");
    EXPECT_TRUE(page.edit.Called("OnChar"));

    // A button keeps its font in the extra bytes where a dialog keeps its procedure: it must be
    // subclassed as a window, with its font left alone.
    HWND button = page.button.m_hWnd;
    EXPECT_FALSE(page.button.m_bDialog);
    EXPECT_EQ(::GetWindowLongA(button, GWL_WNDPROC), (LONG)&CWindowBase::StaticWindowProc);
    EXPECT_EQ(::SendMessageA(button, WM_GETFONT, 0, 0), ::SendMessageA(dialog, WM_GETFONT, 0, 0));
    ::SendMessageA(button, BM_SETSTATE, TRUE, 0);
    EXPECT_NE(::SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);

    {
        DestroyWatch watch(edit);
        EXPECT_TRUE(::DestroyWindow(dialog));
        ASSERT_TRUE(watch.seen);
        EXPECT_EQ(watch.procAfter, page.procBefore);
        EXPECT_EQ(watch.propAfter, (HANDLE)NULL);
    }
    EXPECT_EQ(page.edit.m_hWnd, edit);
    EXPECT_TRUE(page.edit.Called("OnDestroy"));
}

TEST(WindowBinding, DetachRestoresTheProcedureAndLeavesTheControlWorking)
{
    CWindow host;
    ASSERT_NE(CreateHidden(host), (HWND)NULL);
    HWND button = ::CreateWindowExA(0, "BUTTON", "x", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 50, 20,
                                    host.m_hWnd, (HMENU)5, ::GetModuleHandleA(NULL), NULL);
    ASSERT_NE(button, (HWND)NULL);
    const LONG original = ::GetWindowLongA(button, GWL_WNDPROC);

    CWindow bound;
    EXPECT_FALSE(bound.Detach());
    ASSERT_TRUE(bound.Attach(button));
    ::SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(::SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_TRUE(bound.Detach());
    EXPECT_EQ(::GetWindowLongA(button, GWL_WNDPROC), original);
    EXPECT_EQ(::GetPropA(button, "CPP_CLASS"), (HANDLE)NULL);
    EXPECT_EQ(::SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(bound.m_hWnd, button);
}

// ---------------------------------------------------------------------------------------------
// Faults the binding must not allow.

namespace {

class ThrowingWindow : public CWindow {
public:
    int OnCommand(WPARAM wParam, LPARAM) override
    {
        if (wParam == 1)
            throw std::bad_alloc();
        throw 42;
    }
    int OnKeyDown(WPARAM, LPARAM) override { return 9; }
};

} // namespace

TEST(WindowFaults, NothingThrownCrossesTheWindowProcedure)
{
    ThrowingWindow window;
    ASSERT_NE(CreateHidden(window), (HWND)NULL);
    EXPECT_EQ(window.SendMessage(WM_COMMAND, 1, 0), 0);
    EXPECT_EQ(window.SendMessage(WM_COMMAND, 2, 0), 0);
    ASSERT_TRUE(window.PostMessage(WM_COMMAND, 1, 0));
    testsupport::Pump();
    // Still bound and answering.
    EXPECT_EQ(window.SendMessage(WM_KEYDOWN, 'A', 0), 9);
}

namespace {

// Looks for its parent's object while it is being destroyed, as a control reporting to its
// page would.
class ChildAskingParent : public CWindow {
public:
    bool* sawParent;
    explicit ChildAskingParent(bool* flag) : sawParent(flag) {}
    int OnDestroy(WPARAM wParam, LPARAM lParam) override
    {
        *sawParent = GetParentObject() != NULL;
        return CWindow::OnDestroy(wParam, lParam);
    }
    DWORD GetDefaultStyle() override { return WS_CHILD | WS_VISIBLE; }
};

// Counts the messages sent to one window, and those of them that could still find an object
// through the window's property.
struct SentWatch {
    static HWND target;
    static int sent;
    static int reachable;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const CWPSTRUCT* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && cwp->hwnd == target) {
            ++sent;
            if (::GetPropA(cwp->hwnd, "CPP_CLASS") != NULL)
                ++reachable;
        }
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }
    explicit SentWatch(HWND hwnd)
    {
        target = hwnd;
        sent = reachable = 0;
        hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &Hook, NULL, ::GetCurrentThreadId());
    }
    ~SentWatch() { ::UnhookWindowsHookEx(hook); }
    HHOOK hook;
};
HWND SentWatch::target;
int SentWatch::sent;
int SentWatch::reachable;

} // namespace

TEST(WindowFaults, DeletedObjectUnbindsBeforeDestroyingItsWindow)
{
    bool sawParent = true;
    CWindow* parent = new CWindow;
    HWND hwnd = CreateHidden(*parent);
    ASSERT_NE(hwnd, (HWND)NULL);
    ChildAskingParent child(&sawParent);
    ASSERT_NE(child.Create("", 0, 0, 10, 10, hwnd, (HMENU)3), (HWND)NULL);
    ASSERT_EQ(child.GetParentObject(), parent);
    parent->ShowWindow(SW_SHOW);
    ::SetFocus(child.m_hWnd);

    {
        SentWatch watch(hwnd);
        delete parent;
        // Every message of the destruction found the window already unbound.
        EXPECT_GT(watch.sent, 0);
        EXPECT_EQ(watch.reachable, 0) << "of " << watch.sent << " messages";
    }
    EXPECT_FALSE(::IsWindow(hwnd));
    // The child went with its parent, and during that no longer found the object.
    EXPECT_FALSE(sawParent);
    EXPECT_FALSE(::IsWindow(child.m_hWnd));
}

TEST(WindowFaults, ObjectLeavesAWindowReboundToAnotherObjectAlone)
{
    CWindow* first = new CWindow;
    HWND hwnd = CreateHidden(*first);
    ASSERT_NE(hwnd, (HWND)NULL);
    CWindow second;
    ASSERT_TRUE(second.Attach(hwnd));
    delete first;
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_EQ(::GetPropA(hwnd, "CPP_CLASS"), (HANDLE)&second);
    EXPECT_TRUE(second.DestroyWindow());
}

namespace {

// Handlers that end their own window, or their own object, in the middle of a dispatch.
class SelfEndingWindow : public CWindow {
public:
    int OnCommand(WPARAM, LPARAM) override
    {
        DestroyWindow();
        return 31;
    }
    int OnClose(WPARAM, LPARAM) override
    {
        delete this;
        return 0;
    }
    int OnDestroy(WPARAM wParam, LPARAM lParam) override
    {
        ++destroyed;
        return CWindow::OnDestroy(wParam, lParam);
    }
    int destroyed = 0;
};

} // namespace

TEST(WindowFaults, HandlerMayDestroyItsOwnWindow)
{
    SelfEndingWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, (HWND)NULL);
    EXPECT_EQ(::SendMessageA(hwnd, WM_COMMAND, 100, 0), 31);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(window.destroyed, 1);
    EXPECT_EQ(window.m_hWnd, hwnd);
}

TEST(WindowFaults, HandlerMayDeleteItsOwnObject)
{
    SelfEndingWindow* window = new SelfEndingWindow;
    HWND hwnd = CreateHidden(*window);
    ASSERT_NE(hwnd, (HWND)NULL);
    ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    testsupport::Pump();
    EXPECT_FALSE(::IsWindow(hwnd));
}

namespace {

// A window object that owns itself and goes with its window, the usual modeless pattern.
class SelfDeletingWindow : public CWindow {
public:
    explicit SelfDeletingWindow(int* counter) : deleted(counter) {}
    ~SelfDeletingWindow() override { ++*deleted; }
    int OnDestroy(WPARAM, LPARAM) override
    {
        delete this;
        return 0;
    }
    int* deleted;
};

} // namespace

TEST(WindowFaults, ObjectMayDeleteItselfWhileItsWindowIsDestroyed)
{
    int deleted = 0;
    SelfDeletingWindow* window = new SelfDeletingWindow(&deleted);
    HWND hwnd = CreateHidden(*window);
    ASSERT_NE(hwnd, (HWND)NULL);
    EXPECT_TRUE(::DestroyWindow(hwnd));
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(::IsWindow(hwnd));
}
