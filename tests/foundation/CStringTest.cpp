#include <gtest/gtest.h>

#include <climits>
#include <cstring>
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

// With a buffer, the text must end inside the allocation.
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
    struct Case { const char* name; CString s; const char* text; int minCapacity; int exactCapacity; };
    const Case cases[] = {
        { "default", CString(), "", 64, 64 },
        { "null text", CString(static_cast<const char*>(nullptr)), "", 64, 64 },
        { "first three", CString("abcdef", 3), "abc", 4, 4 },
        { "n past the text", CString("abc", 10), "abc", 11, 11 },
        { "negative n", CString("abc", -1), "", 1, 1 },
        { "whole text", CString("abc"), "abc", 4, 4 },
        { "copy", CString(CString("xyz")), "xyz", 4, 4 },
        { "copy, first two", CString(CString("xyz"), 2), "xy", 3, 3 },
        { "two texts", CString("ab", "cde"), "abcde", 6, 6 },
        { "null + text", CString(static_cast<const char*>(nullptr), "cd"), "cd", 3, 3 },
        { "two strings", CString(CString("表"), CString(".txt")), "表.txt", 7, 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, Text(c.s));
        EXPECT_EQ(static_cast<int>(strlen(c.text)), c.s.GetLength());
        EXPECT_GE(c.s.GetAllocLength(), c.minCapacity);
        EXPECT_EQ(c.exactCapacity, c.s.GetAllocLength());
        ExpectTerminatedInside(c.s);
    }
}

TEST(CString, LeftRightMidClipToTheText)
{
    const CString abc("abc");
    const CString abcdef("abcdef");
    const CString empty;
    struct Case { const char* name; CString result; const char* expected; };
    const Case cases[] = {
        { "Left(0)", abc.Left(0), "" },
        { "Left(-2)", abc.Left(-2), "" },
        { "Left(2)", abc.Left(2), "ab" },
        { "Left(99)", abc.Left(99), "abc" },
        { "Right(0)", abc.Right(0), "" },
        { "Right(-1)", abc.Right(-1), "abc" },
        { "Right(99)", abc.Right(99), "abc" },
        { "Right(2)", abc.Right(2), "bc" },
        { "Mid(-1, 3)", abcdef.Mid(-1, 3), "ab" },
        { "Mid(6, 2)", abcdef.Mid(6, 2), "" },
        { "Mid(7, 2)", abcdef.Mid(7, 2), "" },
        { "Mid(4, 10)", abcdef.Mid(4, 10), "ef" },
        { "Mid(1, 0)", abcdef.Mid(1, 0), "" },
        { "Mid(-5, 3)", abcdef.Mid(-5, 3), "" },
        { "Mid(1, INT_MAX)", abcdef.Mid(1, INT_MAX), "bcdef" },
        { "Mid of empty", empty.Mid(0, 5), "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, Text(c.result));
        ExpectTerminatedInside(c.result);
    }
    // A huge count must not ask for a huge buffer.
    EXPECT_LT(abcdef.Mid(1, INT_MAX).GetAllocLength(), 100);
}

TEST(CString, InsertAtEveryPosition)
{
    struct Case { int index; const char* expected; };
    const Case cases[] = {
        { -3, "XYabc" }, { 0, "XYabc" }, { 2, "abXYc" }, { 3, "abcXY" }, { 9, "abcXY" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        CString s("abc");
        s.Insert("XY", c.index);
        EXPECT_EQ(c.expected, Text(s));
        ExpectTerminatedInside(s);
    }
}

TEST(CString, SearchesAreByteSearches)
{
    const CString path("C:\\dir\\a.txt");
    const CString japanese("C:\\work\\表"); // 表 is 95 5C: its trail byte is a backslash byte
    struct Case { const char* name; int actual; int expected; };
    const Case cases[] = {
        { "Find(\"\")", path.Find(""), 0 },
        { "Find(\"\") on empty", CString().Find(""), 0 },
        { "Find('\\\\')", path.Find('\\'), 2 },
        { "Find(\"dir\")", path.Find("dir"), 3 },
        { "Find(CString)", path.Find(CString("a.t")), 7 },
        { "Find missing", path.Find("zz"), -1 },
        { "Find('z')", path.Find('z'), -1 },
        { "ReverseFind('\\\\')", path.ReverseFind('\\'), 6 },
        { "ReverseFind('.')", path.ReverseFind('.'), 8 },
        { "ReverseFind('z')", path.ReverseFind('z'), -1 },
        { "ReverseFind(\"t\")", path.ReverseFind("t"), 11 },
        { "ReverseFind(\"\\\\d\")", path.ReverseFind(CString("\\d")), 2 },
        { "ReverseFind(\"zz\")", path.ReverseFind("zz"), -1 },
        { "ReverseFind trail byte", japanese.ReverseFind('\\'), 9 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.name;
}

TEST(CString, FormatReusesOrGrowsTheBufferBy128)
{
    CString s;
    const char* before = s;
    s.Format("%02x ", 10);
    EXPECT_EQ("0a ", Text(s));
    EXPECT_EQ(before, static_cast<const char*>(s)) << "capacity sufficed: no new buffer";
    EXPECT_EQ(64, s.GetAllocLength());

    const std::string longText(200, 'q');
    s.Format("%s!", longText.c_str());
    EXPECT_EQ(longText + "!", Text(s));
    EXPECT_EQ(64 + 2 * 128, s.GetAllocLength());
    ExpectTerminatedInside(s);

    // A text of exactly capacity - 1 fits without growing.
    CString exact;
    exact.Format("%s", std::string(63, 'e').c_str());
    EXPECT_EQ(63, exact.GetLength());
    EXPECT_EQ(64, exact.GetAllocLength());
    exact.Format("%d", 7);
    EXPECT_EQ("7", Text(exact)) << "former content is gone";
}

TEST(CString, BufferOperationsKeepTheTextTerminatedInside)
{
    CString cut("abcdef");
    cut.GetBuffer(4);
    EXPECT_EQ(4, cut.GetAllocLength());
    EXPECT_EQ("abc", Text(cut));

    CString shrunk("abc");
    EXPECT_TRUE(shrunk.AllocBuffer(2, false));
    EXPECT_EQ("a", Text(shrunk));
    EXPECT_TRUE(shrunk.AllocBuffer(0, false));
    EXPECT_EQ(1, shrunk.GetAllocLength());
    EXPECT_EQ("", Text(shrunk));

    CString zeroed("abc");
    EXPECT_TRUE(zeroed.AllocBuffer(80, true));
    EXPECT_EQ(80, zeroed.GetAllocLength());
    EXPECT_EQ("", Text(zeroed));

    // Writing the last byte of the buffer grows it so a terminator still follows.
    CString last("ab");
    ASSERT_EQ(3, last.GetAllocLength());
    last[2] = 'c';
    EXPECT_EQ("abc", Text(last));
    ExpectTerminatedInside(last);

    // Past the capacity: grown and zero-filled, so the text is unchanged until the gap is filled.
    CString far("ab");
    far.ElementAt(10) = 'x';
    EXPECT_EQ(12, far.GetAllocLength());
    EXPECT_EQ("ab", Text(far));
    for (int i = 2; i < 10; ++i)
        EXPECT_EQ(0, static_cast<const char*>(far)[i]) << i;
    ExpectTerminatedInside(far);

    CString negative("ab");
    negative[-4] = 'z';
    EXPECT_EQ("zb", Text(negative));

    CString empty("abc");
    const int capacity = empty.GetAllocLength();
    empty.Empty();
    EXPECT_EQ(0, empty.GetLength());
    EXPECT_EQ(capacity, empty.GetAllocLength());
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(CString, AssignAppendAndFreeExtraSizes)
{
    CString s;
    s = "abc";
    EXPECT_EQ(64, s.GetAllocLength()) << "large enough already";
    s.FreeExtra();
    EXPECT_EQ("abc", Text(s));
    EXPECT_EQ(5, s.GetAllocLength()) << "length + 2";
    s += "de";
    EXPECT_EQ(6, s.GetAllocLength()) << "appends size exactly";
    s += 'f';
    s += CString("表");
    EXPECT_EQ("abcdef表", Text(s));
    s += '\0';
    EXPECT_EQ("abcdef表", Text(s)) << "a NUL character adds nothing";

    CString n;
    n.Assign("abcdef", 3);
    EXPECT_EQ("ab", Text(n)) << "n counts the terminator";
    n.Assign(CString("xyz"), 0);
    EXPECT_EQ("xyz", Text(n));
    n.Assign("abc", -7);
    EXPECT_EQ("", Text(n));

    CString fromOther;
    fromOther = CString("other");
    EXPECT_EQ("other", Text(fromOther));
    EXPECT_EQ("ab" "cd", Text(CString("ab") + "cd"));
    EXPECT_EQ("abcd", Text(CString("ab") + CString("cd")));
}

TEST(CString, OperationsOnItsOwnText)
{
    CString s("abc");
    s = static_cast<const char*>(s);
    EXPECT_EQ("abc", Text(s));
    s = s;
    EXPECT_EQ("abc", Text(s));
    s += static_cast<const char*>(s);
    EXPECT_EQ("abcabc", Text(s));
    s += s;
    EXPECT_EQ("abcabcabcabc", Text(s));
    CString t("abc");
    t.Insert(static_cast<const char*>(t) + 1, 1);
    EXPECT_EQ("abcbc", Text(t));
    CString u("hello");
    u.Assign(static_cast<const char*>(u) + 1, 3);
    EXPECT_EQ("el", Text(u));
}

TEST(CString, ComparisonsAndCase)
{
    const CString b("b");
    struct Case { const char* name; bool actual; bool expected; };
    const Case cases[] = {
        { "b == CString b", b == CString("b"), true },
        { "case counts", CString("true") == "TRUE", false },
        { "b != B", b != CString("B"), true },
        { "b > a", b > "a", true },
        { "b < CString a", b < CString("a"), false },
        { "b >= b", b >= "b", true },
        { "b <= a", b <= "a", false },
        { "NoCase", CString("Add").CompareNoCase("ADD") == 0, true },
        { "IsEmpty of text", CString("x").IsEmpty(), false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.name;

    // Half-width katakana and double-byte characters whose trail byte is a letter's value.
    const CString mixed("abcｱアＡz"); // ｱ = B1, ア = 83 41, Ａ = 82 60
    EXPECT_EQ("ABCｱアＡZ", Text(mixed.ToUpper()));
    EXPECT_EQ("abcｱアＡz", Text(mixed.ToLower()));
    EXPECT_EQ("abcｱアＡz", Text(mixed)) << "the string itself is unchanged";
    EXPECT_EQ("ｿフト", Text(CString("ｿフト").ToLower())); // フ = 83 74 ('t')
}

TEST(CString, RunTimeClassAndContainers)
{
    const CString s("x");
    EXPECT_TRUE(s.IsKindOf(VEXA_RUNTIME_CLASS(Vexa::CObject)));
    EXPECT_TRUE(s.IsKindOf(VEXA_RUNTIME_CLASS(CString)));
    EXPECT_EQ(VEXA_RUNTIME_CLASS(Vexa::CObject), CString::GetThisClass()->m_pBaseClass);

    std::vector<CString> patterns;
    for (const char* p : { "*.txt", "*.dat", "*.表" })
        patterns.push_back(CString(p));
    std::vector<CString> copy = patterns;
    copy[0] = patterns[2];
    EXPECT_EQ("*.表", Text(copy[0]));
    EXPECT_EQ("*.txt", Text(patterns[0]));
}

} // namespace
