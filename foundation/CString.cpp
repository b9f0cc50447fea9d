#include "foundation/CString.h"

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <windows.h>

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CString, CObject)

namespace {

// Byte count of a text we do not own; null counts as "".
int TextLength(const char* text)
{
    return text != nullptr ? lstrlenA(text) : 0;
}

// Byte count of a text that may lack a terminator within max bytes (a caller of GetBuffer may
// have filled the whole buffer): never reads past max.
int BoundedLength(const char* text, int max)
{
    if (text == nullptr || max <= 0)
        return 0;
    int length = 0;
    while (length < max && text[length] != '\0')
        ++length;
    return length;
}

} // namespace

// Invariant kept by every operation: with a buffer, its last byte is zero, so the text always
// ends inside the allocation whatever is written through ElementAt.

void CString::InitCopy(const char* text, int length, int capacity)
{
    m_pszData = nullptr;
    m_nAllocLength = 0;
    if (capacity < length + 1 || capacity <= 0)
        return;
    m_pszData = static_cast<char*>(calloc(static_cast<size_t>(capacity), 1));
    if (m_pszData == nullptr)
        return;
    m_nAllocLength = capacity;
    if (length > 0)
        memcpy(m_pszData, text, static_cast<size_t>(length));
}

bool CString::Owns(const char* text) const
{
    if (m_pszData == nullptr || text == nullptr)
        return false;
    const uintptr_t p = reinterpret_cast<uintptr_t>(text);
    const uintptr_t base = reinterpret_cast<uintptr_t>(m_pszData);
    return p >= base && p - base < static_cast<uintptr_t>(m_nAllocLength);
}

CString::CString()
{
    InitCopy(nullptr, 0, DefaultCapacity);
}

CString::CString(const char* text, int n)
{
    if (text == nullptr) {
        InitCopy(nullptr, 0, DefaultCapacity);
        return;
    }
    if (n == 0)
        n = TextLength(text);
    else if (n < 0)
        n = 0;
    if (n == INT_MAX) { // n + 1 bytes cannot be asked for
        InitCopy(nullptr, 0, 0);
        return;
    }
    // Reads at most n bytes of text, so a piece of a longer text can be taken.
    InitCopy(text, BoundedLength(text, n), n + 1);
}

CString::CString(const CString& other, int n)
    : CObject()
{
    if (other.m_pszData == nullptr) {
        InitCopy(nullptr, 0, DefaultCapacity);
        return;
    }
    const int length = other.GetLength();
    if (n == 0)
        n = length;
    else if (n < 0)
        n = 0;
    if (n == INT_MAX) {
        InitCopy(nullptr, 0, 0);
        return;
    }
    InitCopy(other.m_pszData, n < length ? n : length, n + 1);
}

CString::CString(const char* a, const char* b)
{
    const int la = TextLength(a);
    const int lb = TextLength(b);
    InitCopy(nullptr, 0, la < INT_MAX - lb ? la + lb + 1 : 0);
    if (m_pszData != nullptr) {
        if (la > 0)
            memcpy(m_pszData, a, static_cast<size_t>(la));
        if (lb > 0)
            memcpy(m_pszData + la, b, static_cast<size_t>(lb));
    }
}

CString::CString(const CString& a, const CString& b)
    : CObject()
{
    const int la = a.GetLength();
    const int lb = b.GetLength();
    InitCopy(nullptr, 0, la < INT_MAX - lb ? la + lb + 1 : 0);
    if (m_pszData != nullptr) {
        if (la > 0)
            memcpy(m_pszData, a.m_pszData, static_cast<size_t>(la));
        if (lb > 0)
            memcpy(m_pszData + la, b.m_pszData, static_cast<size_t>(lb));
    }
}

CString::~CString()
{
    free(m_pszData);
}

CString::operator const char*() const { return m_pszData; }

CString& CString::operator=(const char* text) { return Assign(text, 0); }
CString& CString::operator=(const CString& other) { return Assign(other, 0); }

CString CString::operator+(const char* text) const { return CString(m_pszData, text); }
CString CString::operator+(const CString& other) const { return CString(*this, other); }

CString& CString::operator+=(const char* text) { return Append(text); }
CString& CString::operator+=(const CString& other) { return Append(other.m_pszData); }

CString& CString::operator+=(char ch)
{
    const char text[2] = { ch, '\0' };
    return Append(text);
}

bool CString::operator==(const char* text) const { return Compare(text) == 0; }
bool CString::operator==(const CString& other) const { return Compare(other.m_pszData) == 0; }
bool CString::operator!=(const char* text) const { return Compare(text) != 0; }
bool CString::operator!=(const CString& other) const { return Compare(other.m_pszData) != 0; }
bool CString::operator>(const char* text) const { return Compare(text) > 0; }
bool CString::operator>(const CString& other) const { return Compare(other.m_pszData) > 0; }
bool CString::operator<(const char* text) const { return Compare(text) < 0; }
bool CString::operator<(const CString& other) const { return Compare(other.m_pszData) < 0; }
bool CString::operator>=(const char* text) const { return Compare(text) >= 0; }
bool CString::operator>=(const CString& other) const { return Compare(other.m_pszData) >= 0; }
bool CString::operator<=(const char* text) const { return Compare(text) <= 0; }
bool CString::operator<=(const CString& other) const { return Compare(other.m_pszData) <= 0; }

char& CString::operator[](int index) { return ElementAt(index); }

int CString::GetAllocLength() const { return m_pszData != nullptr ? m_nAllocLength : 0; }

int CString::GetLength() const { return BoundedLength(m_pszData, m_nAllocLength); }

bool CString::ValidateRange(int& start, int& count) const
{
    if (m_pszData == nullptr)
        return false;
    if (start < 0) {
        count += start;
        start = 0;
    }
    if (count <= 0)
        return false;
    const int length = GetLength();
    if (length < start)
        return false;
    // Clip to the text so a huge count does not ask for a huge buffer.
    if (count > length - start)
        count = length - start;
    return true;
}

bool CString::AllocBuffer(int size, bool zero)
{
    if (size < 1)
        size = 1; // room for the terminator at least
    if (m_pszData == nullptr) {
        m_pszData = static_cast<char*>(calloc(static_cast<size_t>(size), 1));
        m_nAllocLength = m_pszData != nullptr ? size : 0;
        return m_pszData != nullptr;
    }
    char* data = static_cast<char*>(realloc(m_pszData, static_cast<size_t>(size)));
    if (data == nullptr) {
        free(m_pszData);
        m_pszData = nullptr;
        m_nAllocLength = 0;
        return false;
    }
    m_pszData = data;
    m_nAllocLength = size;
    if (zero)
        memset(m_pszData, 0, static_cast<size_t>(size));
    else
        m_pszData[size - 1] = '\0';
    return true;
}

CString& CString::Assign(const char* text, int n)
{
    if (Owns(text)) {
        // The buffer is cleared (and may move) before the copy: take the text aside first.
        const CString copy(text, BoundedLength(text, m_nAllocLength - static_cast<int>(text - m_pszData)));
        return Assign(copy.m_pszData, n);
    }
    if (text == nullptr)
        text = "";
    if (n == 0)
        n = TextLength(text) + 1;
    if (n < 1)
        n = 1; // nothing to copy
    if (n == INT_MAX)
        n = INT_MAX - 1;
    if (m_nAllocLength < n + 1 || m_pszData == nullptr) {
        if (!AllocBuffer(n + 1, false))
            return *this;
    }
    memset(m_pszData, 0, static_cast<size_t>(m_nAllocLength));
    lstrcpynA(m_pszData, text, n);
    return *this;
}

CString& CString::Assign(const CString& other, int n)
{
    return Assign(other.m_pszData, n);
}

CString& CString::Append(const char* text)
{
    if (Owns(text)) {
        const CString copy(text, BoundedLength(text, m_nAllocLength - static_cast<int>(text - m_pszData)));
        return Append(copy.m_pszData);
    }
    const int length = GetLength();
    const int added = TextLength(text);
    if (added >= INT_MAX - length)
        return *this;
    if (!AllocBuffer(length + added + 1, false))
        return *this;
    if (added > 0)
        memcpy(m_pszData + length, text, static_cast<size_t>(added));
    m_pszData[length + added] = '\0';
    return *this;
}

CString& CString::Insert(const char* text, int index)
{
    const int length = GetLength();
    // All three pieces are copies, so text may point into this string.
    const CString left = Left(index);
    const CString middle(text);
    const CString right = index < length ? Right(length - (index > 0 ? index : 0)) : CString();
    Assign(left, 0);
    Append(middle.m_pszData);
    if (index < length)
        Append(right.m_pszData);
    return *this;
}

void CString::Empty()
{
    if (m_pszData != nullptr)
        memset(m_pszData, 0, static_cast<size_t>(m_nAllocLength));
}

CString& CString::Format(const char* format, ...)
{
    if (m_pszData == nullptr && !AllocBuffer(DefaultCapacity, true))
        return *this;
    if (format == nullptr) {
        Empty();
        return *this;
    }
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    // Formats in place: a string whose capacity suffices allocates nothing.
    int needed = vsnprintf(m_pszData, static_cast<size_t>(m_nAllocLength), format, args);
    va_end(args);
    if (needed < 0) {
        Empty();
    } else if (needed > m_nAllocLength - 1) {
        // Grow in steps of 128 bytes to the first size that holds the text.
        const long long steps = (static_cast<long long>(needed) - (m_nAllocLength - 1) + 127) / 128;
        const long long size = m_nAllocLength + steps * 128;
        if (size > INT_MAX || !AllocBuffer(static_cast<int>(size), false)) {
            va_end(again);
            return *this;
        }
        vsnprintf(m_pszData, static_cast<size_t>(m_nAllocLength), format, again);
    }
    va_end(again);
    return *this;
}

CString CString::Left(int n) const
{
    if (m_pszData == nullptr || n <= 0)
        return CString();
    const int length = GetLength();
    return CString(m_pszData, n < length ? n : length);
}

CString CString::Right(int n) const
{
    if (m_pszData == nullptr || n == 0)
        return CString();
    const int length = GetLength();
    if (n < 0 || n >= length)
        return CString(*this);
    return CString(m_pszData + (length - n), n);
}

CString CString::Mid(int start, int count) const
{
    if (!ValidateRange(start, count))
        return CString();
    return CString(m_pszData + start, count);
}

namespace {

// Maps the ASCII letters from..to by delta. The trail byte of a double-byte character can have
// a letter's value ("ア" is 83 41): it is skipped with its lead byte so the character survives.
void MapLetters(char* text, int length, char from, char to, int delta)
{
    for (int i = 0; i < length; ++i) {
        char& c = text[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < length)
            ++i;
        else if (c >= from && c <= to)
            c = static_cast<char>(c + delta);
    }
}

} // namespace

CString CString::ToUpper() const
{
    CString result(*this);
    MapLetters(result.m_pszData, result.GetLength(), 'a', 'z', 'A' - 'a');
    return result;
}

CString CString::ToLower() const
{
    CString result(*this);
    MapLetters(result.m_pszData, result.GetLength(), 'A', 'Z', 'a' - 'A');
    return result;
}

char& CString::ElementAt(int index)
{
    static char s_chNoBuffer; // handed out only when the buffer could not be grown
    if (index < 0)
        index = 0;
    if (index >= INT_MAX - 1) {
        s_chNoBuffer = '\0';
        return s_chNoBuffer;
    }
    if (m_pszData == nullptr || index + 1 >= m_nAllocLength) {
        // The byte written here must not be the last one: keep a terminator after it.
        const int old = m_pszData != nullptr ? m_nAllocLength : 0;
        if (!AllocBuffer(index + 2, false)) {
            s_chNoBuffer = '\0';
            return s_chNoBuffer;
        }
        memset(m_pszData + old, 0, static_cast<size_t>(m_nAllocLength - old));
    }
    return m_pszData[index];
}

int CString::Compare(const char* text) const
{
    return lstrcmpA(m_pszData != nullptr ? m_pszData : "", text != nullptr ? text : "");
}

int CString::CompareNoCase(const char* text) const
{
    return lstrcmpiA(m_pszData != nullptr ? m_pszData : "", text != nullptr ? text : "");
}

bool CString::IsEmpty() const
{
    return m_pszData == nullptr || Compare("") == 0;
}

char* CString::GetBuffer(int size)
{
    if (size > 0)
        AllocBuffer(size, false);
    return m_pszData;
}

void CString::FreeExtra()
{
    if (m_pszData == nullptr)
        return;
    const CString copy(*this);
    free(m_pszData);
    m_pszData = nullptr;
    m_nAllocLength = 0;
    Assign(copy, 0);
}

int CString::Find(char ch) const
{
    if (m_pszData == nullptr)
        return -1;
    const void* hit = memchr(m_pszData, static_cast<unsigned char>(ch), static_cast<size_t>(GetLength()));
    return hit != nullptr ? static_cast<int>(static_cast<const char*>(hit) - m_pszData) : -1;
}

int CString::Find(const char* text) const
{
    if (m_pszData == nullptr)
        return -1;
    if (text == nullptr || *text == '\0')
        return 0;
    const char* hit = strstr(m_pszData, text);
    return hit != nullptr ? static_cast<int>(hit - m_pszData) : -1;
}

int CString::Find(const CString& other) const
{
    return Find(other.m_pszData);
}

int CString::ReverseFind(char ch) const
{
    if (m_pszData == nullptr)
        return -1;
    for (int i = GetLength() - 1; i >= 0; --i) {
        if (m_pszData[i] == ch)
            return i;
    }
    return -1;
}

int CString::ReverseFind(const char* text) const
{
    if (m_pszData == nullptr)
        return -1;
    const int length = GetLength();
    const int n = TextLength(text);
    // The last occurrence; an empty text is found at the end.
    for (int i = length - n; i >= 0; --i) {
        if (memcmp(m_pszData + i, text, static_cast<size_t>(n)) == 0)
            return i;
    }
    return -1;
}

int CString::ReverseFind(const CString& other) const
{
    return ReverseFind(other.m_pszData);
}

} // namespace Vexa
