#include "Level/WaterPlane.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/Occ_HOM.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"

namespace {

const char* const KEYWORD_WATER_PLANE = "WaterPlane";
const char* const KEYWORD_POS = "Pos";
const char* const KEYWORD_MODEL = "Model";

} // namespace

CWaterPlane::CWaterPlane() : m_pMesh(nullptr), m_vMeshMin(0.0f, 0.0f, 0.0f), m_vMeshMax(0.0f, 0.0f, 0.0f)
{
    m_bMoveable = true;
    CWaterPlane::Init();
}

// A copy draws where the original does; its collision description follows
// its own matrix, never the original's.
CWaterPlane::CWaterPlane(const CWaterPlane& other)
    : CCollidableObject(other), CStdInterface(other), CAsset(other), m_matWorld(other.m_matWorld),
      m_pMesh(other.m_pMesh), m_vMeshMin(other.m_vMeshMin), m_vMeshMax(other.m_vMeshMax)
{
    if (m_CollisionObject.m_pMatrix != nullptr)
        PointCollisionAtWorldMatrix();
}

CWaterPlane& CWaterPlane::operator=(const CWaterPlane& other)
{
    if (this == &other)
        return *this;
    CCollidableObject::operator=(other);
    CStdInterface::operator=(other);
    CAsset::operator=(other);
    m_matWorld = other.m_matWorld;
    m_pMesh = other.m_pMesh;
    m_vMeshMin = other.m_vMeshMin;
    m_vMeshMax = other.m_vMeshMax;
    if (m_CollisionObject.m_pMatrix != nullptr)
        PointCollisionAtWorldMatrix();
    return *this;
}

bool CWaterPlane::Init()
{
    CStdInterface::Init();
    D3DXMatrixIdentity(&m_matWorld);
    m_pMesh = nullptr;
    return true;
}

bool CWaterPlane::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_WATER_PLANE))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CWaterPlane::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_POS)) {
        SetPosition(reader.GetVector3());
        return true;
    }
    if (reader.Match(KEYWORD_MODEL)) {
        g_AssetManager.GetAsset(reader.GetString(), m_pMesh, true);
        return true;
    }
    return false;
}

bool CWaterPlane::Validate()
{
    m_matWorld._11 = MESH_SCALE;
    m_matWorld._22 = 1.0f;
    m_matWorld._33 = MESH_SCALE;
    std::unique_ptr<CDisplayMesh::Box> box;
    CDisplayMesh::ComputeMeshBox(box, m_pMesh != nullptr ? m_pMesh->GetD3DXMesh() : nullptr);
    m_vMeshMin = box->m_Min;
    m_vMeshMax = box->m_Max;
    return true;
}

void CWaterPlane::SetPosition(const D3DXVECTOR3& position)
{
    m_matWorld._41 = position.x;
    m_matWorld._42 = position.y;
    m_matWorld._43 = position.z;
}

void CWaterPlane::CreatePhysics()
{
    g_Physics.CreateBoxActor(false, &m_PhysicsObject.m_pActor);
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor != nullptr) {
        NxShape* unitBox = actor->getNbShapes() > 0 ? actor->getShapes()[0] : nullptr;
        actor->setGlobalPosition(NxVec3(m_matWorld._41, m_matWorld._42, m_matWorld._43));
        // The box's top face lies at the surface; it reaches 60 below.
        NxBoxShapeDesc box;
        box.dimensions = NxVec3(BOX_HALF_WIDTH, BOX_HALF_DEPTH, BOX_HALF_WIDTH);
        box.localPose.t = NxVec3(0.0f, -BOX_HALF_DEPTH, 0.0f);
        actor->createShape(box);
        if (unitBox != nullptr) {
            unitBox->setGroup(WATER_GROUP);
            actor->releaseShape(*unitBox);
        }
        LinkPhysicsActor();
        SetActorCollisionGroup(actor, WATER_GROUP);
        actor->raiseActorFlag(NX_AF_DISABLE_RESPONSE);
    }
    m_u8Kind = KIND_WATER;
    PointCollisionAtWorldMatrix();
}

void CWaterPlane::PointCollisionAtWorldMatrix()
{
    m_CollisionObject.m_pMatrix = &m_matWorld;
    m_CollisionObject.m_pDrawMatrix = &m_matWorld;
}

bool CWaterPlane::OnContact(CCollidableObject* pOther, NxContactPair* pPair)
{
    if (pOther == nullptr)
        return true;
    CDamageInfo water;
    water.m_pSource = this;
    water.m_bWater = true;
    water.m_fWaterLevel = m_matWorld._42;
    pOther->TakeDamage(water, pPair);
    return true;
}

void CWaterPlane::Render()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || m_pMesh == nullptr)
        return;
    device->SetTransform(D3DTS_WORLD, &m_matWorld);
    m_pMesh->Render(nullptr);
}

// A plane without a mesh marks nothing.
bool CWaterPlane::GetScreenHeights(const D3DXMATRIX& viewProjection, float& low, float& high) const
{
    return m_pMesh != nullptr &&
           GetBoxScreenHeights(COccBoxRecord{&m_vMeshMin, &m_vMeshMax, &m_matWorld}, viewProjection, low, high);
}

bool CWaterPlane::IsInView(const D3DXMATRIX& viewProjection) const
{
    return m_pMesh != nullptr &&
           !IsBoxOutsideView(COccBoxRecord{&m_vMeshMin, &m_vMeshMax, &m_matWorld}, viewProjection, nullptr);
}
