#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/ComplexObjectQueue.h"
#include "Display/DisplayMesh.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

// The visual body of level objects, buildings, cars, doors and markers: a
// tree of groups, each with opaque parts, transparent parts and sub-groups,
// its own local and world matrices and a uniform scale.
// "Scripts\ComplexObjects.txt" holds one "ComplexObject" block each:
//
//   ComplexObject CrateStack
//       OpaqueObj   Crate      GROUP# 1   TEXTURE Test1
//       TransObj    NONE
//       SubGroup    CrateLid
//       Orientation 1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1
//       Scale       1
//
// A sub-group is a name until ResolveComplexObjectSubGroups replaces it by a
// copy of the complex object of that name. Owners copy a prototype, place the
// copy every frame, UpdateWorldMatrix, then AddToRender.
class CComplexObject : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CComplexObject";

    using Box = CDisplayMesh::Box;

    CComplexObject();
    ~CComplexObject() override = default;
    // Copies relink their parts to their own world matrix; the world matrix
    // and the parent are not copied.
    CComplexObject(const CComplexObject& other);
    CComplexObject& operator=(const CComplexObject& other);

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Shutdown() override { return true; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    // Lets others read this group's world matrix through GetExportedWorldMatrix.
    void BindWorldMatrix() { m_pExportedWorld = &m_matWorld; }
    bool LinkParts();
    // Null is ignored.
    void SetPosition(const D3DXVECTOR3* position);
    void UpdateWorldMatrix();
    // Opaque parts are drawn at once with `renderOpaqueNow`; transparent ones
    // are snapshot with `snapshotTransparent`. Sub-groups always queue plainly.
    void AddToRender(bool renderOpaqueNow, bool snapshotTransparent);
    void AddToCarRender();
    // Every part of the tree whose colour group is `colourGroup` (-1: every
    // part) takes `material` (kept when null) and the use flag.
    void SetColour(int colourGroup, const D3DMATERIAL8* material, bool useMaterial);
    // Once, at Load: the box around the meshes of this group's own parts.
    void ComputeBoundingBox();
    // Replaces each sub-group entry by a copy of the complex object it names.
    void ResolveSubGroups();

    static void SetQueue(CComplexObjectQueue* queue) { s_pQueue = queue; }

    void SetParentMatrix(const D3DXMATRIX* parent) { m_pParentMatrix = parent; }
    void SetLocalMatrix(const D3DXMATRIX& local) { m_matLocal = local; }
    void SetScale(float scale) { m_fScale = scale; }

    const D3DXMATRIX& GetWorldMatrix() const { return m_matWorld; }
    // For records that keep a writable pointer to it (collision records).
    D3DXMATRIX& GetWorldMatrix() { return m_matWorld; }
    const D3DXMATRIX& GetLocalMatrix() const { return m_matLocal; }
    const D3DXMATRIX* GetParentMatrix() const { return m_pParentMatrix; }
    const D3DXMATRIX* GetExportedWorldMatrix() const { return m_pExportedWorld; }
    float GetScale() const { return m_fScale; }
    // For the collision descriptions that follow this object's scale.
    float* GetScaleAddress() { return &m_fScale; }
    // Null for a group without parts of its own.
    const Box* GetBoundingBox() const { return m_pBoundingBox.get(); }
    std::vector<CDisplayObject3D>& GetOpaqueParts() { return m_OpaqueParts; }
    std::vector<CDisplayObject3D>& GetTransparentParts() { return m_TransparentParts; }
    std::vector<CComplexObject>& GetSubGroups() { return m_SubGroups; }
    const std::vector<CDisplayObject3D>& GetOpaqueParts() const { return m_OpaqueParts; }
    const std::vector<CDisplayObject3D>& GetTransparentParts() const { return m_TransparentParts; }
    const std::vector<CComplexObject>& GetSubGroups() const { return m_SubGroups; }

private:
    bool ReadPart(CDataBuffer& reader, std::vector<CDisplayObject3D>& parts, bool allowTexture);
    static void SetPartsColour(std::vector<CDisplayObject3D>& parts, int colourGroup, const D3DMATERIAL8* material,
                               bool useMaterial);

    static CComplexObjectQueue* s_pQueue;

    D3DXMATRIX m_matWorld;
    D3DXMATRIX m_matLocal;
    // Observer: a sub-group's parent is its group's world matrix.
    const D3DXMATRIX* m_pParentMatrix;
    float m_fScale;
    std::vector<CDisplayObject3D> m_OpaqueParts;
    std::vector<CDisplayObject3D> m_TransparentParts;
    std::vector<CComplexObject> m_SubGroups;
    // Copies share the box; the last of them frees it.
    std::shared_ptr<const Box> m_pBoundingBox;
    // Observer: the world matrix others read; a copy keeps its source's until
    // it binds its own.
    const D3DXMATRIX* m_pExportedWorld;
};

inline constexpr char COMPLEX_OBJECT_SCRIPT[] = "Scripts\\ComplexObjects.txt";

// For every complex-object prototype, in the order of the file: ResolveSubGroups.
// Runs once, right after COMPLEX_OBJECT_SCRIPT is loaded.
void ResolveComplexObjectSubGroups();

// The shared debug sphere, a copy of the complex object "Sphere".
extern CComplexObject g_Sphere;
