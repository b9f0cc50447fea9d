// CCommCtrl: base of the common-control objects (tab strip, list view). Each family makes sure
// its window classes are registered with the platform before its first control is made.
#pragma once

#include "framework/CControlWindow.h"

#include <commctrl.h>

class CCommCtrl : public Vexa::CControlWindow {
    VEXA_DECLARE_DYNAMIC(CCommCtrl)
public:
    CCommCtrl() {}
    ~CCommCtrl() override {}

    // Registers the family's window classes once per process; the result of the registration,
    // or 0 when it was already done.
    virtual BOOL InitControlClasses() = 0;

protected:
    // InitCommonControlsEx for the given family, once: the flag is set only on success, so a
    // failed registration is tried again by the next construction.
    static BOOL InitFamily(bool& registered, DWORD icc);
};
