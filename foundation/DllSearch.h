// NarrowDllSearch: the first thing both programs do at start-up, before any window or chooser
// loads a DLL by its bare name.
#pragma once

namespace Vexa {

// Loads DLLs named without a path from the system folder only: a DLL planted beside the program
// (a portable program often starts from a Downloads folder) or in the current folder is never
// taken for a system one. Returns true when the system could narrow the search to its folder
// (Windows 8 and later; Vista and 7 with update KB2533623); older systems still lose the current
// folder, and start as before.
bool NarrowDllSearch();

} // namespace Vexa
