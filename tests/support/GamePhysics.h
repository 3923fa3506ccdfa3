#pragma once
// The game's physics manager with a scene over a flat ground 200 m across at
// height 0, and 16 ms frames: for tests of what moves, hits and is hit in
// the game's own objects.

#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Physics/CollidableObject.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "support/FlatGround.h"

// A dynamic box that keeps every damage record it takes and, once a frame,
// adds its pending push to its velocity as an actor's pose step does.
class TestCrate : public CCollidableObject {
public:
    // Half extents of 0.5 m, resting with its centre at `position`.
    TestCrate(const D3DXVECTOR3& position, float mass);

    bool TakeDamage(const CDamageInfo& damage, NxContactPair* pPair) override;
    void ApplyPendingPush();

    D3DXVECTOR3 GetPosition() const;
    D3DXVECTOR3 GetVelocity() const;
    // The records taken with exactly this damage.
    int CountDamage(float damage) const;

    std::vector<CDamageInfo> m_Damage;
    // The pushes applied, in order.
    std::vector<D3DXVECTOR3> m_Pushes;
};

class GamePhysics : public ::testing::Test {
protected:
    static constexpr uint32_t FRAME_MILLISECONDS = 16;
    static constexpr float FRAME_SECONDS = 0.016f;

    void SetUp() override;
    void TearDown() override;

    // A crate the fixture owns until the test ends.
    TestCrate& AddCrate(const D3DXVECTOR3& position, float mass = 10.0f);
    // Each frame: the physics step, then `perFrame`, then the crates' pushes.
    void RunFrames(int frames, const std::function<void()>& perFrame = nullptr);

    std::vector<std::unique_ptr<TestCrate>> m_Crates;
};
