#pragma once
// The Direct3D object: adapter 0's modes and capabilities, and devices.

#include "platform/d3d8/D3D8.h"

class Direct3D8 final : public IDirect3D8 {
public:
    Direct3D8() = default;

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3D8
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    UINT GetAdapterModeCount(UINT adapter) override;
    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) override;

private:
    ~Direct3D8() override = default;

    ULONG m_References = 1;
};
