#include "framework/CListView.h"

#include <cstring>

VEXA_IMPLEMENT_DYNAMIC(CListViewBase, CCommCtrl)
VEXA_IMPLEMENT_DYNAMIC(CListView, CListViewBase)

bool CListViewBase::s_bRegistered = false;

CListViewBase::CListViewBase() { CListViewBase::InitControlClasses(); }

BOOL CListViewBase::InitControlClasses() { return InitFamily(s_bRegistered, ICC_LISTVIEW_CLASSES); }

DWORD CListViewBase::GetDefaultExStyle() { return WS_EX_CLIENTEDGE; }

DWORD CListViewBase::GetDefaultStyle() { return WS_CHILD | WS_VISIBLE | LVS_REPORT; }

const char* CListViewBase::GetWindowClassName() { return "SysListView32"; }

int CListViewBase::InsertColumn(int index, LVCOLUMNA* column)
{
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(column)));
}

int CListViewBase::InsertItem(LVITEMA* item)
{
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CListViewBase::SetItem(LVITEMA* item)
{
    return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CListViewBase::GetItem(LVITEMA* item)
{
    return static_cast<BOOL>(SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CListViewBase::DeleteItem(int index)
{
    return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, index, 0));
}

BOOL CListViewBase::DeleteAllItems()
{
    return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS, 0, 0));
}

int CListViewBase::GetItemCount() { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT, 0, 0)); }

BOOL CListViewBase::SetItemText(int item, int subItem, const char* text)
{
    LVITEMA record = {};
    record.iSubItem = subItem;
    record.pszText = const_cast<char*>(text);  // read only by the control
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&record)));
}

int CListViewBase::GetItemText(int item, int subItem, char* buffer, int size)
{
    LVITEMA record = {};
    record.iSubItem = subItem;
    record.pszText = buffer;
    record.cchTextMax = size;
    int copied =
        static_cast<int>(SendMessage(LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&record)));
    // Some list views fill the whole buffer with a text that does not fit and leave out the
    // terminator; the text is cut instead.
    if (buffer != nullptr && size > 0)
        buffer[size - 1] = '\0';
    return copied;
}

BOOL CListViewBase::SetCheck(int item, BOOL checked)
{
    LVITEMA record = {};
    record.stateMask = LVIS_STATEIMAGEMASK;
    record.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&record)));
}

int CListViewBase::GetCheck(int item)
{
    LRESULT state = SendMessage(LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK);
    return static_cast<int>((static_cast<UINT>(state) >> 12) - 1);
}

int CListViewBase::GetNextItem(int start, int flags)
{
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
}

DWORD CListViewBase::SetExtendedStyle(DWORD style)
{
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
}

DWORD CListViewBase::GetExtendedStyle()
{
    return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

int CListView::InsertColumn(int index, int subItem, int width, const char* text)
{
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(text);
    column.iSubItem = subItem;
    return InsertColumn(index, &column);
}

int CListView::InsertColumn(int index, int width, const char* text)
{
    return InsertColumn(index, index, width, text);
}

int CListView::InsertItem(int index, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    return InsertItem(&item);
}

BOOL CListView::SetItemText(int item, int subItem, const Vexa::CString& text)
{
    return SetItemText(item, subItem, static_cast<const char*>(text));
}

Vexa::CString CListView::GetItemText(int item, int subItem)
{
    char buffer[MAX_PATH] = {};
    GetItemText(item, subItem, buffer, MAX_PATH);
    return Vexa::CString(buffer);
}

int CListView::GetSelectedItem() { return GetNextItem(-1, LVNI_SELECTED); }
