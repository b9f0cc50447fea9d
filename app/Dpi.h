// The screen's DPI, and pixel sizes laid out for 96 DPI scaled to it. The program tells Windows
// that it is DPI-aware (its manifest), so Windows does not stretch its windows into a blur; every
// size the program gives in pixels goes through ScaleForDpi instead, and at 96 DPI nothing changes.
#pragma once

#include <windows.h>

inline int ScreenDpi()
{
    HDC screen = GetDC(NULL);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(NULL, screen);
    return dpi > 0 ? dpi : 96;
}

inline int ScaleForDpi(int pixels)
{
    return MulDiv(pixels, ScreenDpi(), 96);
}
