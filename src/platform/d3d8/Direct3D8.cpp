#include "platform/d3d8/Direct3D8.h"

#include <vector>

#include "platform/d3d8/Adapter.h"
#include "platform/d3d8/D3DDevice.h"

namespace {

constexpr DWORD kVertexProcessingFlags =
    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;

bool IsDeviceType(D3DDEVTYPE type)
{
    return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF;
}

} // namespace

IDirect3D8* Direct3DCreate8(UINT sdkVersion)
{
    if (sdkVersion != D3D_SDK_VERSION)
        return nullptr;
    return new Direct3D8();
}

ULONG Direct3D8::AddRef()
{
    return ++m_References;
}

ULONG Direct3D8::Release()
{
    const ULONG count = --m_References;
    if (count == 0)
        delete this;
    return count;
}

HRESULT Direct3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode)
{
    if (adapter != D3DADAPTER_DEFAULT || mode == nullptr)
        return D3DERR_INVALIDCALL;
    *mode = Adapter::DesktopMode();
    return D3D_OK;
}

UINT Direct3D8::GetAdapterModeCount(UINT adapter)
{
    if (adapter != D3DADAPTER_DEFAULT)
        return 0;
    return static_cast<UINT>(Adapter::Modes().size());
}

HRESULT Direct3D8::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode)
{
    if (adapter != D3DADAPTER_DEFAULT || displayMode == nullptr)
        return D3DERR_INVALIDCALL;
    const std::vector<D3DDISPLAYMODE> modes = Adapter::Modes();
    if (mode >= modes.size())
        return D3DERR_INVALIDCALL;
    *displayMode = modes[mode];
    return D3D_OK;
}

HRESULT Direct3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps)
{
    if (adapter != D3DADAPTER_DEFAULT || caps == nullptr || !IsDeviceType(type))
        return D3DERR_INVALIDCALL;
    *caps = Adapter::Caps(type);
    return D3D_OK;
}

HRESULT Direct3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device)
{
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || parameters == nullptr || !IsDeviceType(type))
        return D3DERR_INVALIDCALL;
    if ((behaviorFlags & kVertexProcessingFlags) == 0)
        return D3DERR_INVALIDCALL;
    if (Adapter::IsDeviceTypeRefused(type))
        return D3DERR_NOTAVAILABLE;
    const bool stateOnly = Adapter::StateOnlyDevices();
    D3DPRESENT_PARAMETERS resolved = *parameters;
    const HRESULT checked = Adapter::ResolvePresentation(resolved, focusWindow, stateOnly);
    if (FAILED(checked))
        return checked;
    const HRESULT created = D3DDevice::Create(*this, type, focusWindow, resolved, stateOnly, device);
    if (SUCCEEDED(created))
        *parameters = resolved;
    return created;
}
