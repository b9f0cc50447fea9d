// OpenOutput: what "出力フォルダを開く" and "出力ファイルを開く" start. The program the common settings
// name for it (ファイラ for a folder, テキストエディタ or バイナリエディタ for a file by its kind), or,
// where none is named, Explorer or the program Windows associates with the file. What cannot be
// opened or started is told in a box owned by owner, with the path and the system's reason.
#pragma once

#include <windows.h>

#include "foundation/CString.h"

// The command line that hands path to the program a setting names. The program goes first,
// quoted. Arguments may follow a program in quotes, or, in quotes themselves, one without; "%1"
// among them stands for the path (quoted, unless the setting quotes it), else the quoted path
// follows them. program gets the program's path for a message.
Vexa::CString ToolCommandLine(const Vexa::CString& setting, const Vexa::CString& path, Vexa::CString& program);

// folder: the output folder; selected: an output in it that Explorer shows selected, or "".
void OpenOutputFolder(HWND owner, const Vexa::CString& folder, const Vexa::CString& selected);

// text: the output is テキスト変換's (a text), else バイナリ変換's (a binary).
void OpenOutputFile(HWND owner, const Vexa::CString& path, bool text);
