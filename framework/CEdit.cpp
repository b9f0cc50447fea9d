#include "framework/CEdit.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CEditBase, CControlWindow)
VEXA_IMPLEMENT_DYNAMIC(CInputBox, CEditBase)

DWORD CEditBase::GetDefaultExStyle() { return WS_EX_CLIENTEDGE; }

const char* CEditBase::GetWindowClassName() { return "EDIT"; }

LRESULT CEditBase::SetLimitText(int maximum) { return SendMessage(EM_LIMITTEXT, maximum, 0); }

DWORD CEditBase::GetSel() { return static_cast<DWORD>(SendMessage(EM_GETSEL, 0, 0)); }

BOOL CEditBase::PostSetSel() { return PostMessage(EM_SETSEL, 2, 2); }

LRESULT CEditBase::ReplaceSel(const char* text)
{
    return SendMessage(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
}

BOOL CEditBase::GetModify() { return static_cast<BOOL>(SendMessage(EM_GETMODIFY, 0, 0)); }

LRESULT CEditBase::SetModify(BOOL modified) { return SendMessage(EM_SETMODIFY, modified, 0); }

LRESULT CEditBase::ScrollCaret() { return SendMessage(EM_SCROLLCARET, 0, 0); }

BOOL CEditBase::CanUndo() { return static_cast<BOOL>(SendMessage(EM_CANUNDO, 0, 0)); }

LRESULT CEditBase::Undo() { return SendMessage(EM_UNDO, 0, 0); }

LRESULT CEditBase::EmptyUndoBuffer() { return SendMessage(EM_EMPTYUNDOBUFFER, 0, 0); }

DWORD CInputBox::GetDefaultStyle() { return WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL; }

} // namespace Vexa
