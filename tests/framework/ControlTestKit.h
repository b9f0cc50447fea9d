// Helpers for the control, chooser and focus tests: a recording parent window, a recorder put
// under a control's own procedure, message pumping and an import-table hook.
#pragma once

#include <windows.h>

#include <map>
#include <ostream>
#include <vector>

#include "framework/CFocusControl.h"
#include "framework/CWindow.h"

namespace controltest {

// Dispatches every message waiting in this thread's queue.
inline void PumpAll()
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
        PumpAll();
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

    HWND Open()
    {
        HWND hwnd = Create("controls", 0, 0, 480, 320, NULL, NULL);
        ::ShowWindow(hwnd, SW_SHOW);
        ::SetForegroundWindow(hwnd);
        PumpAll();
        return hwnd;
    }
};

// Put under a control before an object is attached to it, it stands for "the control's own
// procedure" and records every message that reaches it.
class ProcRecorder {
public:
    explicit ProcRecorder(HWND hwnd) : m_hwnd(hwnd)
    {
        Log()[hwnd] = &m_seen;
        Prev()[hwnd] = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~ProcRecorder() { Log().erase(m_hwnd); }

    bool Saw(UINT msg, WPARAM wParam) const
    {
        for (const auto& r : m_seen)
            if (r.msg == msg && r.wParam == wParam)
                return true;
        return false;
    }
    bool SawMessage(UINT msg) const
    {
        for (const auto& r : m_seen)
            if (r.msg == msg)
                return true;
        return false;
    }
    void Clear() { m_seen.clear(); }

private:
    static std::map<HWND, std::vector<Received>*>& Log()
    {
        static std::map<HWND, std::vector<Received>*> log;
        return log;
    }
    static std::map<HWND, WNDPROC>& Prev()
    {
        static std::map<HWND, WNDPROC> prev;
        return prev;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto log = Log().find(hwnd);
        if (log != Log().end())
            log->second->push_back({msg, wParam, lParam});
        WNDPROC prev = Prev()[hwnd];
        if (msg == WM_NCDESTROY)
            Prev().erase(hwnd);
        return ::CallWindowProcA(prev, hwnd, msg, wParam, lParam);
    }

    HWND m_hwnd;
    std::vector<Received> m_seen;
};

// Replaces this program's import of dll!function by replacement; returns the original, or null
// when the program does not import it.
inline void* HookImport(const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(NULL));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
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

} // namespace controltest
