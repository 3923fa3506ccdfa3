#include "Physics/PhysicsObject.h"

#include <string>

#include <gtest/gtest.h>

#include "Core/DataBuffer.h"

namespace {

CDataBuffer Tokens(const char* script)
{
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(script, std::char_traits<char>::length(script));
    return reader;
}

// Stands for an actor that the code under test must only carry, never use.
NxActor* const FOREIGN_ACTOR = reinterpret_cast<NxActor*>(uintptr_t(0x10));

} // namespace

TEST(CollidablePhysicsMember, ReadsMassInertiaAndMaterial)
{
    CPhysicsObject member;
    EXPECT_FLOAT_EQ(PHYSICS_STATIC_MASS, member.m_fMass);
    CDataBuffer reader = Tokens("Mass 12.5\nInertia 2 0 0 0 0 3 0 0 0 0 4 0 0 0 0 1\nMaterial 1\nColor 1");
    EXPECT_TRUE(member.ReadProperty(reader));
    EXPECT_TRUE(member.ReadProperty(reader));
    EXPECT_TRUE(member.ReadProperty(reader));
    EXPECT_FALSE(member.ReadProperty(reader));
    EXPECT_EQ("Color", reader.PeekString());
    EXPECT_FLOAT_EQ(12.5f, member.m_fMass);
    EXPECT_FLOAT_EQ(3.0f, member.m_matInertia._22);
    EXPECT_EQ(1, member.m_iMaterial);

    // Past the SDK's 16-bit material indices: the default material.
    for (const char* script : {"Material 70000", "Material -1"}) {
        CDataBuffer bad = Tokens(script);
        EXPECT_TRUE(member.ReadProperty(bad));
        EXPECT_EQ(0, member.m_iMaterial);
    }
}

TEST(CollidablePhysicsMember, KeepsItsVelocityWithoutAnActorAndCopiesLeaveTheActorBehind)
{
    CPhysicsObject member;
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), member.GetLinearVelocity());
    member.m_vVelocity = D3DXVECTOR3(1, 2, 3);
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), member.GetLinearVelocity());
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), member.GetBodyPosition());

    member.m_pActor = FOREIGN_ACTOR;
    member.m_fMass = 5.0f;
    CPhysicsObject copy(member);
    EXPECT_EQ(nullptr, copy.m_pActor);
    EXPECT_FLOAT_EQ(5.0f, copy.m_fMass);
    copy = member;
    EXPECT_EQ(nullptr, copy.m_pActor);
    member.m_pActor = nullptr;
}
