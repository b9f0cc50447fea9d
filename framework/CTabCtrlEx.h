// CTabCtrlEx: the main window's tab strip. A click gives it the focus; Tab, Shift+Tab and Esc
// move the focus; the main window's keys and the other command keys go up to the parent so they
// work while the strip has the focus; the arrow keys stay with the strip.
#pragma once

#include "framework/CFocusControl.h"
#include "framework/CTabCtrl.h"

class CTabCtrlEx : public Vexa::CFocusControlT<CTabCtrl> {
    VEXA_DECLARE_DYNAMIC(CTabCtrlEx)
public:
    CTabCtrlEx() {}
    ~CTabCtrlEx() override {}

    int OnLButtonUp(WPARAM wParam, LPARAM lParam) override;
    int OnKeyDown(WPARAM key, LPARAM flags) override;
};
