#pragma once
// The fixed table of programmable vertex shaders, assembled from their text
// files at start-up and bound to their vertex declarations.

#include <string>
#include <vector>

#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

enum EVertexShader {
    VS_TEST = 0,
    VS_INDEXED_SKINNED_MESH = 1,
    VS_CAR = 2,
    VS_WATER = 3,
    VS_COUNT = 4
};

struct CVertexShaderEntry {
    std::string FileName;
    // 0 until created; stays 0 when the shader could not be made.
    DWORD Shader = 0;
    std::vector<DWORD> Decl;
};

class CVertexShaders {
public:
    // Fills the file names and declarations of the four entries.
    void SetFiles();
    // Assembles and creates the shaders in index order. A missing or broken
    // file ends the creation there: the later entries keep handle 0.
    void CreateAll();

    // The handle of entry `index`; 0 when it was not created or is out of range.
    DWORD GetShader(int index) const;
    const CVertexShaderEntry& GetEntry(int index) const { return m_VS[index]; }

private:
    // False when the creation must stop at this entry.
    bool Create(int index);

    CVertexShaderEntry m_VS[VS_COUNT];
};

// Loads `matrix` transposed into the four constant registers from
// `firstRegister` on, as the shaders read rows.
HRESULT SetVertexShaderMatrix(IDirect3DDevice8* device, DWORD firstRegister, const D3DXMATRIX& matrix);

extern CVertexShaders g_VertexShaders;
