// What no application test sees of window objects: the exception fence of the procedures, the end of
// the binding, and a control's own procedure given back.
#include <gtest/gtest.h>

#include <new>

#include "TestKit.h"
#include "TestResources.h"
#include "foundation/CString.h"
#include "framework/CDialog.h"

using Vexa::CWindow;

namespace {

// Records the handler calls it sees; with raise set, a command throws.
class RecorderWindow : public CWindow {
public:
    std::vector<UINT> calls;
    bool raise = false;
    int OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        calls.push_back(WM_COMMAND);
        if (raise) throw std::bad_alloc();
        return CWindow::OnCommand(wParam, lParam);
    }
    int OnChar(WPARAM wParam, LPARAM lParam) override { return calls.push_back(WM_CHAR), CWindow::OnChar(wParam, lParam); }
    int OnDestroy(WPARAM wParam, LPARAM lParam) override
    {
        return calls.push_back(WM_DESTROY), CWindow::OnDestroy(wParam, lParam);
    }
};

// A handler's exception stops at the procedure; WM_DESTROY ends the binding.
TEST(WindowBinding, AnExceptionStopsAtTheProcedureAndDestroyEndsTheBinding)
{
    RecorderWindow window;
    HWND hwnd = window.Create("test", 0, 0, 200, 100, NULL, NULL);
    ASSERT_NE(hwnd, (HWND)NULL);
    EXPECT_EQ(testkit::BoundObject(hwnd), (HANDLE)&window);
    window.raise = true;
    EXPECT_EQ(window.SendMessage(WM_COMMAND, 1, 0), 0);
    EXPECT_EQ(window.calls, std::vector<UINT>{WM_COMMAND});
    ::SendMessageA(hwnd, WM_DESTROY, 0, 0);
    EXPECT_EQ(testkit::BoundObject(hwnd), (HANDLE)NULL);
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
    EXPECT_EQ(boundEdit.calls, std::vector<UINT>{WM_CHAR});
    EXPECT_TRUE(::DestroyWindow(dialog));
    EXPECT_EQ(boundEdit.calls.back(), (UINT)WM_DESTROY);
    EXPECT_TRUE(editOwn.Saw(WM_NCDESTROY));
}

} // namespace
