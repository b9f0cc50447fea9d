// CEditBase, CInputBox: objects for the "EDIT" controls; CInputBox is the one-line box with
// horizontal scrolling that the pages and dialogs use for paths and names.
#pragma once

#include "framework/CControlWindow.h"

namespace Vexa {

class CEditBase : public CControlWindow {
    VEXA_DECLARE_DYNAMIC(CEditBase)
public:
    CEditBase() {}
    ~CEditBase() override {}

    DWORD GetDefaultExStyle() override;
    const char* GetWindowClassName() override;

    // Operations
    virtual LRESULT SetLimitText(int maximum);
    // Selection start in the low word, end in the high word.
    virtual DWORD GetSel();
    // Posted, so it takes effect after the messages already queued (caret after 2 characters).
    virtual BOOL PostSetSel();
    // The replacement cannot be undone.
    virtual LRESULT ReplaceSel(const char* text);
    virtual BOOL GetModify();
    virtual LRESULT SetModify(BOOL modified);
    virtual LRESULT ScrollCaret();
    virtual BOOL CanUndo();
    virtual LRESULT Undo();
    virtual LRESULT EmptyUndoBuffer();
};

class CInputBox : public CEditBase {
    VEXA_DECLARE_DYNAMIC(CInputBox)
public:
    CInputBox() {}
    ~CInputBox() override {}

    DWORD GetDefaultStyle() override;
};

} // namespace Vexa
