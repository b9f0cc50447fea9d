// CInputBoxEx: an edit box that hands Tab, Shift+Tab and Esc to its parent, reports Enter, keeps
// the keys it edits with and passes the other command keys up.
#pragma once

#include "framework/CEdit.h"
#include "framework/CFocusControl.h"

class CInputBoxEx : public Vexa::CFocusControlT<Vexa::CInputBox> {
    VEXA_DECLARE_DYNAMIC(CInputBoxEx)
public:
    CInputBoxEx() {}
    ~CInputBoxEx() override {}

    // Enter posts WM_ENTERKEY to a bound parent; Tab, Shift+Tab and Esc move the focus; Delete and
    // Ctrl+A, C, V, X, Z, Y edit the text.
    int OnKeyDown(WPARAM key, LPARAM flags) override;
    // Swallows the characters of Tab, Enter and Esc, so the box neither inserts nor beeps.
    int OnChar(WPARAM ch, LPARAM flags) override;
};
