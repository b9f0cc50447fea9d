#include "framework/CCommCtrl.h"

VEXA_IMPLEMENT_DYNAMIC(CCommCtrl, Vexa::CControlWindow)

BOOL CCommCtrl::InitFamily(bool& registered, DWORD icc)
{
    if (registered)
        return FALSE;
    INITCOMMONCONTROLSEX init;
    init.dwSize = sizeof(init);
    init.dwICC = icc;
    BOOL result = InitCommonControlsEx(&init);
    if (result)
        registered = true;
    return result;
}
