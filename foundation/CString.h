// CString: the class library's string of 8-bit (ANSI code page) characters.
// Lengths, indexes and capacities count bytes. Every operation but the constructors is virtual;
// the order of the declarations below is the order of the virtual table.
#pragma once

#include "foundation/CObject.h"

#if defined(__GNUC__)
#define VEXA_PRINTF_FORMAT(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#define VEXA_PRINTF_FORMAT(fmt, first)
#endif

namespace Vexa {

class CString : public CObject {
    VEXA_DECLARE_DYNAMIC(CString)
public:
    enum { DefaultCapacity = 64 };

    CString();
    // n = 0 takes the whole text, a negative n takes nothing; the buffer is n + 1 bytes.
    CString(const char* text, int n = 0);
    CString(const CString& other, int n = 0);
    // Concatenation in a buffer of exactly the two lengths + 1 bytes; null counts as "".
    CString(const char* a, const char* b);
    CString(const CString& a, const CString& b);
    ~CString() override;

    virtual operator const char*() const;
    virtual CString& operator=(const char* text);
    virtual CString& operator=(const CString& other);
    virtual CString operator+(const char* text) const;
    virtual CString operator+(const CString& other) const;
    virtual CString& operator+=(const char* text);
    virtual CString& operator+=(const CString& other);
    virtual CString& operator+=(char ch);
    virtual bool operator==(const char* text) const;
    virtual bool operator==(const CString& other) const;
    virtual bool operator!=(const char* text) const;
    virtual bool operator!=(const CString& other) const;
    virtual bool operator>(const char* text) const;
    virtual bool operator>(const CString& other) const;
    virtual bool operator<(const char* text) const;
    virtual bool operator<(const CString& other) const;
    virtual bool operator>=(const char* text) const;
    virtual bool operator>=(const CString& other) const;
    virtual bool operator<=(const char* text) const;
    virtual bool operator<=(const CString& other) const;
    virtual char& operator[](int index);

    virtual int GetAllocLength() const;
    virtual int GetLength() const;
    // Clips a Mid range to the text; false when it selects nothing.
    virtual bool ValidateRange(int& start, int& count) const;
    // Resizes the buffer to exactly size bytes (at least 1), or allocates size zero bytes when
    // there is none. A shrink below the text cuts the text. False when the allocation failed.
    virtual bool AllocBuffer(int size, bool zero);
    // n counts the terminator: at most n - 1 characters are copied; n = 0 copies the whole text.
    virtual CString& Assign(const char* text, int n);
    virtual CString& Assign(const CString& other, int n);
    virtual CString& Append(const char* text);
    virtual CString& Insert(const char* text, int index);
    virtual void Empty();
    virtual CString& Format(const char* format, ...) VEXA_PRINTF_FORMAT(2, 3);
    virtual CString Left(int n) const;
    virtual CString Right(int n) const;
    virtual CString Mid(int start, int count) const;
    virtual CString ToUpper() const;
    virtual CString ToLower() const;
    // A writable byte; an index at or past the last byte grows the buffer so a terminator fits.
    virtual char& ElementAt(int index);
    // Locale-aware, as lstrcmpA / lstrcmpiA.
    virtual int Compare(const char* text) const;
    virtual int CompareNoCase(const char* text) const;
    virtual bool IsEmpty() const;
    // For a positive size the buffer becomes exactly size bytes; returns the buffer.
    virtual char* GetBuffer(int size);
    virtual void FreeExtra();
    virtual int Find(char ch) const;
    virtual int Find(const char* text) const;
    virtual int Find(const CString& other) const;
    virtual int ReverseFind(char ch) const;
    virtual int ReverseFind(const char* text) const;
    virtual int ReverseFind(const CString& other) const;

private:
    void InitCopy(const char* text, int length, int capacity);
    bool Owns(const char* text) const;

    char* m_pszData;
    int m_nAllocLength; // the size actually allocated; 0 when there is no buffer
};

} // namespace Vexa
