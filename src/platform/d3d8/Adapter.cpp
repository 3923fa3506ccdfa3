#include "platform/d3d8/Adapter.h"

#include <SDL.h>

#include <algorithm>
#include <optional>
#include <tuple>

#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3d8/DeviceState.h"
#include "platform/d3d8/FormatInfo.h"
#include "platform/win32/Win32Platform.h"

namespace {

// What the adapter reports when SDL's video is not running (tests of state
// only): one ordinary desktop.
constexpr D3DDISPLAYMODE kFallbackMode = {1024, 768, 60, D3DFMT_X8R8G8B8};

constexpr float kMaxPointSize = 64.0f;
constexpr DWORD kMaxTextureSide = 4096;
constexpr DWORD kMaxPrimitiveCount = 0xFFFFF;
constexpr DWORD kMaxVertexIndex = 0xFFFFFF;
constexpr DWORD kMaxStreamStride = 256;
constexpr UINT kBitsOf32BitModes = 32;
constexpr UINT kBitsOf24BitModes = 24;
constexpr UINT kBitsOf16BitModes = 16;

struct Hooks {
    std::optional<std::vector<D3DDISPLAYMODE>> modes;
    std::optional<D3DDISPLAYMODE> desktop;
    std::optional<D3DCAPS8> caps;
    bool refuseHal = false;
    bool refuseRef = false;
    bool failResets = false;
    bool failRenderState = false;
    DWORD failingState = 0;
    DWORD failingValue = 0;
    bool stateOnly = false;
    bool failTextures = false;
    DWORD failingUsage = 0;
};

Hooks g_Hooks;

bool VideoRunning()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

D3DFORMAT FormatOfSdlMode(Uint32 sdlFormat)
{
    const UINT bits = SDL_BITSPERPIXEL(sdlFormat);
    if (bits == kBitsOf32BitModes || bits == kBitsOf24BitModes)
        return D3DFMT_X8R8G8B8;
    if (bits == kBitsOf16BitModes)
        return D3DFMT_R5G6B5;
    return D3DFMT_UNKNOWN;
}

bool ModeLess(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    return std::tie(a.Width, a.Height, a.RefreshRate, a.Format) < std::tie(b.Width, b.Height, b.RefreshRate, b.Format);
}

bool ModeEqual(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.RefreshRate == b.RefreshRate && a.Format == b.Format;
}

std::vector<D3DDISPLAYMODE> SdlModes()
{
    std::vector<D3DDISPLAYMODE> modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdlMode;
        if (SDL_GetDisplayMode(0, i, &sdlMode) != 0)
            continue;
        const D3DFORMAT format = FormatOfSdlMode(sdlMode.format);
        if (format == D3DFMT_UNKNOWN || sdlMode.w <= 0 || sdlMode.h <= 0)
            continue;
        modes.push_back(D3DDISPLAYMODE{static_cast<UINT>(sdlMode.w), static_cast<UINT>(sdlMode.h),
                                       static_cast<UINT>(std::max(sdlMode.refresh_rate, 0)), format});
    }
    return modes;
}

bool ClientSize(HWND window, UINT& width, UINT& height)
{
    RECT client = {};
    if (!GetClientRect(window, &client))
        return false;
    width = static_cast<UINT>(std::max<LONG>(client.right - client.left, 1));
    height = static_cast<UINT>(std::max<LONG>(client.bottom - client.top, 1));
    return true;
}

bool ModeListed(const D3DPRESENT_PARAMETERS& parameters)
{
    for (const D3DDISPLAYMODE& mode : Adapter::Modes()) {
        if (mode.Width != parameters.BackBufferWidth || mode.Height != parameters.BackBufferHeight)
            continue;
        if (mode.Format != parameters.BackBufferFormat &&
            !(mode.Format == D3DFMT_X8R8G8B8 && parameters.BackBufferFormat == D3DFMT_A8R8G8B8))
            continue;
        if (parameters.FullScreen_RefreshRateInHz == D3DPRESENT_RATE_DEFAULT ||
            parameters.FullScreen_RefreshRateInHz == mode.RefreshRate)
            return true;
    }
    return false;
}

} // namespace

namespace Adapter {

D3DDISPLAYMODE DesktopMode()
{
    if (g_Hooks.desktop)
        return *g_Hooks.desktop;
    SDL_DisplayMode sdlMode;
    if (!VideoRunning() || SDL_GetDesktopDisplayMode(0, &sdlMode) != 0)
        return kFallbackMode;
    D3DFORMAT format = FormatOfSdlMode(sdlMode.format);
    if (format == D3DFMT_UNKNOWN)
        format = D3DFMT_X8R8G8B8;
    return D3DDISPLAYMODE{static_cast<UINT>(sdlMode.w), static_cast<UINT>(sdlMode.h),
                          static_cast<UINT>(std::max(sdlMode.refresh_rate, 0)), format};
}

std::vector<D3DDISPLAYMODE> Modes()
{
    if (g_Hooks.modes)
        return *g_Hooks.modes;
    std::vector<D3DDISPLAYMODE> modes = VideoRunning() ? SdlModes() : std::vector<D3DDISPLAYMODE>();
    if (modes.empty())
        modes.push_back(DesktopMode());
    std::sort(modes.begin(), modes.end(), ModeLess);
    modes.erase(std::unique(modes.begin(), modes.end(), ModeEqual), modes.end());
    return modes;
}

D3DCAPS8 Caps(D3DDEVTYPE type)
{
    if (g_Hooks.caps) {
        D3DCAPS8 caps = *g_Hooks.caps;
        caps.DeviceType = type;
        return caps;
    }
    D3DCAPS8 caps = {};
    caps.DeviceType = type;
    caps.AdapterOrdinal = D3DADAPTER_DEFAULT;
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_BLENDOP;
    // Any size is fine: no POW2, no SQUAREONLY.
    caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    caps.MaxTextureWidth = kMaxTextureSide;
    caps.MaxTextureHeight = kMaxTextureSide;
    caps.MaxTextureBlendStages = kMaxTextureStages;
    caps.MaxSimultaneousTextures = kMaxTextureStages;
    caps.MaxActiveLights = kMaxLights;
    caps.MaxUserClipPlanes = kMaxClipPlanes;
    caps.MaxPointSize = kMaxPointSize;
    caps.MaxPrimitiveCount = kMaxPrimitiveCount;
    caps.MaxVertexIndex = kMaxVertexIndex;
    caps.MaxStreams = 1;
    caps.MaxStreamStride = kMaxStreamStride;
    return caps;
}

HRESULT ResolvePresentation(D3DPRESENT_PARAMETERS& parameters, HWND focusWindow, bool stateOnly)
{
    if (parameters.hDeviceWindow == nullptr)
        parameters.hDeviceWindow = focusWindow;
    const HWND window = parameters.hDeviceWindow;
    if (!stateOnly && Win32Platform::GetSDLWindow(window) == nullptr)
        return D3DERR_INVALIDCALL;
    if (parameters.BackBufferCount > 1 || parameters.MultiSampleType != D3DMULTISAMPLE_NONE)
        return D3DERR_INVALIDCALL;
    if (parameters.SwapEffect < D3DSWAPEFFECT_DISCARD || parameters.SwapEffect > D3DSWAPEFFECT_COPY_VSYNC)
        return D3DERR_INVALIDCALL;
    if (parameters.EnableAutoDepthStencil && parameters.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_INVALIDCALL;
    parameters.BackBufferCount = 1;

    if (parameters.Windowed) {
        if (parameters.BackBufferWidth == 0 || parameters.BackBufferHeight == 0) {
            UINT width = kFallbackMode.Width;
            UINT height = kFallbackMode.Height;
            if (!stateOnly && !ClientSize(window, width, height))
                return D3DERR_INVALIDCALL;
            if (parameters.BackBufferWidth == 0)
                parameters.BackBufferWidth = width;
            if (parameters.BackBufferHeight == 0)
                parameters.BackBufferHeight = height;
        }
        if (parameters.BackBufferFormat == D3DFMT_UNKNOWN)
            parameters.BackBufferFormat = DesktopMode().Format;
        return IsBackBufferFormat(parameters.BackBufferFormat) ? D3D_OK : D3DERR_INVALIDCALL;
    }
    if (!IsBackBufferFormat(parameters.BackBufferFormat) || !ModeListed(parameters))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

bool IsDeviceTypeRefused(D3DDEVTYPE type)
{
    return (type == D3DDEVTYPE_HAL && g_Hooks.refuseHal) || (type == D3DDEVTYPE_REF && g_Hooks.refuseRef);
}

bool ResetsFail()
{
    return g_Hooks.failResets;
}

bool RenderStateFails(DWORD state, DWORD value)
{
    return g_Hooks.failRenderState && g_Hooks.failingState == state && g_Hooks.failingValue == value;
}

bool StateOnlyDevices()
{
    return g_Hooks.stateOnly;
}

bool TextureCreationFails(DWORD usage)
{
    return g_Hooks.failTextures && g_Hooks.failingUsage == usage;
}

} // namespace Adapter

namespace D3D8Platform {

void SetAdapterModes(const D3DDISPLAYMODE* modes, UINT count)
{
    g_Hooks.modes = std::vector<D3DDISPLAYMODE>();
    if (modes != nullptr)
        g_Hooks.modes->assign(modes, modes + count);
}

void SetDesktopMode(const D3DDISPLAYMODE& mode)
{
    g_Hooks.desktop = mode;
}

void SetCaps(const D3DCAPS8& caps)
{
    g_Hooks.caps = caps;
}

void RefuseDeviceType(D3DDEVTYPE type)
{
    if (type == D3DDEVTYPE_HAL)
        g_Hooks.refuseHal = true;
    if (type == D3DDEVTYPE_REF)
        g_Hooks.refuseRef = true;
}

void FailResets()
{
    g_Hooks.failResets = true;
}

void FailRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    g_Hooks.failRenderState = true;
    g_Hooks.failingState = state;
    g_Hooks.failingValue = value;
}

void FailTextureCreation(DWORD usage)
{
    g_Hooks.failTextures = true;
    g_Hooks.failingUsage = usage;
}

void UseStateOnlyDevices()
{
    g_Hooks.stateOnly = true;
}

void ResetTestHooks()
{
    g_Hooks = Hooks();
}

} // namespace D3D8Platform
