// CListViewBase, CListView: objects for the report-style list view ("SysListView32").
// CListViewBase holds the message wrappers, CListView the conveniences built on them.
#pragma once

#include "framework/CCommCtrl.h"
#include "foundation/CString.h"

class CListViewBase : public CCommCtrl {
    VEXA_DECLARE_DYNAMIC(CListViewBase)
public:
    CListViewBase();
    ~CListViewBase() override {}

    BOOL InitControlClasses() override;
    DWORD GetDefaultExStyle() override;
    DWORD GetDefaultStyle() override;
    const char* GetWindowClassName() override;

    // Operations; each returns the control's reply.
    virtual int InsertColumn(int index, LVCOLUMNA* column);
    virtual int InsertItem(LVITEMA* item);
    virtual BOOL SetItem(LVITEMA* item);
    virtual BOOL GetItem(LVITEMA* item);
    virtual BOOL DeleteItem(int index);
    virtual BOOL DeleteAllItems();
    virtual int GetItemCount();
    virtual BOOL SetItemText(int item, int subItem, const char* text);
    // Copies at most size - 1 characters and a terminator; returns the characters copied.
    virtual int GetItemText(int item, int subItem, char* buffer, int size);
    // Sets the check-box state image: 2 checked, 1 unchecked.
    virtual BOOL SetCheck(int item, BOOL checked);
    // 1 checked, 0 unchecked, -1 for an item without a state image.
    virtual int GetCheck(int item);
    virtual int GetNextItem(int start, int flags);
    // Replaces the whole extended style; returns the previous one.
    virtual DWORD SetExtendedStyle(DWORD style);
    virtual DWORD GetExtendedStyle();

private:
    static bool s_bRegistered;
};

class CListView : public CListViewBase {
    VEXA_DECLARE_DYNAMIC(CListView)
public:
    CListView() {}
    ~CListView() override {}

    using CListViewBase::GetItemText;
    using CListViewBase::InsertColumn;
    using CListViewBase::InsertItem;
    using CListViewBase::SetItemText;

    // A left-aligned text column.
    virtual int InsertColumn(int index, int subItem, int width, const char* text);
    virtual int InsertColumn(int index, int width, const char* text);
    virtual int InsertItem(int index, const char* text);
    virtual BOOL SetItemText(int item, int subItem, const Vexa::CString& text);
    // The text of a cell, at most 259 characters; empty when nothing was copied.
    virtual Vexa::CString GetItemText(int item, int subItem);
    // The first selected row, or -1.
    virtual int GetSelectedItem();
};
