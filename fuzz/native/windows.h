// The few ANSI string functions the string class calls, for a native fuzz build of the pure
// code that stands on it. Byte order compares and CP932 lead bytes, as on a Japanese system.
#pragma once

#include <string.h>
#include <strings.h>

typedef unsigned char BYTE;
typedef int BOOL;

inline int lstrlenA(const char* s) { return s ? static_cast<int>(strlen(s)) : 0; }
inline int lstrcmpA(const char* a, const char* b) { return strcmp(a, b); }
inline int lstrcmpiA(const char* a, const char* b) { return strcasecmp(a, b); }
inline char* lstrcpynA(char* to, const char* from, int n)
{
    if (n <= 0) return to;
    strncpy(to, from, static_cast<size_t>(n - 1));
    to[n - 1] = '\0';
    return to;
}
inline BOOL IsDBCSLeadByte(BYTE b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
