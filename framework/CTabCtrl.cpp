#include "framework/CTabCtrl.h"

VEXA_IMPLEMENT_DYNAMIC(CTabBase, CCommCtrl)
VEXA_IMPLEMENT_DYNAMIC(CTabCtrl, CTabBase)

bool CTabBase::s_bRegistered = false;
TCITEMA CTabCtrl::s_item = {};

CTabBase::CTabBase() { CTabBase::InitControlClasses(); }

BOOL CTabBase::InitControlClasses() { return InitFamily(s_bRegistered, ICC_TAB_CLASSES); }

DWORD CTabBase::GetDefaultStyle() { return WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS; }

const char* CTabBase::GetWindowClassName() { return "SysTabControl32"; }

int CTabBase::InsertItem(int index, TCITEMA* item)
{
    return static_cast<int>(SendMessage(TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(item)));
}

int CTabBase::GetCurSel() { return static_cast<int>(SendMessage(TCM_GETCURSEL, 0, 0)); }

int CTabBase::SetCurSel(int index) { return static_cast<int>(SendMessage(TCM_SETCURSEL, index, 0)); }

int CTabCtrl::InsertItem(int index, const char* text)
{
    s_item.mask = TCIF_TEXT;
    s_item.pszText = const_cast<char*>(text);  // the control copies the text and never writes it
    return InsertItem(index, &s_item);
}
