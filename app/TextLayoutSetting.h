// TextLayoutSetting: the layout テキスト変換 writes, kept in the settings file's common section.
//   "TEXT_BYTES_PER_LINE"   "0" (the one endless line), "8", "16" or "32"
//   "TEXT_OFFSET_COMMENTS"  "TRUE" for offsets and characters as comments, "FALSE" without
// A missing or unknown value reads as 0 and off, the plain text.
#pragma once

#include "core/HexCodec.h"
#include "foundation/CString.h"

namespace TextLayoutSetting {

const char kWidthKey[] = "TEXT_BYTES_PER_LINE";
const char kCommentsKey[] = "TEXT_OFFSET_COMMENTS";
// The widths in the order the settings page lists them, "なし" first.
const char* const kWidths[4] = {"0", "8", "16", "32"};

// The index in kWidths of a stored value; 0 for a missing or unknown one.
int WidthIndex(const Vexa::CString& value);
// The layout the settings file asks for now.
HexLayout Read();

} // namespace TextLayoutSetting
