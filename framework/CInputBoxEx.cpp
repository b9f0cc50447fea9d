#include "framework/CInputBoxEx.h"

VEXA_IMPLEMENT_DYNAMIC(CInputBoxEx, Vexa::CInputBox)

namespace {

// The keys an edit box edits with: Delete, and Ctrl with A (select all), C, V, X, Z and Y.
bool IsEditingKey(WPARAM key)
{
    if (key == VK_DELETE) return true;
    if (::GetKeyState(VK_CONTROL) >= 0) return false;
    switch (key) {
    case 'A': case 'C': case 'V': case 'X': case 'Z': case 'Y': return true;
    default: return false;
    }
}

} // namespace

int CInputBoxEx::OnKeyDown(WPARAM key, LPARAM flags)
{
    if (key == VK_RETURN)
        return PostEnterKey();
    if (IsEditingKey(key))
        return OwnKey(key, flags);
    return CFocusControlT::OnKeyDown(key, flags);
}

int CInputBoxEx::OnChar(WPARAM ch, LPARAM flags)
{
    if (ch == '\t' || ch == '\r' || ch == 0x1B)
        return 0;
    return CFocusControlT::OnChar(ch, flags);
}
