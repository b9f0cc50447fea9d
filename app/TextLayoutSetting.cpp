#include "app/TextLayoutSetting.h"

#include <stdlib.h>

#include "foundation/CSystemInfo.h"

namespace TextLayoutSetting {

int WidthIndex(const Vexa::CString& value)
{
    for (int i = 1; i < 4; ++i)
        if (value == kWidths[i]) return i;
    return 0;
}

int FormatIndex(const Vexa::CString& value)
{
    for (int i = 1; i < 3; ++i)
        if (value == kFormats[i]) return i;
    return 0;
}

HexLayout Read()
{
    Vexa::CSystemInfo* info = Vexa::GetSystemInfo();
    if (!info) return HexLayout();
    const int index = WidthIndex(info->GetCommonSetting(kWidthKey));
    return HexLayout(static_cast<unsigned>(atoi(kWidths[index])), info->GetCommonSetting(kCommentsKey) == "TRUE");
}

TextOptions ReadText()
{
    TextOptions text;
    Vexa::CSystemInfo* info = Vexa::GetSystemInfo();
    if (!info) return text;
    text.layout = Read();
    text.format = FormatIndex(info->GetCommonSetting(kFormatKey));
    // The settings page refuses values that do not parse; one edited by hand reads as the default.
    if (!ParseFillByte(info->GetCommonSetting(kFillKey), text.fill)) text.fill = 0xff;
    if (!ParseAddress(info->GetCommonSetting(kAddressKey), text.address)) text.address = 0;
    text.recordBytes = info->GetCommonSetting(kRecordBytesKey) == "32" ? 32 : 16;
    return text;
}

} // namespace TextLayoutSetting
