#include "Collision/CollisionObject.h"

#include <cfloat>
#include <vector>

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/ScriptFile.h"
#include "Display/ComplexObject.h"
#include "Display/Display.h"
#include "Display/RenderStates.h"
#include "Display/VertexXyzDiffuse.h"
#include "Physics/PhysicsMath.h"
#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"
#include "platform/novodex/NxCapsuleShape.h"
#include "platform/novodex/NxSphereShape.h"

namespace {

const char* const SOURCE = ".\\Collision\\CollisionObject";
const char* const CALL_SET_WORLD = "g_Display.GetD3DDevice()->SetTransform(D3DTS_WORLD, &matWorld)";
const char* const CALL_DRAW_TOP =
    "g_Display.GetD3DDevice()->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, (LPVOID)vTop, sizeof(VERTEX_XYZ_DIFFUSE))";
const char* const CALL_DRAW_BOTTOM =
    "g_Display.GetD3DDevice()->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, (LPVOID)vBottom, sizeof(VERTEX_XYZ_DIFFUSE))";
const char* const CALL_DRAW_SIDES =
    "g_Display.GetD3DDevice()->DrawPrimitiveUP(D3DPT_LINELIST, 4, (LPVOID)vSides, sizeof(VERTEX_XYZ_DIFFUSE))";

const D3DCOLOR DEBUG_BOX_COLOUR = 0xFFFFFFFF;
// A face is a closed strip of four segments: five vertices, the first again at the end.
const UINT FACE_SEGMENTS = 4;
const size_t FACE_VERTICES = FACE_SEGMENTS + 1;
const UINT SIDE_EDGES = 4;
const size_t SIDE_VERTICES = SIDE_EDGES * 2;

// The face of the box at height `z`, corners in order around it.
void FillFace(const CCollisionBox& box, float z, D3DCOLOR colour, VERTEX_XYZ_DIFFUSE (&face)[FACE_VERTICES])
{
    const float xs[FACE_SEGMENTS] = {box.m_vMin.x, box.m_vMax.x, box.m_vMax.x, box.m_vMin.x};
    const float ys[FACE_SEGMENTS] = {box.m_vMin.y, box.m_vMin.y, box.m_vMax.y, box.m_vMax.y};
    for (size_t corner = 0; corner < FACE_VERTICES; ++corner) {
        const size_t around = corner % FACE_SEGMENTS;
        face[corner] = {xs[around], ys[around], z, colour};
    }
}

// The shared debug sphere, scaled to the shape's radius, at its global pose.
// The mesh brings its own vertex format and texture, so the overlay's line
// state goes back on afterwards.
void DrawDebugSphere(const NxSphereShape& sphere)
{
    g_Sphere.SetLocalMatrix(ToD3DXMatrix(sphere.getGlobalPose()));
    g_Sphere.SetScale(sphere.getRadius());
    g_Sphere.UpdateWorldMatrix();
    g_Sphere.AddToRender(true, false);
    CStateBlocks::ApplyLine();
}

void DrawLines(IDirect3DDevice8* device, D3DPRIMITIVETYPE type, UINT count, const VERTEX_XYZ_DIFFUSE* vertices,
               int line, const char* text)
{
    CheckD3DResult(device->DrawPrimitiveUP(type, count, vertices, sizeof(VERTEX_XYZ_DIFFUSE)), SOURCE, line, text);
}

} // namespace

CCollisionBox::CCollisionBox()
{
    D3DXMatrixIdentity(&m_matGeo);
}

CCollisionBox::CCollisionBox(const CCollisionBox& other)
    : m_vMin(other.m_vMin), m_vMax(other.m_vMax), m_matGeo(other.m_matGeo)
{
    AssignChain(m_pNext, other.m_pNext.get());
}

CCollisionBox& CCollisionBox::operator=(const CCollisionBox& other)
{
    if (this != &other) {
        m_vMin = other.m_vMin;
        m_vMax = other.m_vMax;
        m_matGeo = other.m_matGeo;
        AssignChain(m_pNext, other.m_pNext.get());
    }
    return *this;
}

// Box by box along both chains, never recursing (a chain read from a file
// may be long): `from` runs ahead of what is written, so a chain may take
// the copy of its own tail.
void CCollisionBox::AssignChain(std::unique_ptr<CCollisionBox>& to, const CCollisionBox* from)
{
    std::unique_ptr<CCollisionBox>* slot = &to;
    for (; from != nullptr; from = from->m_pNext.get()) {
        if (*slot == nullptr)
            *slot = std::make_unique<CCollisionBox>();
        CCollisionBox& box = **slot;
        box.m_vMin = from->m_vMin;
        box.m_vMax = from->m_vMax;
        box.m_matGeo = from->m_matGeo;
        slot = &box.m_pNext;
    }
    slot->reset();
}

CCollisionBox::~CCollisionBox()
{
    // Unlinked one by one, so that a long chain does not recurse.
    std::unique_ptr<CCollisionBox> next = std::move(m_pNext);
    while (next)
        next = std::move(next->m_pNext);
}

float CCollisionBox::ComputeTreeRadius(const CCollisionBox* pRoot)
{
    if (pRoot == nullptr)
        return 0.0f;
    D3DXVECTOR3 low(FLT_MAX, FLT_MAX, FLT_MAX);
    D3DXVECTOR3 high(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (const CCollisionBox* box = pRoot; box != nullptr; box = box->m_pNext.get()) {
        for (const D3DXVECTOR3* corner : {&box->m_vMin, &box->m_vMax}) {
            D3DXVECTOR3 placed;
            D3DXVec3TransformCoord(&placed, corner, &box->m_matGeo);
            D3DXVec3Minimize(&low, &low, &placed);
            D3DXVec3Maximize(&high, &high, &placed);
        }
    }
    const D3DXVECTOR3 diagonal = high - low;
    return 0.5f * D3DXVec3Length(&diagonal);
}

void CCollisionBox::GetShapeDesc(const float* pfScale, NxBoxShapeDesc& desc) const
{
    const float scale = pfScale != nullptr ? *pfScale : 1.0f;
    const D3DXVECTOR3 low = m_vMin * scale;
    const D3DXVECTOR3 high = m_vMax * scale;
    const D3DXVECTOR3 halfExtents = (high - low) * 0.5f;
    const D3DXVECTOR3 centre = low + halfExtents;

    D3DXMATRIX geo = m_matGeo;
    geo._41 *= scale;
    geo._42 *= scale;
    geo._43 *= scale;
    D3DXMATRIX placement;
    D3DXMatrixTranslation(&placement, centre.x, centre.y, centre.z);
    D3DXMatrixMultiply(&placement, &placement, &geo);

    desc.dimensions = ToNxVec3(halfExtents);
    desc.localPose.M = ToNxOrientation(placement);
    desc.localPose.t = NxVec3(placement._41, placement._42, placement._43);
}

CCollisionObject::CCollisionObject(const CCollisionObject& other)
    : m_iKind(other.m_iKind),
      m_pfScale(other.m_pfScale),
      m_dwFlags(other.m_dwFlags),
      m_fRadius(other.m_fRadius),
      m_fRadiusSq(other.m_fRadiusSq),
      m_pRoot(other.m_pRoot ? std::make_unique<CCollisionBox>(*other.m_pRoot) : nullptr),
      m_pMatrix(other.m_pMatrix),
      m_pDrawMatrix(other.m_pDrawMatrix)
{
}

CCollisionObject& CCollisionObject::operator=(const CCollisionObject& other)
{
    if (this != &other) {
        m_iKind = other.m_iKind;
        m_pfScale = other.m_pfScale;
        m_dwFlags = other.m_dwFlags;
        m_fRadius = other.m_fRadius;
        m_fRadiusSq = other.m_fRadiusSq;
        CCollisionBox::AssignChain(m_pRoot, other.m_pRoot.get());
        m_pMatrix = other.m_pMatrix;
        m_pDrawMatrix = other.m_pDrawMatrix;
    }
    return *this;
}

void CCollisionObject::Set(float fRadius, D3DXMATRIX* pMatrix, int32_t iKind, float* pfScale, uint32_t dwFlags,
                           const D3DXMATRIX* pDrawMatrix)
{
    m_fRadius = fRadius;
    m_pMatrix = pMatrix;
    m_iKind = iKind;
    m_pfScale = pfScale;
    m_dwFlags = dwFlags;
    m_pDrawMatrix = pDrawMatrix != nullptr ? pDrawMatrix : pMatrix;
}

void CCollisionObject::Load(const std::string& fileName)
{
    CScriptFile reader(fileName);
    if (!reader.Match("Radius"))
        return;
    m_fRadius = reader.GetFloat();
    // Without "Start" there is no box to read into.
    if (!reader.Match("Start"))
        return;
    m_pRoot = std::make_unique<CCollisionBox>();
    if (reader.Match("EndBox"))
        return;
    ReadBoxList(reader, fileName);
}

// "Next" opens a box after the current one; "EndBox" closes the current box
// and reading goes on into the box before it; the end of the file closes all.
void CCollisionObject::ReadBoxList(CDataBuffer& reader, const std::string& fileName)
{
    std::vector<CCollisionBox*> open{m_pRoot.get()};
    while (!open.empty() && !reader.IsEndOfBuffer()) {
        CCollisionBox* box = open.back();
        if (reader.Match("BoxMin")) {
            box->m_vMin = reader.GetVector3();
        } else if (reader.Match("BoxMax")) {
            box->m_vMax = reader.GetVector3();
        } else if (reader.Match("GeoMat")) {
            box->m_matGeo = reader.GetMatrix();
        } else if (reader.Match("Next")) {
            box->m_pNext = std::make_unique<CCollisionBox>();
            open.push_back(box->m_pNext.get());
        } else if (reader.Match("EndBox")) {
            open.pop_back();
        } else {
            FatalError("Unknown keyword <%s> in collision file: %s", reader.PeekString().c_str(), fileName.c_str());
        }
    }
}

void CCollisionObject::ComputeRadius()
{
    if (!m_pRoot)
        return;
    const D3DXVECTOR3 diagonal = m_pRoot->m_vMax - m_pRoot->m_vMin;
    m_fRadius = 0.5f * D3DXVec3Length(&diagonal);
    m_fRadiusSq = m_fRadius * m_fRadius;
}

bool CCollisionObject::BuildFromMesh(ID3DXMesh* pMesh)
{
    if (!pMesh)
        return false;
    if (!m_pRoot)
        m_pRoot = std::make_unique<CCollisionBox>();

    BYTE* pVertices = nullptr;
    if (FAILED(pMesh->LockVertexBuffer(D3DLOCK_READONLY, &pVertices)))
        return false;
    const HRESULT hr = D3DXComputeBoundingBox(pVertices, pMesh->GetNumVertices(), pMesh->GetFVF(),
                                              &m_pRoot->m_vMin, &m_pRoot->m_vMax);
    pMesh->UnlockVertexBuffer();
    if (FAILED(hr))
        return false;
    ComputeRadius();
    return true;
}

float CCollisionObject::GetScaledRadius() const
{
    return m_pfScale != nullptr ? m_fRadius * *m_pfScale : m_fRadius;
}

bool CCollisionObject::AddBoxShapes(NxActor* pActor, int32_t iMaterial, const CCollisionBox* pRoot,
                                    const float* pfScale)
{
    if (pRoot == nullptr)
        return false;
    if (pActor == nullptr)
        return true;
    for (const CCollisionBox* box = pRoot; box != nullptr; box = box->m_pNext.get()) {
        NxBoxShapeDesc desc;
        desc.materialIndex = static_cast<NxMaterialIndex>(iMaterial);
        box->GetShapeDesc(pfScale, desc);
        pActor->createShape(desc);
    }
    return true;
}

void CCollisionObject::DebugDraw() const
{
    for (const CCollisionBox* box = m_pRoot.get(); box != nullptr; box = box->m_pNext.get())
        DrawBox(*box, DEBUG_BOX_COLOUR, m_pDrawMatrix);
}

void CCollisionObject::DrawBox(const CCollisionBox& box, D3DCOLOR colour, const D3DXMATRIX* pMatrix)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return;
    D3DXMATRIX matWorld = box.m_matGeo;
    if (pMatrix != nullptr)
        D3DXMatrixMultiply(&matWorld, &matWorld, pMatrix);
    CheckD3DResult(device->SetTransform(D3DTS_WORLD, &matWorld), SOURCE, __LINE__, CALL_SET_WORLD);

    VERTEX_XYZ_DIFFUSE vTop[FACE_VERTICES];
    VERTEX_XYZ_DIFFUSE vBottom[FACE_VERTICES];
    FillFace(box, box.m_vMax.z, colour, vTop);
    FillFace(box, box.m_vMin.z, colour, vBottom);
    VERTEX_XYZ_DIFFUSE vSides[SIDE_VERTICES];
    for (size_t edge = 0; edge < SIDE_EDGES; ++edge) {
        vSides[edge * 2] = vTop[edge];
        vSides[edge * 2 + 1] = vBottom[edge];
    }
    DrawLines(device, D3DPT_LINESTRIP, FACE_SEGMENTS, vTop, __LINE__, CALL_DRAW_TOP);
    DrawLines(device, D3DPT_LINESTRIP, FACE_SEGMENTS, vBottom, __LINE__, CALL_DRAW_BOTTOM);
    DrawLines(device, D3DPT_LINELIST, SIDE_EDGES, vSides, __LINE__, CALL_DRAW_SIDES);
}

bool GetShapeWireBox(const NxShape& shape, CShapeWireBox& wireBox)
{
    NxVec3 halfExtents;
    if (shape.getType() == NX_SHAPE_BOX) {
        halfExtents = static_cast<const NxBoxShape&>(shape).getDimensions();
    } else if (shape.getType() == NX_SHAPE_CAPSULE) {
        // The capsule's bound: its height runs between the centres of the end spheres, along y.
        const NxCapsuleShape& capsule = static_cast<const NxCapsuleShape&>(shape);
        const NxReal radius = capsule.getRadius();
        halfExtents = NxVec3(radius, capsule.getHeight() * 0.5f + radius, radius);
    } else {
        return false;
    }
    wireBox.m_Box.m_vMax = ToD3DXVector(halfExtents);
    wireBox.m_Box.m_vMin = -wireBox.m_Box.m_vMax;
    wireBox.m_matWorld = ToD3DXMatrix(shape.getGlobalPose());
    return true;
}

std::vector<CShapeWireBox> GetActorWireBoxes(const NxActor* pActor, bool bBoxShapesOnly)
{
    std::vector<CShapeWireBox> wireBoxes;
    if (pActor == nullptr)
        return wireBoxes;
    NxShape* const* shapes = pActor->getShapes();
    for (NxU32 index = 0; index < pActor->getNbShapes(); ++index) {
        if (bBoxShapesOnly && shapes[index]->getType() != NX_SHAPE_BOX)
            continue;
        CShapeWireBox wireBox;
        if (GetShapeWireBox(*shapes[index], wireBox))
            wireBoxes.push_back(wireBox);
    }
    return wireBoxes;
}

void DebugDrawActorShapes(const NxActor* pActor)
{
    if (pActor == nullptr)
        return;
    NxShape* const* shapes = pActor->getShapes();
    for (NxU32 index = 0; index < pActor->getNbShapes(); ++index) {
        CShapeWireBox wireBox;
        if (const NxSphereShape* sphere = shapes[index]->isSphere())
            DrawDebugSphere(*sphere);
        else if (GetShapeWireBox(*shapes[index], wireBox))
            CCollisionObject::DrawBox(wireBox.m_Box, DEBUG_BOX_COLOUR, &wireBox.m_matWorld);
    }
}
