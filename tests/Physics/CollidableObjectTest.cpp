#include "Physics/CollidableObject.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace {

// Stands for an actor that the code under test must only carry, never use.
NxActor* const FOREIGN_ACTOR = reinterpret_cast<NxActor*>(uintptr_t(0x10));

} // namespace

TEST(CollidableObject, CopiesHaveNoActorOrSelfLinkOfTheirOwn)
{
    CCollidableObject original;
    original.m_u8Kind = CCollidableObject::KIND_CAR;
    original.m_bMoveable = false;
    original.m_pSelf = &original;
    original.m_PhysicsObject.m_pActor = FOREIGN_ACTOR;

    CCollidableObject copy(original);
    EXPECT_EQ(nullptr, copy.m_pSelf);
    EXPECT_EQ(nullptr, copy.m_PhysicsObject.m_pActor);
    EXPECT_EQ(CCollidableObject::KIND_CAR, copy.m_u8Kind);
    EXPECT_FALSE(copy.m_bMoveable);
    original.m_PhysicsObject.m_pActor = nullptr;

    CDamageInfo damage;
    EXPECT_TRUE(copy.TakeDamage(damage, nullptr));
    EXPECT_TRUE(copy.OnContact(nullptr, nullptr));
    EXPECT_EQ(nullptr, copy.GetTireContacts());
}
