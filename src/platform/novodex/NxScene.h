#pragma once
// A scene: actors, joints and their simulation in one world. Stepping is
// simulate, flushStream, then fetchResults, which hands the step's contacts
// to the contact report.

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxJoint.h"
#include "platform/novodex/NxRay.h"
#include "platform/novodex/NxUserContactReport.h"

class NxPhysicsSDK;
class btDiscreteDynamicsWorld;
class btPersistentManifold;

enum NxTimeStepMethod {
    // Steps of exactly maxTimestep; time left over waits for the next call.
    NX_TIMESTEP_FIXED = 0,
    // One step of the time given.
    NX_TIMESTEP_VARIABLE = 1,
};

enum NxSimulationStatus {
    NX_RIGID_BODY_FINISHED = 1 << 0,
};

class NxSceneDesc {
public:
    NxVec3 gravity;
    NxUserContactReport* userContactReport = nullptr;
    NxReal maxTimestep = 1.0f / 60.0f;
    NxU32 maxIter = 8;
    NxTimeStepMethod timeStepMethod = NX_TIMESTEP_FIXED;

    bool isValid() const;
};

class NxScene {
public:
    ~NxScene();
    NxScene(const NxScene&) = delete;
    NxScene& operator=(const NxScene&) = delete;

    NxPhysicsSDK& getPhysicsSDK() const { return m_SDK; }

    // Null when the descriptor or one of its shapes is invalid.
    NxActor* createActor(const NxActorDesc& desc);
    // Released during a contact report, the actor stays until the report
    // ends and no further pair with it is reported. Its joints are unbound.
    void releaseActor(NxActor& actor);
    NxU32 getNbActors() const { return static_cast<NxU32>(m_Actors.size()); }
    // Null past the last actor.
    NxActor* getActor(NxU32 index) const { return index < m_Actors.size() ? m_Actors[index].get() : nullptr; }

    NxJoint* createJoint(const NxJointDesc& desc);
    void releaseJoint(NxJoint& joint);

    void setGravity(const NxVec3& gravity);
    void getGravity(NxVec3& gravity) const { gravity = m_Gravity; }

    void setUserContactReport(NxUserContactReport* report) { m_pContactReport = report; }
    NxUserContactReport* getUserContactReport() const { return m_pContactReport; }
    // Which contact events pairs of actors in these groups report.
    void setActorGroupPairFlags(NxActorGroup group1, NxActorGroup group2, NxU32 flags);
    NxU32 getActorGroupPairFlags(NxActorGroup group1, NxActorGroup group2) const;

    // maxIter caps the fixed steps per simulate; time beyond them is dropped.
    void setTiming(NxReal maxTimestep, NxU32 maxIter, NxTimeStepMethod method);
    void simulate(NxReal elapsedTime);
    bool flushStream() { return true; }
    // Reports the contacts of the last simulate; false when nothing was simulated.
    bool fetchResults(NxSimulationStatus status, bool block, NxU32* errorState = nullptr);
    bool checkResults(NxSimulationStatus status, bool block) const;

    // The nearest shape along the ray whose group is in `groups` (bit n for
    // group n), within maxDist; null when none. `hintFlags` is accepted for
    // form: every field of the hit is filled.
    NxShape* raycastClosestShape(const NxRay& worldRay, NxShapesType shapeType, NxRaycastHit& hit,
                                 NxU32 groups = 0xffffffff, NxReal maxDist = NX_MAX_F32,
                                 NxU32 hintFlags = 0xffffffff) const;

    // The stand-in's own.
    btDiscreteDynamicsWorld& getWorld() const;
    NxReal getMaxTimestep() const { return m_MaxTimestep; }
    // The shape whose contact tag this is, or null.
    NxShape* findTaggedShape(int tag) const;
    // The nearest shape from `from` to `to` that can carry a tyre of
    // `rider`: in groups 0 to 14, on an actor that responds to contacts and is
    // neither the rider nor jointed to it.
    NxShape* raycastTireGround(const NxVec3& from, const NxVec3& to, const NxActor& rider, NxRaycastHit& hit) const;

private:
    friend class NxPhysicsSDK;
    friend class NxActor;
    friend class NxShape;

    struct World;
    struct ReportedPair {
        NxActor* actors[2];
        NxU32 firstShapePair;
        NxU32 events;
    };
    struct GatheredManifold {
        NxU32 pair;
        // Null for a tyre's record.
        const btPersistentManifold* manifold;
        // The manifold's bodies are the pair's actors the other way round.
        bool swapped;
        size_t tire;
    };

    NxScene(NxPhysicsSDK& sdk, const NxSceneDesc& desc);
    int addShapeTag(NxShape& shape);
    void removeShapeTag(int tag);
    void afterSubstep(NxReal stepSeconds);
    void gatherContacts();
    NxU32 findReportedPair(NxActor& actor0, NxActor& actor1);
    void gatherTireRecords();
    void addManifold(const GatheredManifold& gathered);
    void addTireRecord(const GatheredManifold& gathered);
    void addTire(NxShape& capsule);
    void removeTire(const NxShape& capsule);
    void applyGatheredForces(NxReal elapsedTime);
    NxShape* shapeOnSide(int tag, const NxActor* actor) const;
    void destroyActor(NxActor& actor);
    // Bodies resting on an actor that goes or changes shape must not sleep on.
    void wakeTouching(const NxActor& actor);
    void finishPendingReleases();
    NxU32 pairEvents(const NxActor& actor0, const NxActor& actor1);

    NxPhysicsSDK& m_SDK;
    std::unique_ptr<World> m_pWorld;
    NxVec3 m_Gravity;
    NxUserContactReport* m_pContactReport;
    NxReal m_MaxTimestep;
    NxU32 m_MaxIter;
    NxTimeStepMethod m_TimeStepMethod;
    std::unordered_map<NxU32, NxU32> m_GroupPairFlags;

    std::vector<std::unique_ptr<NxActor>> m_Actors;
    std::unordered_map<const NxActor*, size_t> m_ActorIndex;
    NxU32 m_NextActorSerial = 0;
    std::vector<std::unique_ptr<NxJoint>> m_Joints;
    std::vector<NxShape*> m_ShapeTags;
    std::vector<int> m_FreeShapeTags;

    bool m_bSimulated = false;
    bool m_bReporting = false;
    std::vector<NxActor*> m_PendingActorReleases;
    std::vector<NxShape*> m_PendingShapeReleases;
    NxContactBuffer m_Contacts;
    std::vector<ReportedPair> m_ReportedPairs;
    std::vector<GatheredManifold> m_GatheredManifolds;
    // Flat and sorted by pair key, so that a step's contacts reuse the
    // memory of the steps before.
    std::vector<std::pair<uint64_t, NxU32>> m_PairIndex;
    std::vector<uint64_t> m_TouchingPairs;
    std::vector<uint64_t> m_PreviousTouchingPairs;
    // Actors with forces gathered or carried on.
    std::vector<NxActor*> m_ForcedActors;
};
