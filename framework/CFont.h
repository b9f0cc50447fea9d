// CGDIObject, CFontBase, CFont: GDI objects that own their handles. A font handed to controls
// stays owned by its object, so the object must outlive the controls that use it.
#pragma once

#include <windows.h>

#include "foundation/CObject.h"

namespace Vexa {

class CGDIObject : public CObject {
    VEXA_DECLARE_DYNAMIC(CGDIObject)
public:
    CGDIObject();
    ~CGDIObject() override;

    CGDIObject(const CGDIObject&) = delete;
    CGDIObject& operator=(const CGDIObject&) = delete;

    // The object's GDI handle, 0 when it has none.
    virtual HGDIOBJ GetHandle() = 0;
    // DeleteObject of the handle; 0, without any call, when there is none.
    virtual BOOL Delete();
};

class CFontBase : public CGDIObject {
    VEXA_DECLARE_DYNAMIC(CFontBase)
public:
    CFontBase();
    // Deletes the font handle.
    ~CFontBase() override;

    HGDIOBJ GetHandle() override;
    // Also forgets a handle it deleted, so that a later Delete cannot hit a reused handle.
    BOOL Delete() override;

    virtual HFONT GetFontHandle();
    virtual HGDIOBJ GetObjectHandle();
    // CreateFontA with the fourteen arguments; the result becomes the object's handle.
    virtual HFONT CreateFont(int height, int width, int escapement, int orientation, int weight,
                             DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                             DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                             DWORD pitchAndFamily, const char* faceName);

    HFONT m_hFont;
};

class CFont : public CFontBase {
    VEXA_DECLARE_DYNAMIC(CFont)
public:
    // A font of the given cell height, default weight, no italic, underline or strike-out.
    CFont(int height, const char* faceName);
    ~CFont() override;

    virtual HFONT Create(int height, const char* faceName, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut);
};

} // namespace Vexa
