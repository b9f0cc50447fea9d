// Helpers of the window framework tests, besides the shared ones: what a window is bound to, and a
// recorder put under a control's own procedure.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "framework/CFocusControl.h"
#include "framework/CWindow.h"
#include "tests/TestSupport.h"

namespace testkit {

// The object a window is bound to, read through the property the framework names.
inline HANDLE BoundObject(HWND hwnd) { return ::GetPropA(hwnd, Vexa::kBindingProp); }

struct Received {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Received& o) const { return msg == o.msg && wParam == o.wParam && lParam == o.lParam; }
};

// Put under a control before an object is attached to it: "the control's own procedure", recording
// every message that reaches it.
struct ProcRecorder {
    std::vector<Received> seen;
    explicit ProcRecorder(HWND hwnd) { ::SetWindowSubclass(hwnd, &Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
    {
        reinterpret_cast<ProcRecorder*>(self)->seen.push_back({msg, wParam, lParam});
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    // msg seen, with this wParam unless it is left out.
    bool Saw(UINT msg, WPARAM wParam = ~WPARAM(0)) const
    {
        for (const auto& r : seen)
            if (r.msg == msg && (wParam == ~WPARAM(0) || r.wParam == wParam)) return true;
        return false;
    }
};

} // namespace testkit
