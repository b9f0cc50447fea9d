#include "framework/CComboBox.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CComboBox, CControlWindow)

CComboBox::CComboBox(int id) : CControlWindow("", reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)))
{
}

DWORD CComboBox::GetDefaultStyle()
{
    return WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | CBS_DROPDOWNLIST;
}

const char* CComboBox::GetWindowClassName() { return "COMBOBOX"; }

int CComboBox::AddString(const char* text)
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::InsertString(int index, const char* text)
{
    return static_cast<int>(SendMessage(CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::DeleteString(int index)
{
    return static_cast<int>(SendMessage(CB_DELETESTRING, index, 0));
}

int CComboBox::SelectString(const char* text)
{
    return static_cast<int>(SendMessage(CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::GetCount() { return static_cast<int>(SendMessage(CB_GETCOUNT, 0, 0)); }

int CComboBox::SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, index, 0)); }

int CComboBox::GetCurSel() { return static_cast<int>(SendMessage(CB_GETCURSEL, 0, 0)); }

} // namespace Vexa
