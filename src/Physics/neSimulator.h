#pragma once
// The small rigid-body layer beside the physics SDK. The physics manager and
// every physics member hold pointers into it, but nothing ever creates a
// simulator or a body: every such pointer stays null, and every caller tests
// it and skips the operation.

#include <cmath>
#include <cstdint>

#include "platform/d3dx8/D3DX8Math.h"

// What a simulator reports of its pools: the first two counts are its
// moveable and its static objects.
struct neSimulatorSizeInfo {
    enum { COUNT = 12 };
    int32_t m_Counts[COUNT] = {};
};

// Only what the console asks of a simulator.
class neSimulator {
public:
    void SetGravity(const D3DXVECTOR3& gravity)
    {
        m_vGravity = gravity;
        m_fGravityMagnitude = std::sqrt(gravity.x * gravity.x + gravity.y * gravity.y + gravity.z * gravity.z);
        m_vGravityDirection = m_fGravityMagnitude > 0.0f ? gravity / m_fGravityMagnitude : D3DXVECTOR3(0, 0, 0);
    }
    void GetSizeInfo(neSimulatorSizeInfo& info) const { info = m_SizeInfo; }

private:
    D3DXVECTOR3 m_vGravity{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vGravityDirection{0.0f, 0.0f, 0.0f};
    float m_fGravityMagnitude = 0.0f;
    neSimulatorSizeInfo m_SizeInfo;
};
class neRigidBody;
class neAnimatedBody;
class neRigidBodyController;

// The controller callback a body would call each step.
class neRigidBodyControllerCallback {
public:
    virtual ~neRigidBodyControllerCallback() = default;
    virtual void RigidBodyControllerCallback(neRigidBodyController* pController, float fTimeStep) = 0;
};
