#pragma once
// The heads-up display over the game: the time, the player's health, weapon,
// ammunition and wanted stars, the tachometer and speedometer while driving,
// and the conversation window; the minimap is not drawn yet. It also opens
// "Game Over Screen" when the player's health runs out.
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

#include <cstdint>
#include <vector>

#include "Game/ConversationWindow.h"
#include "platform/d3dx8/D3DX8Math.h"

class CDataBuffer;
class CGameActor;
class CTexture;

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
    // scene begins.
    void RenderMiniMap();

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

    // Observer: the player belongs to the game.
    CGameActor* m_pPlayer = nullptr;
    HUDObject m_Elements[HUD_ELEMENT_COUNT];
    std::vector<MapMarker> m_MapMarkers;
    // The frame's texts are written here, so that drawing allocates nothing.
    char m_HealthText[NUMBER_TEXT_SIZE] = {};
    char m_AmmunitionText[NUMBER_TEXT_SIZE] = {};
    char m_GearText[NUMBER_TEXT_SIZE] = {};
};

extern CHUD g_HUD;
