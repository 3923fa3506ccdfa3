#pragma once

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Physics/CollidableObject.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/novodex/NxSimpleTypes.h"

class CDisplayMesh;

// A pond's or river's surface: a flat mesh drawn 14 times its size in x and
// z where the level marks the water on screen, and a static box that stops
// nothing but tells whatever enters it that it is in water and where the
// surface lies. "Scripts\WaterPlanes.txt" holds one "WaterPlane" block each:
//
//   WaterPlane Pond
//       Model  Water
//       Pos    0 -1.5 0
//
// The level places the copies it uses and builds their physics.
class CWaterPlane : public CCollidableObject, public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CWaterPlane";
    // The mesh's stretch in x and z.
    static constexpr float MESH_SCALE = 14.0f;
    // Half extents of the water box; its top face is the surface.
    static constexpr float BOX_HALF_WIDTH = 175.0f;
    static constexpr float BOX_HALF_DEPTH = 30.0f;
    // Rays (mask 0x7fff) pass through this group.
    static constexpr NxCollisionGroup WATER_GROUP = 31;

    CWaterPlane();
    CWaterPlane(const CWaterPlane& other);
    CWaterPlane& operator=(const CWaterPlane& other);
    ~CWaterPlane() override = default;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;

    // The box actor at the plane's position; nothing without a scene.
    void CreatePhysics();
    // Tells the other object it is in water, at this plane's height.
    bool OnContact(CCollidableObject* pOther, NxContactPair* pPair) override;
    void Render() override;
    // Whether any of the drawn mesh reaches into the view of `viewProjection`.
    bool IsInView(const D3DXMATRIX& viewProjection) const;
    // The screen heights the drawn mesh reaches between; false when it
    // reaches behind the eye (or there is no mesh).
    bool GetScreenHeights(const D3DXMATRIX& viewProjection, float& low, float& high) const;

    void SetPosition(const D3DXVECTOR3& position);
    D3DXVECTOR3 GetPosition() const { return D3DXVECTOR3(m_matWorld._41, m_matWorld._42, m_matWorld._43); }
    const D3DXMATRIX& GetWorldMatrix() const { return m_matWorld; }
    CDisplayMesh* GetMesh() const { return m_pMesh; }

private:
    void PointCollisionAtWorldMatrix();

    D3DXMATRIX m_matWorld;
    // Observer: the mesh asset.
    CDisplayMesh* m_pMesh;
    // Round the mesh's vertices, in its own space; set by Validate.
    D3DXVECTOR3 m_vMeshMin;
    D3DXVECTOR3 m_vMeshMax;
};
