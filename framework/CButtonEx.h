// CButtonEx: a push button that hands Tab, Shift+Tab and Esc to its parent, is pressed by Enter
// as by Space, and passes the other command keys up.
#pragma once

#include "framework/CButton.h"
#include "framework/CFocusControl.h"

class CButtonEx : public Vexa::CFocusControlT<Vexa::CButton> {
    VEXA_DECLARE_DYNAMIC(CButtonEx)
public:
    CButtonEx() {}
    ~CButtonEx() override {}

    // Enter tells the parent of a click (BN_CLICKED), posted, as the button itself does.
    int OnKeyDown(WPARAM key, LPARAM flags) override;
};
