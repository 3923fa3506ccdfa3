#pragma once
// Every scripted prop of the world: lamps, crates, walls, the sun. A
// prototype is a "LevelObject" block of "Scripts\LevelObjects.txt" (the
// grammar is at the top of that file); the level script and the buildings'
// floors place copies of it. A placed copy is drawn by its complex object,
// may have a physics body (static, or movable when it has a mass), floats in
// water, can be the lamp of a traffic-light group, and leaves the world by
// itself when it is far and unseen, to come back when the object grid
// activates its cell again.

#include <cstdint>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/ComplexObject.h"
#include "Effects/Effect.h"
#include "Physics/CollidableObject.h"
#include "platform/d3dx8/D3DX8Math.h"

// The level queues what it draws twice a frame: for the mirrored view of the
// water's reflection, then for the main view.
enum ERenderPass {
    RENDER_PASS_REFLECTION,
    RENDER_PASS_MAIN,
};

class CLevelObject : public CCollidableObject, public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CLevelObject";
    // Farther than this from the camera and culled for longer than the
    // seconds below, an object that may be recycled leaves the world.
    static constexpr float RECYCLE_DISTANCE = 875.0f;
    static constexpr float RECYCLE_CULLED_SECONDS = 2.0f;
    // The kind the collision description of a placed object is given.
    static constexpr int32_t COLLISION_KIND = 2;

    CLevelObject();
    // A placed copy of a prototype. It has no physics yet, is hidden until
    // spawned, and its complex object hangs from its own world matrix.
    CLevelObject(const CLevelObject& other);
    CLevelObject& operator=(const CLevelObject&) = delete;
    ~CLevelObject() override = default;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    // Releases the physics body.
    bool Shutdown() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    // Every block is accepted.
    bool Validate() override { return true; }

    // Hull damage, or, from a water plane, the buoyancy that the next Update
    // applies.
    bool TakeDamage(const CDamageInfo& damage, NxContactPair* pPair) override;
    // A car that hits the object deals it a tenth of their relative speed.
    bool OnContact(CCollidableObject* pOther, NxContactPair* pPair) override;

    // Without a radius of its own, the object is bounded by its top-level
    // parts' meshes, in their own coordinates.
    void ComputeBoundsFromMeshes();
    // Placed in the world (level load, missions): its effects bound to it
    // and the travel effect started, shown, its collision description on its
    // own matrices, its lamp registered.
    void Spawn();
    // Entering the world at the start matrix: the body, static unless the
    // object has a mass and is movable.
    void CreatePhysics();
    // The body's pose becomes the world matrix; the drawn parts follow.
    void SyncPhysics();
    // Marks the object removed when it is far and long unseen, and hands
    // the pending velocity change and force to the body.
    void Update();
    // Queues the complex object unless the box test culls it. Only the main
    // pass counts the time the object spends culled.
    void QueueRender(ERenderPass pass);

    D3DXVECTOR3 GetPosition() const { return D3DXVECTOR3(m_matWorld._41, m_matWorld._42, m_matWorld._43); }

    // "Orientation": where the grid files the object and where each
    // activation puts it back.
    D3DXMATRIX m_matStart;
    // Seconds the main view has culled the object; 0 while it is drawn.
    float m_fCulledTime;
    // Cleared for the sun and for what a mission places: a recycled object
    // would never come back from the overflow cell while the mission runs.
    uint8_t m_u8MayBeRecycled;
    uint8_t m_u8InWorld;
    // Raised by the recycling test or by others; the level unlinks the object.
    uint8_t m_u8Removed;
    float m_fHullMax;
    // "EffectTravel": bound to the drawn matrix and started by Spawn.
    CEffect m_TravelEffect;
    // "EffectDestroy": bound to the drawn matrix by Spawn; the object itself
    // never starts it.
    CEffect m_DestroyEffect;
    // Kept for the missions, which read it.
    float m_fHull;
    // A hidden object is never queued: prototypes and floor objects stay so.
    uint8_t m_u8Hidden;
    // A lamp of this traffic light and group when both are 0 or more.
    int32_t m_iLightControllerNumber;
    int32_t m_iLightControllerGroup;
    std::string m_CollisionFileName;
    uint8_t m_u8RadiusFromTree;
    // What is drawn; it hangs from the world matrix.
    CComplexObject m_ComplexObject;
    // The current pose; movable objects take it from their body each frame.
    D3DXMATRIX m_matWorld;
    // "OtherSpawnPoint": more places the object grid files the object under.
    std::vector<D3DXVECTOR3> m_OtherSpawnPoints;
    // The object-grid entries that hold the object; the last one deletes it.
    int32_t m_iGridReferences;
    // Placed by a mission: its overflow entry goes when the level unlinks it.
    uint8_t m_u8PlacedByMission;

private:
    void BindComplexObject();
    void PointCollisionAtOwnMatrices(int32_t kind);
    static void ReadEffect(CDataBuffer& reader, CEffect& effect);
    void ReadCollisionData(CDataBuffer& reader);
    void ApplyBuoyancy(const CDamageInfo& water);
    void ApplyPendingImpulse();
};
