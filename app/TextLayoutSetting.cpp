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

HexLayout Read()
{
    Vexa::CSystemInfo* info = Vexa::GetSystemInfo();
    if (!info) return HexLayout();
    const int index = WidthIndex(info->GetCommonSetting(kWidthKey));
    return HexLayout(static_cast<unsigned>(atoi(kWidths[index])), info->GetCommonSetting(kCommentsKey) == "TRUE");
}

} // namespace TextLayoutSetting
