#pragma once
// A vertex shader's declaration decoded: which input register each element of
// a stream-0 vertex feeds, how it is stored and where it lies.

#include <vector>

#include "platform/d3d8/D3D8Types.h"

// vs.1.1's input registers v0-v15.
constexpr DWORD kShaderInputRegisters = 16;

struct ShaderInputElement {
    DWORD inputRegister;
    DWORD type;   // D3DVSDT_FLOAT2, D3DVSDT_FLOAT3 or D3DVSDT_D3DCOLOR
    UINT offset;  // bytes from the start of the vertex
};

struct ShaderDeclaration {
    bool valid = false;
    std::vector<ShaderInputElement> elements;
    UINT size = 0; // bytes of one vertex
};

// Decodes `tokens` up to D3DVSD_END(), reading no more than a declaration of
// one element per register can hold. Invalid (nothing drawn through it): a
// stream other than 0, data before a stream token, a type or token the
// stand-in does not draw, a register out of range or fed twice, no end token.
ShaderDeclaration DecodeShaderDeclaration(const DWORD* tokens);
