// The report list's reads of item texts, which the batch page takes its names from.
#include <gtest/gtest.h>

#include <string>

#include "TestKit.h"
#include "framework/CListView.h"

using namespace Vexa;

namespace {

class Controls : public testkit::HostTest {};

// Texts read into a buffer of 260: a longer text comes back cut to 259 characters.
TEST_F(Controls, ListItemTextsAreCutToTheBuffer)
{
    CListView list;
    ASSERT_NE(list.Create("", 0, 0, 400, 200, host.GetHwnd(), reinterpret_cast<HMENU>(8000)), nullptr);
    EXPECT_STREQ(list.GetItemText(7, 0), "") << "a row outside the list";
    const struct {
        size_t length;
        size_t expected;
    } cases[] = {{0, 0}, {1, 1}, {259, 259}, {260, 259}, {400, 259}};
    int row = 0;
    for (const auto& c : cases) {
        std::string text;
        for (size_t i = 0; i < c.length; ++i)
            text += static_cast<char>('a' + i % 26);
        list.InsertItem(row, text.c_str());
        EXPECT_EQ(std::string(static_cast<const char*>(list.GetItemText(row++, 0))), text.substr(0, c.expected))
            << "length " << c.length;
    }
}

} // namespace
