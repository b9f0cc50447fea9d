// CButtonEx: a push button that hands Tab, Shift+Tab and Esc to its parent.
#pragma once

#include "framework/CButton.h"
#include "framework/CFocusControl.h"

class CButtonEx : public Vexa::CFocusControlT<Vexa::CButton> {
    VEXA_DECLARE_DYNAMIC(CButtonEx)
public:
    CButtonEx() {}
    ~CButtonEx() override {}
};
