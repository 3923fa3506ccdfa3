#pragma once
// The heads-up display over the game: the clock, the weapon and its
// ammunition, the minimap. Until it is built nothing is drawn; its flags are
// there for the screens and missions that set them.
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
    void Draw();
    // Into the minimap's render targets, once per in-game frame before the
    // scene begins.
    void RenderMiniMap();

    const HUDObject& GetElement(Element element) const { return m_Elements[element]; }
    CGameActor* GetPlayer() const { return m_pPlayer; }

    uint8_t m_bShowTime = 1;
    uint8_t m_bShowNeedles = 1;
    uint8_t m_bShowMiniMap = 1;
    uint8_t m_bShowStatus = 1;
    // Set when the menus return to play; cleared at game over and in the intro.
    uint8_t m_bVisible = 0;

private:
    void ReadElement(CDataBuffer& reader);

    // Observer: the player belongs to the game.
    CGameActor* m_pPlayer = nullptr;
    HUDObject m_Elements[HUD_ELEMENT_COUNT];
};

extern CHUD g_HUD;
