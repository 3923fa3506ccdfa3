#pragma once
// The heads-up display over the game: the clock, the weapon and its
// ammunition, the minimap. Until it is built nothing is drawn; its flags are
// there for the screens and missions that set them.

#include <cstdint>

class CHUD {
public:
    void Draw();
    // Into the minimap's render targets, once per in-game frame before the
    // scene begins.
    void RenderMiniMap();

    uint8_t m_bShowTime = 1;
    uint8_t m_bShowNeedles = 1;
    uint8_t m_bShowMiniMap = 1;
    uint8_t m_bShowStatus = 1;
    // Set when the menus return to play; cleared at game over and in the intro.
    uint8_t m_bVisible = 0;
};

extern CHUD g_HUD;
