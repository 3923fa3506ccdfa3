#pragma once
// D3DX's block of bytes: what D3DX calls hand back (assembled shaders, error
// text, and the like). COM lifetime: the creator holds one reference and
// Release at zero frees it.

#include "platform/d3d8/Unknown.h"
#include "platform/win32/Win32Types.h"

class ID3DXBuffer : public IUnknown {
public:
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

typedef ID3DXBuffer* LPD3DXBUFFER;

// A zero-filled buffer of `numBytes` bytes (0 is allowed) with one reference.
// A null `buffer` is D3DERR_INVALIDCALL.
HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer);
