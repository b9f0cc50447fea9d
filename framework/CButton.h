// CButtonBase, CButton, CCheckBox, CRadioButton: objects for the "BUTTON" controls.
// The check box and radio button created here are the manual kinds: a click does not toggle them,
// the owner sets their state.
#pragma once

#include "framework/CControlWindow.h"

namespace Vexa {

class CButtonBase : public CControlWindow {
    VEXA_DECLARE_DYNAMIC(CButtonBase)
public:
    CButtonBase() {}
    ~CButtonBase() override {}

    const char* GetWindowClassName() override;
};

// A push button; read and written through the window operations, clicks go to the parent.
class CButton : public CButtonBase {
    VEXA_DECLARE_DYNAMIC(CButton)
public:
    CButton() {}
    ~CButton() override {}

    DWORD GetDefaultStyle() override;
};

class CCheckBox : public CButtonBase {
    VEXA_DECLARE_DYNAMIC(CCheckBox)
public:
    CCheckBox() {}
    ~CCheckBox() override {}

    DWORD GetDefaultStyle() override;

    // Attributes
    virtual LRESULT SetCheck(int state);
    // Checks the button when flag is 0, clears it otherwise.
    virtual LRESULT SetUncheck(int flag);
    // True only for BST_CHECKED; the indeterminate state counts as not checked.
    virtual bool IsChecked();
};

class CRadioButton : public CButtonBase {
    VEXA_DECLARE_DYNAMIC(CRadioButton)
public:
    CRadioButton() {}
    ~CRadioButton() override {}

    DWORD GetDefaultStyle() override;

    // Attributes
    virtual LRESULT SetCheck(int state);
    virtual LRESULT SetUncheck(int flag);
    virtual bool IsChecked();
};

} // namespace Vexa
