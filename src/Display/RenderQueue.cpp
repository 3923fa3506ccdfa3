#include "Display/RenderQueue.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>

#include "Display/AnimSequence.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/Occ_HOM.h"
#include "Effects/Effect.h"
#include "Effects/ParticleSystem.h"
#include "platform/d3dx8/D3DX8Mesh.h"

namespace {

// Room for a town's visible objects before the first frame's sort grows it.
const size_t SORTED_DRAWS_RESERVED = 1024;
// Spare list nodes made with the queue, so that the first busy street or
// the first explosion of a game queues without allocating: objects of every
// list together, particle systems, sprites and transparent snapshots.
const size_t SPARE_OBJECTS = 2048;
const size_t SPARE_PARTICLE_SYSTEMS = 256;
const size_t SPARE_SPRITES = 256;
const size_t SPARE_SNAPSHOTS = 64;
// A sprite's corners lie this many half edges from its centre, however it
// turns to face the camera.
const float SPRITE_CORNER_REACH = 1.4143f;

// True when the sprite's quad cannot show through `viewProjection` above `clip`.
bool IsSpriteOutsideView(const C3DSprite& sprite, const D3DXMATRIX& viewProjection, const D3DXPLANE* clip)
{
    const float reach = std::fabs(sprite.m_fSize) * SPRITE_CORNER_REACH;
    const D3DXVECTOR3 lo(-reach, -reach, -reach);
    const D3DXVECTOR3 hi(reach, reach, reach);
    const D3DXVECTOR3 place = sprite.GetPlace();
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, place.x, place.y, place.z);
    const COccBoxRecord box = {&lo, &hi, &at};
    return IsBoxOutsideView(box, viewProjection, clip);
}

float DistanceSq(const D3DXMATRIX& world, const D3DXVECTOR3& eye)
{
    const float dx = world._41 - eye.x;
    const float dy = world._42 - eye.y;
    const float dz = world._43 - eye.z;
    return dx * dx + dy * dy + dz * dz;
}

// Where the device's view looks from: in the reflection pass the mirrored eye.
D3DXVECTOR3 ViewEye(IDirect3DDevice8& device)
{
    D3DXMATRIX view;
    D3DXMATRIX inverse;
    device.GetTransform(D3DTS_VIEW, &view);
    if (D3DXMatrixInverse(&inverse, nullptr, &view) == nullptr)
        return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return D3DXVECTOR3(inverse._41, inverse._42, inverse._43);
}

// Transparent order is from the game camera even when another camera looks:
// the reflection and free views then keep the main view's order.
float DistanceSqFromGameCamera(const D3DXMATRIX& world)
{
    return DistanceSq(world, g_GameCamera.GetPosition());
}

// Meshes without a material still draw, in plain white.
D3DMATERIAL8 DefaultMaterial()
{
    D3DMATERIAL8 material = {};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    return material;
}

// The buffers of the mesh a batch has bound, held until the mesh changes.
class CHeldBuffers {
public:
    ~CHeldBuffers() { Release(); }

    void Release()
    {
        if (m_pVertices != nullptr)
            m_pVertices->Release();
        if (m_pIndices != nullptr)
            m_pIndices->Release();
        m_pVertices = nullptr;
        m_pIndices = nullptr;
    }
    // False leaves nothing held.
    bool Fetch(ID3DXMesh& mesh)
    {
        Release();
        if (FAILED(mesh.GetVertexBuffer(&m_pVertices)) || FAILED(mesh.GetIndexBuffer(&m_pIndices))) {
            Release();
            return false;
        }
        return m_pVertices != nullptr && m_pIndices != nullptr;
    }
    IDirect3DVertexBuffer8* Vertices() const { return m_pVertices; }
    IDirect3DIndexBuffer8* Indices() const { return m_pIndices; }

private:
    IDirect3DVertexBuffer8* m_pVertices = nullptr;
    IDirect3DIndexBuffer8* m_pIndices = nullptr;
};

} // namespace

CRenderQueue::CRenderQueue()
{
    m_OpaqueBatch.m_u32FVF = BATCH_FVF;
    m_CarBatch.m_u32FVF = BATCH_FVF;
    m_SortedDraws.reserve(SORTED_DRAWS_RESERVED);
    m_SpareObjects.Reserve(SPARE_OBJECTS);
    m_SpareParticles.Reserve(SPARE_PARTICLE_SYSTEMS);
    m_SpareSprites.Reserve(SPARE_SPRITES);
    m_SpareSnapshots.Reserve(SPARE_SNAPSHOTS);
}

void CRenderQueue::Clear()
{
    m_SpareSnapshots.Recycle(m_Snapshots);
    m_SpareObjects.Recycle(m_Transparent);
    m_SpareObjects.Recycle(m_OpaqueBatch.m_Objects);
    m_SpareObjects.Recycle(m_CarBatch.m_Objects);
    m_SpareParticles.Recycle(m_Particles1);
    m_SpareParticles.Recycle(m_Particles1Black);
    m_SpareParticles.Recycle(m_Particles2);
    m_SpareParticles.Recycle(m_Particles2Black);
    m_SpareSprites.Recycle(m_Sprites);
}

void CRenderQueue::AddToBatch(CMeshBatch& batch, CDisplayObject3D* object)
{
    if (object == nullptr)
        return;
    const std::less<const CDisplayMesh*> lower;
    const CDisplayMesh* mesh = object->GetMesh();
    auto it = batch.m_Objects.begin();
    while (it != batch.m_Objects.end() && lower((*it)->GetMesh(), mesh))
        ++it;
    m_SpareObjects.Insert(batch.m_Objects, it, object);
}

void CRenderQueue::AddOpaque(CDisplayObject3D* object)
{
    AddToBatch(m_OpaqueBatch, object);
}

void CRenderQueue::AddOpaqueCar(CDisplayObject3D* object)
{
    AddToBatch(m_CarBatch, object);
}

void CRenderQueue::AddTransparent(CDisplayObject3D* object)
{
    if (object == nullptr)
        return;
    const float key = DistanceSqFromGameCamera(object->GetWorldMatrix());
    auto it = m_Transparent.begin();
    while (it != m_Transparent.end() && !(DistanceSqFromGameCamera((*it)->GetWorldMatrix()) < key))
        ++it;
    m_SpareObjects.Insert(m_Transparent, it, object);
}

void CRenderQueue::AddTransparentSnapshot(CDisplayObject3D* object)
{
    if (object == nullptr)
        return;
    const float key = DistanceSqFromGameCamera(object->GetWorldMatrix());
    // An entry's key is its object's matrix now, not the one it stored.
    auto it = m_Snapshots.begin();
    while (it != m_Snapshots.end() && !(DistanceSqFromGameCamera(it->m_pObject->GetWorldMatrix()) < key))
        ++it;
    m_SpareSnapshots.Insert(m_Snapshots, it, SnapshotEntry{object->GetWorldMatrix(), object});
}

void CRenderQueue::AddEffect(CEffect& effect)
{
    // The mirrored pass (the only one with a clip plane to cull by) leaves
    // out the particles and sprites its view cannot see.
    const D3DXPLANE* mirrorClip = GetCullClipPlane();
    for (CParticleEmitter& system : effect.m_ParticleSystems) {
        if (mirrorClip != nullptr && system.IsOutsideView(g_CullViewProj, mirrorClip))
            continue;
        if (system.m_pEmitFrameMatrix != nullptr)
            m_SpareParticles.PushBack(system.m_u8Dark != 0 ? m_Particles2Black : m_Particles2, &system);
        else if (system.m_pRenderFrameMatrix != nullptr)
            m_SpareParticles.PushBack(system.m_u8Dark != 0 ? m_Particles1Black : m_Particles1, &system);
    }
    if (effect.m_u8ParticlesOnly != 0)
        return;
    for (C3DSprite& sprite : effect.m_Sprites)
        if (mirrorClip == nullptr || !IsSpriteOutsideView(sprite, g_CullViewProj, mirrorClip))
            m_SpareSprites.PushBack(m_Sprites, &sprite);
    // Effect meshes are few: they skip the sort by mesh.
    for (CEffectMesh& mesh : effect.m_Meshes)
        m_SpareObjects.PushBack(m_OpaqueBatch.m_Objects, &mesh.m_DisplayObject);
}

void CRenderQueue::DrawOpaque()
{
    DrawBatch(m_OpaqueBatch);
}

void CRenderQueue::DrawOpaqueCars()
{
    DrawBatch(m_CarBatch);
}

// Opaque draws go nearest first so that what they hide fails the depth test
// before it is shaded; each mesh's objects stay together, so its buffers are
// still bound once.
void CRenderQueue::SortFrontToBack(const CMeshBatch& batch, const D3DXVECTOR3& eye)
{
    m_SortedDraws.clear();
    for (const CDisplayObject3D* object : batch.m_Objects) {
        const CDisplayMesh* mesh = object->GetMesh();
        // A mesh that did not load draws nothing.
        if (mesh == nullptr || mesh->GetD3DXMesh() == nullptr)
            continue;
        float distanceSq = DistanceSq(object->GetWorldMatrix(), eye);
        // A place that is no number sorts last rather than upsetting the order.
        if (!std::isfinite(distanceSq))
            distanceSq = FLT_MAX;
        m_SortedDraws.push_back({distanceSq, distanceSq, object});
    }
    const std::less<const CDisplayMesh*> lower;
    const auto byMeshThenDistance = [&lower](const SortedDraw& a, const SortedDraw& b) {
        const CDisplayMesh* meshA = a.m_pObject->GetMesh();
        const CDisplayMesh* meshB = b.m_pObject->GetMesh();
        if (meshA != meshB)
            return lower(meshA, meshB);
        return a.m_fDistanceSq < b.m_fDistanceSq;
    };
    std::sort(m_SortedDraws.begin(), m_SortedDraws.end(), byMeshThenDistance);
    // The first of each mesh's run is its nearest.
    for (size_t i = 1; i < m_SortedDraws.size(); ++i)
        if (m_SortedDraws[i].m_pObject->GetMesh() == m_SortedDraws[i - 1].m_pObject->GetMesh())
            m_SortedDraws[i].m_fGroupDistanceSq = m_SortedDraws[i - 1].m_fGroupDistanceSq;
    std::sort(m_SortedDraws.begin(), m_SortedDraws.end(),
              [&byMeshThenDistance](const SortedDraw& a, const SortedDraw& b) {
                  if (a.m_fGroupDistanceSq != b.m_fGroupDistanceSq)
                      return a.m_fGroupDistanceSq < b.m_fGroupDistanceSq;
                  return byMeshThenDistance(a, b);
              });
}

void CRenderQueue::DrawBatch(const CMeshBatch& batch)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return;
    device->SetVertexShader(batch.m_u32FVF);
    SortFrontToBack(batch, ViewEye(*device));

    CHeldBuffers held;
    const CDisplayMesh* boundMesh = nullptr;
    bool haveBuffers = false;
    for (const SortedDraw& draw : m_SortedDraws) {
        const CDisplayObject3D* object = draw.m_pObject;
        const CDisplayMesh* mesh = object->GetMesh();
        if (mesh != boundMesh) {
            boundMesh = mesh;
            haveBuffers = held.Fetch(*mesh->GetD3DXMesh());
            if (haveBuffers)
                BindMeshBuffers(*device, held.Vertices(), held.Indices());
        }
        if (haveBuffers)
            DrawBatchObject(*device, *object);
    }
}

void CRenderQueue::BindMeshBuffers(IDirect3DDevice8& device, IDirect3DVertexBuffer8* vertices,
                                   IDirect3DIndexBuffer8* indices)
{
    device.SetStreamSource(0, vertices, BATCH_VERTEX_STRIDE);
    device.SetIndices(indices, 0);
}

void CRenderQueue::DrawBatchObject(IDirect3DDevice8& device, const CDisplayObject3D& object)
{
    const CDisplayMesh& mesh = *object.GetMesh();
    const bool hasMaterial = mesh.GetNumMaterials() > 0;

    IDirect3DTexture8* texture = object.GetTextureOverride();
    if (texture == nullptr && hasMaterial)
        texture = mesh.GetTexture(0);
    device.SetTexture(0, texture);

    const D3DMATERIAL8 fallback = DefaultMaterial();
    const D3DMATERIAL8& material = object.UsesOverrideMaterial() ? object.GetOverrideMaterial()
                                   : hasMaterial                 ? mesh.GetMaterial(0)
                                                                 : fallback;
    device.SetMaterial(&material);
    device.SetTransform(D3DTS_WORLD, &object.GetWorldMatrix());

    ID3DXMesh* d3dxMesh = mesh.GetD3DXMesh();
    device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, d3dxMesh->GetNumVertices(), 0, d3dxMesh->GetNumFaces());
}

void CRenderQueue::RenderObject(const CDisplayObject3D& object)
{
    object.Render();
}

void CRenderQueue::RenderParticleSystem(const CParticleEmitter& system)
{
    system.Render();
}

void CRenderQueue::DrawSprite(const C3DSprite& sprite)
{
    sprite.Draw();
}

void CRenderQueue::DrawParticleList(const std::list<CParticleEmitter*>& systems)
{
    for (const CParticleEmitter* system : systems)
        RenderParticleSystem(*system);
}

void CRenderQueue::DrawParticles1()
{
    DrawParticleList(m_Particles1);
}

void CRenderQueue::DrawParticles1Black()
{
    DrawParticleList(m_Particles1Black);
}

void CRenderQueue::DrawParticles2()
{
    DrawParticleList(m_Particles2);
}

void CRenderQueue::DrawParticles2Black()
{
    DrawParticleList(m_Particles2Black);
}

void CRenderQueue::DrawSprites()
{
    for (const C3DSprite* sprite : m_Sprites)
        DrawSprite(*sprite);
}

void CRenderQueue::DrawTransparent()
{
    for (const CDisplayObject3D* object : m_Transparent)
        RenderObject(*object);
    for (const SnapshotEntry& entry : m_Snapshots) {
        entry.m_pObject->SetWorldMatrix(entry.m_matWorld);
        RenderObject(*entry.m_pObject);
        entry.m_pObject->UpdateWorldMatrix();
    }
}
