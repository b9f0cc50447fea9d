#include "framework/CButtonEx.h"

VEXA_IMPLEMENT_DYNAMIC(CButtonEx, Vexa::CButton)

int CButtonEx::OnKeyDown(WPARAM key, LPARAM flags)
{
    if (key != VK_RETURN) return CFocusControlT::OnKeyDown(key, flags);
    HWND button = GetHwnd();
    if (::IsWindowEnabled(button))
        ::PostMessageA(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
    return 0;
}
