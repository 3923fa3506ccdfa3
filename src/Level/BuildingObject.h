#pragma once
// A building the level places: a complex object for its shell and floors of
// level objects inside. "Scripts\BuildingObjects.txt" holds the prototypes
// (the grammar is at the top of that file). Buildings are not streamed: the
// level updates and offers every one of them each frame, and a building
// tests its own bounding sphere against the view before it queues itself.

#include <memory>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/ComplexObject.h"
#include "Level/LevelObject.h"
#include "Physics/CollidableObject.h"

class CBuildingObject : public CCollidableObject, public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CBuildingObject";

    typedef std::vector<std::unique_ptr<CLevelObject>> Floor;

    CBuildingObject();
    // A placed building gets floors of its own, copied from the prototype's,
    // so that each building deletes exactly what it holds.
    CBuildingObject(const CBuildingObject& other);
    CBuildingObject& operator=(const CBuildingObject&) = delete;
    ~CBuildingObject() override;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    // Every block is accepted.
    bool Validate() override { return true; }

    bool OnContact(CCollidableObject* pOther, NxContactPair* pPair) override;
    // The shell's matrices, then every floor object's update.
    virtual void Update();
    // The shell and the floors' objects, unless the bounding sphere lies out
    // of view; without a root box the building is always queued.
    virtual void QueueRender(ERenderPass pass);

    void DeleteFloors();
    // True when the sphere of the shell's position and the scaled radius lies
    // wholly out of the view of g_CullViewProj, or in the reflection wholly
    // under the water.
    bool IsOutOfView() const;

    const std::vector<Floor>& GetFloors() const { return m_Floors; }

    // The shell; its world position is the building's position.
    CComplexObject m_ComplexObject;

private:
    void ReadFloor(Floor& floor, CDataBuffer& reader);

    std::vector<Floor> m_Floors;
};
