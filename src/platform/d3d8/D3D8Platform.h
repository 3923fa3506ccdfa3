#pragma once
// Test hooks of the Direct3D stand-in. Not part of the Direct3D surface the
// game uses; only tests call these. Each holds until ResetTestHooks.

#include <cstddef>

#include "platform/d3d8/D3D8Types.h"

class IDirect3DDevice8;

namespace D3D8Platform {

// Replaces adapter 0's mode list (GetAdapterModeCount, EnumAdapterModes and
// the full-screen checks of CreateDevice and Reset) by a copy of `modes`;
// a count of 0 makes an adapter that lists no modes.
void SetAdapterModes(const D3DDISPLAYMODE* modes, UINT count);

// Replaces adapter 0's current display mode (GetAdapterDisplayMode and the
// size of GetFrontBuffer's picture).
void SetDesktopMode(const D3DDISPLAYMODE& mode);

// Replaces what GetDeviceCaps reports, on the Direct3D object and on every
// device. Drawing is not limited by it.
void SetCaps(const D3DCAPS8& caps);

// Makes CreateDevice fail for one device type.
void RefuseDeviceType(D3DDEVTYPE type);

// Makes every device Reset fail (D3DERR_INVALIDCALL) and leave the device as
// it was.
void FailResets();

// Makes SetRenderState(state, value) fail with D3DERR_INVALIDCALL for that one
// pair; the state keeps its old value.
void FailRenderState(D3DRENDERSTATETYPE state, DWORD value);

// Makes CreateTexture of exactly that usage (D3DUSAGE_RENDERTARGET, or 0)
// fail with D3DERR_OUTOFVIDEOMEMORY.
void FailTextureCreation(DWORD usage);

// Devices created from now on keep every state and resource in memory but
// need no window or OpenGL context and draw nothing: for tests of what the
// game sets on the device. Clear and Present succeed; GetFrontBuffer gives
// black.
void UseStateOnlyDevices();

// Whether the device's copy of the last presented picture is stored in the
// back buffer's own format, as OpenGL reports it. False before the first
// Present and on state-only devices.
bool FrontBufferKeepsBackBufferFormat(IDirect3DDevice8* device);

// How many programs the device has built for its draws so far: one for each
// new mix of states drawn with. 0 on state-only devices.
size_t BuiltProgramCount(IDirect3DDevice8* device);

// Restores the real adapter, capabilities and behaviour.
void ResetTestHooks();

} // namespace D3D8Platform
