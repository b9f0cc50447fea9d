// CControlWindow: the base of every control object (standard and common controls).
// A control comes from one of the platform's predefined window classes, so the object is bound
// after creation with Attach instead of through the creation parameter.
#pragma once

#include "framework/CWindow.h"

namespace Vexa {

class CControlWindow : public CWindow {
    VEXA_DECLARE_DYNAMIC(CControlWindow)
public:
    CControlWindow() {}
    CControlWindow(const char* text, HMENU id) : CWindow(text, id) {}
    ~CControlWindow() override {}

    // Creates the control and binds the object to it; 0 (and still unbound) on failure.
    HWND Create(const char* text, int x, int y, int width, int height, HWND parent,
                HMENU id) override;
    // The seven-argument form with the text and identifier given at construction.
    HWND Create(int x, int y, int width, int height, HWND parent) override;
    // Controls use the platform's own classes: nothing to register.
    BOOL RegisterWindowClass() override;

    // WM_SETFONT with an immediate redraw.
    virtual LRESULT SetFont(HFONT font);
    virtual HWND CreateControl(const char* text, int x, int y, int width, int height, HWND parent,
                               HMENU id);
};

} // namespace Vexa
