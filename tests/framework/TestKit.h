// Helpers of the window framework tests, besides the shared ones: a bound host window that records
// what controls send up, a recorder put under a control's own procedure, a watch on the messages
// one window receives.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <vector>

#include "framework/CFocusControl.h"
#include "framework/CWindow.h"
#include "tests/TestSupport.h"

namespace testkit {

// The object a window is bound to, read through the property the framework names.
inline HANDLE BoundObject(HWND hwnd) { return ::GetPropA(hwnd, "CPP_CLASS"); }

struct Received {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Received& o) const
    {
        return msg == o.msg && wParam == o.wParam && lParam == o.lParam;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Received& r)
{
    return os << "{msg 0x" << std::hex << r.msg << ", wParam 0x" << r.wParam << ", lParam 0x"
              << r.lParam << std::dec << "}";
}

// A bound top-level window that records the messages focus-aware controls send up to it.
class RecordingHost : public Vexa::CWindow {
public:
    std::vector<Received> received;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_FOCUSMOVE || msg == WM_ENTERKEY || msg == WM_KEYDOWN)
            received.push_back({msg, wParam, lParam});
        return CWindow::WindowProc(hwnd, msg, wParam, lParam);
    }
};

// Tests whose controls live in a recording host, shown in the foreground.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create("controls", 0, 0, 480, 320, NULL, NULL), nullptr);
        host.ShowWindow(SW_SHOW);
        host.SetForegroundWindow();
        Pump();
    }
    RecordingHost host;
};

// Put under a control before an object is attached to it, it stands for "the control's own
// procedure" and records every message that reaches it.
class ProcRecorder {
public:
    explicit ProcRecorder(HWND hwnd) : m_hwnd(hwnd)
    {
        Map()[hwnd].prev = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    // msg seen (with this wParam, unless anyWParam).
    bool Saw(UINT msg, WPARAM wParam, bool anyWParam = false) const
    {
        for (const auto& r : Map()[m_hwnd].seen)
            if (r.msg == msg && (anyWParam || r.wParam == wParam))
                return true;
        return false;
    }
    void Clear() { Map()[m_hwnd].seen.clear(); }

private:
    struct Hooked {
        WNDPROC prev;
        std::vector<Received> seen;
    };
    static std::map<HWND, Hooked>& Map()
    {
        static std::map<HWND, Hooked> map;
        return map;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        Hooked& h = Map()[hwnd];
        h.seen.push_back({msg, wParam, lParam});
        WNDPROC prev = h.prev;
        if (msg == WM_NCDESTROY)
            Map().erase(hwnd);
        return ::CallWindowProcA(prev, hwnd, msg, wParam, lParam);
    }
    HWND m_hwnd;
};

// Watches the messages sent to one window: how many could still find an object through its
// "CPP_CLASS" property, and what the binding left when WM_NCDESTROY comes, after WM_DESTROY.
struct MessageWatch {
    static inline HWND target;
    static inline int sent, reachable;
    static inline bool ended;
    static inline LONG_PTR procAtEnd;
    static inline HANDLE propAtEnd;

    explicit MessageWatch(HWND hwnd)
    {
        target = hwnd;
        sent = reachable = 0;
        ended = false;
        hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &Sent, NULL, ::GetCurrentThreadId());
    }
    ~MessageWatch() { ::UnhookWindowsHookEx(hook); }
    static LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam)
    {
        const CWPSTRUCT* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && cwp->hwnd == target) {
            HANDLE prop = BoundObject(cwp->hwnd);
            ++sent;
            reachable += prop != NULL;
            if (cwp->message == WM_NCDESTROY) {
                ended = true;
                procAtEnd = ::GetWindowLongPtrA(cwp->hwnd, GWLP_WNDPROC);
                propAtEnd = prop;
            }
        }
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }
    HHOOK hook;
};

} // namespace testkit
