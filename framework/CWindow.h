// CWindowBase, CWindow: window objects bound to their windows through the "CPP_CLASS" property,
// with one shared procedure and a fixed table that turns eighteen messages into virtual handlers.
//
// The names of several wrappers (SendMessage, GetWindowText, CreateWindowEx, ...) are macros of
// <windows.h>; as everywhere in this library they resolve to the ANSI (...A) names consistently.
#pragma once

#include <windows.h>

#include "foundation/CObject.h"

namespace Vexa {

class CString;

// The window property that holds the bound object.
inline constexpr char kBindingProp[] = "CPP_CLASS";

class CWindowBase : public CObject {
    VEXA_DECLARE_DYNAMIC(CWindowBase)
public:
    CWindowBase();
    CWindowBase(const char* title, HMENU menu);
    // Unbinds the object and destroys the window it is still bound to.
    ~CWindowBase() override;

    CWindowBase(const CWindowBase&) = delete;
    CWindowBase& operator=(const CWindowBase&) = delete;

    HWND GetHwnd() const { return m_hWnd; }
    BOOL Attach(HWND hwnd);
    BOOL Detach();
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    virtual LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    virtual HDC BeginPaint();
    virtual BOOL CloseWindow();
    virtual HWND CreateWindowEx(DWORD exStyle, const char* className, const char* title,
                                DWORD style, int x, int y, int width, int height, HWND parent,
                                HMENU menu, HINSTANCE instance, LPVOID param);
    virtual BOOL DestroyWindow();
    virtual void DragAcceptFiles(BOOL accept);
    virtual BOOL EnableWindow(BOOL enable);
    virtual BOOL EndPaint();
    virtual DWORD GetClassLong(int index);
    virtual HWND GetParent();
    virtual LONG GetWindowLong(int index);
    virtual BOOL GetWindowRect(RECT* rect);
    virtual int GetWindowText(char* buffer, int size);
    virtual CString GetWindowText();
    virtual int GetWindowTextLength();
    virtual BOOL InvalidateRect(const RECT* rect, BOOL erase);
    virtual BOOL InvalidateRgn(HRGN region, BOOL erase);
    virtual BOOL IsChild(HWND parent);
    virtual BOOL IsIconic();
    virtual BOOL IsWindow();
    virtual BOOL IsWindowUnicode();
    virtual BOOL IsWindowVisible();
    virtual BOOL IsZoomed();
    virtual BOOL IsForegroundWindow();
    virtual BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint);
    virtual BOOL OpenIcon();
    virtual BOOL PostMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual HWND SetActiveWindow();
    virtual DWORD SetClassLong(int index, LONG value);
    virtual BOOL SetForegroundWindow();
    virtual HWND SetParent(HWND parent);
    virtual LRESULT SendMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL SetMenu(HMENU menu);
    virtual LONG SetWindowLong(int index, LONG value);
    virtual BOOL SetWindowText(const char* text);
    virtual BOOL ShowWindow(int command);
    virtual HWND GetDlgItem(int id);

    HWND m_hWnd;
    WNDPROC m_pfnPrevProc;
    BOOL m_bDialog;
    PAINTSTRUCT m_ps;
    const char* m_lpszTitle;
    HMENU m_hMenu;
};

class CWindow : public CWindowBase {
    VEXA_DECLARE_DYNAMIC(CWindow)
public:
    CWindow();
    CWindow(const char* title, HMENU menu);
    ~CWindow() override;

    // Looks msg up in the dispatch table; unlisted messages get default processing.
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The dispatch table's handlers, in its order; each default does default processing.
    virtual int OnInitDialog(WPARAM wParam, LPARAM lParam);
    virtual int OnCreate(WPARAM wParam, LPARAM lParam);
    virtual int OnClose(WPARAM wParam, LPARAM lParam);
    virtual int OnDestroy(WPARAM wParam, LPARAM lParam);
    virtual int OnCommand(WPARAM wParam, LPARAM lParam);
    virtual int OnPaint(WPARAM wParam, LPARAM lParam);
    virtual int OnLButtonDown(WPARAM wParam, LPARAM lParam);
    virtual int OnLButtonUp(WPARAM wParam, LPARAM lParam);
    virtual int OnRButtonDown(WPARAM wParam, LPARAM lParam);
    virtual int OnRButtonUp(WPARAM wParam, LPARAM lParam);
    virtual int OnKeyDown(WPARAM wParam, LPARAM lParam);
    virtual int OnKeyUp(WPARAM wParam, LPARAM lParam);
    virtual int OnChar(WPARAM wParam, LPARAM lParam);
    virtual int OnMouseWheel(WPARAM wParam, LPARAM lParam);
    virtual int OnDropFiles(WPARAM wParam, LPARAM lParam);
    virtual int OnCtlColorDlg(WPARAM wParam, LPARAM lParam);
    virtual int OnCtlColorStatic(WPARAM wParam, LPARAM lParam);
    virtual int OnNotify(WPARAM wParam, LPARAM lParam);

    virtual HWND Create(const char* title, int x, int y, int width, int height, HWND parent,
                        HMENU menu);
    virtual HWND Create(int x, int y, int width, int height, HWND parent);
    virtual DWORD GetDefaultExStyle();
    virtual DWORD GetDefaultStyle();
    virtual LONG GetExStyle();
    virtual LONG GetStyle();
    virtual const char* GetWindowClassName();
    virtual LONG SetExStyle(LONG exStyle);
    virtual DWORD SetClassBackground(LONG brush);
    virtual DWORD SetClassCursor(LONG cursor);
    virtual DWORD SetClassIcon(LONG icon);
    virtual CWindowBase* GetParentObject();
    virtual BOOL RegisterWindowClass();
};

} // namespace Vexa
