// CInputBoxEx: an edit box that hands Tab, Shift+Tab and Esc to its parent and reports Enter.
#pragma once

#include "framework/CEdit.h"
#include "framework/CFocusControl.h"

class CInputBoxEx : public Vexa::CFocusControlT<Vexa::CInputBox> {
    VEXA_DECLARE_DYNAMIC(CInputBoxEx)
public:
    CInputBoxEx() {}
    ~CInputBoxEx() override {}

    // Enter posts WM_ENTERKEY to a bound parent; Tab, Shift+Tab and Esc move the focus.
    int OnKeyDown(WPARAM key, LPARAM flags) override;
    // Swallows the characters of Tab, Enter and Esc, so the box neither inserts nor beeps.
    int OnChar(WPARAM ch, LPARAM flags) override;
};
