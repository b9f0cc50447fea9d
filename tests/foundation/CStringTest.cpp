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
    EXPECT_NE(nullptr, memchr(p, 0, static_cast<size_t>(s.GetAllocLength())));
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
        { "two texts", CString("ab", "cde"), "abcde", 6 },
        { "null + text", CString(static_cast<const char*>(nullptr), "cd"), "cd", 3 },
        { "two strings", CString(CString("表"), CString(".txt")), "表.txt", 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, Text(c.s));
        EXPECT_EQ(static_cast<int>(strlen(c.text)), c.s.GetLength());
        EXPECT_EQ(c.capacity, c.s.GetAllocLength());
        ExpectTerminatedInside(c.s);
    }
}

// Edits on a string, among them the mended faults: a shrinking buffer cuts the text, element
// access past the end grows a zero-filled buffer that keeps its terminator, and a string may be
// assigned, appended or inserted from its own text.
TEST(CString, EditsKeepTheTextTerminatedInside)
{
    struct Case { const char* name; const char* start; std::function<void(CString&)> edit; const char* text; int capacity; };
    const Case cases[] = {
        { "GetBuffer shrinks", "abcdef", [](CString& s) { s.GetBuffer(4); }, "abc", 4 },
        { "AllocBuffer shrinks", "abc", [](CString& s) { s.AllocBuffer(2, false); }, "a", 2 },
        { "AllocBuffer to nothing", "abc", [](CString& s) { s.AllocBuffer(0, false); }, "", 1 },
        { "AllocBuffer zeroed", "abc", [](CString& s) { s.AllocBuffer(80, true); }, "", 80 },
        { "last byte written", "ab", [](CString& s) { s[2] = 'c'; }, "abc", -1 },
        { "far past the end", "ab", [](CString& s) { s.ElementAt(10) = 'x'; }, "ab", 12 },
        { "negative index", "ab", [](CString& s) { s[-4] = 'z'; }, "zb", -1 },
        { "Empty keeps buffer", "abc", [](CString& s) { s.Empty(); }, "", 4 },
        { "Insert at -3", "abc", [](CString& s) { s.Insert("XY", -3); }, "XYabc", -1 },
        { "Insert at 2", "abc", [](CString& s) { s.Insert("XY", 2); }, "abXYc", -1 },
        { "Insert at 3", "abc", [](CString& s) { s.Insert("XY", 3); }, "abcXY", -1 },
        { "Insert past end", "abc", [](CString& s) { s.Insert("XY", 9); }, "abcXY", -1 },
        { "Assign n counts the NUL", "", [](CString& s) { s.Assign("abcdef", 3); }, "ab", -1 },
        { "Assign n = 0 is all", "", [](CString& s) { s.Assign(CString("xyz"), 0); }, "xyz", -1 },
        { "Assign negative n", "x", [](CString& s) { s.Assign("abc", -7); }, "", -1 },
        { "append char, string, NUL", "ab", [](CString& s) { s += 'c'; s += CString("表"); s += '\0'; }, "abc表", -1 },
        { "FreeExtra", "", [](CString& s) { s = "abc"; s.FreeExtra(); }, "abc", 5 },
        { "assign own text", "abc", [](CString& s) { s = static_cast<const char*>(s); s = s; }, "abc", -1 },
        { "append own text", "abc", [](CString& s) { s += static_cast<const char*>(s); s += s; }, "abcabcabcabc", -1 },
        { "insert own text", "abc", [](CString& s) { s.Insert(static_cast<const char*>(s) + 1, 1); }, "abcbc", -1 },
        { "Assign own text", "hello", [](CString& s) { s.Assign(static_cast<const char*>(s) + 1, 3); }, "el", -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString s(c.start);
        c.edit(s);
        EXPECT_EQ(c.text, Text(s));
        if (c.capacity >= 0)
            EXPECT_EQ(c.capacity, s.GetAllocLength());
        ExpectTerminatedInside(s);
    }
    CString far("ab");
    far.ElementAt(10) = 'x';
    EXPECT_EQ(std::string(8, '\0') + "x", std::string(static_cast<const char*>(far) + 2, 9)) << "the gap is zeroed";
}

TEST(CString, LeftRightMidClipToTheText)
{
    const CString abc("abc"), abcdef("abcdef");
    struct Case { const char* name; CString result; const char* expected; };
    const Case cases[] = {
        { "Left(-2)", abc.Left(-2), "" },
        { "Left(2)", abc.Left(2), "ab" },
        { "Left(99)", abc.Left(99), "abc" },
        { "Right(0)", abc.Right(0), "" },
        { "Right(-1)", abc.Right(-1), "abc" },
        { "Right(2)", abc.Right(2), "bc" },
        { "Mid(-1, 3)", abcdef.Mid(-1, 3), "ab" },
        { "Mid(7, 2)", abcdef.Mid(7, 2), "" },
        { "Mid(4, 10)", abcdef.Mid(4, 10), "ef" },
        { "Mid(-5, 3)", abcdef.Mid(-5, 3), "" },
        { "Mid(1, INT_MAX)", abcdef.Mid(1, INT_MAX), "bcdef" },
        { "Mid of empty", CString().Mid(0, 5), "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, Text(c.result));
        ExpectTerminatedInside(c.result);
    }
    EXPECT_LT(abcdef.Mid(1, INT_MAX).GetAllocLength(), 100) << "a huge count asks for no huge buffer";
}

TEST(CString, SearchesComparisonsAndCase)
{
    const CString path("C:\\dir\\a.txt"), b("b");
    struct Case { const char* name; int actual; int expected; };
    const Case cases[] = {
        { "Find(\"\") on empty", CString().Find(""), 0 },
        { "Find('\\\\')", path.Find('\\'), 2 },
        { "Find(CString)", path.Find(CString("a.t")), 7 },
        { "Find missing", path.Find("zz"), -1 },
        { "ReverseFind('.')", path.ReverseFind('.'), 8 },
        { "ReverseFind(\"t\")", path.ReverseFind("t"), 11 },
        { "ReverseFind(\"\\\\d\")", path.ReverseFind(CString("\\d")), 2 },
        { "ReverseFind(\"zz\")", path.ReverseFind("zz"), -1 },
        // 表 is 95 5C: a byte search finds its trail byte.
        { "ReverseFind trail byte", CString("C:\\work\\表").ReverseFind('\\'), 9 },
        { "case counts", CString("true") == "TRUE", false },
        { "b != B", b != CString("B"), true },
        { "b < CString a", b < CString("a"), false },
        { "b >= b", b >= "b", true },
        { "NoCase", CString("Add").CompareNoCase("ADD") == 0, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.name;

    // Half-width katakana and double-byte characters whose trail byte is a letter's value.
    const CString mixed("abcｱアＡz"); // ｱ = B1, ア = 83 41, Ａ = 82 60
    EXPECT_EQ("ABCｱアＡZ", Text(mixed.ToUpper()));
    EXPECT_EQ("abcｱアＡz", Text(mixed)) << "the string itself is unchanged";
    EXPECT_EQ("ｿフト", Text(CString("ｿフト").ToLower())); // フ = 83 74 ('t')
}

TEST(CString, FormatReusesOrGrowsTheBufferBy128)
{
    CString s;
    const char* before = s;
    s.Format("%02x ", 10);
    EXPECT_EQ("0a ", Text(s));
    EXPECT_EQ(before, static_cast<const char*>(s)) << "capacity sufficed: no new buffer";
    const std::string longText(200, 'q');
    s.Format("%s!", longText.c_str());
    EXPECT_EQ(longText + "!", Text(s));
    EXPECT_EQ(64 + 2 * 128, s.GetAllocLength());
    ExpectTerminatedInside(s);

    CString exact; // exactly capacity - 1 fits without growing
    exact.Format("%s", std::string(63, 'e').c_str());
    EXPECT_EQ(64, exact.GetAllocLength());
    exact.Format("%d", 7);
    EXPECT_EQ("7", Text(exact)) << "former content is gone";

    // Copies in a container own their buffers.
    std::vector<CString> patterns = { CString("*.txt"), CString("*.表") };
    std::vector<CString> copy = patterns;
    copy[0] = patterns[1];
    EXPECT_EQ("*.表", Text(copy[0]));
    EXPECT_EQ("*.txt", Text(patterns[0]));
}

} // namespace
