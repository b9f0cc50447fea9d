#include "framework/CInputBoxEx.h"

VEXA_IMPLEMENT_DYNAMIC(CInputBoxEx, Vexa::CInputBox)

int CInputBoxEx::OnKeyDown(WPARAM key, LPARAM flags)
{
    if (key == VK_RETURN)
        return PostEnterKey();
    return CFocusControlT::OnKeyDown(key, flags);
}

int CInputBoxEx::OnChar(WPARAM ch, LPARAM flags)
{
    if (ch == '\t' || ch == '\r' || ch == 0x1B)
        return 0;
    return CFocusControlT::OnChar(ch, flags);
}
