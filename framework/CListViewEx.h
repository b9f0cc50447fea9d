// CListViewEx: a list view that hands Tab, Shift+Tab and Esc to its parent, reports Enter and
// passes the other command keys up.
#pragma once

#include "framework/CFocusControl.h"
#include "framework/CListView.h"

class CListViewEx : public Vexa::CFocusControlT<CListView> {
    VEXA_DECLARE_DYNAMIC(CListViewEx)
public:
    CListViewEx() {}
    ~CListViewEx() override {}

    // Enter posts WM_ENTERKEY to a bound parent; Tab, Shift+Tab and Esc move the focus.
    int OnKeyDown(WPARAM key, LPARAM flags) override;
};
