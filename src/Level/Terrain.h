#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

class CCollidableObject;
class CDisplayMesh;
class CTexture;

// One square of the terrain, 32 x 32 quads: a display mesh of its own (mesh
// list) or vertex and index buffers cut from the height map, and the objects
// registered in it (the water planes), drawn with it.
class CTerrainCell {
public:
    CTerrainCell();
    ~CTerrainCell();
    CTerrainCell(const CTerrainCell&) = delete;
    CTerrainCell& operator=(const CTerrainCell&) = delete;

    // Loads the mesh and writes each vertex's height into the sample nearest
    // to it; false (samples untouched) when the mesh does not load.
    bool LoadMesh(const std::string& fileName, float* pHeights, uint16_t samplesPerRow, uint16_t rows,
                  const D3DXVECTOR3& origin, float quadSize);
    // `columns` x `rows` vertices from the pixels (A8R8G8B8, `pitch` bytes a
    // row) starting at the cell's first pixel; the cell's first vertex lies
    // at `origin`.
    bool BuildFromHeightMap(const D3DXVECTOR3& origin, const uint8_t* pPixels, int pitch, float quadSize,
                            float maxHeight, uint16_t columns, uint16_t rows);
    // The display mesh, or the height-map buffers with `pGroundTexture`.
    void Render(IDirect3DTexture8* pGroundTexture) const;
    // The box round the cell's vertices, in the terrain's space.
    const D3DXVECTOR3& GetMin() const { return m_vMin; }
    const D3DXVECTOR3& GetMax() const { return m_vMax; }

    void AddObject(CCollidableObject* pObject) { m_Objects.push_back(pObject); }
    // True when the object was registered here.
    bool RemoveObject(const CCollidableObject* pObject);
    // From the last registered to the first; the count drawn.
    int RenderObjects() const;

    CDisplayMesh* GetMesh() const { return m_pMesh.get(); }
    IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_pVertexBuffer; }
    IDirect3DIndexBuffer8* GetIndexBuffer() const { return m_pIndexBuffer; }
    uint16_t GetColumns() const { return m_u16Columns; }
    uint16_t GetRows() const { return m_u16Rows; }
    uint16_t GetVertexCount() const { return m_u16VertexCount; }
    uint32_t GetTriangleCount() const { return m_u32TriangleCount; }
    const std::vector<D3DXVECTOR3>& GetFaceNormals() const { return m_FaceNormals; }
    const std::vector<CCollidableObject*>& GetObjects() const { return m_Objects; }

private:
    IDirect3DVertexBuffer8* m_pVertexBuffer;
    IDirect3DIndexBuffer8* m_pIndexBuffer;
    std::vector<D3DXVECTOR3> m_FaceNormals;
    std::unique_ptr<CDisplayMesh> m_pMesh;
    uint16_t m_u16Columns;
    uint16_t m_u16Rows;
    uint16_t m_u16VertexCount;
    uint32_t m_u32TriangleCount;
    D3DXVECTOR3 m_vMin;
    D3DXVECTOR3 m_vMax;
    // Observers: the level owns the objects.
    std::vector<CCollidableObject*> m_Objects;
};

// The ground of a level: a grid of height samples cut into cells of 32 x 32
// quads, each drawn from a mesh of its own. "Scripts\Terrains.txt" holds one
// "Terrain" block each:
//
//   Terrain Modern
//       Asset_Type     Level
//       MeshList       Scripts\Levels\ModernTerrain.txt
//       GroundTexture  Ground
//       MaxHeight      20
//
// "MeshList" names a file of the cell counts across and down, then one mesh
// name (under Assets\Meshes\) per cell, row by row; the meshes lie in world
// coordinates and set the origin and the quad size. "HeightMap" names an
// image instead, whose blue channel (0-255) scales to 0-MaxHeight, with
// samples "QuadSize" apart from the world origin.
class CTerrain : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CTerrain";

    enum Mode {
        MODE_HEIGHT_MAP = 0,
        MODE_MESH_LIST = 1,
    };
    // The cell index of a position; a far or non-finite position gets one
    // so far outside that none of its neighbours lies in any grid.
    struct Cell {
        int x;
        int z;
    };
    // What a pass cannot see: cells wholly outside the view of
    // `viewProjection` or wholly behind `clip` (when there is one) are not
    // drawn.
    struct Culling {
        D3DXMATRIX viewProjection;
        const D3DXPLANE* clip;
    };
    enum { DEFAULT_CELL_SIZE = 32 };
    // A sample no cell mesh reached keeps this.
    static constexpr float UNSET_HEIGHT = 800.0f;

    CTerrain();
    ~CTerrain() override;
    CTerrain(const CTerrain&) = delete;
    CTerrain& operator=(const CTerrain&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Shutdown() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;
    // After a height map that did not load: that image.
    std::string GetLoadFailure() const override;

    bool LoadMeshList();
    bool LoadHeightMap();

    // True when the position lies in a cell of the grid.
    bool GetCell(const D3DXVECTOR3& position, Cell& cell) const;
    // The cell and its eight neighbours, the cell first, then round it;
    // without `culling` every one of them.
    void Render(const Cell& cell, const Culling* culling = nullptr) const;
    // The objects registered in the same nine cells; the count drawn.
    int RenderCellObjects(const Cell& cell) const;
    // Into the cell holding `position`, else the nearest one; false without cells.
    bool RegisterObject(CCollidableObject* pObject, const D3DXVECTOR3& position);
    // Takes the object out of every cell (the level's reload).
    void UnregisterObject(const CCollidableObject* pObject);
    // The ground under or over the position; outside the grid (x, 0, z) with
    // the normal untouched. `pNormal` may be null.
    void GetHeight(const D3DXVECTOR3& position, D3DXVECTOR3& point, D3DXVECTOR3* pNormal) const;

    const D3DXMATRIX& GetWorldMatrix() const { return m_matWorld; }
    IDirect3DTexture8* GetHeightMapTexture() const { return m_pHeightMapTexture; }
    const std::vector<float>& GetHeights() const { return m_Heights; }
    CTexture* GetGroundTexture() const { return m_pGroundTexture; }
    uint16_t GetCellSize() const { return m_u16CellSize; }
    float GetQuadSize() const { return m_fQuadSize; }
    float GetMaxHeight() const { return m_fMaxHeight; }
    uint16_t GetSamplesPerRow() const { return m_u16X; }
    uint16_t GetRows() const { return m_u16Z; }
    int GetCellsPerRow() const { return m_u16X / m_u16CellSize; }
    int GetCellRows() const { return m_u16Z / m_u16CellSize; }
    const std::vector<std::unique_ptr<CTerrainCell>>& GetCells() const { return m_Cells; }
    CTerrainCell* GetTerrainCell(int x, int z) const;
    const D3DXVECTOR3& GetOrigin() const { return m_vOrigin; }
    int GetMode() const { return m_iMode; }
    const std::string& GetFileName() const { return m_FileName; }

private:
    void MeasureFirstMesh(const std::string& name);
    float Sample(int x, int z) const { return m_Heights[static_cast<size_t>(z) * m_u16X + x]; }
    void RenderCell(int x, int z, const Culling* culling) const;
    int RenderObjectsOfCell(int x, int z) const;
    bool BuildHeightMapCells(const D3DLOCKED_RECT& locked);

    D3DXMATRIX m_matWorld;
    IDirect3DTexture8* m_pHeightMapTexture;
    std::vector<float> m_Heights;
    // Observer: the texture asset owns it.
    CTexture* m_pGroundTexture;
    uint16_t m_u16CellSize;
    float m_fQuadSize;
    float m_fMaxHeight;
    uint16_t m_u16X;
    uint16_t m_u16Z;
    std::vector<std::unique_ptr<CTerrainCell>> m_Cells;
    int32_t m_iWidth;
    int32_t m_iHeight;
    D3DXVECTOR3 m_vOrigin;
    int32_t m_iMode;
    std::string m_FileName;
    bool m_bHeightMapFailed = false;
};
