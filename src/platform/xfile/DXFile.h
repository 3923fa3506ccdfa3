#pragma once
// DirectX File as the game uses it: reading the frames, meshes, materials,
// skin weights and animation sets of text .X files ("xof 0302txt 0032",
// 0303, float size 0032 or 0064). Binary and compressed files, saving,
// loading from anything but a file, binary objects, GetData by member name
// and look-ups by name or id are not offered.
//
// The COM-style objects below are thin views of an XFileDocument (the plain
// tree, XFileDocument.h / XFileObject.h); C++ code inside the platform layer
// may use the tree directly. Every object handed out keeps the whole
// document alive, and with it every pointer GetData gave, until released.
//
// A file loads only when all of it is sound; otherwise CreateEnumObject fails
// and gives no enumerator. Sound means, besides correct syntax:
// - every count matches the items present, and no member is missing or extra;
// - every reference names a data object of the file (the first of that name
//   in file order, wherever it is), and no walk down children and through
//   references loops, nests deeper than XFILE_MAX_DEPTH or visits more than
//   XFILE_MAX_WALK_OBJECTS objects;
// - Mesh: every face has at least 3 corners, each index below nVertices;
// - MeshNormals: each face normal index below nNormals; under a Mesh (as a
//   child or a reference), nFaceNormals equals its nFaces and each face
//   normal has as many indices as that face has corners;
// - MeshTextureCoords under a Mesh: nTextureCoords equals its nVertices;
// - MeshVertexColors and SkinWeights under a Mesh: each vertex index below
//   its nVertices;
// - MeshMaterialList: each face index below nMaterials; under a Mesh with
//   faces, nFaceIndexes is at least 1, and at least nMaterials Material
//   children (objects or references) follow. nFaceIndexes may differ from
//   the mesh's nFaces: face f takes faceIndexes[min(f, nFaceIndexes - 1)];
// - AnimationKey: keyType is 0 to 4; each key of type 0 holds 4 values
//   (w, x, y, z), of types 1 and 2 3 values, of type 4 16 values (type 3:
//   any number);
// - floats are finite; WORDs and DWORDs are in range.
//
// GetData layouts (szMember must be null). Values are packed in file order
// with no padding, in the machine's byte order: WORD 2 bytes, DWORD 4 bytes,
// FLOAT a 4-byte float (also in 0064 files), STRING a `const char*` to a
// NUL-terminated string owned by the object. In every layout below each
// field sits at a multiple of its own size from the aligned start of the
// block. "Vector" is 3 FLOATs x, y, z; "Matrix" 16 FLOATs in the order
// written, row by row.
//   Header                WORD major; WORD minor; DWORD flags
//   FrameTransformMatrix  Matrix frameMatrix
//   Mesh                  DWORD nVertices; Vector vertices[nVertices];
//                         DWORD nFaces; nFaces times {DWORD nFaceVertexIndices;
//                         DWORD faceVertexIndices[nFaceVertexIndices]}
//   MeshNormals           DWORD nNormals; Vector normals[nNormals];
//                         DWORD nFaceNormals; nFaceNormals times {DWORD n; DWORD indices[n]}
//   MeshTextureCoords     DWORD nTextureCoords; nTextureCoords times {FLOAT u; FLOAT v}
//   MeshMaterialList      DWORD nMaterials; DWORD nFaceIndexes; DWORD faceIndexes[nFaceIndexes]
//   Material              FLOAT faceColor r, g, b, a; FLOAT power;
//                         FLOAT specularColor r, g, b; FLOAT emissiveColor r, g, b
//   TextureFilename       STRING filename (as written: no path rewriting)
//   MeshVertexColors      DWORD nVertexColors; nVertexColors times {DWORD index; FLOAT r, g, b, a}
//   MeshFaceWraps         DWORD nFaceWrapValues; nFaceWrapValues times {DWORD u; DWORD v}
//   XSkinMeshHeader       WORD nMaxSkinWeightsPerVertex; WORD nMaxSkinWeightsPerFace; WORD nBones
//   SkinWeights           STRING transformNodeName; DWORD nWeights;
//                         DWORD vertexIndices[nWeights]; FLOAT weights[nWeights]; Matrix matrixOffset
//   AnimationKey          DWORD keyType; DWORD nKeys; nKeys times
//                         {DWORD time; DWORD nValues; FLOAT values[nValues]}
//   AnimationOptions      DWORD openclosed; DWORD positionquality
//   Frame, Animation, AnimationSet and types the reader does not know: no data (size 0)

#include "platform/d3d8/Unknown.h"
#include "platform/win32/Guid.h"
#include "platform/xfile/XFileError.h"
#include "platform/xfile/XFileObject.h"

#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002)
#endif

typedef DWORD DXFILELOADOPTIONS;
// The source is a game path (const char*), opened through Files::Open.
#define DXFILELOAD_FROMFILE 0x00u

// The type GetType gives for each template; an object of a type the reader
// does not know gives an all-zero GUID.
extern const GUID TID_DXFILEHeaderTemplate;
extern const GUID TID_D3DRMFrame;
extern const GUID TID_D3DRMFrameTransformMatrix;
extern const GUID TID_D3DRMMesh;
extern const GUID TID_D3DRMMeshNormals;
extern const GUID TID_D3DRMMeshTextureCoords;
extern const GUID TID_D3DRMMeshMaterialList;
extern const GUID TID_D3DRMMaterial;
extern const GUID TID_D3DRMTextureFilename;
extern const GUID TID_D3DRMMeshVertexColors;
extern const GUID TID_D3DRMMeshFaceWraps;
extern const GUID DXFILEOBJ_XSkinMeshHeader;
extern const GUID DXFILEOBJ_SkinWeights;
extern const GUID TID_D3DRMAnimationSet;
extern const GUID TID_D3DRMAnimation;
extern const GUID TID_D3DRMAnimationKey;
extern const GUID TID_D3DRMAnimationOptions;

extern const GUID IID_IDirectXFileObject;
extern const GUID IID_IDirectXFileData;
extern const GUID IID_IDirectXFileDataReference;

// The standard templates in text form, for RegisterTemplates.
extern const char D3DRM_XTEMPLATES[];
extern const DWORD D3DRM_XTEMPLATE_BYTES;

class IDirectXFileData;

// What every child of a data object is. Our IUnknown only counts references,
// so the one query DirectX File callers make (is this child data or a
// reference?) lives here.
class IDirectXFileObject : public IUnknown {
public:
    // IID_IDirectXFileObject, and IID_IDirectXFileData or
    // IID_IDirectXFileDataReference by what the object is (a new reference);
    // E_NOINTERFACE otherwise.
    virtual HRESULT QueryInterface(REFIID interfaceId, void** object) = 0;
    // The name with its NUL. With a null buffer, *size becomes the size
    // needed (0 for an unnamed object); a buffer smaller than that is
    // DXFILEERR_BADVALUE. A reference gives the name it refers to.
    virtual HRESULT GetName(LPSTR name, DWORD* size) = 0;
};

class IDirectXFileData : public IDirectXFileObject {
public:
    // The object's data in its packed layout (above), read-only; `member`
    // must be null.
    virtual HRESULT GetData(LPCSTR member, DWORD* size, void** data) = 0;
    virtual HRESULT GetType(const GUID** type) = 0;
    // The next child in file order: a data object or a data reference;
    // DXFILEERR_NOMOREOBJECTS after the last.
    virtual HRESULT GetNextObject(IDirectXFileObject** child) = 0;
    // Ours: the tree node behind the object, for the platform's own loaders.
    virtual const XFileObject* GetXFileObject() const = 0;
};

class IDirectXFileDataReference : public IDirectXFileObject {
public:
    // The data object referred to (a new object, its children unread).
    virtual HRESULT Resolve(IDirectXFileData** data) = 0;
};

class IDirectXFileEnumObject : public IUnknown {
public:
    // The next top-level data object in file order; DXFILEERR_NOMOREOBJECTS after the last.
    virtual HRESULT GetNextDataObject(IDirectXFileData** data) = 0;
};

class IDirectXFile : public IUnknown {
public:
    // Reads the whole file at once: every fault of the file is reported here.
    virtual HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options,
                                     IDirectXFileEnumObject** enumObject) = 0;
    // The reader knows its templates already; this checks that the block is
    // a text .X block of templates only.
    virtual HRESULT RegisterTemplates(LPVOID data, DWORD size) = 0;
};

typedef IDirectXFile* LPDIRECTXFILE;
typedef IDirectXFileEnumObject* LPDIRECTXFILEENUMOBJECT;
typedef IDirectXFileObject* LPDIRECTXFILEOBJECT;
typedef IDirectXFileData* LPDIRECTXFILEDATA;
typedef IDirectXFileDataReference* LPDIRECTXFILEDATAREFERENCE;

HRESULT DirectXFileCreate(LPDIRECTXFILE* file);
