#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/d3dx8/D3DX8Mesh.h"

// Why a block fails whose mesh file did not load.
inline constexpr char MESH_FILE_FAILURE[] = "The mesh file could not be loaded.";

// A static mesh: one .X file in a managed D3DX mesh, one material and one
// texture per subset. "Scripts\Meshes.txt" holds one "Mesh" block each:
//
//   Mesh Crate
//       Src     Assets\Meshes\crate.x
//
// The textures the file's materials name are shared by name with the
// texture assets (LoadMaterialTextures).
class CDisplayMesh : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CDisplayMesh";

    // The axis-aligned box around a mesh, in the mesh's own coordinates.
    struct Box {
        D3DXVECTOR3 m_Min;
        D3DXVECTOR3 m_Max;
    };

    CDisplayMesh();
    ~CDisplayMesh() override;
    // The D3DX mesh is counted once: a copy would release it twice.
    CDisplayMesh(const CDisplayMesh&) = delete;
    CDisplayMesh& operator=(const CDisplayMesh&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Shutdown() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;
    // After a mesh file that did not load: that file.
    std::string GetLoadFailure() const override;

    // For meshes no script names: Init, then the file, as given.
    bool LoadFile(const std::string& fileName);
    bool LoadX();
    // Drops the D3DX mesh but keeps the materials and textures.
    void ReleaseD3DMesh();

    // Each subset with its own material; `textureOverride`, when not null,
    // replaces every subset's texture.
    void Render(IDirect3DTexture8* textureOverride) const;
    // Every subset with `material`.
    void RenderWithMaterial(const D3DMATERIAL8& material, IDirect3DTexture8* textureOverride) const;

    // Allocates the box when `box` is null. A mesh that is not loaded gives
    // an empty box at the origin.
    static void ComputeMeshBox(std::unique_ptr<Box>& box, ID3DXMesh* mesh);
    static void BoxGrowMax(D3DXVECTOR3& a, const D3DXVECTOR3& b);
    static void BoxGrowMin(D3DXVECTOR3& a, const D3DXVECTOR3& b);

    const std::string& GetFileName() const { return m_FileName; }
    ID3DXMesh* GetD3DXMesh() const { return m_pD3DXMesh; }
    DWORD GetNumMaterials() const { return m_u32NumMaterials; }
    const D3DMATERIAL8& GetMaterial(DWORD subset) const { return m_Materials[subset]; }
    IDirect3DTexture8* GetTexture(DWORD subset) const { return m_Textures[subset]; }
    float GetAlpha() const { return m_fAlpha; }
    // The ceiling of every material alpha when drawn; 0 or below hides the mesh.
    void SetAlpha(float alpha) { m_fAlpha = alpha; }

private:
    D3DMATERIAL8 CappedToAlpha(const D3DMATERIAL8& material) const;
    void DrawSubsets(IDirect3DDevice8* device, IDirect3DTexture8* textureOverride) const;

    std::string m_FileName;
    bool m_bSourceFailed = false;
    ID3DXMesh* m_pD3DXMesh;
    DWORD m_u32NumMaterials;
    float m_fAlpha;
    // Observers: the texture assets own them; null where a material names none.
    std::vector<IDirect3DTexture8*> m_Textures;
    std::vector<D3DMATERIAL8> m_Materials;
};

// A placed instance of a display mesh: its own local and world matrices, a
// uniform scale, and optional texture and material overrides.
// "Scripts\DisplayObject3D.txt" holds one "DisplayObject3D" block each:
//
//   DisplayObject3D Crate
//       Mesh        Crate
//       Scale       1.5
//       Orientation 1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1
//
// Copies share the mesh. The object's owner calls UpdateWorldMatrix before
// it is drawn.
class CDisplayObject3D : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CDisplayObject3D";

    CDisplayObject3D();
    ~CDisplayObject3D() override = default;
    CDisplayObject3D(const CDisplayObject3D&) = default;
    CDisplayObject3D& operator=(const CDisplayObject3D&) = default;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;

    // A mesh file of its own rather than a mesh asset; true whatever the
    // load gave (a mesh that did not load draws nothing).
    bool LoadMesh(const std::string& fileName);
    // Shows `mesh`, a mesh asset the asset store keeps.
    void SetMesh(CDisplayMesh* mesh);
    void ReleaseMesh();
    void ReloadMesh();

    // Copies `material` when given; the flag says whether it replaces the subsets'.
    void SetMaterial(const D3DMATERIAL8* material, bool useMaterial);
    void SetScale(float scale) { m_fScale = scale; }
    void RotateY(float angle);
    void UpdateWorldMatrix();
    void Render() const;

    void SetParentMatrix(const D3DXMATRIX* parent) { m_pParentMatrix = parent; }
    void SetLocalMatrix(const D3DXMATRIX& local) { m_matLocal = local; }
    void SetWorldMatrix(const D3DXMATRIX& world) { m_matWorld = world; }
    void SetTextureOverride(IDirect3DTexture8* texture) { m_pTextureOverride = texture; }
    void SetColourGroup(int group) { m_iColourGroup = group; }

    const D3DXMATRIX& GetWorldMatrix() const { return m_matWorld; }
    const D3DXMATRIX& GetLocalMatrix() const { return m_matLocal; }
    float GetScale() const { return m_fScale; }
    IDirect3DTexture8* GetTextureOverride() const { return m_pTextureOverride; }
    const D3DMATERIAL8& GetOverrideMaterial() const { return m_OverrideMaterial; }
    bool UsesOverrideMaterial() const { return m_bUseOverrideMaterial; }
    int GetColourGroup() const { return m_iColourGroup; }
    CDisplayMesh* GetMesh() const { return m_pMesh; }

private:
    // Observer: set by the owner, who keeps it alive.
    const D3DXMATRIX* m_pParentMatrix;
    D3DXMATRIX m_matWorld;
    D3DXMATRIX m_matLocal;
    float m_fScale;
    // Observer: the texture assets own it.
    IDirect3DTexture8* m_pTextureOverride;
    D3DMATERIAL8 m_OverrideMaterial;
    bool m_bUseOverrideMaterial;
    int m_iColourGroup;
    // Observer: the asset manager's mesh, or m_pOwnMesh.
    CDisplayMesh* m_pMesh;
    // A mesh LoadMesh read from a file; copies of the object share it, so it
    // lives as long as the last of them.
    std::shared_ptr<CDisplayMesh> m_pOwnMesh;
};
