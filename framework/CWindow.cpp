// CWindowBase, CWindow: binding, the shared procedure, default processing and the dispatch table.
#include "framework/CWindow.h"

#include <unordered_map>

#include "foundation/CString.h"

namespace Vexa {

namespace {

// The bindings again, kept beside the window property: asking the system for a property costs a
// call to another process under Wine (about 150 us on a busy machine), and the shared procedure
// asks for every message. A window bound otherwise is still found through its property.
std::unordered_map<HWND, CWindowBase*>& Bindings()
{
    static std::unordered_map<HWND, CWindowBase*> bindings;
    return bindings;
}

CWindowBase* BoundObject(HWND hwnd)
{
    auto found = Bindings().find(hwnd);
    if (found != Bindings().end()) return found->second;
    return hwnd ? static_cast<CWindowBase*>(::GetPropA(hwnd, kBindingProp)) : nullptr;
}

// True when the window runs a dialog procedure, which decides default processing and the index
// of the procedure that Attach replaces. DWLP_DLGPROC is only an offset into the window's extra
// bytes, where a control keeps data of its own (a button its font), so only a window with a
// dialog's extra bytes is asked for it.
bool HasDialogProc(HWND hwnd)
{
    if (::GetClassLongA(hwnd, GCL_CBWNDEXTRA) < DLGWINDOWEXTRA)
        return false;
    return ::GetWindowLongPtrA(hwnd, DWLP_DLGPROC) != 0;
}

} // namespace

VEXA_IMPLEMENT_DYNAMIC(CWindowBase, CObject)
VEXA_IMPLEMENT_DYNAMIC(CWindow, CWindowBase)

CWindowBase::CWindowBase()
    : m_hWnd(NULL), m_pfnPrevProc(NULL), m_bDialog(FALSE), m_ps(), m_lpszTitle(NULL),
      m_hMenu(NULL)
{
}

CWindowBase::CWindowBase(const char* title, HMENU menu)
    : m_hWnd(NULL), m_pfnPrevProc(NULL), m_bDialog(FALSE), m_ps(), m_lpszTitle(title),
      m_hMenu(menu)
{
}

// The binding ends before the window goes, so the messages that DestroyWindow sends can no
// longer reach this object, of which only the base part is left. A window that has since been
// bound to another object belongs to that object and is left alone.
CWindowBase::~CWindowBase()
{
    if (m_hWnd == NULL)
        return;
    CWindowBase* bound = BoundObject(m_hWnd);
    if (bound == this)
        Detach();
    else if (bound != NULL)
        return;
    ::DestroyWindow(m_hWnd);
}

BOOL CWindowBase::Attach(HWND hwnd)
{
    if (hwnd == NULL)
        return FALSE;
    m_hWnd = hwnd;
    m_bDialog = HasDialogProc(hwnd);
    ::SetPropA(hwnd, kBindingProp, this);
    Bindings()[hwnd] = this;
    const int index = m_bDialog ? DWLP_DLGPROC : GWLP_WNDPROC;
    const LONG_PTR current = ::GetWindowLongPtrA(hwnd, index);
    if (current != reinterpret_cast<LONG_PTR>(&StaticWindowProc)) {
        m_pfnPrevProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hwnd, index, reinterpret_cast<LONG_PTR>(&StaticWindowProc)));
    }
    return TRUE;
}

BOOL CWindowBase::Detach()
{
    if (m_hWnd == NULL)
        return FALSE;
    if (m_pfnPrevProc != NULL) {
        ::SetWindowLongPtrA(m_hWnd, m_bDialog ? DWLP_DLGPROC : GWLP_WNDPROC,
                            reinterpret_cast<LONG_PTR>(m_pfnPrevProc));
    }
    ::RemovePropA(m_hWnd, kBindingProp);
    auto found = Bindings().find(m_hWnd);
    if (found != Bindings().end() && found->second == this) Bindings().erase(found);
    return TRUE;
}

// Window and dialog procedure of every bound window. Nothing thrown by a handler may unwind
// through the platform's frames, so this is where exceptions stop.
LRESULT CALLBACK CWindowBase::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        CWindowBase* object = BoundObject(hwnd);
        if (object == NULL) {
            if (msg == WM_CREATE || msg == WM_NCCREATE) {
                const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
                if (cs != NULL)
                    object = static_cast<CWindowBase*>(cs->lpCreateParams);
            } else if (msg == WM_INITDIALOG) {
                object = reinterpret_cast<CWindowBase*>(lParam);
            }
            if (object != NULL)
                object->Attach(hwnd);
        }
        if (object == NULL)
            return HasDialogProc(hwnd) ? 0 : ::DefWindowProcA(hwnd, msg, wParam, lParam);

        const LRESULT result = object->WindowProc(hwnd, msg, wParam, lParam);
        // The handler may have ended the binding itself, or deleted the object (whose destructor
        // unbinds it): touch the object only while the window still names it.
        if (msg == WM_DESTROY && BoundObject(hwnd) == object)
            object->Detach();
        return result;
    } catch (...) {
        return 0;
    }
}

// Default processing: the replaced procedure, else the dialog manager's, else the system's.
LRESULT CWindowBase::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnPrevProc != NULL)
        return ::CallWindowProcA(m_pfnPrevProc, hwnd, msg, wParam, lParam);
    if (m_bDialog)
        return 0;
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

HDC CWindowBase::BeginPaint() { return ::BeginPaint(m_hWnd, &m_ps); }
BOOL CWindowBase::CloseWindow() { return ::CloseWindow(m_hWnd); }

HWND CWindowBase::CreateWindowEx(DWORD exStyle, const char* className, const char* title,
                                 DWORD style, int x, int y, int width, int height, HWND parent,
                                 HMENU menu, HINSTANCE instance, LPVOID param)
{
    return ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu,
                             instance, param);
}

BOOL CWindowBase::DestroyWindow() { return ::DestroyWindow(m_hWnd); }
void CWindowBase::DragAcceptFiles(BOOL accept) { ::DragAcceptFiles(m_hWnd, accept); }
BOOL CWindowBase::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWindowBase::EndPaint() { return ::EndPaint(m_hWnd, &m_ps); }
DWORD CWindowBase::GetClassLong(int index) { return ::GetClassLongA(m_hWnd, index); }
HWND CWindowBase::GetParent() { return ::GetParent(m_hWnd); }
LONG CWindowBase::GetWindowLong(int index) { return ::GetWindowLongA(m_hWnd, index); }
BOOL CWindowBase::GetWindowRect(RECT* rect) { return ::GetWindowRect(m_hWnd, rect); }

int CWindowBase::GetWindowText(char* buffer, int size)
{
    return ::GetWindowTextA(m_hWnd, buffer, size);
}

// The whole text, in a string sized to fit.
CString CWindowBase::GetWindowText()
{
    CString text;
    const int size = GetWindowTextLength() + 1;
    char* buffer = text.GetBuffer(size);
    if (buffer != NULL)
        ::GetWindowTextA(m_hWnd, buffer, size);
    text.FreeExtra();
    return text;
}

int CWindowBase::GetWindowTextLength() { return ::GetWindowTextLengthA(m_hWnd); }

BOOL CWindowBase::InvalidateRect(const RECT* rect, BOOL erase)
{
    return ::InvalidateRect(m_hWnd, rect, erase);
}

BOOL CWindowBase::InvalidateRgn(HRGN region, BOOL erase)
{
    return ::InvalidateRgn(m_hWnd, region, erase);
}

BOOL CWindowBase::IsChild(HWND parent) { return ::IsChild(parent, m_hWnd); }
BOOL CWindowBase::IsIconic() { return ::IsIconic(m_hWnd); }
BOOL CWindowBase::IsWindow() { return ::IsWindow(m_hWnd); }
BOOL CWindowBase::IsWindowUnicode() { return ::IsWindowUnicode(m_hWnd); }
BOOL CWindowBase::IsWindowVisible() { return ::IsWindowVisible(m_hWnd); }
BOOL CWindowBase::IsZoomed() { return ::IsZoomed(m_hWnd); }
BOOL CWindowBase::IsForegroundWindow() { return m_hWnd == ::GetForegroundWindow(); }

BOOL CWindowBase::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

BOOL CWindowBase::OpenIcon() { return ::OpenIcon(m_hWnd); }

BOOL CWindowBase::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageA(m_hWnd, msg, wParam, lParam);
}

HWND CWindowBase::SetActiveWindow() { return ::SetActiveWindow(m_hWnd); }

DWORD CWindowBase::SetClassLong(int index, LONG value)
{
    // The pointer-sized form, so a 64-bit build can reach the class's handles too.
    return static_cast<DWORD>(::SetClassLongPtrA(m_hWnd, index, value));
}

BOOL CWindowBase::SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
HWND CWindowBase::SetParent(HWND parent) { return ::SetParent(m_hWnd, parent); }

LRESULT CWindowBase::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, msg, wParam, lParam);
}

BOOL CWindowBase::SetMenu(HMENU menu) { return ::SetMenu(m_hWnd, menu); }

LONG CWindowBase::SetWindowLong(int index, LONG value)
{
    return ::SetWindowLongA(m_hWnd, index, value);
}

BOOL CWindowBase::SetWindowText(const char* text) { return ::SetWindowTextA(m_hWnd, text); }
BOOL CWindowBase::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
HWND CWindowBase::GetDlgItem(int id) { return ::GetDlgItem(m_hWnd, id); }

// ---------------------------------------------------------------------------------------------

namespace {

struct DispatchEntry {
    UINT message;
    int (CWindow::*handler)(WPARAM, LPARAM);
};

// Searched from the top. The pointers go through the virtual table, so overrides run.
const DispatchEntry kDispatchTable[] = {
    {WM_INITDIALOG, &CWindow::OnInitDialog},
    {WM_CREATE, &CWindow::OnCreate},
    {WM_CLOSE, &CWindow::OnClose},
    {WM_DESTROY, &CWindow::OnDestroy},
    {WM_COMMAND, &CWindow::OnCommand},
    {WM_PAINT, &CWindow::OnPaint},
    {WM_LBUTTONDOWN, &CWindow::OnLButtonDown},
    {WM_LBUTTONUP, &CWindow::OnLButtonUp},
    {WM_RBUTTONDOWN, &CWindow::OnRButtonDown},
    {WM_RBUTTONUP, &CWindow::OnRButtonUp},
    {WM_KEYDOWN, &CWindow::OnKeyDown},
    {WM_KEYUP, &CWindow::OnKeyUp},
    {WM_CHAR, &CWindow::OnChar},
    {WM_MOUSEWHEEL, &CWindow::OnMouseWheel},
    {WM_DROPFILES, &CWindow::OnDropFiles},
    {WM_CTLCOLORDLG, &CWindow::OnCtlColorDlg},
    {WM_CTLCOLORSTATIC, &CWindow::OnCtlColorStatic},
    {WM_NOTIFY, &CWindow::OnNotify},
};

} // namespace

CWindow::CWindow() {}
CWindow::CWindow(const char* title, HMENU menu) : CWindowBase(title, menu) {}
CWindow::~CWindow() {}

LRESULT CWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    for (const DispatchEntry& entry : kDispatchTable) {
        if (entry.message == msg)
            return (this->*entry.handler)(wParam, lParam);
    }
    return CWindowBase::WindowProc(hwnd, msg, wParam, lParam);
}

#define VEXA_DEFAULT_HANDLER(name, message)                                      \
    int CWindow::name(WPARAM wParam, LPARAM lParam)                              \
    {                                                                            \
        return static_cast<int>(CWindowBase::WindowProc(m_hWnd, message, wParam, lParam)); \
    }

VEXA_DEFAULT_HANDLER(OnInitDialog, WM_INITDIALOG)
VEXA_DEFAULT_HANDLER(OnCreate, WM_CREATE)
VEXA_DEFAULT_HANDLER(OnClose, WM_CLOSE)
VEXA_DEFAULT_HANDLER(OnDestroy, WM_DESTROY)
VEXA_DEFAULT_HANDLER(OnCommand, WM_COMMAND)
VEXA_DEFAULT_HANDLER(OnPaint, WM_PAINT)
VEXA_DEFAULT_HANDLER(OnLButtonDown, WM_LBUTTONDOWN)
VEXA_DEFAULT_HANDLER(OnLButtonUp, WM_LBUTTONUP)
VEXA_DEFAULT_HANDLER(OnRButtonDown, WM_RBUTTONDOWN)
VEXA_DEFAULT_HANDLER(OnRButtonUp, WM_RBUTTONUP)
VEXA_DEFAULT_HANDLER(OnKeyDown, WM_KEYDOWN)
VEXA_DEFAULT_HANDLER(OnKeyUp, WM_KEYUP)
VEXA_DEFAULT_HANDLER(OnChar, WM_CHAR)
VEXA_DEFAULT_HANDLER(OnMouseWheel, WM_MOUSEWHEEL)
VEXA_DEFAULT_HANDLER(OnDropFiles, WM_DROPFILES)
VEXA_DEFAULT_HANDLER(OnCtlColorDlg, WM_CTLCOLORDLG)
VEXA_DEFAULT_HANDLER(OnCtlColorStatic, WM_CTLCOLORSTATIC)
VEXA_DEFAULT_HANDLER(OnNotify, WM_NOTIFY)

#undef VEXA_DEFAULT_HANDLER

// Registers the class if needed and creates the window; StaticWindowProc binds it at the first
// creation message, since the creation parameter is this object.
HWND CWindow::Create(const char* title, int x, int y, int width, int height, HWND parent,
                     HMENU menu)
{
    RegisterWindowClass();
    HINSTANCE instance = ::GetModuleHandleA(NULL);
    return CWindowBase::CreateWindowEx(GetDefaultExStyle(), GetWindowClassName(), title,
                                       GetDefaultStyle(), x, y, width, height, parent, menu,
                                       instance, this);
}

HWND CWindow::Create(int x, int y, int width, int height, HWND parent)
{
    return Create(m_lpszTitle, x, y, width, height, parent, m_hMenu);
}

DWORD CWindow::GetDefaultExStyle() { return 0; }
DWORD CWindow::GetDefaultStyle() { return WS_OVERLAPPEDWINDOW; }
LONG CWindow::GetExStyle() { return GetWindowLong(GWL_EXSTYLE); }
LONG CWindow::GetStyle() { return GetWindowLong(GWL_STYLE); }
const char* CWindow::GetWindowClassName() { return "CWindow"; }
LONG CWindow::SetExStyle(LONG exStyle) { return SetWindowLong(GWL_EXSTYLE, exStyle); }
DWORD CWindow::SetClassBackground(LONG brush) { return SetClassLong(GCLP_HBRBACKGROUND, brush); }
DWORD CWindow::SetClassCursor(LONG cursor) { return SetClassLong(GCLP_HCURSOR, cursor); }
DWORD CWindow::SetClassIcon(LONG icon) { return SetClassLong(GCLP_HICON, icon); }

CWindowBase* CWindow::GetParentObject()
{
    return BoundObject(GetParent());
}

BOOL CWindow::RegisterWindowClass()
{
    HINSTANCE instance = ::GetModuleHandleA(NULL);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = &StaticWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(32512));
    wc.hIconSm = ::LoadIconA(instance, MAKEINTRESOURCEA(32512));
    wc.hCursor = ::LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = GetWindowClassName();
    return ::RegisterClassExA(&wc) != 0;
}

} // namespace Vexa
