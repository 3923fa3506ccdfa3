#pragma once
// D3DX8's skin mesh: one Mesh data object of a .X file with the bones its
// SkinWeights name, and its conversion to the indexed blended mesh a
// palette-skinning vertex shader draws.
//
// Lifetime follows COM; the skin mesh holds its device and its base mesh.

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/xfile/DXFile.h"

// The blended vertex's format: three float weights, then the bone indices
// as four bytes, then normal and one set of texture coordinates (48 bytes).
#ifndef D3DFVF_XYZB4
#define D3DFVF_XYZB4 0x00C
#endif
#ifndef D3DFVF_LASTBETA_UBYTE4
#define D3DFVF_LASTBETA_UBYTE4 0x1000
#endif

// The bone palette a skinning shader's constant registers hold.
constexpr DWORD kMaxSkinPaletteBones = 20;

// The converted vertex, as the skinning shader's declaration reads it. Bone
// k of `indices` is in byte k (bone 0 in the lowest); the fourth weight is
// 1 minus the sum of the three written.
struct D3DXBlendedVertex {
    D3DXVECTOR3 position;
    float weights[3];
    DWORD indices;
    D3DXVECTOR3 normal;
    float u;
    float v;
};
static_assert(sizeof(D3DXBlendedVertex) == 48, "the skinning shader reads 48-byte vertices");

constexpr DWORD kBlendedVertexFvf = D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_TEX1;

// The faces of one attribute and the bones they use (BoneId: one entry per
// palette slot, the bone in it). All bones fit one palette here, so there is
// one combination per attribute and BoneId is the identity.
struct D3DXBONECOMBINATION {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
    DWORD* BoneId;
};

class ID3DXSkinMesh : public IUnknown {
public:
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetNumBones() = 0;

    // A new reference to the mesh without skinning (the format
    // D3DXLoadMeshFromX would give the same Mesh object).
    virtual HRESULT GetOriginalMesh(LPD3DXMESH* mesh) = 0;

    // The 48-byte blended mesh (kBlendedVertexFvf; draw it through a vertex
    // shader): each vertex keeps its four largest weights, scaled to sum to
    // 1; a vertex no bone weighs, and every vertex of a mesh without bones,
    // goes wholly to bone 0. Faces and vertices keep their order, so
    // `adjacencyOut` is `adjacencyIn` (or made with epsilon 0) and the remaps
    // are the identity. Fails, giving nothing, with more bones than
    // kMaxSkinPaletteBones or than `paletteSize`. Every output but `mesh`
    // may be null.
    virtual HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                                DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                                LPD3DXBUFFER* boneCombinationTable, DWORD* faceRemap,
                                                LPD3DXBUFFER* vertexRemap, LPD3DXMESH* mesh) = 0;
};

typedef ID3DXSkinMesh* LPD3DXSKINMESH;

// Reads one Mesh data object as D3DXLoadMeshFromX reads a file's meshes (no
// frame placement), with its SkinWeights children as bones in file order.
// `boneNames` is an array of one LPSTR per bone, the names following in the
// same buffer; `boneTransforms` one D3DXMATRIX (the bone offset) per bone.
// A mesh without SkinWeights has no bones and empty bone buffers. Fails,
// giving nothing, for an object that is not a Mesh, a mesh without faces,
// skin weights whose vertex and weight counts differ or that name a vertex
// the mesh lacks, or an XSkinMeshHeader whose bone count is not the number
// of SkinWeights. Every output but `mesh` may be null.
HRESULT D3DXLoadSkinMeshFromXof(IDirectXFileData* meshData, DWORD options, IDirect3DDevice8* device,
                                LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms, LPD3DXSKINMESH* mesh);

// Ours: the same from the reader's tree node.
HRESULT D3DXLoadSkinMeshFromXFileObject(const XFileObject& meshObject, DWORD options, IDirect3DDevice8* device,
                                        LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                        LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms,
                                        LPD3DXSKINMESH* mesh);
