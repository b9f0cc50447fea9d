// CComboBox: object for a drop-down list ("COMBOBOX" with CBS_DROPDOWNLIST).
#pragma once

#include "framework/CControlWindow.h"

namespace Vexa {

class CComboBox : public CControlWindow {
    VEXA_DECLARE_DYNAMIC(CComboBox)
public:
    CComboBox() {}
    // For a list the program creates itself: no text, the given control identifier.
    explicit CComboBox(int id);
    ~CComboBox() override {}

    DWORD GetDefaultStyle() override;
    const char* GetWindowClassName() override;

    // Operations; each returns the control's reply (an index, a count or CB_ERR).
    virtual int AddString(const char* text);
    virtual int InsertString(int index, const char* text);
    virtual int DeleteString(int index);
    // Searches from the entry after the first one and wraps round, so entry 0 is tried last.
    virtual int SelectString(const char* text);
    virtual int GetCount();
    virtual int SetCurSel(int index);
    virtual int GetCurSel();
};

} // namespace Vexa
