#include "framework/CTabCtrlEx.h"

VEXA_IMPLEMENT_DYNAMIC(CTabCtrlEx, CTabCtrl)

namespace {

// The keys the main window handles itself.
bool IsParentKey(WPARAM key)
{
    switch (key) {
    case VK_RETURN:
    case VK_DELETE:
    case 'A':
    case 'B':
    case 'E':
    case 'I':
    case 'O':
    case 'P':
    case 'T':
    case 'U':
    case VK_F1:
        return true;
    default:
        return false;
    }
}

} // namespace

int CTabCtrlEx::OnLButtonUp(WPARAM wParam, LPARAM lParam)
{
    ::SetFocus(GetHwnd());
    return CFocusControlT::OnLButtonUp(wParam, lParam);
}

int CTabCtrlEx::OnKeyDown(WPARAM key, LPARAM flags)
{
    if (IsParentKey(key)) {
        if (Vexa::CWindowBase* parent = GetParentObject())
            parent->PostMessage(WM_KEYDOWN, key, flags);
        return 0;
    }
    return CFocusControlT::OnKeyDown(key, flags);
}
