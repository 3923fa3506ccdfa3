#include "support/GamePhysics.h"

#include "Core/Clock.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FlatGround.h"
#include "support/FrameTime.h"

TestCrate::TestCrate(const D3DXVECTOR3& position, float mass)
{
    g_Physics.CreateBoxActor(true, &m_PhysicsObject.m_pActor);
    NxActor* body = m_PhysicsObject.m_pActor;
    if (body == nullptr)
        return;
    body->updateMassFromShapes(0.0f, mass);
    body->setGlobalPosition(ToNxVec3(position));
    LinkPhysicsActor();
}

bool TestCrate::TakeDamage(const CDamageInfo& damage, NxContactPair*)
{
    m_Damage.push_back(damage);
    return true;
}

void TestCrate::ApplyPendingPush()
{
    NxActor* body = m_PhysicsObject.m_pActor;
    if (!m_BoundingBox.m_u8Flag || body == nullptr)
        return;
    body->setLinearVelocity(body->getLinearVelocity() + ToNxVec3(m_BoundingBox.m_vMin));
    m_Pushes.push_back(m_BoundingBox.m_vMin);
    m_BoundingBox.m_vMin = D3DXVECTOR3();
    m_BoundingBox.m_u8Flag = 0;
}

D3DXVECTOR3 TestCrate::GetPosition() const
{
    return ToD3DXVector(m_PhysicsObject.m_pActor->getGlobalPosition());
}

D3DXVECTOR3 TestCrate::GetVelocity() const
{
    return ToD3DXVector(m_PhysicsObject.m_pActor->getLinearVelocity());
}

int TestCrate::CountDamage(float damage) const
{
    int count = 0;
    for (const CDamageInfo& record : m_Damage)
        count += record.m_fDamage == damage ? 1 : 0;
    return count;
}

void GamePhysics::SetUp()
{
    ASSERT_TRUE(g_Physics.Init());
    SetFrameTime(FRAME_MILLISECONDS);
    ASSERT_TRUE(CreateFlatGround());
}

void GamePhysics::TearDown()
{
    m_Crates.clear();
    g_Physics.Shutdown();
    g_FrameTimer = CFrameTimer();
}

TestCrate& GamePhysics::AddCrate(const D3DXVECTOR3& position, float mass)
{
    m_Crates.push_back(std::make_unique<TestCrate>(position, mass));
    return *m_Crates.back();
}

void GamePhysics::RunFrames(int frames, const std::function<void()>& perFrame)
{
    for (int frame = 0; frame < frames; ++frame) {
        g_Physics.Update();
        if (perFrame)
            perFrame();
        for (const auto& crate : m_Crates)
            crate->ApplyPendingPush();
    }
}
