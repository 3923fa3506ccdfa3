#include "Level/BuildingObject.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/StepTrace.h"
#include "Display/Occ_HOM.h"
#include "Display/RenderStates.h"

namespace {

const char* const KEYWORD_BUILDING = "Building";
const char* const KEYWORD_COMPLEX_OBJECT = "ComplexObject";
const char* const KEYWORD_FLOOR = "Floor";
const char* const KEYWORD_LEVEL_OBJECT = "LevelObject";

// The sphere's edge may reach this far into the screen's border before the
// building counts as out of view.
const float SPHERE_MARGIN = 1.0f;

} // namespace

CBuildingObject::CBuildingObject()
{
    CStdInterface::Init();
}

CBuildingObject::CBuildingObject(const CBuildingObject& other)
    : CCollidableObject(other), CStdInterface(other), CAsset(other), m_ComplexObject(other.m_ComplexObject)
{
    m_Floors.reserve(other.m_Floors.size());
    for (const Floor& floor : other.m_Floors) {
        Floor copy;
        copy.reserve(floor.size());
        for (const std::unique_ptr<CLevelObject>& object : floor)
            copy.push_back(std::make_unique<CLevelObject>(*object));
        m_Floors.push_back(std::move(copy));
    }
}

CBuildingObject::~CBuildingObject()
{
    DeleteFloors();
}

void CBuildingObject::DeleteFloors()
{
    std::vector<Floor>().swap(m_Floors);
}

bool CBuildingObject::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_BUILDING))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CBuildingObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader) || m_ComplexObject.ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_COMPLEX_OBJECT)) {
        CComplexObject* prototype = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), prototype, true);
        if (prototype != nullptr)
            m_ComplexObject = *prototype;
        return true;
    }
    if (reader.Match(KEYWORD_FLOOR)) {
        m_Floors.emplace_back();
        ReadFloor(m_Floors.back(), reader);
        return true;
    }
    return false;
}

// The first token that is not "LevelObject" ends the floor and goes back to
// the building's properties.
void CBuildingObject::ReadFloor(Floor& floor, CDataBuffer& reader)
{
    while (!reader.IsEndOfBuffer() && reader.Match(KEYWORD_LEVEL_OBJECT)) {
        CLevelObject* prototype = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), prototype, true);
        if (prototype == nullptr)
            return;
        auto object = std::make_unique<CLevelObject>(*prototype);
        while (!reader.IsEndOfBuffer() && object->ReadProperty(reader)) {
        }
        if (!object->Validate())
            FatalError("Incomplete LevelObject Specification in bulding file.");
        floor.push_back(std::move(object));
    }
}

bool CBuildingObject::OnContact(CCollidableObject* pOther, NxContactPair* pPair)
{
    if (pOther == nullptr)
        return true;
    CDamageInfo damage;
    damage.m_pSource = this;
    return pOther->TakeDamage(damage, pPair);
}

void CBuildingObject::Update()
{
    TraceStep("CBuildingObject::Update");
    m_ComplexObject.UpdateWorldMatrix();
    for (Floor& floor : m_Floors)
        for (std::unique_ptr<CLevelObject>& object : floor)
            object->Update();
}

void CBuildingObject::QueueRender(ERenderPass pass)
{
    if (m_CollisionObject.m_pRoot != nullptr && IsOutOfView())
        return;
    m_ComplexObject.AddToRender(false, false);
    for (Floor& floor : m_Floors)
        for (std::unique_ptr<CLevelObject>& object : floor)
            object->QueueRender(pass);
}

bool CBuildingObject::IsOutOfView() const
{
    const D3DXMATRIX& shell = m_ComplexObject.GetWorldMatrix();
    const D3DXVECTOR4 position(shell._41, shell._42, shell._43, 1.0f);
    D3DXVECTOR4 clip;
    D3DXVec4Transform(&clip, &position, &g_CullViewProj);
    const float radius = m_CollisionObject.GetScaledRadius();
    const D3DXPLANE* mirrorClip = GetCullClipPlane();
    const D3DXVECTOR3 centre(shell._41, shell._42, shell._43);
    if (mirrorClip != nullptr && D3DXPlaneDotCoord(mirrorClip, &centre) < -radius)
        return true;
    // At or behind the eye the projection turns over; such a sphere is in
    // view while it reaches the eye's plane, which it does when the eye is in it.
    if (clip.w <= 0.0f)
        return -clip.w >= radius;

    const float inverseW = 1.0f / clip.w;
    const float edge = radius - SPHERE_MARGIN;
    const float sx = inverseW * g_matProjection._11 * edge;
    const float sy = inverseW * g_matProjection._22 * edge;
    const float sz = inverseW * g_matProjection._33;
    const float x = clip.x * inverseW;
    const float y = clip.y * inverseW;
    const float z = clip.z * inverseW;
    return x + sx < -1.0f || x - sx > 1.0f || y + sy < -1.0f || y - sy > 1.0f || z + sz < 0.0f || z - sz > 1.0f;
}
