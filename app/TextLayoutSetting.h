// TextLayoutSetting: the text both conversions read and write, kept in the settings file's common
// section.
//   "TEXT_BYTES_PER_LINE"   "0" (the one endless line), "8", "16" or "32"
//   "TEXT_OFFSET_COMMENTS"  "TRUE" for offsets and characters as comments, "FALSE" without
//   "TEXT_FORMAT"           "HEX" (the plain hex text), "IHEX" (Intel HEX) or "SREC" (S-records)
//   "FILL_BYTE"             records read: the gaps' value, two hex digits ("FF")
//   "START_ADDRESS"         records written: the image's first address ("0x08000000", "4096")
//   "RECORD_BYTES"          records written: "16" or "32" data bytes a record
// A missing or unknown value reads as its default: the plain one-line text, FF, 0, 16.
#pragma once

#include "core/TextFormat.h"
#include "foundation/CString.h"

namespace TextLayoutSetting {

const char kWidthKey[] = "TEXT_BYTES_PER_LINE";
const char kCommentsKey[] = "TEXT_OFFSET_COMMENTS";
const char kFormatKey[] = "TEXT_FORMAT";
const char kFillKey[] = "FILL_BYTE";
const char kAddressKey[] = "START_ADDRESS";
const char kRecordBytesKey[] = "RECORD_BYTES";
// The widths in the order the settings page lists them, "なし" first.
const char* const kWidths[4] = {"0", "8", "16", "32"};
// The formats in that order; each one's index is its TextOptions::format.
const char* const kFormats[3] = {"HEX", "IHEX", "SREC"};

// The index in kWidths of a stored value; 0 for a missing or unknown one.
int WidthIndex(const Vexa::CString& value);
// The index in kFormats of a stored value; 0 for a missing or unknown one.
int FormatIndex(const Vexa::CString& value);
// The layout the settings file asks for now.
HexLayout Read();
// Everything the settings file asks of the text now: format, layout, fill, address, record size.
TextOptions ReadText();

} // namespace TextLayoutSetting
