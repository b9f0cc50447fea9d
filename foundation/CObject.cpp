#include "foundation/CObject.h"

namespace Vexa {

CRuntimeClass CObject::classCObject(nullptr);

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* record) const
{
    for (const CRuntimeClass* p = this; p != nullptr; p = p->m_pBaseClass) {
        if (p == record)
            return true;
    }
    return false;
}

bool CObject::IsKindOf(const CRuntimeClass* record) const
{
    return GetRuntimeClass()->IsDerivedFrom(record);
}

CRuntimeClass* CObject::GetThisClass() { return &classCObject; }
CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

} // namespace Vexa
