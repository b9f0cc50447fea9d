#include "foundation/DllSearch.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace Vexa {

namespace {

// A kernel32 function the oldest supported systems lack, or null.
template <class Fn>
Fn Kernel32Function(const char* name)
{
    FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

} // namespace

bool NarrowDllSearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
    bool narrowed = false;
    if (SetDefaultDllDirectoriesFn setDefault =
            Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories"))
        narrowed = setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    // An empty string takes the current folder out of the search order.
    if (SetDllDirectoryFn setDirectory = Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryA"))
        setDirectory("");
    return narrowed;
}

} // namespace Vexa
