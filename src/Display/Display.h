#pragma once

#include <cstdint>
#include <string>

#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Sprite.h"

// A display mode as the options, the window procedure, the menus and the
// console ask for it. Laid out as the first six fields of the user options.
struct CDisplayMode {
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t FullScreen = 0;
    uint8_t VSync = 0;
    uint8_t BPP = 0;
    uint8_t RefreshRate = 0;
};

// One particle as the particle systems write it into g_vbParticles.
struct VERTEX_PARTICLE {
    float x, y, z;
    float size;
    D3DCOLOR colour;
};

const DWORD D3DFVF_PARTICLE = D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE;
const UINT PARTICLE_VB_NUM = 480;

// Device objects of other subsystems that live in the default pool: the
// display releases them before a reset and re-creates them after it, each at
// its fixed place in the order. The subsystems register their two steps here.
enum DeviceObjectHook {
    DEVICE_HOOK_FONTS = 0,      // the text master's fonts
    DEVICE_HOOK_MINIMAP = 1,    // the HUD's minimap render targets
    DEVICE_HOOK_WATER = 2,      // the water grid's buffers
    DEVICE_HOOK_COUNT = 3,
};
typedef void (*DeviceObjectStep)();

// The single owner of the Direct3D object and the device: creation, display
// modes, resets with the invalidation and restoration of every default-pool
// object, the frame (clear and begin, end, present), screenshots and the
// sprite object of all 2-D sprites.
class CDisplay : public CStdInterface {
public:
    CDisplay();
    ~CDisplay() override;
    CDisplay(const CDisplay&) = delete;
    CDisplay& operator=(const CDisplay&) = delete;

    bool Init() override;
    // Releases every device object, the device, then the Direct3D object.
    bool Shutdown() override;

    // Start-up: a windowed 640 x 480 device on the main window; the mode of
    // the options arrives later through ChangeDisplayMode.
    bool Create();
    bool UpdatePresentationParms();
    bool CreateDevice();
    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();
    bool Reset();
    // A refused mode puts the previous one back, device objects included.
    bool ChangeDisplayMode(const CDisplayMode& mode);
    void OnDisplayChange(uint32_t bitsPerPixel);

    bool BeginScene();
    bool EndScene();
    bool Present();
    // Saves the last presented picture as "shot%03u.bmp"; the name taken
    // goes to `fileName` when one is given.
    bool Screenshot(std::string* fileName = nullptr);

    IDirect3DDevice8* GetD3DDevice() const { return m_pD3DDev; }
    ID3DXSprite* GetSprite() const { return m_pD3DXSprite; }
    const CDisplayMode& GetCurrentMode() const { return m_CurrentMode; }
    const D3DPRESENT_PARAMETERS& GetPresentationParms() const { return m_D3DPParms; }
    const D3DDISPLAYMODE& GetDesktopMode() const { return m_DesktopMode; }
    D3DFORMAT GetBackBufferFormat() const { return m_BackBufferFormat; }
    uint32_t GetDeviceType() const { return m_DeviceType; }
    bool IsFullScreen() const { return m_CurrentMode.FullScreen != 0; }

    // Null steps unregister.
    static void SetDeviceObjectHook(DeviceObjectHook hook, DeviceObjectStep invalidate, DeviceObjectStep restore);

private:
    struct SceneLight {
        D3DLIGHT8 m_Light = {};
        BOOL m_bEnabled = FALSE;
        bool m_bDefined = false;
    };

    SceneLight HoldSceneLight() const;
    // The device objects, then the scene's light over the default one.
    void RestoreDeviceObjects(const SceneLight& light);
    void FitWindowToMode();
    void RunInvalidateHook(DeviceObjectHook hook);
    void RunRestoreHook(DeviceObjectHook hook);

    IDirect3D8* m_pD3D = nullptr;
    IDirect3DDevice8* m_pD3DDev = nullptr;
    uint32_t m_DeviceType = 0;
    D3DFORMAT m_BackBufferFormat = D3DFMT_UNKNOWN;
    D3DPRESENT_PARAMETERS m_D3DPParms = {};
    D3DDISPLAYMODE m_DesktopMode = {};
    CDisplayMode m_CurrentMode;
    uint32_t m_ScreenshotCounter = 0;
    ID3DXSprite* m_pD3DXSprite = nullptr;
};

extern CDisplay g_Display;
extern IDirect3DVertexBuffer8* g_vbParticles;
extern IDirect3DTexture8* g_RenderReflection;
// The result of the last logged Direct3D call.
extern HRESULT g_hResult;

// Stores `result` in g_hResult; a failure writes "Error in <source> #<line> -
// <text> hr=<result>" to the log. True when the call succeeded.
bool CheckD3DResult(HRESULT result, const char* source, int line, const char* text);

// 2-D sprites on the 640 x 480 virtual screen: the position is a fraction of
// the screen, the scale and the rotation centre are in virtual pixels; null
// position, scale or centre mean (0, 0), (1, 1) and (0, 0). False when the
// sprite could not be drawn.
bool DrawSprite(IDirect3DTexture8* texture, const float* position, const float* scale, const RECT* source,
                float rotation, const float* centre, D3DCOLOR colour);
// The same draw in screen pixels, as given.
bool DrawSpritePixels(IDirect3DTexture8* texture, const float* position, const float* scale, const RECT* source,
                      float rotation, const float* centre, D3DCOLOR colour);

// One DrawSprite or DrawSpritePixels call as its caller made it, with the
// null position, scale and centre given their values.
struct SpriteDraw {
    IDirect3DTexture8* m_pTexture = nullptr;
    D3DXVECTOR2 m_vPosition;
    D3DXVECTOR2 m_vScale;
    D3DXVECTOR2 m_vCentre;
    float m_fRotation = 0.0f;
    D3DCOLOR m_Colour = 0;
    bool m_bPixels = false;
};
// Test hook: `observer` sees every sprite call before it is drawn, drawable
// or not (a null texture included); null stops it.
void SetSpriteDrawObserver(void (*observer)(const SpriteDraw& draw));
