// CFocusControlT: a control that turns Tab, Shift+Tab and Esc into a WM_FOCUSMOVE posted to its
// parent, because the message loop does no dialog keyboard handling; the parent moves the focus
// in its own order. The command keys it has no use for go up to the parent as they came, so the
// window's shortcuts work whichever control has the focus.
#pragma once

#include "framework/CWindow.h"

// Posted to the parent. WPARAM: the object whose window the focus leaves (the control for Tab and
// Shift+Tab, the parent's own object for Esc). LPARAM: 1 Tab, 2 Shift+Tab, 0 Esc.
#define WM_FOCUSMOVE (WM_APP + 0)
// Posted to the parent for Enter. WPARAM: the control object. LPARAM: 0.
#define WM_ENTERKEY (WM_APP + 1)

namespace Vexa {

// The keys that stand for commands of the window: Enter, Delete, the function keys, and a letter or
// digit with Ctrl held (not with Alt, where Ctrl+Alt types a character).
inline bool IsCommandKey(WPARAM key)
{
    if (key == VK_RETURN || key == VK_DELETE || (key >= VK_F1 && key <= VK_F24)) return true;
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_MENU) >= 0;
    return ctrl && ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'));
}

template <class T>
class CFocusControlT : public T {
public:
    using T::T;
    ~CFocusControlT() override {}

    int OnKeyDown(WPARAM key, LPARAM flags) override
    {
        CWindowBase* parent = this->GetParentObject();
        if (key != VK_TAB && key != VK_ESCAPE) {
            // Posted: it is handled after this key, with the modifiers still as they were.
            if (!parent || !IsCommandKey(key)) return T::OnKeyDown(key, flags);
            parent->PostMessage(WM_KEYDOWN, key, flags);
            return 0;
        }
        if (key == VK_TAB) {
            // Read when this key message is handled, so it is the Shift state of that keystroke.
            LPARAM direction = (::GetKeyState(VK_SHIFT) & 0x8000) ? 2 : 1;
            if (parent != nullptr)
                parent->PostMessage(WM_FOCUSMOVE, reinterpret_cast<WPARAM>(this), direction);
        } else if (parent != nullptr) {
            parent->PostMessage(WM_FOCUSMOVE, reinterpret_cast<WPARAM>(parent), 0);
        }
        // The key never reaches the control, bound parent or not.
        return 0;
    }

protected:
    // A key the control keeps for itself: its own procedure handles it.
    int OwnKey(WPARAM key, LPARAM flags) { return T::OnKeyDown(key, flags); }

    // Enter for the controls that report it: WM_ENTERKEY to a bound parent, and the key goes no
    // further either way.
    int PostEnterKey()
    {
        if (CWindowBase* parent = this->GetParentObject())
            parent->PostMessage(WM_ENTERKEY, reinterpret_cast<WPARAM>(this), 0);
        return 0;
    }
};

} // namespace Vexa
