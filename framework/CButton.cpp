#include "framework/CButton.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CButtonBase, CControlWindow)
VEXA_IMPLEMENT_DYNAMIC(CButton, CButtonBase)
VEXA_IMPLEMENT_DYNAMIC(CCheckBox, CButtonBase)
VEXA_IMPLEMENT_DYNAMIC(CRadioButton, CButtonBase)

const char* CButtonBase::GetWindowClassName() { return "BUTTON"; }

DWORD CButton::GetDefaultStyle() { return WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON; }

DWORD CCheckBox::GetDefaultStyle() { return WS_CHILD | WS_VISIBLE | BS_CHECKBOX; }

LRESULT CCheckBox::SetCheck(int state) { return SendMessage(BM_SETCHECK, state, 0); }

LRESULT CCheckBox::SetUncheck(int flag) { return SendMessage(BM_SETCHECK, flag == 0 ? 1 : 0, 0); }

bool CCheckBox::IsChecked() { return SendMessage(BM_GETCHECK, 0, 0) == BST_CHECKED; }

DWORD CRadioButton::GetDefaultStyle() { return WS_CHILD | WS_VISIBLE | BS_RADIOBUTTON; }

LRESULT CRadioButton::SetCheck(int state) { return SendMessage(BM_SETCHECK, state, 0); }

LRESULT CRadioButton::SetUncheck(int flag)
{
    return SendMessage(BM_SETCHECK, flag == 0 ? 1 : 0, 0);
}

bool CRadioButton::IsChecked() { return SendMessage(BM_GETCHECK, 0, 0) == BST_CHECKED; }

} // namespace Vexa
