#include "framework/CComboBoxEx.h"

VEXA_IMPLEMENT_DYNAMIC(CComboBoxEx, Vexa::CComboBox)

int CComboBoxEx::OnKeyDown(WPARAM key, LPARAM flags)
{
    // F4 opens the list; Enter in the open list chooses an entry and closes it.
    if (key == VK_F4 || (key == VK_RETURN && SendMessage(CB_GETDROPPEDSTATE, 0, 0)))
        return OwnKey(key, flags);
    return CFocusControlT::OnKeyDown(key, flags);
}
