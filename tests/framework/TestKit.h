// Helpers of the window framework tests, besides the shared ones: what a window is bound to, and a
// recorder put under a control's own procedure.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "framework/CWindow.h"
#include "tests/TestSupport.h"

namespace testkit {

// The object a window is bound to, read through the property the framework names.
inline HANDLE BoundObject(HWND hwnd) { return ::GetPropA(hwnd, Vexa::kBindingProp); }

// Put under a control before an object is attached to it: the control's own procedure, recording
// the messages that reach it.
struct ProcRecorder {
    std::vector<UINT> seen;
    explicit ProcRecorder(HWND hwnd) { ::SetWindowSubclass(hwnd, &Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
    {
        reinterpret_cast<ProcRecorder*>(self)->seen.push_back(msg);
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
};

} // namespace testkit
