#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "foundation/CString.h"

using Vexa::CString;

namespace {

// Each edit leaves the text it should, ending inside the allocation, as does the buffer's last
// byte. Among them a string fed its own text: the buffer may move while the text is copied.
TEST(CString, EditsKeepTheTextTerminatedInside)
{
    const CString abcdef("abcdef");
    const std::string q(200, 'q'), formatted = q + "!";
    struct Case { const char* name; const char* start; std::function<void(CString&)> edit; const char* text; };
    const Case cases[] = {
        { "first n bytes", "", [](CString& s) { s = CString("abcdef", 3); }, "abc" },
        { "GetBuffer shrinks", "abcdef", [](CString& s) { s.GetBuffer(4); }, "abc" },
        { "append char, string, NUL", "ab", [](CString& s) { s += 'c'; s += CString("表"); s += '\0'; }, "abc表" },
        { "assign own text", "abc", [](CString& s) { s = static_cast<const char*>(s) + 1; s = s; }, "bc" },
        { "append own text", "abc", [](CString& s) { s += static_cast<const char*>(s); s += s; }, "abcabcabcabc" },
        { "Mid(-1, 3), Mid(1, INT_MAX)", "", [&](CString& s) { s = abcdef.Mid(-1, 3); s += abcdef.Mid(1, INT_MAX); }, "abbcdef" },
        { "Format grows", "", [&](CString& s) { s.Format("%s!", q.c_str()); }, formatted.c_str() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString s(c.start);
        c.edit(s);
        const char* p = s;
        ASSERT_TRUE(p != nullptr && s.GetAllocLength() > 0);
        EXPECT_EQ(std::string(c.text), p);
        EXPECT_EQ(0, p[s.GetAllocLength() - 1]) << "last byte of the buffer";
    }
    // A buffer this large is given back to the system when it moves, so reading the old one
    // after the move faults instead of passing by luck.
    CString big(std::string(3 << 20, 'b').c_str());
    big += big;
    EXPECT_EQ(6 << 20, big.GetLength());
    EXPECT_EQ('b', static_cast<const char*>(big)[(6 << 20) - 1]);
}

} // namespace
