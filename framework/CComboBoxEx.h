// CComboBoxEx: a drop-down list that hands Tab, Shift+Tab and Esc to its parent and passes the
// command keys up, but for F4 and, while its list is open, Enter, which it uses itself.
#pragma once

#include "framework/CComboBox.h"
#include "framework/CFocusControl.h"

class CComboBoxEx : public Vexa::CFocusControlT<Vexa::CComboBox> {
    VEXA_DECLARE_DYNAMIC(CComboBoxEx)
public:
    CComboBoxEx() {}
    // For a list the program creates itself with this control identifier.
    explicit CComboBoxEx(int id) : Vexa::CFocusControlT<Vexa::CComboBox>(id) {}
    ~CComboBoxEx() override {}

    int OnKeyDown(WPARAM key, LPARAM flags) override;
};
