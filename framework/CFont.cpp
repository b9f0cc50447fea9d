// CGDIObject, CFontBase, CFont.
#include "framework/CFont.h"

namespace Vexa {

VEXA_IMPLEMENT_DYNAMIC(CGDIObject, CObject)
VEXA_IMPLEMENT_DYNAMIC(CFontBase, CGDIObject)
VEXA_IMPLEMENT_DYNAMIC(CFont, CFontBase)

CGDIObject::CGDIObject() {}

CGDIObject::~CGDIObject() {}

BOOL CGDIObject::Delete()
{
    HGDIOBJ handle = GetHandle();
    if (handle == NULL)
        return 0;
    return ::DeleteObject(handle);
}

CFontBase::CFontBase() : m_hFont(NULL) {}

CFontBase::~CFontBase() { Delete(); }

HGDIOBJ CFontBase::GetHandle() { return m_hFont; }

BOOL CFontBase::Delete()
{
    const BOOL deleted = CGDIObject::Delete();
    if (deleted)
        m_hFont = NULL;
    return deleted;
}

HFONT CFontBase::GetFontHandle() { return m_hFont; }

HGDIOBJ CFontBase::GetObjectHandle() { return GetHandle(); }

HFONT CFontBase::CreateFont(int height, int width, int escapement, int orientation, int weight,
                            DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                            DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                            DWORD pitchAndFamily, const char* faceName)
{
    m_hFont = ::CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                            strikeOut, charSet, outPrecision, clipPrecision, quality,
                            pitchAndFamily, faceName);
    return m_hFont;
}

CFont::CFont(int height, const char* faceName) { Create(height, faceName, 0, 0, 0, 0); }

CFont::~CFont() {}

HFONT CFont::Create(int height, const char* faceName, int weight, DWORD italic, DWORD underline,
                    DWORD strikeOut)
{
    return CreateFont(height, 0, 0, 0, weight, italic, underline, strikeOut, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, faceName);
}

} // namespace Vexa
