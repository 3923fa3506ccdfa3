#pragma once
// The small rigid-body layer beside the physics SDK. The physics manager and
// every physics member hold pointers into it, but nothing ever creates a
// simulator or a body: every such pointer stays null, and every caller tests
// it and skips the operation.

class neSimulator;
class neRigidBody;
class neAnimatedBody;
class neRigidBodyController;

// The controller callback a body would call each step.
class neRigidBodyControllerCallback {
public:
    virtual ~neRigidBodyControllerCallback() = default;
    virtual void RigidBodyControllerCallback(neRigidBodyController* pController, float fTimeStep) = 0;
};
