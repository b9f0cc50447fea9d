#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "foundation/CString.h"

using Vexa::CString;

namespace {

std::string Text(const CString& s)
{
    const char* p = s;
    return p != nullptr ? std::string(p) : std::string("<null>");
}

// Each edit leaves the text it should, ending inside the allocation, as does the buffer's last
// byte. Among them a string fed its own text: the buffer may move while the text is copied.
TEST(CString, EditsKeepTheTextTerminatedInside)
{
    const CString abcdef("abcdef");
    const std::string q(200, 'q'), formatted = q + "!";
    struct Case { const char* name; const char* start; std::function<void(CString&)> edit; const char* text; };
    const Case cases[] = {
        { "first n bytes", "", [](CString& s) { s = CString("abcdef", 3); }, "abc" },
        { "negative n", "x", [](CString& s) { s = CString("abc", -1); }, "" },
        { "null text", "x", [](CString& s) { s = CString(static_cast<const char*>(nullptr)); }, "" },
        { "copy, first two", "", [](CString& s) { s = CString(CString("xyz"), 2); }, "xy" },
        { "null + text", "", [](CString& s) { s = CString(static_cast<const char*>(nullptr), "cd"); }, "cd" },
        { "GetBuffer shrinks", "abcdef", [](CString& s) { s.GetBuffer(4); }, "abc" },
        { "Empty", "abc", [](CString& s) { s.Empty(); }, "" },
        { "append char, string, NUL", "ab", [](CString& s) { s += 'c'; s += CString("表"); s += '\0'; }, "abc表" },
        { "FreeExtra", "", [](CString& s) { s = "abc"; s.FreeExtra(); }, "abc" },
        { "assign own text", "abc", [](CString& s) { s = static_cast<const char*>(s) + 1; s = s; }, "bc" },
        { "append own text", "abc", [](CString& s) { s += static_cast<const char*>(s); s += s; }, "abcabcabcabc" },
        { "Left(-2)", "", [&](CString& s) { s = abcdef.Left(-2); }, "" },
        { "Mid(-1, 3)", "", [&](CString& s) { s = abcdef.Mid(-1, 3); }, "ab" },
        { "Mid(1, INT_MAX)", "", [&](CString& s) { s = abcdef.Mid(1, INT_MAX); }, "bcdef" },
        { "Format grows", "", [&](CString& s) { s.Format("%s!", q.c_str()); }, formatted.c_str() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString s(c.start);
        c.edit(s);
        EXPECT_EQ(c.text, Text(s));
        const char* p = s;
        ASSERT_TRUE(p != nullptr && s.GetAllocLength() > 0);
        EXPECT_EQ(0, p[s.GetAllocLength() - 1]) << "last byte of the buffer";
    }
    // A buffer this large is given back to the system when it moves, so reading the old one
    // after the move faults instead of passing by luck.
    CString big(std::string(3 << 20, 'b').c_str());
    big += big;
    EXPECT_EQ(6 << 20, big.GetLength());
    EXPECT_EQ('b', static_cast<const char*>(big)[(6 << 20) - 1]);
}

// A piece of a text is read no further than its n bytes: here the next byte cannot be read.
TEST(CString, TakesNBytesOfATextWithoutReadingOn)
{
    char* pages = static_cast<char*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    ASSERT_TRUE(pages && VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old));
    memcpy(pages + 4093, "abc", 3);
    EXPECT_EQ("abc", Text(CString(pages + 4093, 3)));
    VirtualFree(pages, 0, MEM_RELEASE);
}

} // namespace
