#include "framework/CListViewEx.h"

VEXA_IMPLEMENT_DYNAMIC(CListViewEx, CListView)

int CListViewEx::OnKeyDown(WPARAM key, LPARAM flags)
{
    if (key == VK_RETURN)
        return PostEnterKey();
    return CFocusControlT::OnKeyDown(key, flags);
}
