// CMenuBase, CMenu: menu entries described with MENUITEMINFOA records.
#include "framework/CMenu.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CMenuBase, CObject)
VEXA_IMPLEMENT_DYNAMIC(CMenu, CMenuBase)

namespace {

// The whole record, hbmpItem included (48 bytes in a 32-bit program, 80 in a 64-bit one).
const UINT kMenuItemInfoSize = sizeof(MENUITEMINFOA);

MENUITEMINFOA EmptyRecord(UINT mask)
{
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = mask;
    return info;
}

} // namespace

// A drop-down is made with CreateMenu too: the platform accepts it as a sub-menu.
CMenuBase::CMenuBase() : m_hMenu(::CreateMenu()) {}

CMenuBase::~CMenuBase() {}

BOOL CMenuBase::InsertMenuItem(UINT item, BOOL byPosition, const MENUITEMINFOA* info)
{
    return ::InsertMenuItemA(m_hMenu, item, byPosition, info);
}

BOOL CMenuBase::SetMenuItemInfo(UINT item, BOOL byPosition, const MENUITEMINFOA* info)
{
    return ::SetMenuItemInfoA(m_hMenu, item, byPosition, info);
}

BOOL CMenuBase::GetMenuItemInfo(UINT item, BOOL byPosition, MENUITEMINFOA* info)
{
    return ::GetMenuItemInfoA(m_hMenu, item, byPosition, info);
}

CMenu::CMenu() {}

CMenu::~CMenu() {}

BOOL CMenu::InsertPopup(UINT position, const char* text, HMENU subMenu)
{
    MENUITEMINFOA info = EmptyRecord(MIIM_SUBMENU | MIIM_TYPE);
    info.fType = MFT_STRING;
    info.hSubMenu = subMenu;
    info.dwTypeData = const_cast<char*>(text);
    info.cch = ::lstrlenA(text);
    return InsertMenuItem(position, TRUE, &info);
}

BOOL CMenu::InsertItem(UINT position, const char* text, UINT id)
{
    MENUITEMINFOA info = EmptyRecord(MIIM_ID | MIIM_TYPE);
    info.fType = MFT_STRING;
    info.wID = id;
    info.dwTypeData = const_cast<char*>(text);
    info.cch = ::lstrlenA(text);
    return InsertMenuItem(position, TRUE, &info);
}

BOOL CMenu::InsertSeparator(UINT position)
{
    MENUITEMINFOA info = EmptyRecord(MIIM_TYPE);
    info.fType = MFT_SEPARATOR;
    info.dwTypeData = NULL;
    info.cch = 0;
    return InsertMenuItem(position, TRUE, &info);
}

BOOL CMenu::CheckItem(UINT position, int check)
{
    MENUITEMINFOA info = EmptyRecord(MIIM_STATE);
    info.fState = check != 0 ? MFS_CHECKED : MFS_UNCHECKED;
    return SetMenuItemInfo(position, TRUE, &info);
}

} // namespace Vexa
