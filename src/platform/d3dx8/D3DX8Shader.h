#pragma once
// D3DX8's vertex shader assembly from a file (vs.1.1 text; see
// VertexShaderAssembler.h for what it takes).

#include "platform/d3dx8/D3DX8Buffer.h"

// Assembles the file `srcFile` (a game path, opened through Files::Open).
// `flags` are accepted and ignored. Each output pointer may be null; each that
// is given receives a new buffer or null:
// - `constants`: always null (vs.1.1 text declares no constants);
// - `compiledShader`: the token stream (DWORDs, ending with 0x0000FFFF) on success;
// - `compilationErrors`: on an assembly error, its text ("<file>(<line>): <message>\n",
//   NUL-terminated, the NUL counted in the size); null otherwise.
// Results: D3D_OK; D3DERR_NOTFOUND when the file cannot be read (no buffer at
// all); D3DXERR_INVALIDDATA on an assembly error; D3DERR_INVALIDCALL for a
// null file name.
HRESULT D3DXAssembleShaderFromFile(LPCSTR srcFile, DWORD flags, LPD3DXBUFFER* constants,
                                   LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* compilationErrors);
