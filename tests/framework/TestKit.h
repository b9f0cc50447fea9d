// Helpers of the window framework tests, besides the shared ones: a bound host window that records
// what controls send up, and a recorder put under a control's own procedure.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "foundation/CString.h"
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

// Tests whose controls live in a bound top-level window that records what focus-aware controls
// send up to it.
class HostTest : public ::testing::Test {
protected:
    struct Host : Vexa::CWindow {
        std::vector<Received> received;
        LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
        {
            if (msg == WM_FOCUSMOVE || msg == WM_ENTERKEY || msg == WM_KEYDOWN) received.push_back({msg, wParam, lParam});
            return CWindow::WindowProc(hwnd, msg, wParam, lParam);
        }
    } host;
    void SetUp() override
    {
        ASSERT_NE(host.Create("controls", 0, 0, 480, 320, NULL, NULL), nullptr);
        host.ShowWindow(SW_SHOW);
        Pump();
    }
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
