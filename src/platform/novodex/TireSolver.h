#pragma once
// Car tyres. A capsule on a spring material is no child of its body: each
// step casts one ray along its axis, and the contact spring pushes the body
// up along the ground's normal while side grip holds it across the tyre.
// Solved inside Bullet's constraint phase of each step, before the real
// contacts, so gravity and the game's forces of that step are already known.

#include <vector>

#include <btBulletDynamicsCommon.h>

#include "platform/novodex/NxVec3.h"

class NxScene;
class NxShape;
class NxActor;

class TireSolver {
public:
    // What one tyre touched in its last touching step of a simulate call.
    struct Record {
        NxShape* tire;
        NxShape* ground;
        NxVec3 point;
        // From the ground towards the tyre.
        NxVec3 normal;
        // Minus the penetration: the tyre's end is that far below the ground.
        NxReal separation;
    };

    explicit TireSolver(const NxScene& scene);

    // A tyre on a dynamic actor; its actor stays awake while it has one.
    void addTire(NxShape& capsule);
    void removeTire(const NxShape& capsule);

    // A simulate call begins: the last call's records go.
    void beginCall();
    void step(btScalar timeStep);

    size_t getNbTires() const { return m_Tires.size(); }
    // False when tyre `index` touched nothing during the call.
    bool getRecord(size_t index, Record& record) const;

private:
    struct Tire {
        NxShape* shape;
        NxActor* actor;
        // The step's contact.
        bool touching = false;
        NxShape* ground = nullptr;
        // The ground's body when it is dynamic.
        btRigidBody* other = nullptr;
        btVector3 point;
        btVector3 normal;
        btVector3 side;
        btVector3 arm;
        btVector3 otherArm;
        btScalar penetration = 0;
        btScalar normalInverseMass = 0;
        btScalar sideInverseMass = 0;
        // The spring's terms: lambda = (bias + gain v') / (1 + gain w).
        btScalar bias = 0;
        btScalar gain = 0;
        btScalar friction = 0;
        btScalar normalImpulse = 0;
        btScalar sideImpulse = 0;
        // The call's record.
        bool recorded = false;
        Record record{};
    };

    void stepActor(size_t first, size_t end, btScalar timeStep);
    bool castRay(Tire& tire, const btRigidBody& body, btScalar timeStep) const;
    void solveNormal(Tire& tire, btRigidBody& body, btScalar timeStep) const;
    void solveSide(Tire& tire, btRigidBody& body, btScalar timeStep) const;
    void push(Tire& tire, btRigidBody& body, const btVector3& impulse) const;
    bool hasTires(const NxActor& actor) const;

    const NxScene& m_Scene;
    // Grouped by actor, so that an actor's tyres are solved together.
    std::vector<Tire> m_Tires;
};

// The scene's world: Bullet's, with the tyres solved before the contacts.
class TireWorld : public btDiscreteDynamicsWorld {
public:
    TireWorld(btDispatcher* dispatcher, btBroadphaseInterface* broadphase, btConstraintSolver* solver,
              btCollisionConfiguration* configuration, const NxScene& scene);

    TireSolver& getTires() { return m_Tires; }
    const TireSolver& getTires() const { return m_Tires; }
    // The fixed steps a stepSimulation of `elapsed` seconds takes before its
    // cap on steps.
    int countSteps(btScalar elapsed, btScalar fixedStep) const;

protected:
    void solveConstraints(btContactSolverInfo& solverInfo) override;

private:
    TireSolver m_Tires;
};
