#pragma once
// D3DX8's meshes: a triangle list in a vertex buffer and an index buffer of
// one flexible vertex format, with one attribute (a subset number) per face;
// loading one from a .X file; the bounding box of a run of vertices; and the
// ray-triangle test.
//
// Lifetime follows COM. A mesh holds a reference to its device and owns its
// buffers; GetVertexBuffer and GetIndexBuffer hand out new references.

#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Buffer.h"
#include "platform/d3dx8/D3DX8Math.h"

// Mesh options: index size and where each buffer lives.
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_SYSTEMMEM (D3DXMESH_VB_SYSTEMMEM | D3DXMESH_IB_SYSTEMMEM)
#define D3DXMESH_MANAGED (D3DXMESH_VB_MANAGED | D3DXMESH_IB_MANAGED)
#define D3DXMESH_WRITEONLY (D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_WRITEONLY)
#define D3DXMESH_DYNAMIC (D3DXMESH_VB_DYNAMIC | D3DXMESH_IB_DYNAMIC)
#define D3DXMESH_SOFTWAREPROCESSING (D3DXMESH_VB_SOFTWAREPROCESSING | D3DXMESH_IB_SOFTWAREPROCESSING)

// OptimizeInplace flags. ATTRSORT sorts the faces by attribute (stable) and
// builds the attribute table; VERTEXCACHE and STRIPREORDER include it.
// COMPACT, which every sort includes, drops unused vertices and numbers the
// rest in the order the faces first use them; IGNOREVERTS leaves the
// vertices as they are.
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000
#define D3DXMESHOPT_STRIPREORDER 0x08000000
#define D3DXMESHOPT_IGNOREVERTS 0x10000000

// An adjacency entry of an edge no other face shares.
#define D3DX_NO_NEIGHBOUR 0xFFFFFFFF

// The faces of one attribute after an attribute sort, and the range of
// vertices they use.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

// One material of a loaded mesh. The texture name is as the file wrote it
// (null without one); it lives in the same ID3DXBuffer as the array.
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
};

typedef D3DXMATERIAL* LPD3DXMATERIAL;

class ID3DXMesh : public IUnknown {
public:
    // Draws the faces of one attribute: sets the mesh's FVF, its buffers as
    // stream 0 and indices, then indexed triangle lists (one per attribute
    // table entry, or one per run of such faces before an attribute sort).
    // An attribute no face has draws nothing.
    virtual HRESULT DrawSubset(DWORD attribId) = 0;

    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;

    // A copy in another vertex format and other buffers: the components both
    // formats have are copied, new ones are zero. Faces, attributes and the
    // attribute table are kept. 16-bit indices become 32-bit ones when the
    // mesh has more vertices than 16 bits can number.
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** cloneMesh) = 0;

    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** vertexBuffer) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** indexBuffer) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // One DWORD per face. Unlocking after a lock without D3DLOCK_READONLY
    // drops the attribute table (subsets are then drawn by runs of faces).
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;

    // With a null table, *size receives the entry count; otherwise the table
    // (which must hold that many) is filled and *size set. Empty until an
    // attribute sort.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) = 0;

    // Three entries per face, one per edge (corner i to corner i + 1): the
    // face across that edge, or D3DX_NO_NEIGHBOUR. Vertices whose positions
    // differ by at most `epsilon` on each axis are one point; an edge pairs
    // with one edge of another face running the other way.
    virtual HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) = 0;

    // Reorders faces and vertices (flags above). Optional outputs:
    // `adjacencyOut` (3 per face; from `adjacencyIn` renumbered, or made with
    // epsilon 0 when that is null), `faceRemap` (for each new face, its old
    // number) and `vertexRemap` (a buffer of one DWORD per new vertex, its
    // old number).
    virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                    LPD3DXBUFFER* vertexRemap) = 0;
};

typedef ID3DXMesh* LPD3DXMESH;

// An empty mesh (zero vertices, indices and attributes) of the given counts.
// The FVF must be one the device draws.
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                          ID3DXMesh** mesh);

// Ours: a mesh of a vertex the device's FVF decoding does not know (the
// blended vertex a vertex shader reads): `vertexSize` bytes a vertex, the
// position's three floats first. Only the position is understood, so a clone
// of it keeps positions alone; `fvf` is what GetFVF reports.
HRESULT D3DXCreateMeshFVFStride(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, DWORD vertexSize,
                                IDirect3DDevice8* device, ID3DXMesh** mesh);

// Loads every Mesh of a text .X file (a game path) into one mesh: each is
// placed by its frames' FrameTransformMatrix products from the root down,
// polygons become fans of triangles, corners equal in position, normal and
// texture coordinates share a vertex, and each material of each mesh
// becomes one attribute, numbered in file order. A mesh without materials
// uses one default material (white, no texture). The vertex format is XYZ,
// plus NORMAL and TEX1 when any mesh has normals or texture coordinates.
// `adjacency` (3 DWORDs per face, epsilon 0) and `materials` (an array of
// D3DXMATERIAL) may be null. A file that does not read, or holds no face,
// fails and gives nothing.
HRESULT D3DXLoadMeshFromX(LPCSTR filename, DWORD options, IDirect3DDevice8* device, LPD3DXBUFFER* adjacency,
                          LPD3DXBUFFER* materials, DWORD* numMaterials, ID3DXMesh** mesh);

// The smallest box around `numVertices` positions, the first at
// `pointsFvf` and each the FVF's vertex size after the one before.
HRESULT D3DXComputeBoundingBox(const void* pointsFvf, DWORD numVertices, DWORD fvf, D3DXVECTOR3* min,
                               D3DXVECTOR3* max);

// Whether the ray from `rayPos` along `rayDir` meets the triangle, either
// side, at or ahead of its start. On a hit: the point is
// p0 + u (p1 - p0) + v (p2 - p0), and rayPos + dist x rayDir (dist in
// lengths of rayDir). u, v and dist may be null.
BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* rayPos, const D3DXVECTOR3* rayDir, FLOAT* u, FLOAT* v, FLOAT* dist);
