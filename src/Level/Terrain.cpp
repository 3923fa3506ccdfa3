#include "Level/Terrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/SafeRelease.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/Occ_HOM.h"
#include "Display/Texture.h"
#include "Physics/CollidableObject.h"
#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/D3DX8Texture.h"

namespace {

const char* const SOURCE = ".\\Level\\Terrain";
const char* const KEYWORD_TERRAIN = "Terrain";
const char* const KEYWORD_HEIGHT_MAP = "HeightMap";
const char* const KEYWORD_MESH_LIST = "MeshList";
const char* const KEYWORD_GROUND_TEXTURE = "GroundTexture";
const char* const KEYWORD_QUAD_SIZE = "QuadSize";
const char* const KEYWORD_MAX_HEIGHT = "MaxHeight";
const char* const MESH_FOLDER = "Assets\\Meshes\\";

const char* const CALL_MEASURE_LOAD =
    "D3DXLoadMeshFromX(buffer, D3DXMESH_SYSTEMMEM, g_Display.GetD3DDevice(), NULL, NULL, NULL, &pMesh)";

const float DEFAULT_QUAD_SIZE = 2.0f;
const float DEFAULT_MAX_HEIGHT = 20.0f;
const float BLUE_SCALE = 1.0f / 255.0f;
// Cells across or down a mesh list: X and Z must fit 16 bits.
const int32_t MAX_LIST_CELLS = 2047;
// Cell indices of positions this far out (or non-finite) are all alike:
// far outside every grid, yet safe to step a neighbour from.
const float FAR_CELL = float(1 << 20);

// The vertex of the terrain cells, meshes and height-map buffers alike.
struct TerrainVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    float u, v;
};
static_assert(sizeof(TerrainVertex) == 32, "terrain vertices are position, normal and one coordinate pair");
const DWORD TERRAIN_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
const UINT INDICES_PER_QUAD = 6;
const UINT TRIANGLES_PER_QUAD = 2;
const UINT BYTES_PER_PIXEL = 4;
const int BLUE_BYTE = 0; // of an A8R8G8B8 pixel in memory

// The nine cells a view draws: its own, then round it.
const int NEIGHBOURS[9][2] = {{0, 0}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}};

// trunc(value), or FAR_CELL's index for a value out of range or not finite.
int TruncatedIndex(float value)
{
    if (!(value > -FAR_CELL && value < FAR_CELL))
        return -static_cast<int>(FAR_CELL);
    return static_cast<int>(value);
}

D3DXVECTOR3 FaceNormal(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2)
{
    const D3DXVECTOR3 a = p1 - p0;
    const D3DXVECTOR3 b = p2 - p0;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &a, &b);
    D3DXVec3Normalize(&normal, &normal);
    return normal;
}

} // namespace

// --- CTerrainCell

CTerrainCell::CTerrainCell()
    : m_pVertexBuffer(nullptr),
      m_pIndexBuffer(nullptr),
      m_u16Columns(0),
      m_u16Rows(0),
      m_u16VertexCount(0),
      m_u32TriangleCount(0),
      m_vMin(0.0f, 0.0f, 0.0f),
      m_vMax(0.0f, 0.0f, 0.0f)
{
}

CTerrainCell::~CTerrainCell()
{
    ReleaseAndClear(m_pVertexBuffer);
    ReleaseAndClear(m_pIndexBuffer);
}

bool CTerrainCell::LoadMesh(const std::string& fileName, float* pHeights, uint16_t samplesPerRow, uint16_t rows,
                            const D3DXVECTOR3& origin, float quadSize)
{
    m_pMesh = std::make_unique<CDisplayMesh>();
    ID3DXMesh* mesh = m_pMesh->LoadFile(fileName) ? m_pMesh->GetD3DXMesh() : nullptr;
    if (mesh == nullptr) {
        g_Log.Write("Terrain cell mesh failed to load: " + fileName);
        return false;
    }
    BYTE* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)))
        return false;

    m_u16VertexCount = static_cast<uint16_t>(std::min<DWORD>(mesh->GetNumVertices(), UINT16_MAX));
    m_u32TriangleCount = mesh->GetNumFaces();
    D3DXComputeBoundingBox(data, mesh->GetNumVertices(), mesh->GetFVF(), &m_vMin, &m_vMax);
    bool outsideLogged = false;
    for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
        TerrainVertex vertex;
        std::memcpy(&vertex, data + i * sizeof(TerrainVertex), sizeof(vertex));
        // To the nearest sample: a vertex a hair off its grid point still hits it.
        const float column = (vertex.position.x - origin.x) / quadSize + 0.5f;
        const float row = (vertex.position.z - origin.z) / quadSize + 0.5f;
        if (!(column > -1.0f && column < samplesPerRow && row > -1.0f && row < rows)) {
            if (!outsideLogged)
                g_Log.Write("Terrain cell mesh has vertices outside the terrain: " + fileName);
            outsideLogged = true;
            continue;
        }
        pHeights[static_cast<size_t>(row) * samplesPerRow + static_cast<size_t>(column)] = vertex.position.y;
    }
    mesh->UnlockVertexBuffer();
    return true;
}

bool CTerrainCell::BuildFromHeightMap(const D3DXVECTOR3& origin, const uint8_t* pPixels, int pitch, float quadSize,
                                      float maxHeight, uint16_t columns, uint16_t rows)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || columns < 2 || rows < 2)
        return false;
    m_u16Columns = columns;
    m_u16Rows = rows;
    m_u16VertexCount = static_cast<uint16_t>(columns * rows);
    const UINT quads = UINT(columns - 1) * (rows - 1);
    m_u32TriangleCount = quads * TRIANGLES_PER_QUAD;

    std::vector<TerrainVertex> vertices(m_u16VertexCount);
    for (uint16_t j = 0; j < rows; ++j) {
        for (uint16_t i = 0; i < columns; ++i) {
            const uint8_t blue = pPixels[static_cast<ptrdiff_t>(j) * pitch + i * BYTES_PER_PIXEL + BLUE_BYTE];
            TerrainVertex& vertex = vertices[size_t(j) * columns + i];
            vertex.position = D3DXVECTOR3(origin.x + i * quadSize, blue * BLUE_SCALE * maxHeight,
                                          origin.z + j * quadSize);
            vertex.normal = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
            vertex.u = float(i) / float(columns - 1);
            vertex.v = float(j) / float(rows - 1);
        }
    }
    // Cut on the diagonal from (i, j) to (i + 1, j + 1), clockwise from
    // above, as the physics ground and the height query cut each quad.
    std::vector<uint16_t> indices;
    indices.reserve(quads * INDICES_PER_QUAD);
    for (uint16_t j = 0; j + 1 < rows; ++j) {
        for (uint16_t i = 0; i + 1 < columns; ++i) {
            const uint16_t a = static_cast<uint16_t>(j * columns + i);
            const uint16_t w = columns;
            indices.insert(indices.end(), {a, uint16_t(a + w), uint16_t(a + w + 1)});
            indices.insert(indices.end(), {a, uint16_t(a + w + 1), uint16_t(a + 1)});
        }
    }
    m_FaceNormals.resize(m_u32TriangleCount);
    for (UINT t = 0; t < m_u32TriangleCount; ++t) {
        const uint16_t* corner = &indices[t * 3];
        m_FaceNormals[t] = FaceNormal(vertices[corner[0]].position, vertices[corner[1]].position,
                                      vertices[corner[2]].position);
        for (int c = 0; c < 3; ++c)
            vertices[corner[c]].normal += m_FaceNormals[t];
    }
    for (TerrainVertex& vertex : vertices)
        D3DXVec3Normalize(&vertex.normal, &vertex.normal);
    D3DXComputeBoundingBox(vertices.data(), m_u16VertexCount, TERRAIN_FVF, &m_vMin, &m_vMax);

    const UINT vertexBytes = UINT(vertices.size() * sizeof(TerrainVertex));
    const UINT indexBytes = UINT(indices.size() * sizeof(uint16_t));
    BYTE* data = nullptr;
    if (FAILED(device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, TERRAIN_FVF, D3DPOOL_MANAGED,
                                          &m_pVertexBuffer)) ||
        FAILED(m_pVertexBuffer->Lock(0, vertexBytes, &data, 0)))
        return false;
    std::memcpy(data, vertices.data(), vertexBytes);
    m_pVertexBuffer->Unlock();
    if (FAILED(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         &m_pIndexBuffer)) ||
        FAILED(m_pIndexBuffer->Lock(0, indexBytes, &data, 0)))
        return false;
    std::memcpy(data, indices.data(), indexBytes);
    m_pIndexBuffer->Unlock();
    return true;
}

void CTerrainCell::Render(IDirect3DTexture8* pGroundTexture) const
{
    if (m_pMesh) {
        m_pMesh->Render(nullptr);
        return;
    }
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || m_pVertexBuffer == nullptr || m_pIndexBuffer == nullptr)
        return;
    device->SetTexture(0, pGroundTexture);
    device->SetVertexShader(TERRAIN_FVF);
    device->SetStreamSource(0, m_pVertexBuffer, sizeof(TerrainVertex));
    device->SetIndices(m_pIndexBuffer, 0);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_u16VertexCount, 0, m_u32TriangleCount);
}

bool CTerrainCell::RemoveObject(const CCollidableObject* pObject)
{
    const auto found = std::find(m_Objects.begin(), m_Objects.end(), pObject);
    if (found == m_Objects.end())
        return false;
    m_Objects.erase(found);
    return true;
}

int CTerrainCell::RenderObjects() const
{
    for (auto object = m_Objects.rbegin(); object != m_Objects.rend(); ++object)
        (*object)->Render();
    return static_cast<int>(m_Objects.size());
}

// --- CTerrain

CTerrain::CTerrain() : m_pHeightMapTexture(nullptr)
{
    CTerrain::Init();
}

CTerrain::~CTerrain()
{
    CTerrain::Shutdown();
}

bool CTerrain::Init()
{
    CTerrain::Shutdown();
    D3DXMatrixIdentity(&m_matWorld);
    m_pGroundTexture = nullptr;
    m_u16CellSize = DEFAULT_CELL_SIZE;
    m_fQuadSize = DEFAULT_QUAD_SIZE;
    m_fMaxHeight = DEFAULT_MAX_HEIGHT;
    m_u16X = 0;
    m_u16Z = 0;
    m_iWidth = 0;
    m_iHeight = 0;
    m_vOrigin = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_iMode = -1;
    m_FileName.clear();
    return true;
}

bool CTerrain::Shutdown()
{
    ReleaseAndClear(m_pHeightMapTexture);
    m_Cells.clear();
    m_Heights.clear();
    return CStdInterface::Shutdown();
}

bool CTerrain::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_TERRAIN))
        return false;
    bool loaded = false;
    if (m_iMode == MODE_HEIGHT_MAP) {
        loaded = LoadHeightMap();
        m_bHeightMapFailed = !loaded;
    } else if (m_iMode == MODE_MESH_LIST)
        loaded = LoadMeshList();
    m_bInitialised = loaded;
    m_bReady = loaded;
    return loaded;
}

std::string CTerrain::GetLoadFailure() const
{
    if (!m_bHeightMapFailed)
        return std::string();
    return DescribeScriptFailure(m_FileName, 0, "The height map could not be loaded.");
}

bool CTerrain::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_HEIGHT_MAP)) {
        m_FileName = reader.GetString();
        m_iMode = MODE_HEIGHT_MAP;
        return true;
    }
    if (reader.Match(KEYWORD_MESH_LIST)) {
        m_FileName = reader.GetString();
        m_iMode = MODE_MESH_LIST;
        return true;
    }
    if (reader.Match(KEYWORD_GROUND_TEXTURE)) {
        g_AssetManager.GetAsset(reader.GetString(), m_pGroundTexture, true);
        return true;
    }
    if (reader.Match(KEYWORD_QUAD_SIZE)) {
        m_fQuadSize = reader.GetFloat();
        return true;
    }
    if (reader.Match(KEYWORD_MAX_HEIGHT)) {
        m_fMaxHeight = reader.GetFloat();
        return true;
    }
    return false;
}

bool CTerrain::Validate()
{
    if (m_FileName.empty())
        return false;
    return CAsset::Validate();
}

// Every name is read before anything is made: a short list, or a second
// block after the first (which would change the grid under the cells made),
// stops here with nothing allocated.
bool CTerrain::LoadMeshList()
{
    CScriptFileScope scope(m_FileName);
    CDataBuffer reader;
    if (!reader.Init(m_FileName, SCRIPT_SEPARATORS))
        FatalError("Invalid Terrain Mesh List: %s", m_FileName.c_str());
    m_iWidth = reader.GetInteger();
    m_iHeight = reader.GetInteger();
    if (m_iWidth < 1 || m_iWidth > MAX_LIST_CELLS || m_iHeight < 1 || m_iHeight > MAX_LIST_CELLS)
        FatalError("Invalid Terrain Width or Height");
    const size_t cellCount = size_t(m_iWidth) * size_t(m_iHeight);
    std::vector<std::string> names;
    while (names.size() < cellCount && !reader.IsEndOfBuffer())
        names.push_back(reader.GetString());
    if (names.size() < cellCount || !reader.IsEndOfBuffer())
        FatalError("Invalid Terrain Mesh List: %s", m_FileName.c_str());

    MeasureFirstMesh(names.front());
    m_u16X = static_cast<uint16_t>(m_iWidth * m_u16CellSize + 1);
    m_u16Z = static_cast<uint16_t>(m_iHeight * m_u16CellSize + 1);
    m_Heights.assign(size_t(m_u16X) * m_u16Z, UNSET_HEIGHT);
    m_Cells.reserve(cellCount);
    for (const std::string& name : names) {
        auto cell = std::make_unique<CTerrainCell>();
        cell->LoadMesh(MESH_FOLDER + name, m_Heights.data(), m_u16X, m_u16Z, m_vOrigin, m_fQuadSize);
        m_Cells.push_back(std::move(cell));
    }
    return true;
}

void CTerrain::MeasureFirstMesh(const std::string& name)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    ID3DXMesh* mesh = nullptr;
    const std::string fileName = MESH_FOLDER + name;
    CScriptFileScope scope(fileName);
    if (device == nullptr ||
        !CheckD3DResult(D3DXLoadMeshFromX(fileName.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, nullptr, nullptr,
                                          &mesh),
                        SOURCE, __LINE__, CALL_MEASURE_LOAD) ||
        mesh == nullptr)
        FatalError("Terrain failed to load mesh file");

    D3DXVECTOR3 min(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 max(0.0f, 0.0f, 0.0f);
    BYTE* data = nullptr;
    if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
        D3DXComputeBoundingBox(data, mesh->GetNumVertices(), mesh->GetFVF(), &min, &max);
        mesh->UnlockVertexBuffer();
    }
    mesh->Release();
    m_vOrigin = D3DXVECTOR3(min.x, 0.0f, min.z);
    m_fQuadSize = (max.z - min.z) / m_u16CellSize;
    // A flat first mesh would put every vertex into one sample and every
    // query into a division by zero.
    if (!std::isfinite(m_fQuadSize) || m_fQuadSize <= 0.0f || !std::isfinite(min.x) || !std::isfinite(min.z))
        FatalError("Terrain failed to load mesh file");
}

bool CTerrain::LoadHeightMap()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return false;
    D3DXIMAGE_INFO info = {};
    if (FAILED(D3DXCreateTextureFromFileEx(device, m_FileName.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                           D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                           &info, nullptr, &m_pHeightMapTexture)))
        return false;
    D3DSURFACE_DESC desc = {};
    D3DLOCKED_RECT locked = {};
    if (FAILED(m_pHeightMapTexture->GetLevelDesc(0, &desc)) ||
        FAILED(m_pHeightMapTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
        return false;
    // The image lies in the top-left corner of a texture the device enlarged.
    const UINT width = std::min<UINT>({info.Width, desc.Width, UINT16_MAX});
    const UINT height = std::min<UINT>({info.Height, desc.Height, UINT16_MAX});
    bool built = width >= 2 && height >= 2;
    if (built) {
        m_u16X = static_cast<uint16_t>(width);
        m_u16Z = static_cast<uint16_t>(height);
        built = BuildHeightMapCells(locked);
    }
    m_pHeightMapTexture->UnlockRect(0);
    return built;
}

// Samples, cells and drawing agree: heights are blue / 255 x MaxHeight from
// the world origin, in z as in the image.
bool CTerrain::BuildHeightMapCells(const D3DLOCKED_RECT& locked)
{
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    m_Heights.resize(size_t(m_u16X) * m_u16Z);
    for (int z = 0; z < m_u16Z; ++z)
        for (int x = 0; x < m_u16X; ++x)
            m_Heights[size_t(z) * m_u16X + x] =
                bits[static_cast<ptrdiff_t>(z) * locked.Pitch + x * BYTES_PER_PIXEL + BLUE_BYTE] * BLUE_SCALE *
                m_fMaxHeight;

    const int c = m_u16CellSize;
    const int cellsPerRow = GetCellsPerRow();
    const int cellRows = GetCellRows();
    for (int cz = 0; cz < cellRows; ++cz) {
        for (int cx = 0; cx < cellsPerRow; ++cx) {
            // A cell shares its last column and row with its neighbours; the
            // grid's last cells have none to share with.
            const uint16_t columns = static_cast<uint16_t>(cx + 1 < cellsPerRow ? c + 1 : c);
            const uint16_t rows = static_cast<uint16_t>(cz + 1 < cellRows ? c + 1 : c);
            const D3DXVECTOR3 origin(float(cx * c) * m_fQuadSize, 0.0f, float(cz * c) * m_fQuadSize);
            const uint8_t* first = bits + static_cast<ptrdiff_t>(cz * c) * locked.Pitch + cx * c * BYTES_PER_PIXEL;
            auto cell = std::make_unique<CTerrainCell>();
            if (!cell->BuildFromHeightMap(origin, first, locked.Pitch, m_fQuadSize, m_fMaxHeight, columns, rows))
                return false;
            m_Cells.push_back(std::move(cell));
        }
    }
    return true;
}

bool CTerrain::GetCell(const D3DXVECTOR3& position, Cell& cell) const
{
    const float cellLength = m_u16CellSize * m_fQuadSize;
    cell.x = TruncatedIndex((position.x - m_vOrigin.x) / cellLength);
    cell.z = TruncatedIndex((position.z - m_vOrigin.z) / cellLength);
    return GetTerrainCell(cell.x, cell.z) != nullptr;
}

CTerrainCell* CTerrain::GetTerrainCell(int x, int z) const
{
    if (x < 0 || z < 0 || x >= GetCellsPerRow() || z >= GetCellRows())
        return nullptr;
    const size_t index = size_t(z) * GetCellsPerRow() + x;
    return index < m_Cells.size() ? m_Cells[index].get() : nullptr;
}

void CTerrain::Render(const Cell& cell, const Culling* culling) const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return;
    device->SetTransform(D3DTS_WORLD, &m_matWorld);
    for (const auto& offset : NEIGHBOURS)
        RenderCell(cell.x + offset[0], cell.z + offset[1], culling);
}

void CTerrain::RenderCell(int x, int z, const Culling* culling) const
{
    const CTerrainCell* cell = GetTerrainCell(x, z);
    if (cell == nullptr)
        return;
    if (culling != nullptr &&
        IsBoxOutsideView(COccBoxRecord{&cell->GetMin(), &cell->GetMax(), &m_matWorld}, culling->viewProjection,
                         culling->clip))
        return;
    cell->Render(m_pGroundTexture != nullptr ? m_pGroundTexture->GetTexture() : nullptr);
}

int CTerrain::RenderCellObjects(const Cell& cell) const
{
    int count = 0;
    for (const auto& offset : NEIGHBOURS)
        count += RenderObjectsOfCell(cell.x + offset[0], cell.z + offset[1]);
    return count;
}

int CTerrain::RenderObjectsOfCell(int x, int z) const
{
    const CTerrainCell* cell = GetTerrainCell(x, z);
    return cell != nullptr ? cell->RenderObjects() : 0;
}

bool CTerrain::RegisterObject(CCollidableObject* pObject, const D3DXVECTOR3& position)
{
    if (pObject == nullptr || m_Cells.empty() || GetCellsPerRow() == 0 || GetCellRows() == 0)
        return false;
    Cell cell;
    if (!GetCell(position, cell)) {
        // The nearest cell: clamped in floating point, where NaN goes to 0.
        const float cellLength = m_u16CellSize * m_fQuadSize;
        const float x = (position.x - m_vOrigin.x) / cellLength;
        const float z = (position.z - m_vOrigin.z) / cellLength;
        cell.x = x > 0.0f ? static_cast<int>(std::min(x, float(GetCellsPerRow() - 1))) : 0;
        cell.z = z > 0.0f ? static_cast<int>(std::min(z, float(GetCellRows() - 1))) : 0;
    }
    CTerrainCell* target = GetTerrainCell(cell.x, cell.z);
    if (target == nullptr)
        return false;
    target->AddObject(pObject);
    return true;
}

void CTerrain::UnregisterObject(const CCollidableObject* pObject)
{
    for (const auto& cell : m_Cells)
        while (cell->RemoveObject(pObject)) {
        }
}

void CTerrain::GetHeight(const D3DXVECTOR3& position, D3DXVECTOR3& point, D3DXVECTOR3* pNormal) const
{
    const D3DXVECTOR3 local = position - m_vOrigin;
    const float column = local.x / m_fQuadSize;
    const float row = local.z / m_fQuadSize;
    // Truncation toward zero: up to one quad before the first sample still
    // counts as the first quad.
    if (!(column > -1.0f && column < float(m_u16X) - 1.0f && row > -1.0f && row < float(m_u16Z) - 1.0f)) {
        point = D3DXVECTOR3(position.x, 0.0f, position.z);
        return;
    }
    const int ix = static_cast<int>(column);
    const int iz = static_cast<int>(row);
    const float s = m_fQuadSize;
    const D3DXVECTOR3 p00(ix * s, Sample(ix, iz), iz * s);
    const D3DXVECTOR3 p10((ix + 1) * s, Sample(ix + 1, iz), iz * s);
    const D3DXVECTOR3 p01(ix * s, Sample(ix, iz + 1), (iz + 1) * s);
    const D3DXVECTOR3 p11((ix + 1) * s, Sample(ix + 1, iz + 1), (iz + 1) * s);

    struct Test {
        const D3DXVECTOR3* corner[3];
        D3DXVECTOR3 direction;
    };
    const D3DXVECTOR3 down(0.0f, -1.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    const Test tests[] = {{{&p00, &p10, &p11}, down}, {{&p00, &p10, &p11}, up},
                          {{&p00, &p01, &p11}, down}, {{&p00, &p01, &p11}, up}};
    const Test* last = nullptr;
    point = p00 + m_vOrigin;
    for (const Test& test : tests) {
        last = &test;
        float u = 0.0f;
        float v = 0.0f;
        if (D3DXIntersectTri(test.corner[0], test.corner[1], test.corner[2], &local, &test.direction, &u, &v,
                             nullptr)) {
            point = *test.corner[0] * (1.0f - u - v) + *test.corner[1] * u + *test.corner[2] * v + m_vOrigin;
            break;
        }
    }
    if (pNormal != nullptr)
        *pNormal = FaceNormal(*last->corner[0], *last->corner[1], *last->corner[2]);
}
