// StartPaths: the paths the program is started with, read from the text of its command line after
// the program's name, as the system hands it over (CP932 bytes).
#pragma once

#include <vector>

#include "foundation/CString.h"

// The whole text as one path, as the program always took it: blanks at its end dropped, then a
// leading quote taken off, and a closing quote with it.
Vexa::CString OneStartPath(const char* line);

// The arguments of the text by the system's quoting rules (those CommandLineToArgvW follows), on
// CP932 bytes: blanks and tabs outside quotes part arguments, a quote opens or closes quoting,
// 2n backslashes before a quote stand for n and the quote does its work, 2n+1 stand for n and a
// quote; any other backslash stands for itself. A trail byte (表 is 95 5C) is never a backslash.
std::vector<Vexa::CString> SplitCommandLine(const char* line);

// Several paths when the one path names nothing and the text splits into two or more arguments
// that all name existing files or folders (Explorer starts a program so for files dropped on it
// or sent to it); otherwise none, and the one path stands.
std::vector<Vexa::CString> SeveralStartPaths(const char* line);
