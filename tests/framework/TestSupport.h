// Helpers shared by the window framework tests.
#pragma once

#include <windows.h>

namespace testsupport {

// Dispatches every message waiting in this thread's queue.
inline void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

} // namespace testsupport
