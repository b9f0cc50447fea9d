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
using testkit::Received;
using Vexa::CDialog;
using Vexa::CWindow;
using Vexa::CWindowBase;

namespace {

// Records every message its WindowProc sees and every handler call (as the handler's message
// with the parameters it was given). In "answer" mode each
// handler returns a marker of its own (0x10000 + its message) instead of default processing.
class RecorderWindow : public CWindow {
public:
    std::vector<UINT> messages;
    std::vector<Received> calls;
    bool answer = false;

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(msg);
        return CWindow::WindowProc(hwnd, msg, wParam, lParam);
    }
#define RECORD(name, message)                                              \
    int name(WPARAM wParam, LPARAM lParam) override                        \
    {                                                                      \
        calls.push_back({message, wParam, lParam});                        \
        return answer ? 0x10000 + message : CWindow::name(wParam, lParam); \
    }
    RECORD(OnInitDialog, WM_INITDIALOG) RECORD(OnCreate, WM_CREATE) RECORD(OnClose, WM_CLOSE)
    RECORD(OnDestroy, WM_DESTROY) RECORD(OnCommand, WM_COMMAND) RECORD(OnPaint, WM_PAINT)
    RECORD(OnLButtonDown, WM_LBUTTONDOWN) RECORD(OnLButtonUp, WM_LBUTTONUP)
    RECORD(OnRButtonDown, WM_RBUTTONDOWN) RECORD(OnRButtonUp, WM_RBUTTONUP)
    RECORD(OnKeyDown, WM_KEYDOWN) RECORD(OnKeyUp, WM_KEYUP) RECORD(OnChar, WM_CHAR)
    RECORD(OnMouseWheel, WM_MOUSEWHEEL) RECORD(OnDropFiles, WM_DROPFILES)
    RECORD(OnCtlColorDlg, WM_CTLCOLORDLG) RECORD(OnCtlColorStatic, WM_CTLCOLORSTATIC)
    RECORD(OnNotify, WM_NOTIFY)
#undef RECORD

    bool Called(UINT handlerFor) const
    {
        for (const Received& c : calls)
            if (c.msg == handlerFor)
                return true;
        return false;
    }
};

HWND CreateHidden(CWindow& window)
{
    return window.Create("test", 0, 0, 200, 100, NULL, NULL);
}

} // namespace

// Bound from the first creation message on. Each message of the table then reaches its own
// handler with its parameters unchanged, and an overriding handler's result, not default
// processing, is what the message returns; other messages reach no handler. The handled
// WM_DESTROY ends the binding although the window lives on, and the object keeps the handle.
TEST(WindowBinding, FromCreationThroughTheDispatchTableToDestroy)
{
    RecorderWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, (HWND)NULL);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front(), (UINT)WM_NCCREATE);
    EXPECT_EQ(testkit::BoundObject(hwnd), (HANDLE)&window);
    EXPECT_EQ(window.m_pfnPrevProc, (WNDPROC)NULL); // its own class: nothing subclassed
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.front().msg, (UINT)WM_CREATE);
    const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(window.calls.front().lParam);
    EXPECT_EQ(cs->lpCreateParams, (void*)&window);
    EXPECT_EQ(window.SendMessage(WM_KEYDOWN, 'Q', 0x00100001), 0); // default processing

    const UINT messages[] = {WM_INITDIALOG, WM_CREATE, WM_CLOSE, WM_COMMAND, WM_PAINT,
                             WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP,
                             WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_MOUSEWHEEL, WM_DROPFILES,
                             WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_NOTIFY, WM_SIZE, WM_USER + 7,
                             WM_DESTROY};
    window.answer = true;
    WPARAM wParam = 0x11110000;
    LPARAM lParam = 0x22220000;
    for (UINT message : messages) {
        const bool inTable = message != WM_SIZE && message != WM_USER + 7;
        window.calls.clear();
        const LRESULT result = ::SendMessageA(hwnd, message, ++wParam, ++lParam);
        ASSERT_EQ(window.calls.size(), inTable ? 1u : 0u) << "message 0x" << std::hex << message;
        if (inTable) {
            EXPECT_EQ(window.calls[0], (Received{message, wParam, lParam}));
            EXPECT_EQ(result, 0x10000 + message) << "message 0x" << std::hex << message;
        }
    }
    EXPECT_EQ(testkit::BoundObject(hwnd), (HANDLE)NULL);
    EXPECT_EQ(window.m_hWnd, hwnd);
    EXPECT_TRUE(::DestroyWindow(hwnd));
}

// Controls of a template, bound the way dialogs bind theirs: the edit box passes on messages
// outside the table and those left to default processing, and gets its procedure back after
// WM_DESTROY; the button, detached, has its own back and keeps working.
TEST(WindowBinding, TemplateControlsAreSubclassedAndGetTheirProcedureBack)
{
    CWindow host;
    ASSERT_NE(CreateHidden(host), (HWND)NULL);
    CDialog page(IDD_TEST_PAGE);
    HWND dialog = page.CreateModeless(host.m_hWnd);
    ASSERT_NE(dialog, (HWND)NULL);
    // The page leaves what it does not handle to the dialog manager.
    EXPECT_EQ(::GetWindowLongPtrA(dialog, DWLP_DLGPROC), (LONG_PTR)&CWindowBase::StaticWindowProc);
    EXPECT_EQ(page.m_pfnPrevProc, (WNDPROC)NULL);

    HWND edit = page.GetDlgItem(IDC_TEST_EDIT), button = page.GetDlgItem(IDC_TEST_OTHER);
    const LONG_PTR editProc = ::GetWindowLongPtrA(edit, GWLP_WNDPROC);
    const LONG_PTR buttonProc = ::GetWindowLongPtrA(button, GWLP_WNDPROC);
    RecorderWindow boundEdit, boundButton;
    ASSERT_TRUE(boundEdit.Attach(edit) && boundButton.Attach(button));
    EXPECT_EQ(::GetWindowLongPtrA(edit, GWLP_WNDPROC), (LONG_PTR)&CWindowBase::StaticWindowProc);
    EXPECT_EQ((LONG_PTR)boundEdit.m_pfnPrevProc, editProc);
    ::SendMessageA(edit, WM_SETTEXT, 0, (LPARAM) "ab");
    ::SendMessageA(edit, EM_SETSEL, 2, 2);
    ::SendMessageA(edit, WM_CHAR, 'c', 1);
    EXPECT_STREQ((const char*)boundEdit.GetWindowText(), "abc");
    EXPECT_TRUE(boundEdit.Called(WM_CHAR));

    // A button keeps its font in the extra bytes where a dialog keeps its procedure: it must be
    // subclassed as a window, with its font left alone.
    EXPECT_EQ(::GetWindowLongPtrA(button, GWLP_WNDPROC), (LONG_PTR)&CWindowBase::StaticWindowProc);
    EXPECT_EQ(::SendMessageA(button, WM_GETFONT, 0, 0), ::SendMessageA(dialog, WM_GETFONT, 0, 0));
    ::SendMessageA(button, BM_SETSTATE, TRUE, 0);
    ASSERT_TRUE(boundButton.Detach());
    EXPECT_EQ(::GetWindowLongPtrA(button, GWLP_WNDPROC), buttonProc);
    EXPECT_EQ(testkit::BoundObject(button), (HANDLE)NULL);
    EXPECT_NE(::SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    EXPECT_FALSE(CWindow().Detach());

    {
        MessageWatch watch(edit);
        EXPECT_TRUE(::DestroyWindow(dialog));
        ASSERT_TRUE(watch.ended);
        EXPECT_EQ(watch.procAtEnd, editProc);
        EXPECT_EQ(watch.propAtEnd, (HANDLE)NULL);
    }
    EXPECT_EQ(boundEdit.m_hWnd, edit);
    EXPECT_TRUE(boundEdit.Called(WM_DESTROY));
}

// ---------------------------------------------------------------------------------------------
// Faults the binding must not allow.

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
}

namespace {

// Throws out of a handler, or ends its own window or its own object in the middle of a dispatch.
class SelfEnding : public CWindow {
public:
    enum Mode { Throw, DestroyWindowInCommand, DeleteInCommand, DeleteInDestroy };
    SelfEnding(Mode m, int* deleted) : mode(m), deletedCount(deleted) {}
    ~SelfEnding() override { ++*deletedCount; }
    int OnCommand(WPARAM, LPARAM) override
    {
        if (mode == Throw)
            throw std::bad_alloc();
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

// Nothing thrown crosses the window procedure, which answers 0 and keeps the binding; a handler
// may end its own window or object without the dispatch that called it touching what is gone.
TEST(WindowFaults, HandlersMayThrowOrEndTheirOwnWindowOrObject)
{
    const struct {
        const char* what;
        SelfEnding::Mode mode;
        UINT message;
        LRESULT result;
        int deleted; // by the handler; -1: the window lives on
    } rows[] = {
        {"OnCommand throws", SelfEnding::Throw, WM_COMMAND, 0, -1},
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
        EXPECT_EQ(::IsWindow(hwnd) != FALSE, row.deleted < 0) << row.what;
        EXPECT_EQ(deleted, row.deleted < 0 ? 0 : row.deleted) << row.what;
        if (row.deleted < 0) {
            EXPECT_EQ(testkit::BoundObject(hwnd), (HANDLE)window) << row.what; // still bound
        }
        if (deleted == 0) {
            EXPECT_EQ(window->destroyed, row.deleted < 0 ? 0 : 1) << row.what;
            EXPECT_EQ(window->m_hWnd, hwnd) << row.what;
            delete window;
        }
    }
}
