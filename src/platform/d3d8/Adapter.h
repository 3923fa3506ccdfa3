#pragma once
// Adapter 0 as Direct3D sees it: the desktop's display mode and the modes the
// screen offers (from SDL), the device capabilities, the checks on
// presentation parameters, and the test hooks of D3D8Platform that replace
// any of them.

#include <vector>

#include "platform/d3d8/D3D8Types.h"

namespace Adapter {

D3DDISPLAYMODE DesktopMode();

// In ascending order of width, height and refresh rate.
std::vector<D3DDISPLAYMODE> Modes();

D3DCAPS8 Caps(D3DDEVTYPE type);

// Checks presentation parameters and fills in what Direct3D fills in: a
// windowed back buffer of size 0 takes the window's client size, an unknown
// windowed format the desktop's. D3DERR_INVALIDCALL for what the device
// cannot present (no window, a full-screen mode the adapter does not list,
// an unsupported format or depth buffer).
HRESULT ResolvePresentation(D3DPRESENT_PARAMETERS& parameters, HWND focusWindow, bool stateOnly);

bool IsDeviceTypeRefused(D3DDEVTYPE type);
bool ResetsFail();
bool RenderStateFails(DWORD state, DWORD value);
bool StateOnlyDevices();
bool TextureCreationFails(DWORD usage);

} // namespace Adapter
