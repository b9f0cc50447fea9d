#include "framework/CControlWindow.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CControlWindow, CWindow)

HWND CControlWindow::Create(const char* text, int x, int y, int width, int height, HWND parent,
                            HMENU id)
{
    HWND hwnd = CWindow::Create(text, x, y, width, height, parent, id);
    Attach(hwnd);  // a null handle leaves the object unbound
    return hwnd;
}

HWND CControlWindow::Create(int x, int y, int width, int height, HWND parent)
{
    return Create(m_lpszTitle, x, y, width, height, parent, m_hMenu);
}

BOOL CControlWindow::RegisterWindowClass() { return FALSE; }

LRESULT CControlWindow::SetFont(HFONT font)
{
    return SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
}

HWND CControlWindow::CreateControl(const char* text, int x, int y, int width, int height,
                                   HWND parent, HMENU id)
{
    return Create(text, x, y, width, height, parent, id);
}

} // namespace Vexa
