#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "foundation/CString.h"

using Vexa::CString;

namespace {

std::string Text(const CString& s)
{
    const char* p = s;
    return p != nullptr ? std::string(p) : std::string("<null>");
}

// The text must end inside the allocation, and so must the buffer's last byte.
void ExpectTerminatedInside(const CString& s)
{
    const char* p = s;
    ASSERT_NE(nullptr, p);
    ASSERT_GT(s.GetAllocLength(), 0);
    EXPECT_EQ(0, p[s.GetAllocLength() - 1]) << "last byte of the buffer";
}

TEST(CString, ConstructorsTakeTheTextAndSizeTheBuffer)
{
    struct Case { const char* name; CString s; const char* text; int capacity; };
    const Case cases[] = {
        { "default", CString(), "", 64 },
        { "null text", CString(static_cast<const char*>(nullptr)), "", 64 },
        { "first three", CString("abcdef", 3), "abc", 4 },
        { "n past the text", CString("abc", 10), "abc", 11 },
        { "negative n", CString("abc", -1), "", 1 },
        { "copy, first two", CString(CString("xyz"), 2), "xy", 3 },
        { "null + text", CString(static_cast<const char*>(nullptr), "cd"), "cd", 3 },
        { "two strings", CString(CString("表"), CString(".txt")), "表.txt", 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, Text(c.s));
        EXPECT_EQ(c.capacity, c.s.GetAllocLength());
        ExpectTerminatedInside(c.s);
    }
}

// Edits, among them a string fed its own text: the buffer may move while the text is copied.
TEST(CString, EditsKeepTheTextTerminatedInside)
{
    struct Case { const char* name; const char* start; std::function<void(CString&)> edit; const char* text; int capacity; };
    const Case cases[] = {
        { "GetBuffer shrinks", "abcdef", [](CString& s) { s.GetBuffer(4); }, "abc", 4 },
        { "last byte written", "ab", [](CString& s) { s[2] = 'c'; }, "abc", -1 },
        { "far past the end", "ab", [](CString& s) { s[10] = 'x'; }, "ab", 12 },
        { "Empty keeps buffer", "abc", [](CString& s) { s.Empty(); }, "", 4 },
        { "append char, string, NUL", "ab", [](CString& s) { s += 'c'; s += CString("表"); s += '\0'; }, "abc表", -1 },
        { "FreeExtra", "", [](CString& s) { s = "abc"; s.FreeExtra(); }, "abc", 5 },
        { "assign own text", "abc", [](CString& s) { s = static_cast<const char*>(s) + 1; s = s; }, "bc", -1 },
        { "append own text", "abc", [](CString& s) { s += static_cast<const char*>(s); s += s; }, "abcabcabcabc", -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString s(c.start);
        c.edit(s);
        EXPECT_EQ(c.text, Text(s));
        if (c.capacity >= 0) {
            EXPECT_EQ(c.capacity, s.GetAllocLength());
        }
        ExpectTerminatedInside(s);
    }
    // A buffer this large is given back to the system when it moves, so reading the old one
    // after the move faults instead of passing by luck.
    CString big(std::string(3 << 20, 'b').c_str());
    big += big;
    EXPECT_EQ(6 << 20, big.GetLength());
    EXPECT_EQ('b', static_cast<const char*>(big)[(6 << 20) - 1]);
}

TEST(CString, LeftMidAndSearchesClipToTheText)
{
    const CString abc("abc"), abcdef("abcdef"), path("C:\\work\\表.a.txt"); // 表 is 95 5C
    struct Case { const char* name; CString result; const char* expected; };
    const Case cases[] = {
        { "Left(-2)", abc.Left(-2), "" },
        { "Left(99)", abc.Left(99), "abc" },
        { "Mid(-1, 3)", abcdef.Mid(-1, 3), "ab" },
        { "Mid(7, 2)", abcdef.Mid(7, 2), "" },
        { "Mid(4, 10)", abcdef.Mid(4, 10), "ef" },
        { "Mid(1, INT_MAX)", abcdef.Mid(1, INT_MAX), "bcdef" },
        { "Mid of empty", CString().Mid(0, 5), "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, Text(c.result));
        ExpectTerminatedInside(c.result);
    }
    EXPECT_LT(abcdef.Mid(1, INT_MAX).GetAllocLength(), 100) << "a huge count asks for no huge buffer";
    EXPECT_EQ(9, path.ReverseFind('\\')) << "a byte search finds the trail byte";
    EXPECT_EQ(12, path.ReverseFind("."));
    EXPECT_EQ(12, path.ReverseFind('.'));
    EXPECT_FALSE(CString("true") == "TRUE") << "case counts";
}

// Format grows the buffer for a long text; copies in a container own their buffers.
TEST(CString, FormatGrowsAndCopiesOwnTheirBuffers)
{
    CString s;
    s.Format("%02x ", 10);
    EXPECT_EQ("0a ", Text(s));
    const std::string longText(200, 'q');
    s.Format("%s!", longText.c_str());
    EXPECT_EQ(longText + "!", Text(s));
    ExpectTerminatedInside(s);

    std::vector<CString> patterns = { CString("*.txt"), CString("*.表") };
    std::vector<CString> copy = patterns;
    copy[0] = patterns[1];
    EXPECT_EQ("*.表", Text(copy[0]));
    EXPECT_EQ("*.txt", Text(patterns[0]));
}

} // namespace
