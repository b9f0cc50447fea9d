#include <gtest/gtest.h>

#include "foundation/CObject.h"

using Vexa::CObject;
using Vexa::CRuntimeClass;

namespace {

class CDerived : public CObject {
    VEXA_DECLARE_DYNAMIC(CDerived)
};
class CMoreDerived : public CDerived {
    VEXA_DECLARE_DYNAMIC(CMoreDerived)
};
class COther : public CObject {
    VEXA_DECLARE_DYNAMIC(COther)
};

VEXA_IMPLEMENT_DYNAMIC(CDerived, CObject)
VEXA_IMPLEMENT_DYNAMIC(CMoreDerived, CDerived)
VEXA_IMPLEMENT_DYNAMIC(COther, CObject)

TEST(RuntimeClass, KindOfFollowsTheWholeBaseChain)
{
    CMoreDerived more;
    const CObject& asObject = more;
    EXPECT_EQ(CMoreDerived::GetThisClass(), asObject.GetRuntimeClass());
    EXPECT_TRUE(asObject.IsKindOf(CMoreDerived::GetThisClass()));
    EXPECT_TRUE(asObject.IsKindOf(CDerived::GetThisClass()));
    EXPECT_TRUE(asObject.IsKindOf(CObject::GetThisClass()));
    EXPECT_FALSE(asObject.IsKindOf(COther::GetThisClass()));

    CDerived derived;
    EXPECT_FALSE(derived.IsKindOf(CMoreDerived::GetThisClass()));
    COther other;
    EXPECT_FALSE(other.IsKindOf(CDerived::GetThisClass()));
    EXPECT_TRUE(CObject::GetThisClass()->IsDerivedFrom(CObject::GetThisClass()));
    EXPECT_EQ(nullptr, CObject::GetThisClass()->m_pBaseClass);
    EXPECT_FALSE(CObject::GetThisClass()->IsDerivedFrom(CDerived::GetThisClass()));
}

} // namespace
