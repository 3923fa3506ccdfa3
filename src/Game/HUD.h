#pragma once
// The heads-up display over the game: the time, the player's health, weapon,
// ammunition and wanted stars, the tachometer and speedometer while driving,
// the conversation window, and the round minimap that turns with the
// player's heading and zooms out with speed. It also opens "Game Over Screen"
// when the player's health runs out.
//
// Its look comes from "Scripts\HUD.txt" (keywords ignore case): blocks of
//   HUDObject <element>   then, each optional but in this order:
//       Texture name      the element's picture (a texture asset)
//       Position x y      fractions of the screen (see below)
//       Scale x y
//       Color argb        an integer: decimal, 0x hexadecimal, 0 octal or b binary
//   ConversationInterface  then the conversation window's own words
// The elements are RPM, MPH, Needle, Map, Position, CheckPointDot,
// WarningStar, MapNorth and MapAlpha. The Needle's position is its turning
// point in 640 x 480 pixels from its dial's corner; the Position mark's is an
// offset from MapNorth's, the minimap's corner.
//
// The minimap: Map's picture covers 2800 world units in 512 pixels from the
// terrain's corner, rows running with +z. Each frame it is drawn into one
// 128 x 128 target around the player, then through MapAlpha's mask into a
// second, upside down so that +z is up, and that one is drawn on the screen
// at MapNorth's place, turned with the player, under MapNorth's frame.

#include <cstdint>
#include <vector>

#include "Game/ConversationWindow.h"
#include "platform/d3dx8/D3DX8Math.h"

class CDataBuffer;
class CGameActor;
class CTexture;
class IDirect3DDevice8;
class IDirect3DSurface8;
class IDirect3DTexture8;

// One element of the display.
struct HUDObject {
    // Observer: the texture is an asset; null when the script names none.
    const CTexture* m_pTexture = nullptr;
    uint32_t m_Color = 0;
    float m_fAngle = 0.0f;
    D3DXVECTOR2 m_vPosition = D3DXVECTOR2(0.0f, 0.0f);
    D3DXVECTOR2 m_vScale = D3DXVECTOR2(0.0f, 0.0f);
};

// A point the minimap shows: a world position's x and z, in its colour.
struct MapMarker {
    float x = 0.0f;
    float y = 0.0f;
    uint32_t colour = 0;
};

class CHUD {
public:
    enum Element {
        HUD_RPM,
        HUD_MPH,
        HUD_NEEDLE,
        HUD_MAP,
        HUD_POSITION,
        HUD_CHECKPOINT_DOT,
        HUD_WARNING_STAR,
        HUD_MAP_NORTH,
        HUD_MAP_ALPHA,
        HUD_ELEMENT_COUNT,
    };

    CHUD();

    // Reads the look from "Scripts\HUD.txt" and shows `player`'s state. A
    // file that cannot be read is fatal ("Unable to initialize data buffer"),
    // as is a texture it names that does not exist.
    void Load(CGameActor* player);
    // The HUD over the drawn world, once a frame. The markers are emptied
    // afterwards, whether the HUD is shown or not.
    void Draw();
    // Into the minimap's render targets, once per in-game frame before the
    // scene begins, with the layout of the last Draw. Nothing without both
    // targets.
    void RenderMiniMap();
    // The minimap's layout of this frame: the terrain's corner, the zoom from
    // the speed, the turn from the heading, the markers turned into points on
    // the screen and the map picture's place in the first target.
    void LayOutMiniMap();
    // Both 128 x 128 targets, after any old ones are released; a target that
    // cannot be made is logged and stays null, and the minimap is not drawn.
    void CreateMiniMapTargets();
    void ReleaseMiniMapTargets();
    // Observers, for the tests: the target the map is drawn into and the
    // masked, upright one the screen shows.
    IDirect3DTexture8* GetMiniMapTarget() const { return m_pMiniMapRenderTarget; }
    IDirect3DTexture8* GetMiniMapFinal() const { return m_pMiniMapRenderFinal; }

    // Missions add their points every frame; the list lasts one frame.
    void AddMapMarker(const D3DXVECTOR3& worldPosition, uint32_t colour);
    const std::vector<MapMarker>& GetMapMarkers() const { return m_MapMarkers; }

    // The dials' angles (RPM's and MPH's) from the player's car; both at
    // rest with no player or on foot.
    void UpdateNeedleAngles();

    const HUDObject& GetElement(Element element) const { return m_Elements[element]; }
    CGameActor* GetPlayer() const { return m_pPlayer; }

    uint8_t m_bShowTime = 1;
    uint8_t m_bShowNeedles = 1;
    uint8_t m_bShowMiniMap = 1;
    uint8_t m_bShowStatus = 1;
    // Set when the menus return to play; cleared at game over and in the intro.
    uint8_t m_bVisible = 0;
    // The missions reach it through the HUD.
    CConversationWindow m_ConversationWindow;

private:
    // Room for "Health " and any int.
    enum { NUMBER_TEXT_SIZE = 32 };

    void ReadElement(CDataBuffer& reader);
    void DrawShown();
    void DrawCarEditor() const;
    // Health at 0 or below: "Game Over Screen" over the paused level.
    void OpenGameOverScreen();
    void DrawStatus();
    void DrawStars() const;
    void DrawDials();
    void DrawDial(Element dial) const;
    void DrawMiniMap();
    float MiniMapSpeed() const;
    void PlaceMarkers(float heading, float zoom, const D3DXVECTOR3& player);
    void DrawMapIntoTarget(IDirect3DDevice8* device, IDirect3DSurface8* depth);
    void MaskIntoFinal(IDirect3DDevice8* device, IDirect3DSurface8* depth);

    // Observer: the player belongs to the game.
    CGameActor* m_pPlayer = nullptr;
    HUDObject m_Elements[HUD_ELEMENT_COUNT];
    std::vector<MapMarker> m_MapMarkers;
    // The terrain's corner, where the map picture begins.
    D3DXVECTOR3 m_vMapOrigin = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    // Owned; in the default pool, so released and made again with the device.
    IDirect3DTexture8* m_pMiniMapRenderFinal = nullptr;
    IDirect3DTexture8* m_pMiniMapRenderTarget = nullptr;
    // The frame's texts are written here, so that drawing allocates nothing.
    char m_HealthText[NUMBER_TEXT_SIZE] = {};
    char m_AmmunitionText[NUMBER_TEXT_SIZE] = {};
    char m_GearText[NUMBER_TEXT_SIZE] = {};
};

extern CHUD g_HUD;

// The minimap's targets follow the device: released before each reset and
// made again after it, and made at once when a device exists already.
void RegisterMiniMapDeviceHooks();
