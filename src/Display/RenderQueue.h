#pragma once

#include <list>
#include <vector>

#include "Core/SpareListNodes.h"
#include "Display/ComplexObjectQueue.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

class C3DSprite;
class CDisplayMesh;
class CDisplayObject3D;
class CEffect;
class CParticleEmitter;

// Opaque objects grouped by mesh, so that a mesh's buffers are bound once
// for every object that shares it.
struct CMeshBatch {
    DWORD m_u32FVF;
    // Ascending by mesh pointer.
    std::list<CDisplayObject3D*> m_Objects;
};

// What the level will draw this frame. The level queues its visible things,
// then its render pass draws the lists one after the other, each under its
// own state block. The queue owns only its list nodes, which it keeps from
// frame to frame: everything queued must stay alive until the frame has been
// drawn.
class CRenderQueue : public CComplexObjectQueue {
public:
    // The only vertex format the batches draw: every display mesh has it.
    static constexpr DWORD BATCH_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    static constexpr UINT BATCH_VERTEX_STRIDE = 32;

    struct SnapshotEntry {
        D3DXMATRIX m_matWorld;
        CDisplayObject3D* m_pObject;
    };

    CRenderQueue();
    ~CRenderQueue() override = default;
    CRenderQueue(const CRenderQueue&) = delete;
    CRenderQueue& operator=(const CRenderQueue&) = delete;

    void Clear();

    void AddOpaque(CDisplayObject3D* object) override;
    void AddOpaqueCar(CDisplayObject3D* object) override;
    // Far to near from the game camera, whichever camera is active.
    void AddTransparent(CDisplayObject3D* object) override;
    // Keeps the object's world matrix as it is now, so that one object can
    // be queued at several places in one frame.
    void AddTransparentSnapshot(CDisplayObject3D* object) override;
    void AddEffect(CEffect& effect);

    void DrawOpaque();
    void DrawOpaqueCars();
    void DrawParticles1();
    void DrawParticles1Black();
    void DrawParticles2();
    void DrawParticles2Black();
    void DrawSprites();
    void DrawTransparent();

    const std::list<SnapshotEntry>& GetSnapshots() const { return m_Snapshots; }
    const std::list<CDisplayObject3D*>& GetTransparent() const { return m_Transparent; }
    const CMeshBatch& GetOpaqueBatch() const { return m_OpaqueBatch; }
    const CMeshBatch& GetCarBatch() const { return m_CarBatch; }
    const std::list<CParticleEmitter*>& GetParticles1() const { return m_Particles1; }
    const std::list<CParticleEmitter*>& GetParticles1Black() const { return m_Particles1Black; }
    const std::list<CParticleEmitter*>& GetParticles2() const { return m_Particles2; }
    const std::list<CParticleEmitter*>& GetParticles2Black() const { return m_Particles2Black; }
    const std::list<C3DSprite*>& GetSprites() const { return m_Sprites; }

protected:
    // Every draw the queue makes goes through one of these.
    virtual void BindMeshBuffers(IDirect3DDevice8& device, IDirect3DVertexBuffer8* vertices,
                                 IDirect3DIndexBuffer8* indices);
    virtual void DrawBatchObject(IDirect3DDevice8& device, const CDisplayObject3D& object);
    virtual void RenderObject(const CDisplayObject3D& object);
    virtual void RenderParticleSystem(const CParticleEmitter& system);
    virtual void DrawSprite(const C3DSprite& sprite);

private:
    // One draw of a batch with its sort keys: the mesh's group goes where its
    // nearest object is, and the group draws nearest first.
    struct SortedDraw {
        float m_fGroupDistanceSq;
        float m_fDistanceSq;
        const CDisplayObject3D* m_pObject;
    };

    void AddToBatch(CMeshBatch& batch, CDisplayObject3D* object);
    void SortFrontToBack(const CMeshBatch& batch, const D3DXVECTOR3& eye);
    void DrawBatch(const CMeshBatch& batch);
    void DrawParticleList(const std::list<CParticleEmitter*>& systems);

    std::list<SnapshotEntry> m_Snapshots;
    std::list<CDisplayObject3D*> m_Transparent;
    CMeshBatch m_OpaqueBatch;
    CMeshBatch m_CarBatch;
    std::list<CParticleEmitter*> m_Particles1;
    std::list<CParticleEmitter*> m_Particles1Black;
    std::list<CParticleEmitter*> m_Particles2;
    std::list<CParticleEmitter*> m_Particles2Black;
    std::list<C3DSprite*> m_Sprites;
    // Kept from frame to frame, so that sorting allocates nothing.
    std::vector<SortedDraw> m_SortedDraws;

    CSpareListNodes<SnapshotEntry> m_SpareSnapshots;
    CSpareListNodes<CDisplayObject3D*> m_SpareObjects;
    CSpareListNodes<CParticleEmitter*> m_SpareParticles;
    CSpareListNodes<C3DSprite*> m_SpareSprites;
};

extern CRenderQueue g_RenderQueue;
