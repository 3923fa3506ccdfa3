// The car's physics build and release, its drawing and its paint.

#include "Actors/Car.h"

#include "Actors/CarColorTable.h"
#include "Actors/CarShapes.h"
#include "Actors/TireType.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Display/Occ_HOM.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"

namespace {

// Room for each tyre's contact points of a step, made with the body: the
// contact report then fills the car's list without growing it.
const size_t TIRE_CONTACTS_PER_TIRE = 4;

// Whether the group's own box is out of sight; a group without meshes of
// its own has no box and is never culled.
bool IsGroupCulled(const CComplexObject& group)
{
    const CComplexObject::Box* box = group.GetBoundingBox();
    if (box == nullptr)
        return false;
    const COccBoxRecord record = {&box->m_Min, &box->m_Max, &group.GetWorldMatrix()};
    return IsBoxCulled(record);
}

// The paint's own colour in the scene's ambient light, and a faint glow of
// it: the colour tables give every paint the same dim grey there, which left
// each face the sun does not reach near-black whatever the paint.
D3DMATERIAL8 ShadedPaint(const D3DMATERIAL8& material)
{
    const float glow = 0.25f;
    const D3DCOLORVALUE& colour = material.Diffuse;
    D3DMATERIAL8 paint = material;
    paint.Ambient = {colour.r, colour.g, colour.b, 1.0f};
    paint.Emissive = {colour.r * glow, colour.g * glow, colour.b * glow, 1.0f};
    return paint;
}

} // namespace

void CCar::CreatePhysics()
{
    m_Body.SetLocalMatrix(m_matSpawn);
    D3DXMatrixIdentity(&m_Body.GetWorldMatrix());
    m_u8Kind = KIND_CAR;
    m_bMoveable = m_PhysicsObject.m_fMass < PHYSICS_STATIC_MASS;
    g_Physics.CreateBoxActor(m_bMoveable, &m_PhysicsObject.m_pActor);
    NxActor* actor = m_PhysicsObject.m_pActor;
    m_uActiveTires = 0;
    m_TireContacts.reserve(m_Tires.size() * TIRE_CONTACTS_PER_TIRE);
    if (actor != nullptr) {
        LinkPhysicsActor();
        BuildBody(*actor);
    }
    for (CDoor& door : m_Doors)
        CreateDoor(door, actor);
    Paint();
    StartEngineSound();
}

void CCar::BuildBody(NxActor& actor)
{
    actor.setGlobalPosition(NxVec3(m_matSpawn._41, m_matSpawn._42, m_matSpawn._43));
    actor.setGlobalOrientation(ToNxOrientation(m_matSpawn));
    NxShape* unitBox = actor.getShapes()[0];
    CCollisionObject::AddBoxShapes(&actor, m_PhysicsObject.m_iMaterial, m_CollisionObject.m_pRoot.get(), nullptr);
    actor.releaseShape(*unitBox);
    CreateGasTankShapes(actor);
    LinkPhysicsActor();
    actor.updateMassFromShapes(0.0f, m_PhysicsObject.m_fMass);
    actor.setCMassOffsetLocalPosition(ToNxVec3(m_vScriptCenterOfMass));
    CreateTireShapes(actor);
}

// From the last record to the first, as the game always made them.
void CCar::CreateGasTankShapes(NxActor& actor)
{
    for (auto tank = m_GasTanks.rbegin(); tank != m_GasTanks.rend(); ++tank) {
        const D3DXVECTOR3 halfExtents = (tank->m_vMax - tank->m_vMin) * 0.5f;
        const D3DXVECTOR3 centre = tank->m_vMin + halfExtents;
        D3DXMATRIX pose;
        D3DXMatrixTranslation(&pose, centre.x, centre.y, centre.z);
        D3DXMatrixMultiply(&pose, &pose, &tank->m_matLocal);
        NxBoxShapeDesc box;
        box.dimensions = ToNxVec3(halfExtents);
        box.localPose.M = ToNxOrientation(pose);
        box.localPose.t = NxVec3(pose._41, pose._42, pose._43);
        box.shapeFlags = CAR_SHAPE_FLAGS;
        tank->m_pShape = actor.createShape(box);
    }
}

void CCar::CreateTireShapes(NxActor& actor)
{
    for (CTire& tire : m_Tires) {
        tire.m_u16Material = GetTireMaterial(tire);
        tire.m_Owner.m_pCar = this;
        tire.m_Owner.m_pTire = &tire;
        if (tire.CreateShape(actor))
            ++m_uActiveTires;
    }
}

NxMaterialIndex CCar::GetTireMaterial(const CTire& tire) const
{
    if (tire.m_pType == nullptr)
        return 0;
    for (size_t j = 0; j < m_TireTypeNames.size(); ++j)
        if (IsEqualNoCase(m_TireTypeNames[j].c_str(), tire.m_pType->m_Name.c_str()))
            return m_pSuspensionTable->GetTireMaterial(static_cast<uint32_t>(j),
                                                       static_cast<uint32_t>(tire.m_iSuspensionIndex));
    return 0;
}

// Without the car's actor a door would be hinged to the world.
void CCar::CreateDoor(CDoor& door, NxActor* carActor)
{
    if (carActor == nullptr)
        return;
    door.CreatePhysics(*carActor);
}

void CCar::Paint()
{
    const CCarColorTable* table = CCarColorTable::Current();
    const D3DMATERIAL8& paint = table != nullptr ? table->PickPaint() : CCarColorTable::DefaultPaint();
    const int everyPart = -1;
    m_Body.SetColour(everyPart, &paint, false);
    for (CDoor& door : m_Doors)
        door.m_Mesh.SetColour(everyPart, &paint, false);
    SetColour(&paint);
}

// The actor's, as the physics member's own body never exists.
void CCar::StartEngineSound()
{
    D3DXVECTOR3 position(m_matSpawn._41, m_matSpawn._42, m_matSpawn._43);
    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.0f);
    if (const NxActor* actor = m_PhysicsObject.m_pActor) {
        position = ToD3DXVector(actor->getGlobalPosition());
        velocity = ToD3DXVector(actor->getLinearVelocity());
    }
    m_Engine.m_Sound.Play3D(&position, &velocity);
}

void CCar::ReleasePhysics()
{
    // Prototypes never sound, and the asset manager may free them after the
    // sound system is gone.
    if (m_Engine.m_Sound.GetChannel() >= 0)
        m_Engine.m_Sound.Stop();
    StopDriverSignals();
    m_TireContacts.clear();
    for (CDoor& door : m_Doors)
        door.ReleasePhysics();
    CCollidableObject::ReleasePhysics();
    // The shapes went with the actor.
    for (CTire& tire : m_Tires)
        tire.m_pShape = nullptr;
    for (CGasTankShape& tank : m_GasTanks)
        tank.m_pShape = nullptr;
    m_uActiveTires = 0;
}

void CCar::Draw()
{
    m_SmokingEffect.Render();
    m_ExplosionEffect.Render();
    if (IsGroupCulled(m_Body)) {
        m_fOffScreenTime += g_FrameTimer.GetFrameTime();
    } else {
        m_fOffScreenTime = 0.0f;
        m_Body.AddToCarRender();
        for (CTire& tire : m_Tires)
            tire.m_Wheel.AddToRender(false, false);
    }
    for (CDoor& door : m_Doors)
        if (!IsGroupCulled(door.m_Mesh))
            door.m_Mesh.AddToCarRender();
}

void CCar::SetColour(const D3DMATERIAL8* material)
{
    const int paintGroup = 1;
    const D3DMATERIAL8 paint = ShadedPaint(*material);
    m_Body.SetColour(paintGroup, &paint, true);
    for (CDoor& door : m_Doors)
        door.m_Mesh.SetColour(paintGroup, &paint, true);
}

void CCar::SetColourIndex(int index)
{
    const CCarColorTable* table = CCarColorTable::Current();
    SetColour(table != nullptr ? &table->Get(index) : &CCarColorTable::DefaultPaint());
}
