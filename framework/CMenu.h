// CMenuBase, CMenu: a menu handle made at construction and the few operations that build a
// menu bar with drop-downs, separators and check marks. The object never destroys its menu:
// a menu handed to a window is destroyed with that window.
#pragma once

#include <windows.h>

#include "foundation/CObject.h"

namespace Vexa {

class CMenuBase : public CObject {
    VEXA_DECLARE_DYNAMIC(CMenuBase)
public:
    CMenuBase();
    ~CMenuBase() override;

    CMenuBase(const CMenuBase&) = delete;
    CMenuBase& operator=(const CMenuBase&) = delete;

    HMENU GetHandle() const { return m_hMenu; }

    virtual BOOL InsertMenuItem(UINT item, BOOL byPosition, const MENUITEMINFOA* info);
    virtual BOOL SetMenuItemInfo(UINT item, BOOL byPosition, const MENUITEMINFOA* info);
    virtual BOOL GetMenuItemInfo(UINT item, BOOL byPosition, MENUITEMINFOA* info);

    HMENU m_hMenu;
};

// Every entry is addressed by position; positions count separators too.
class CMenu : public CMenuBase {
    VEXA_DECLARE_DYNAMIC(CMenu)
public:
    CMenu();
    ~CMenu() override;

    virtual BOOL InsertPopup(UINT position, const char* text, HMENU subMenu);
    virtual BOOL InsertItem(UINT position, const char* text, UINT id);
    virtual BOOL InsertSeparator(UINT position);
    // Any nonzero flag sets the check mark, 0 clears it.
    virtual BOOL CheckItem(UINT position, int check);
};

} // namespace Vexa
