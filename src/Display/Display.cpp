#include "Display/Display.h"

#include <algorithm>
#include <cstdio>

#include "Core/Window.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/SafeRelease.h"
#include "Display/RenderStates.h"
#include "platform/d3dx8/D3DX8Image.h"
#include "platform/d3dx8/D3DX8Texture.h"

IDirect3DVertexBuffer8* g_vbParticles = nullptr;
IDirect3DTexture8* g_RenderReflection = nullptr;
HRESULT g_hResult = D3D_OK;

static_assert(sizeof(CDisplayMode) == 8, "the display mode record is 2 + 2 + 4 bytes");
static_assert(sizeof(VERTEX_PARTICLE) == 20, "the layout of D3DFVF_PARTICLE");

namespace {

const char* const SOURCE = ".\\Display\\Display";

const char* const CALL_CREATE_SPRITE = "D3DXCreateSprite(m_pD3DDev, &m_pD3DXSprite )";
const char* const CALL_RESTORE_SPRITE = "D3DXCreateSprite( g_Display.GetD3DDevice( ), &m_pD3DXSprite )";
const char* const CALL_CREATE_PARTICLES =
    "g_Display.GetD3DDevice()->CreateVertexBuffer(PARTICLE_VB_NUM*sizeof(VERTEX_PARTICLE), D3DUSAGE_WRITEONLY | "
    "D3DUSAGE_POINTS | D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING, D3DFVF_PARTICLE, D3DPOOL_DEFAULT, "
    "&g_vbParticles)";
const char* const CALL_GET_RENDER_TARGET = "GetD3DDevice()->GetRenderTarget(&pOldRenderTarget)";
const char* const CALL_CREATE_REFLECTION =
    "D3DXCreateTexture( g_Display.GetD3DDevice(),256,256,1,D3DUSAGE_RENDERTARGET,Desc.Format,D3DPOOL_DEFAULT,"
    "&g_RenderReflection )";
const char* const CALL_RESET = "m_pD3DDev->Reset( &m_D3DPParms )";
const char* const CALL_CLEAR =
    "m_pD3DDev->Clear( 0, NULL, D3DCLEAR_TARGET|D3DCLEAR_ZBUFFER|D3DCLEAR_STENCIL, D3DCOLOR_XRGB(0,0,0), 1.0f, 0 )";
const char* const CALL_BEGIN_SCENE = "m_pD3DDev->BeginScene()";
const char* const CALL_END_SCENE = "m_pD3DDev->EndScene( )";
const char* const CALL_PRESENT = "m_pD3DDev->Present( NULL, NULL, NULL, NULL )";

const char* const LOG_RESET_PARMS_FAILED = "Reset failed in UpdatePresentationParms( )";
const char* const LOG_RESET_COMPLETE = "Reset and restore complete";
const char* const SCREENSHOT_NAME = "shot%03u.bmp";

const uint32_t DEVICE_TYPE_HAL = 1;
const uint32_t DEVICE_TYPE_REF = 2;
// The window the game opens with, and the mode the display starts in.
const uint16_t START_WIDTH = 640;
const uint16_t START_HEIGHT = 480;
const float VIRTUAL_WIDTH = 640.0f;
const float VIRTUAL_HEIGHT = 480.0f;
const UINT REFLECTION_SIZE = 256;
const D3DCOLOR CLEAR_COLOUR = D3DCOLOR_XRGB(0, 0, 0);
const float CLEAR_DEPTH = 1.0f;
const DWORD CLEAR_STENCIL = 0;
const DWORD PARTICLE_USAGE = D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS | D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING;

struct HookSteps {
    DeviceObjectStep invalidate = nullptr;
    DeviceObjectStep restore = nullptr;
};
HookSteps s_Hooks[DEVICE_HOOK_COUNT];

bool Logged(HRESULT result, int line, const char* text)
{
    return CheckD3DResult(result, SOURCE, line, text);
}

// Bits per pixel of a display format; 0 for formats no display mode uses.
uint32_t BitDepth(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R8G8B8:
        return 24;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A2B10G10R10:
        return 32;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
        return 16;
    case D3DFMT_R3G3B2:
        return 8;
    default:
        return 0;
    }
}

void (*s_SpriteDrawObserver)(const SpriteDraw& draw) = nullptr;

void ObserveSpriteDraw(IDirect3DTexture8* texture, const float* position, const float* scale, float rotation,
                       const float* centre, D3DCOLOR colour, bool pixels)
{
    if (s_SpriteDrawObserver == nullptr)
        return;
    SpriteDraw draw;
    draw.m_pTexture = texture;
    draw.m_vPosition = position != nullptr ? D3DXVECTOR2(position) : D3DXVECTOR2(0.0f, 0.0f);
    draw.m_vScale = scale != nullptr ? D3DXVECTOR2(scale) : D3DXVECTOR2(1.0f, 1.0f);
    draw.m_vCentre = centre != nullptr ? D3DXVECTOR2(centre) : D3DXVECTOR2(0.0f, 0.0f);
    draw.m_fRotation = rotation;
    draw.m_Colour = colour;
    draw.m_bPixels = pixels;
    s_SpriteDrawObserver(draw);
}

bool DrawWithSprite(IDirect3DTexture8* texture, const RECT* source, const D3DXVECTOR2& scaling,
                    const D3DXVECTOR2& centre, float rotation, const D3DXVECTOR2& translation, D3DCOLOR colour)
{
    ID3DXSprite* sprite = g_Display.GetSprite();
    if (sprite == nullptr || texture == nullptr)
        return false;
    return SUCCEEDED(sprite->Draw(texture, source, &scaling, &centre, rotation, &translation, colour));
}

// The part of `rect` that lies on a width x height surface.
RECT ClampToSurface(const RECT& rect, LONG width, LONG height)
{
    RECT clamped;
    clamped.left = std::clamp<LONG>(rect.left, 0, width);
    clamped.top = std::clamp<LONG>(rect.top, 0, height);
    clamped.right = std::clamp<LONG>(rect.right, clamped.left, width);
    clamped.bottom = std::clamp<LONG>(rect.bottom, clamped.top, height);
    return clamped;
}

// The main window's client area in screen coordinates.
bool ClientRectOnScreen(RECT& rect)
{
    RECT client;
    if (!GetClientRect(g_hWnd, &client))
        return false;
    POINT origin = {0, 0};
    if (!ClientToScreen(g_hWnd, &origin))
        return false;
    rect = {origin.x, origin.y, origin.x + client.right - client.left, origin.y + client.bottom - client.top};
    return true;
}

} // namespace

bool CheckD3DResult(HRESULT result, const char* source, int line, const char* text)
{
    g_hResult = result;
    if (SUCCEEDED(result))
        return true;
    g_Log.Error(source, line, text, result);
    return false;
}

CDisplay::CDisplay()
{
    CDisplay::Init();
}

// At exit the other subsystems are gone already: only the display's own
// objects are released here, without the hooks.
CDisplay::~CDisplay()
{
    ReleaseAndClear(m_pD3DXSprite);
    ReleaseAndClear(g_RenderReflection);
    ReleaseAndClear(g_vbParticles);
    ReleaseAndClear(m_pD3DDev);
    ReleaseAndClear(m_pD3D);
}

bool CDisplay::Init()
{
    CStdInterface::Init();
    m_pD3D = nullptr;
    m_pD3DDev = nullptr;
    m_pD3DXSprite = nullptr;
    m_D3DPParms = {};
    m_DesktopMode = {};
    m_CurrentMode = CDisplayMode();
    return true;
}

// Every device object goes before the device, so that the device and with it
// every GL object is gone when this returns (textures excepted: they belong
// to their assets, which release them first).
bool CDisplay::Shutdown()
{
    if (m_pD3DDev != nullptr)
        InvalidateDeviceObjects();
    ReleaseAndClear(m_pD3DDev);
    ReleaseAndClear(m_pD3D);
    ReleaseAndClear(m_pD3DXSprite);
    return CStdInterface::Shutdown();
}

bool CDisplay::Create()
{
    if (m_pD3D != nullptr)
        Shutdown();
    Init();
    // Each run numbers its screenshots from 000, overwriting older ones.
    m_ScreenshotCounter = 0;
    m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (m_pD3D == nullptr)
        FatalError("Couldn't create Direct3D8 object");
    m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &m_DesktopMode);

    // The window's own mode, so that a refused mode later has a real one to
    // fall back to.
    m_CurrentMode.Width = START_WIDTH;
    m_CurrentMode.Height = START_HEIGHT;
    m_CurrentMode.BPP = static_cast<uint8_t>(BitDepth(m_DesktopMode.Format));
    UpdatePresentationParms();
    CreateDevice();
    Logged(D3DXCreateSprite(m_pD3DDev, &m_pD3DXSprite), __LINE__, CALL_CREATE_SPRITE);
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CDisplay::UpdatePresentationParms()
{
    D3DFORMAT format = m_DesktopMode.Format;
    if (IsFullScreen()) {
        // The first mode of this size and depth at the asked rate; else the
        // last one listed below it, whose rate then becomes the mode's. No
        // depth asked (the options' default) means the desktop's.
        const uint32_t depth = m_CurrentMode.BPP != 0 ? m_CurrentMode.BPP : BitDepth(m_DesktopMode.Format);
        const UINT count = m_pD3D->GetAdapterModeCount(D3DADAPTER_DEFAULT);
        bool exact = false;
        bool remembered = false;
        D3DDISPLAYMODE below = {};
        for (UINT i = 0; i < count && !exact; ++i) {
            D3DDISPLAYMODE mode;
            if (FAILED(m_pD3D->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode)))
                continue;
            if (mode.Width != m_CurrentMode.Width || mode.Height != m_CurrentMode.Height ||
                BitDepth(mode.Format) != depth)
                continue;
            if (mode.RefreshRate == m_CurrentMode.RefreshRate) {
                format = mode.Format;
                exact = true;
            } else if (mode.RefreshRate < m_CurrentMode.RefreshRate) {
                below = mode;
                remembered = true;
            }
        }
        if (!exact && !remembered)
            return false;
        if (!exact) {
            format = below.Format;
            m_CurrentMode.RefreshRate = static_cast<uint8_t>(below.RefreshRate);
        }
    }

    m_D3DPParms = {};
    m_D3DPParms.BackBufferWidth = m_CurrentMode.Width;
    m_D3DPParms.BackBufferHeight = m_CurrentMode.Height;
    m_D3DPParms.BackBufferFormat = format;
    m_BackBufferFormat = format;
    m_D3DPParms.BackBufferCount = 1;
    m_D3DPParms.MultiSampleType = D3DMULTISAMPLE_NONE;
    m_D3DPParms.hDeviceWindow = g_hWnd;
    m_D3DPParms.EnableAutoDepthStencil = TRUE;
    m_D3DPParms.AutoDepthStencilFormat = D3DFMT_D24S8;
    if (IsFullScreen()) {
        m_D3DPParms.Windowed = FALSE;
        m_D3DPParms.SwapEffect = D3DSWAPEFFECT_COPY;
        m_D3DPParms.FullScreen_RefreshRateInHz = m_CurrentMode.RefreshRate;
        m_D3DPParms.FullScreen_PresentationInterval =
            m_CurrentMode.VSync ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE;
    } else {
        m_D3DPParms.Windowed = TRUE;
        m_D3DPParms.SwapEffect = m_CurrentMode.VSync ? D3DSWAPEFFECT_COPY_VSYNC : D3DSWAPEFFECT_COPY;
    }
    return true;
}

// Without any device the game cannot run at all.
bool CDisplay::CreateDevice()
{
    if (SUCCEEDED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_hWnd, D3DCREATE_MIXED_VERTEXPROCESSING,
                                       &m_D3DPParms, &m_pD3DDev))) {
        m_DeviceType = DEVICE_TYPE_HAL;
        return true;
    }
    if (SUCCEEDED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, g_hWnd, D3DCREATE_MIXED_VERTEXPROCESSING,
                                       &m_D3DPParms, &m_pD3DDev))) {
        m_DeviceType = DEVICE_TYPE_REF;
        return true;
    }
    FatalError("Couldn't create a Direct3D8 device, neither HAL nor REF");
}

void CDisplay::SetDeviceObjectHook(DeviceObjectHook hook, DeviceObjectStep invalidate, DeviceObjectStep restore)
{
    if (hook < 0 || hook >= DEVICE_HOOK_COUNT)
        return;
    s_Hooks[hook].invalidate = invalidate;
    s_Hooks[hook].restore = restore;
}

void CDisplay::RunInvalidateHook(DeviceObjectHook hook)
{
    if (s_Hooks[hook].invalidate != nullptr)
        s_Hooks[hook].invalidate();
}

void CDisplay::RunRestoreHook(DeviceObjectHook hook)
{
    if (s_Hooks[hook].restore != nullptr)
        s_Hooks[hook].restore();
}

void CDisplay::InvalidateDeviceObjects()
{
    ReleaseAndClear(m_pD3DXSprite);
    CStateBlocks::DeleteAll();
    RunInvalidateHook(DEVICE_HOOK_FONTS);
    RunInvalidateHook(DEVICE_HOOK_MINIMAP);
    RunInvalidateHook(DEVICE_HOOK_WATER);
    ReleaseAndClear(g_RenderReflection);
    ReleaseAndClear(g_vbParticles);
}

// Each step that fails is logged and the next one still runs.
void CDisplay::RestoreDeviceObjects()
{
    if (m_pD3DDev == nullptr)
        return;
    Logged(D3DXCreateSprite(m_pD3DDev, &m_pD3DXSprite), __LINE__, CALL_RESTORE_SPRITE);
    CStateBlocks::CreateAll();
    RunRestoreHook(DEVICE_HOOK_FONTS);
    Logged(m_pD3DDev->CreateVertexBuffer(PARTICLE_VB_NUM * sizeof(VERTEX_PARTICLE), PARTICLE_USAGE,
                                         D3DFVF_PARTICLE, D3DPOOL_DEFAULT, &g_vbParticles),
           __LINE__, CALL_CREATE_PARTICLES);
    RunRestoreHook(DEVICE_HOOK_MINIMAP);
    RunRestoreHook(DEVICE_HOOK_WATER);

    // The reflection is drawn in the format of the picture it ends up in.
    IDirect3DSurface8* pOldRenderTarget = nullptr;
    if (!Logged(m_pD3DDev->GetRenderTarget(&pOldRenderTarget), __LINE__, CALL_GET_RENDER_TARGET))
        return;
    D3DSURFACE_DESC Desc = {};
    pOldRenderTarget->GetDesc(&Desc);
    Logged(D3DXCreateTexture(m_pD3DDev, REFLECTION_SIZE, REFLECTION_SIZE, 1, D3DUSAGE_RENDERTARGET, Desc.Format,
                             D3DPOOL_DEFAULT, &g_RenderReflection),
           __LINE__, CALL_CREATE_REFLECTION);
    pOldRenderTarget->Release();
}

// Light 0 as the scene has it: the time of day sets it only while the clock
// runs, so the front end and a paused game would otherwise keep the restore's
// default light and show the level in another light.
CDisplay::SceneLight CDisplay::HoldSceneLight() const
{
    SceneLight held;
    held.m_bDefined = SUCCEEDED(m_pD3DDev->GetLight(0, &held.m_Light)) &&
                      SUCCEEDED(m_pD3DDev->GetLightEnable(0, &held.m_bEnabled));
    return held;
}

void CDisplay::RestoreDeviceObjects(const SceneLight& light)
{
    RestoreDeviceObjects();
    if (!light.m_bDefined)
        return;
    m_pD3DDev->SetLight(0, &light.m_Light);
    m_pD3DDev->LightEnable(0, light.m_bEnabled);
}

// Whatever happens, the device objects are back when this returns: a failed
// reset leaves the device as it was, so they are restored for it. Either way
// the level looks as it did before.
bool CDisplay::Reset()
{
    if (m_pD3DDev == nullptr)
        return false;
    const SceneLight light = HoldSceneLight();
    InvalidateDeviceObjects();
    const D3DPRESENT_PARAMETERS previousParms = m_D3DPParms;
    const D3DFORMAT previousFormat = m_BackBufferFormat;
    if (!UpdatePresentationParms()) {
        g_Log.Write(LOG_RESET_PARMS_FAILED);
        RestoreDeviceObjects(light);
        return false;
    }
    if (!Logged(m_pD3DDev->Reset(&m_D3DPParms), __LINE__, CALL_RESET)) {
        m_D3DPParms = previousParms;
        m_BackBufferFormat = previousFormat;
        RestoreDeviceObjects(light);
        return false;
    }
    RestoreDeviceObjects(light);
    g_Log.Write(LOG_RESET_COMPLETE);
    return true;
}

bool CDisplay::ChangeDisplayMode(const CDisplayMode& mode)
{
    const CDisplayMode previous = m_CurrentMode;
    m_CurrentMode = mode;
    if (m_pD3DDev == nullptr) {
        if (m_pD3D == nullptr || !UpdatePresentationParms()) {
            m_CurrentMode = previous;
            return false;
        }
        CreateDevice();
    } else if (!Reset()) {
        // Back to the mode in force, with every device object in place.
        m_CurrentMode = previous;
        Reset();
        return false;
    }
    FitWindowToMode();
    return true;
}

// The window keeps its captioned style: the window layer has no style
// change, and the device itself switches the screen to full screen.
void CDisplay::FitWindowToMode()
{
    if (IsFullScreen()) {
        SetWindowPos(g_hWnd, nullptr, 0, 0, m_CurrentMode.Width, m_CurrentMode.Height, SWP_NOZORDER);
        ShowWindow(g_hWnd, SW_SHOW);
        return;
    }
    SetClientSize(m_CurrentMode.Width, m_CurrentMode.Height);
    CenterWindow(g_hWnd);
    ShowWindow(g_hWnd, SW_SHOW);
    ShowSplashScreen();
}

void CDisplay::OnDisplayChange(uint32_t bitsPerPixel)
{
    if (bitsPerPixel == m_CurrentMode.BPP || m_pD3D == nullptr)
        return;
    m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &m_DesktopMode);
    m_CurrentMode.BPP = static_cast<uint8_t>(bitsPerPixel);
    Reset();
}

bool CDisplay::BeginScene()
{
    if (m_pD3DDev == nullptr)
        return false;
    if (!Logged(m_pD3DDev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, CLEAR_COLOUR,
                                 CLEAR_DEPTH, CLEAR_STENCIL),
                __LINE__, CALL_CLEAR))
        return false;
    return Logged(m_pD3DDev->BeginScene(), __LINE__, CALL_BEGIN_SCENE);
}

bool CDisplay::EndScene()
{
    if (m_pD3DDev == nullptr)
        return false;
    return Logged(m_pD3DDev->EndScene(), __LINE__, CALL_END_SCENE);
}

bool CDisplay::Present()
{
    if (m_pD3DDev == nullptr)
        return false;
    return Logged(m_pD3DDev->Present(nullptr, nullptr, nullptr, nullptr), __LINE__, CALL_PRESENT);
}

// The front buffer arrives the size of the whole screen; a window saves only
// its client area, cut to the part that lies on the screen.
bool CDisplay::Screenshot(std::string* taken)
{
    if (m_pD3DDev == nullptr)
        return false;
    char fileName[32];
    std::snprintf(fileName, sizeof(fileName), SCREENSHOT_NAME, m_ScreenshotCounter);
    ++m_ScreenshotCounter;
    if (taken != nullptr)
        *taken = fileName;

    D3DDISPLAYMODE screen = {};
    m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &screen);
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(m_pD3DDev->CreateImageSurface(screen.Width, screen.Height, D3DFMT_A8R8G8B8, &surface)))
        return false;
    bool saved = false;
    RECT rect = {0, 0, static_cast<LONG>(screen.Width), static_cast<LONG>(screen.Height)};
    if (SUCCEEDED(m_pD3DDev->GetFrontBuffer(surface)) && (IsFullScreen() || ClientRectOnScreen(rect))) {
        rect = ClampToSurface(rect, static_cast<LONG>(screen.Width), static_cast<LONG>(screen.Height));
        saved = rect.right > rect.left && rect.bottom > rect.top &&
                SUCCEEDED(D3DXSaveSurfaceToFile(fileName, D3DXIFF_BMP, surface, nullptr, &rect));
    }
    surface->Release();
    return saved;
}

void SetSpriteDrawObserver(void (*observer)(const SpriteDraw& draw))
{
    s_SpriteDrawObserver = observer;
}

bool DrawSprite(IDirect3DTexture8* texture, const float* position, const float* scale, const RECT* source,
                float rotation, const float* centre, D3DCOLOR colour)
{
    ObserveSpriteDraw(texture, position, scale, rotation, centre, colour, false);
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    const float width = static_cast<float>(mode.Width);
    const float height = static_cast<float>(mode.Height);
    const float toScreenX = width / VIRTUAL_WIDTH;
    const float toScreenY = height / VIRTUAL_HEIGHT;
    const D3DXVECTOR2 translation = position != nullptr ? D3DXVECTOR2(position[0] * width, position[1] * height)
                                                        : D3DXVECTOR2(0.0f, 0.0f);
    const D3DXVECTOR2 scaling = scale != nullptr ? D3DXVECTOR2(scale[0] * toScreenX, scale[1] * toScreenY)
                                                 : D3DXVECTOR2(toScreenX, toScreenY);
    const D3DXVECTOR2 rotationCentre = centre != nullptr ? D3DXVECTOR2(centre[0] * toScreenX, centre[1] * toScreenY)
                                                         : D3DXVECTOR2(0.0f, 0.0f);
    return DrawWithSprite(texture, source, scaling, rotationCentre, rotation, translation, colour);
}

bool DrawSpritePixels(IDirect3DTexture8* texture, const float* position, const float* scale, const RECT* source,
                      float rotation, const float* centre, D3DCOLOR colour)
{
    ObserveSpriteDraw(texture, position, scale, rotation, centre, colour, true);
    const D3DXVECTOR2 translation = position != nullptr ? D3DXVECTOR2(position[0], position[1])
                                                        : D3DXVECTOR2(0.0f, 0.0f);
    const D3DXVECTOR2 scaling = scale != nullptr ? D3DXVECTOR2(scale[0], scale[1]) : D3DXVECTOR2(1.0f, 1.0f);
    const D3DXVECTOR2 rotationCentre = centre != nullptr ? D3DXVECTOR2(centre[0], centre[1])
                                                         : D3DXVECTOR2(0.0f, 0.0f);
    return DrawWithSprite(texture, source, scaling, rotationCentre, rotation, translation, colour);
}
