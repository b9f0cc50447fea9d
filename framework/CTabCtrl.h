// CTabBase, CTabCtrl: objects for the tab strip ("SysTabControl32"). Tabs carry text only.
#pragma once

#include "framework/CCommCtrl.h"

class CTabBase : public CCommCtrl {
    VEXA_DECLARE_DYNAMIC(CTabBase)
public:
    CTabBase();
    ~CTabBase() override {}

    BOOL InitControlClasses() override;
    DWORD GetDefaultStyle() override;
    const char* GetWindowClassName() override;

    // Operations
    virtual int InsertItem(int index, TCITEMA* item);
    virtual int GetCurSel();
    // Selects without notifying the parent; returns the previous selection or -1.
    virtual int SetCurSel(int index);

private:
    static bool s_bRegistered;
};

class CTabCtrl : public CTabBase {
    VEXA_DECLARE_DYNAMIC(CTabCtrl)
public:
    CTabCtrl() {}
    ~CTabCtrl() override {}

    using CTabBase::InsertItem;
    // Inserts a tab with this text and nothing else (no image, state or parameter).
    virtual int InsertItem(int index, const char* text);

private:
    // One record shared by every tab strip; only its mask and text are ever written.
    static TCITEMA s_item;
};
