#pragma once
// The collision description of every collidable: a bounding radius and an
// optional chain of boxes, read from a collision file or taken from a mesh's
// bounds. The boxes become box shapes on the owner's physics actor.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d8/D3D8Types.h"
#include "platform/d3dx8/D3DX8Math.h"

class CDataBuffer;
class ID3DXMesh;
class NxActor;
class NxBoxShapeDesc;
class NxShape;

// One box of a chain; each box owns the rest of the chain after it.
class CCollisionBox {
public:
    CCollisionBox();
    // Copies the whole chain from `other` on.
    CCollisionBox(const CCollisionBox& other);
    // Copies the whole chain from `other` on into the boxes this chain has,
    // making or dropping only the difference.
    CCollisionBox& operator=(const CCollisionBox& other);
    ~CCollisionBox();
    // The chain from `from` on (none when null) into `to`'s boxes.
    static void AssignChain(std::unique_ptr<CCollisionBox>& to, const CCollisionBox* from);

    // Half the diagonal of the bound of every box's corners placed by its
    // GeoMat; 0 without a root.
    static float ComputeTreeRadius(const CCollisionBox* pRoot);

    // This box as a box shape: its extents (times the scale when given) and
    // its pose in the object, with the SDK's column-vector orientation.
    void GetShapeDesc(const float* pfScale, NxBoxShapeDesc& desc) const;

    std::unique_ptr<CCollisionBox> m_pNext;
    D3DXVECTOR3 m_vMin;
    D3DXVECTOR3 m_vMax;
    // The box's placement in the object (row vectors, translation in the fourth row).
    D3DXMATRIX m_matGeo;
};

class CCollisionObject {
public:
    CCollisionObject() = default;
    CCollisionObject(const CCollisionObject& other);
    CCollisionObject& operator=(const CCollisionObject& other);

    // A null draw matrix draws with the matrix.
    void Set(float fRadius, D3DXMATRIX* pMatrix, int32_t iKind, float* pfScale, uint32_t dwFlags,
             const D3DXMATRIX* pDrawMatrix);
    // Reads a collision file into the radius and the box chain; a file that
    // cannot be read or holds an unknown keyword is a fatal script error.
    void Load(const std::string& fileName);
    // Radius and its square from the root box's diagonal.
    void ComputeRadius();
    // The root box (created when missing) becomes the bound of the mesh's
    // vertices, in the mesh's own coordinates; the radius follows. False
    // when the mesh cannot be read.
    bool BuildFromMesh(ID3DXMesh* pMesh);
    float GetScaledRadius() const;

    // Adds a box shape per box of the chain to the actor; false without a root.
    static bool AddBoxShapes(NxActor* pActor, int32_t iMaterial, const CCollisionBox* pRoot, const float* pfScale);

    // The chain in white with the draw matrix. The caller applies the Line
    // state block first.
    void DebugDraw() const;
    // The box's twelve edges in `colour`, with the world transform set to its
    // GeoMat (times `pMatrix` when given). A failed device call is logged and
    // drawing goes on.
    static void DrawBox(const CCollisionBox& box, D3DCOLOR colour, const D3DXMATRIX* pMatrix);

    int32_t m_iKind = 0;
    // The owner's scale factor; null for 1.
    float* m_pfScale = nullptr;
    uint32_t m_dwFlags = 0;
    float m_fRadius = 0.0f;
    float m_fRadiusSq = 0.0f;
    std::unique_ptr<CCollisionBox> m_pRoot;
    // The owner's world matrix, and the one the boxes are drawn with.
    D3DXMATRIX* m_pMatrix = nullptr;
    const D3DXMATRIX* m_pDrawMatrix = nullptr;

private:
    void ReadBoxList(CDataBuffer& reader, const std::string& fileName);
};

// A physics shape as the developer overlay draws it: a box about the origin
// from the shape's dimensions, and the shape's global pose to draw it with.
struct CShapeWireBox {
    CCollisionBox m_Box;
    D3DXMATRIX m_matWorld;
};

// The wire box of a box or capsule shape; false for the kinds that are not
// drawn as boxes (spheres, triangle meshes).
bool GetShapeWireBox(const NxShape& shape, CShapeWireBox& wireBox);
// The wire boxes of the actor's shapes in its shape order: every box and
// capsule shape, or only the box shapes. Empty for a null actor.
std::vector<CShapeWireBox> GetActorWireBoxes(const NxActor* pActor, bool bBoxShapesOnly);
// Every shape of the actor at its global pose, box and capsule shapes as wire
// boxes in white, spheres as the shared debug sphere scaled to their radius
// (developer overlay, flag value 8). The caller applies the Line state block
// first.
void DebugDrawActorShapes(const NxActor* pActor);

// The collision record the game fills once at start-up.
extern CCollisionObject g_CollisionScratch;
