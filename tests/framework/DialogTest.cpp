// Modal and modeless dialogs from the test program's templates.
#include <gtest/gtest.h>

#include <new>
#include <utility>
#include <vector>

#include "TestKit.h"
#include "TestResources.h"
#include "framework/CDialog.h"

using Vexa::CDialog;

namespace {

// A modal dialog that, once up, has the posted messages of its scenario waiting in its queue.
class ScriptedDialog : public CDialog {
public:
    enum Action { ClickOk, ClickCancel, CloseBox, ClickOther, ThrowThenOk };

    explicit ScriptedDialog(Action a) : CDialog(IDD_TEST_BUTTONS), action(a) {}

    Action action;
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    HWND boundAtInit = NULL; // the window, when bound to this object
    HWND lastOther = NULL;

    int OnInitDialog(WPARAM wParam, LPARAM lParam) override
    {
        boundAtInit = testkit::BoundObject(m_hWnd) == this ? m_hWnd : NULL;
        lastOther = GetDlgItem(IDC_TEST_OTHER);
        if (action == CloseBox)
            PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        if (action == ThrowThenOk)
            PostMessage(WM_COMMAND, IDC_TEST_OTHER, 0);
        const int clicked[] = {IDOK, IDCANCEL, 0, IDC_TEST_OTHER, IDOK}; // by action
        if (clicked[action] != 0)
            ::PostMessageA(GetDlgItem(clicked[action]), BM_CLICK, 0, 0);
        return CDialog::OnInitDialog(wParam, lParam);
    }

    int OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back({wParam, lParam});
        if (action == ThrowThenOk)
            throw std::bad_alloc();
        EndDialog(7);
        return 1;
    }
};

} // namespace

// Each way of ending a modal dialog.
TEST(Dialog, ModalResultsAndCommands)
{
    const LPARAM kButton = -1; // the command comes from the other button, with its handle
    const struct {
        ScriptedDialog::Action action;
        const char* name;
        INT_PTR result;
        size_t commands;
        WPARAM wParam; // of the command that reached OnCommand
        LPARAM lParam;
    } rows[] = {
        {ScriptedDialog::ClickOk, "OK button", IDOK, 0, 0, 0},
        {ScriptedDialog::ClickCancel, "Cancel button", IDCANCEL, 0, 0, 0},
        {ScriptedDialog::CloseBox, "close box", IDCANCEL, 0, 0, 0},
        {ScriptedDialog::ClickOther, "other button", 7, 1, MAKEWPARAM(IDC_TEST_OTHER, BN_CLICKED),
         kButton},
        {ScriptedDialog::ThrowThenOk, "handler throwing, then OK", IDOK, 1, IDC_TEST_OTHER, 0},
    };
    for (const auto& row : rows) {
        ScriptedDialog dialog(row.action);
        EXPECT_EQ(dialog.DoModal(NULL), row.result) << row.name;
        ASSERT_EQ(dialog.commands.size(), row.commands) << row.name;
        if (row.commands == 1) {
            const LPARAM lParam = row.lParam == kButton ? (LPARAM)dialog.lastOther : row.lParam;
            EXPECT_EQ(dialog.commands[0], std::make_pair(row.wParam, lParam)) << row.name;
        }
        // Bound while up; ended and unbound, but keeping its last handle.
        EXPECT_NE(dialog.boundAtInit, (HWND)NULL) << row.name;
        EXPECT_EQ(dialog.m_hWnd, dialog.boundAtInit) << row.name;
        EXPECT_FALSE(::IsWindow(dialog.m_hWnd)) << row.name;
    }
}

TEST(Dialog, MissingTemplate)
{
    CDialog dialog(9999);
    EXPECT_EQ(dialog.DoModal(NULL), -1);
    EXPECT_EQ(dialog.CreateModeless(NULL), (HWND)NULL);
}
