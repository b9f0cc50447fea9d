// Menus built from CMenu objects and attached to a window; fonts and their handles.
#include <gtest/gtest.h>

#include <string>

#include "framework/CFont.h"
#include "framework/CMenu.h"
#include "framework/CWindow.h"

using Vexa::CFont;
using Vexa::CFontBase;
using Vexa::CMenu;

namespace {

struct Entry {
    UINT type;
    UINT id;
    std::string text;
    HMENU sub;
    UINT state;
};

Entry Read(HMENU menu, UINT position)
{
    char text[64] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    Entry e = {0xFFFF, 0, "<missing>", NULL, 0};
    if (::GetMenuItemInfoA(menu, position, TRUE, &info))
        e = {info.fType, info.wID, text, info.hSubMenu, info.fState};
    return e;
}

} // namespace

// Entries are placed by position, separators counted; a pair of check marks is made by clearing
// one and setting the other.
TEST(Menu, BarWithDropDownsSeparatorsAndChecks)
{
    CMenu bar, file, help;
    ASSERT_TRUE(bar.InsertPopup(0, "ファイル(&F)", file.GetHandle()));
    ASSERT_TRUE(bar.InsertPopup(1, "ヘルプ(&H)", help.GetHandle()));
    ASSERT_TRUE(file.InsertItem(0, "開く(&O)", 101));
    ASSERT_TRUE(file.InsertSeparator(1));
    ASSERT_TRUE(file.InsertItem(2, "テキスト変換", 104));
    ASSERT_TRUE(file.InsertItem(2, "バイナリ変換", 103)); // before the last one
    ASSERT_TRUE(file.InsertSeparator(4));
    ASSERT_TRUE(file.InsertItem(5, "", 105));
    ASSERT_TRUE(help.InsertItem(0, "バージョン情報(&A)", 201));
    Vexa::CWindow window;
    ASSERT_NE(window.Create("menu", 0, 0, 300, 200, NULL, NULL), (HWND)NULL);
    ASSERT_TRUE(window.SetMenu(bar.GetHandle()));

    const struct {
        HMENU menu;
        UINT position;
        UINT type;
        UINT_PTR id; // of the bar's entries: their drop-down
        const char* text;
    } rows[] = {
        {file.GetHandle(), 0, MFT_STRING, 101, "開く(&O)"},
        {file.GetHandle(), 1, MFT_SEPARATOR, 0, ""},
        {file.GetHandle(), 2, MFT_STRING, 103, "バイナリ変換"},
        {file.GetHandle(), 3, MFT_STRING, 104, "テキスト変換"},
        {file.GetHandle(), 4, MFT_SEPARATOR, 0, ""},
        {file.GetHandle(), 5, MFT_STRING, 105, ""},
        {help.GetHandle(), 0, MFT_STRING, 201, "バージョン情報(&A)"},
        {bar.GetHandle(), 0, MFT_STRING, (UINT_PTR)file.GetHandle(), "ファイル(&F)"},
        {bar.GetHandle(), 1, MFT_STRING, (UINT_PTR)help.GetHandle(), "ヘルプ(&H)"},
    };
    for (const auto& row : rows) {
        Entry e = Read(row.menu, row.position);
        EXPECT_EQ(e.type, row.type) << row.text;
        EXPECT_EQ(row.menu == bar.GetHandle() ? (UINT_PTR)e.sub : e.id, row.id) << row.text;
        EXPECT_EQ(e.text, row.text);
    }

    const struct {
        UINT position;
        int flag;
        bool checked2, checked3;
    } checks[] = {
        {2, 1, true, false}, {3, 0, true, false},  {3, 5, true, true},
        {2, 0, false, true}, {3, -1, false, true}, {3, 0, false, false},
    };
    for (const auto& c : checks) {
        EXPECT_TRUE(file.CheckItem(c.position, c.flag));
        EXPECT_EQ((Read(file.GetHandle(), 2).state & MFS_CHECKED) != 0, c.checked2)
            << "after CheckItem(" << c.position << ", " << c.flag << ")";
        EXPECT_EQ((Read(file.GetHandle(), 3).state & MFS_CHECKED) != 0, c.checked3)
            << "after CheckItem(" << c.position << ", " << c.flag << ")";
    }
}

// The font is made as asked and owned: the destructor deletes it, and a deleted font is forgotten,
// so no later Delete (the destructor's included) calls the platform again.
TEST(Font, CreatedFontAndItsOwnership)
{
    HFONT handle = NULL;
    {
        CFont font(14, "ＭＳ ゴシック");
        handle = font.GetFontHandle();
        ASSERT_NE(handle, (HFONT)NULL);
        EXPECT_EQ(font.GetHandle(), (HGDIOBJ)handle);
        LOGFONTA lf = {};
        ASSERT_EQ(::GetObjectA(handle, sizeof lf, &lf), (int)sizeof lf);
        EXPECT_EQ(lf.lfHeight, 14);
        EXPECT_STREQ(lf.lfFaceName, "ＭＳ ゴシック");
    }
    EXPECT_EQ(::GetObjectType(handle), 0u);

    CFont font(20, "ＭＳ ゴシック");
    handle = font.GetFontHandle();
    EXPECT_TRUE(font.Delete());
    EXPECT_EQ(::GetObjectType(handle), 0u);
    EXPECT_EQ(font.GetHandle(), (HGDIOBJ)NULL);
    CFontBase none;
    for (CFontBase* f : {static_cast<CFontBase*>(&font), &none}) {
        ::SetLastError(0xC0FFEE);
        EXPECT_EQ(f->Delete(), 0);
        EXPECT_EQ(::GetLastError(), 0xC0FFEEu);
    }
}
