// FileIdentity: whether two names or handles reach one file, and the full path a name stands for.
// Asked only where a clash is possible (an output refused for sharing, standard handles, two
// folder spellings), never per file on the batch road.
#pragma once

#include <windows.h>

#include <string>

// The full path of path, or path as given when the system cannot make one.
std::string FullPath(const char* path);

// Whether two open handles are one file on the disk: by the file system's identity, or where a
// handle gives none (standard handles a host shell hands over under Wine), by the file system's
// number and size. False when either is no disk file or nothing can tell.
bool IsSameFile(HANDLE a, HANDLE b);

// Whether path names the file open as file. fileName, when given, is the name it was opened by:
// where the handles give no identity, the two full paths are compared without regard to letter
// case, as the file system compares them.
bool NamesFile(const char* path, HANDLE file, const char* fileName = nullptr);
