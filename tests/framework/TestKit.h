// Helpers of the window framework tests: message pumping, a bound host window that records what
// controls send up, a recorder put under a control's own procedure, a watch on the messages one
// window receives, and an import-table hook.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <vector>

#include "framework/CFocusControl.h"
#include "framework/CWindow.h"

namespace testkit {

// Dispatches every message waiting in this thread's queue.
inline void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// Dispatches messages until done() holds or no message has come for timeoutMs; for input that
// the system queues on its own schedule (SendInput). Returns done().
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs = 5000)
{
    for (;;) {
        Pump();
        if (done())
            return true;
        if (::MsgWaitForMultipleObjects(0, NULL, FALSE, timeoutMs, QS_ALLINPUT) == WAIT_TIMEOUT)
            return done();
    }
}

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
    static inline LONG procAtEnd;
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
            HANDLE prop = ::GetPropA(cwp->hwnd, "CPP_CLASS");
            ++sent;
            reachable += prop != NULL;
            if (cwp->message == WM_NCDESTROY) {
                ended = true;
                procAtEnd = ::GetWindowLongA(cwp->hwnd, GWL_WNDPROC);
                propAtEnd = prop;
            }
        }
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }
    HHOOK hook;
};

// Replaces this program's import of dll!function by replacement; returns the original, or null
// when the program does not import it.
inline void* HookImport(const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(NULL));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; desc->Name != 0; ++desc) {
        if (::lstrcmpiA(reinterpret_cast<char*>(base + desc->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (::lstrcmpA(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            DWORD old;
            ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            return original;
        }
    }
    return nullptr;
}

} // namespace testkit
