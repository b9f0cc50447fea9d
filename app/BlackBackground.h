// The program's own dialogs paint a black background with white static texts; their
// WM_CTLCOLORDLG and WM_CTLCOLORSTATIC handlers answer through these two.
#pragma once

#include <windows.h>

inline int BlackDialogBrush()
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(GetStockObject(BLACK_BRUSH)));
}

// wParam of WM_CTLCOLORSTATIC is the static control's device context.
inline int WhiteOnBlackStatic(WPARAM wParam)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    return BlackDialogBrush();
}
