// CObject, CRuntimeClass: the root of the class library and its run-time class records.
#pragma once

namespace Vexa {

class CObject;

// One record per class, linked to the record of its direct base.
class CRuntimeClass {
public:
    explicit CRuntimeClass(const CRuntimeClass* base) : m_pBaseClass(base) {}
    virtual ~CRuntimeClass() {}
    // True when record is this one or any record up the base chain.
    virtual bool IsDerivedFrom(const CRuntimeClass* record) const;

    const CRuntimeClass* m_pBaseClass;
};

class CObject {
public:
    virtual ~CObject() {}
    virtual bool IsKindOf(const CRuntimeClass* record) const;
    virtual CRuntimeClass* GetRuntimeClass() const;

    static CRuntimeClass* GetThisClass();

private:
    static CRuntimeClass classCObject;
};

} // namespace Vexa

// Declares a class's record, its static accessor and the GetRuntimeClass override.
#define VEXA_DECLARE_DYNAMIC(cls)                                   \
public:                                                             \
    static ::Vexa::CRuntimeClass* GetThisClass();                   \
    ::Vexa::CRuntimeClass* GetRuntimeClass() const override;        \
private:                                                            \
    static ::Vexa::CRuntimeClass class##cls;                        \
public:

// Defines the record of cls with the record of its direct base as base record. The base is
// given by address only, so the order in which records are constructed does not matter.
#define VEXA_IMPLEMENT_DYNAMIC(cls, base)                                          \
    ::Vexa::CRuntimeClass cls::class##cls(base::GetThisClass());                   \
    ::Vexa::CRuntimeClass* cls::GetThisClass() { return &cls::class##cls; }        \
    ::Vexa::CRuntimeClass* cls::GetRuntimeClass() const { return &cls::class##cls; }

// The record of a class, for IsKindOf.
#define VEXA_RUNTIME_CLASS(cls) (cls::GetThisClass())
