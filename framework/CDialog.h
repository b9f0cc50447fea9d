// CDialog: a window made from a dialog template, run modal or as a modeless child. Its dialog
// procedure is the library's shared procedure, and OK, Cancel and closing end the dialog.
#pragma once

#include "framework/CWindow.h"

namespace Vexa {

class CDialog : public CWindow {
    VEXA_DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(WORD templateId);
    ~CDialog() override;

    // OK and Cancel go to OnOK and OnCancel, so OnCommand never sees them.
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    HWND GetDlgItem(int id) override;
    // Closing (the close box) ends the dialog like Cancel.
    int OnClose(WPARAM wParam, LPARAM lParam) override;

    // -1 when the template is missing or the dialog cannot be made.
    virtual INT_PTR DoModal(WORD id, HWND parent);
    virtual INT_PTR DoModal(HWND parent);
    // Null when the template is missing or the dialog cannot be made.
    virtual HWND CreateModeless(WORD id, HWND parent);
    virtual HWND CreateModeless(HWND parent);
    virtual BOOL EndDialog(int result);
    virtual void OnOK();
    virtual void OnCancel();

    WORD m_nTemplateId;
};

} // namespace Vexa
