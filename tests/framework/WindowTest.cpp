// Binding and message dispatch of window objects, and the faults the binding must not allow, in
// real windows.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "TestKit.h"
#include "TestResources.h"
#include "foundation/CString.h"
#include "framework/CDialog.h"
#include "framework/CWindow.h"

using testkit::MessageWatch;
using Vexa::CDialog;
using Vexa::CWindow;
using Vexa::CWindowBase;

namespace {

struct HandlerCall {
    std::string name;
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

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(msg);
        return CWindow::WindowProc(hwnd, msg, wParam, lParam);
    }

#define RECORD(name, marker)                                    \
    int name(WPARAM wParam, LPARAM lParam) override             \
    {                                                           \
        calls.push_back({#name, wParam, lParam});               \
        return answer ? marker : CWindow::name(wParam, lParam); \
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

HWND CreateHidden(CWindow& window, const char* title = "test")
{
    return window.Create(title, 0, 0, 200, 100, NULL, NULL);
}

} // namespace

// Bound from the first creation message to the end of WM_DESTROY, keeping its old handle.
TEST(WindowBinding, FromTheFirstCreationMessageToDestroy)
{
    RecorderWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, (HWND)NULL);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front(), (UINT)WM_NCCREATE);
    EXPECT_EQ(::GetPropA(hwnd, "CPP_CLASS"), (HANDLE)&window);
    EXPECT_EQ(window.m_pfnPrevProc, (WNDPROC)NULL); // its own class: nothing subclassed
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.front().name, "OnCreate");
    const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(window.calls.front().lParam);
    EXPECT_EQ(cs->lpCreateParams, (void*)&window);
    {
        MessageWatch watch(hwnd);
        EXPECT_TRUE(::DestroyWindow(hwnd));
        ASSERT_TRUE(watch.destroyReturned);
        EXPECT_EQ(watch.propAfterDestroy, (HANDLE)NULL);
    }
    EXPECT_TRUE(window.Called("OnDestroy"));
    EXPECT_EQ(window.m_hWnd, hwnd);
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
        window.calls.clear();
        const LRESULT result = ::SendMessageA(hwnd, row.message, ++wParam, ++lParam);
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
    int OnKeyDown(WPARAM, LPARAM) override
    {
        SetWindowText("四十二");
        return 77;
    }
};

} // namespace

TEST(WindowDispatch, OverriddenOnKeyDownChangesWhatTheKeyDoes)
{
    CWindow plain;
    KeyTitleWindow custom;
    ASSERT_NE(CreateHidden(plain, ""), (HWND)NULL);
    ASSERT_NE(CreateHidden(custom, ""), (HWND)NULL);
    EXPECT_EQ(plain.SendMessage(WM_KEYDOWN, 'Q', 0x00100001), 0);
    EXPECT_EQ(custom.SendMessage(WM_KEYDOWN, 'Q', 0x00100001), 77);
    EXPECT_EQ(plain.GetWindowText().GetLength(), 0);
    EXPECT_STREQ((const char*)custom.GetWindowText(), "四十二");
}

namespace {

// A modeless page that binds recorders to its edit box and button, the way dialogs bind their
// controls.
class PageWithBoundControls : public CDialog {
public:
    PageWithBoundControls() : CDialog(IDD_TEST_PAGE) {}
    RecorderWindow edit, button;
    LONG editProc = 0, buttonProc = 0;
    int OnInitDialog(WPARAM wParam, LPARAM lParam) override
    {
        editProc = ::GetWindowLongA(GetDlgItem(IDC_TEST_EDIT), GWL_WNDPROC);
        buttonProc = ::GetWindowLongA(GetDlgItem(IDC_TEST_OTHER), GWL_WNDPROC);
        edit.Attach(GetDlgItem(IDC_TEST_EDIT));
        button.Attach(GetDlgItem(IDC_TEST_OTHER));
        return CDialog::OnInitDialog(wParam, lParam);
    }
};

} // namespace

TEST(WindowBinding, TemplateControlsAreSubclassedAndGetTheirProcedureBack)
{
    CWindow host;
    ASSERT_NE(CreateHidden(host), (HWND)NULL);
    PageWithBoundControls page;
    HWND dialog = page.CreateModeless(host.m_hWnd);
    ASSERT_NE(dialog, (HWND)NULL);
    HWND edit = page.edit.m_hWnd, button = page.button.m_hWnd;
    ASSERT_NE(edit, (HWND)NULL);
    EXPECT_EQ(page.GetParent(), host.m_hWnd);
    // The page leaves what it does not handle to the dialog manager.
    EXPECT_EQ(::GetWindowLongA(dialog, DWL_DLGPROC), (LONG)&CWindowBase::StaticWindowProc);
    EXPECT_EQ(page.m_pfnPrevProc, (WNDPROC)NULL);

    // Messages outside the table, and table messages left to default processing, both reach
    // the edit box's own procedure.
    EXPECT_FALSE(page.edit.m_bDialog);
    EXPECT_EQ(::GetWindowLongA(edit, GWL_WNDPROC), (LONG)&CWindowBase::StaticWindowProc);
    EXPECT_EQ((LONG)page.edit.m_pfnPrevProc, page.editProc);
    ::SendMessageA(edit, WM_SETTEXT, 0, (LPARAM) "ab");
    ::SendMessageA(edit, EM_SETSEL, 2, 2);
    ::SendMessageA(edit, WM_CHAR, 'c', 1);
    EXPECT_STREQ((const char*)page.edit.GetWindowText(), "abc");
    EXPECT_TRUE(page.edit.Called("OnChar"));

    // A button keeps its font in the extra bytes where a dialog keeps its procedure: it must be
    // subclassed as a window, with its font left alone.
    EXPECT_FALSE(page.button.m_bDialog);
    EXPECT_EQ(::GetWindowLongA(button, GWL_WNDPROC), (LONG)&CWindowBase::StaticWindowProc);
    EXPECT_EQ(::SendMessageA(button, WM_GETFONT, 0, 0), ::SendMessageA(dialog, WM_GETFONT, 0, 0));
    ::SendMessageA(button, BM_SETSTATE, TRUE, 0);
    // Detached, it has its own procedure back and keeps working.
    ASSERT_TRUE(page.button.Detach());
    EXPECT_EQ(::GetWindowLongA(button, GWL_WNDPROC), page.buttonProc);
    EXPECT_EQ(::GetPropA(button, "CPP_CLASS"), (HANDLE)NULL);
    EXPECT_NE(::SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    EXPECT_FALSE(CWindow().Detach());

    {
        MessageWatch watch(edit);
        EXPECT_TRUE(::DestroyWindow(dialog));
        ASSERT_TRUE(watch.destroyReturned);
        EXPECT_EQ(watch.procAfterDestroy, page.editProc);
        EXPECT_EQ(watch.propAfterDestroy, (HANDLE)NULL);
    }
    EXPECT_EQ(page.edit.m_hWnd, edit);
    EXPECT_TRUE(page.edit.Called("OnDestroy"));
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
    testkit::Pump();
    // Still bound and answering.
    EXPECT_EQ(window.SendMessage(WM_KEYDOWN, 'A', 0), 9);
}

namespace {

// Looks for its parent's object while it is being destroyed, as a control reporting to its
// page would.
class ChildAskingParent : public CWindow {
public:
    bool sawParent = true;
    int OnDestroy(WPARAM wParam, LPARAM lParam) override
    {
        sawParent = GetParentObject() != NULL;
        return CWindow::OnDestroy(wParam, lParam);
    }
    DWORD GetDefaultStyle() override { return WS_CHILD | WS_VISIBLE; }
};

} // namespace

TEST(WindowFaults, DeletedObjectUnbindsBeforeDestroyingItsWindow)
{
    CWindow* parent = new CWindow;
    HWND hwnd = CreateHidden(*parent);
    ASSERT_NE(hwnd, (HWND)NULL);
    ChildAskingParent child;
    ASSERT_NE(child.Create("", 0, 0, 10, 10, hwnd, (HMENU)3), (HWND)NULL);
    ASSERT_EQ(child.GetParentObject(), parent);
    parent->ShowWindow(SW_SHOW);
    ::SetFocus(child.m_hWnd);
    {
        MessageWatch watch(hwnd);
        delete parent;
        // Every message of the destruction found the window already unbound.
        EXPECT_GT(watch.sent, 0);
        EXPECT_EQ(watch.reachable, 0) << "of " << watch.sent << " messages";
    }
    EXPECT_FALSE(::IsWindow(hwnd));
    // The child went with its parent, and during that no longer found the object.
    EXPECT_FALSE(child.sawParent);
    EXPECT_FALSE(::IsWindow(child.m_hWnd));

    // A window since bound to another object belongs to that one and is left alone.
    CWindow* first = new CWindow;
    hwnd = CreateHidden(*first);
    CWindow second;
    ASSERT_TRUE(second.Attach(hwnd));
    delete first;
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_EQ(::GetPropA(hwnd, "CPP_CLASS"), (HANDLE)&second);
}

namespace {

// Ends its own window, or its own object, in the middle of a dispatch.
class SelfEnding : public CWindow {
public:
    enum Mode { DestroyWindowInCommand, DeleteInCommand, DeleteInDestroy };
    SelfEnding(Mode m, int* deleted) : mode(m), deletedCount(deleted) {}
    ~SelfEnding() override { ++*deletedCount; }
    int OnCommand(WPARAM, LPARAM) override
    {
        if (mode == DestroyWindowInCommand)
            DestroyWindow();
        else
            delete this;
        return 31;
    }
    int OnDestroy(WPARAM wParam, LPARAM lParam) override
    {
        ++destroyed;
        if (mode != DeleteInDestroy)
            return CWindow::OnDestroy(wParam, lParam);
        delete this;
        return 0;
    }
    Mode mode;
    int* deletedCount;
    int destroyed = 0;
};

} // namespace

TEST(WindowFaults, HandlersMayEndTheirOwnWindowOrObject)
{
    const struct {
        const char* what;
        SelfEnding::Mode mode;
        UINT message;
        LRESULT result;
        int deleted; // by the handler
    } rows[] = {
        {"OnCommand destroys the window", SelfEnding::DestroyWindowInCommand, WM_COMMAND, 31, 0},
        {"OnCommand deletes the object", SelfEnding::DeleteInCommand, WM_COMMAND, 31, 1},
        {"OnDestroy deletes the object", SelfEnding::DeleteInDestroy, WM_CLOSE, 0, 1},
    };
    for (const auto& row : rows) {
        int deleted = 0;
        SelfEnding* window = new SelfEnding(row.mode, &deleted);
        HWND hwnd = CreateHidden(*window);
        ASSERT_NE(hwnd, (HWND)NULL) << row.what;
        EXPECT_EQ(::SendMessageA(hwnd, row.message, 100, 0), row.result) << row.what;
        EXPECT_FALSE(::IsWindow(hwnd)) << row.what;
        EXPECT_EQ(deleted, row.deleted) << row.what;
        if (deleted == 0) {
            EXPECT_EQ(window->destroyed, 1) << row.what;
            EXPECT_EQ(window->m_hWnd, hwnd) << row.what;
            delete window;
        }
    }
}
