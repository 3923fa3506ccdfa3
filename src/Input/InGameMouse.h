#pragma once

#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"

class CController;
class CTexture;

// The cursor the game draws itself: a texture at a position given as
// fractions of the screen, moved by its driver's axis values (the mouse,
// through the local controller). The menus, the cell phone and the aim
// marker use it. When it leaves the screen the Windows cursor takes over;
// when it comes back the Windows cursor is hidden again and put under it.
//
// A "Mouse" block of "Scripts\Mouses.txt" lists its textures, one "Texture"
// entry each; the cursors are chosen by the textures' names.
class CInGameMouse : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CInGameMouse";

    CInGameMouse();

    const char* GetClassName() const override { return CLASS_NAME; }

    // Following and drawn, centred on the screen, no texture, no driver.
    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;

    // Two floats, x and y; null changes nothing.
    void SetPosition(const float* position);
    const float* GetPosition() const { return m_Position; }
    void SetVisible(bool visible);
    bool IsVisible() const { return m_bDraw; }
    // A null texture keeps the current one and gives false.
    bool SetTexture(CTexture* texture, bool fullScreen);
    // The first texture of the list named exactly `name`; false when none is.
    bool SelectTexture(const char* name, bool fullScreen);
    bool SetCursor(const char* name);
    CTexture* GetTexture() const { return m_pTexture; }
    const std::vector<CTexture*>& GetTextures() const { return m_Textures; }
    bool IsFullScreen() const { return m_bFullScreen; }

    void SetDriver(CController* driver) { m_pDriver = driver; }
    CController* GetDriver() const { return m_pDriver; }
    void SetFollowing(bool follow) { m_bFollow = follow; }
    // Whether the Windows cursor is shown in the cursor's stead.
    bool IsWindowsCursorShown() const { return m_bWindowsCursorShown; }
    void SetWindowsCursorShown(bool shown) { m_bWindowsCursorShown = shown; }

    // Once per frame: moves by the driver's axis values 0 and 1 (mouse
    // counts) divided by the display's size in pixels. The first update
    // with a driver only starts the cursor, so nothing jumps at start-up.
    void Update();
    // The next update does not move the cursor (a dragged slider knob keeps it).
    void SkipNextMove() { m_bStarted = false; }
    // Hands over to the Windows cursor outside the screen (0 and 1 count as
    // outside) and back inside, and keeps the Windows cursor under this one.
    void ClampToScreen();
    // Draws the current texture centred on the position at its own size, or
    // stretched over the whole screen; nothing while hidden and following.
    void Draw();

private:
    bool m_bFollow;
    std::vector<CTexture*> m_Textures;
    bool m_bDraw;
    float m_Position[2];
    float m_DrawPosition[2];
    CTexture* m_pTexture;
    bool m_bStarted;
    bool m_bWindowsCursorShown;
    bool m_bFullScreen;
    CController* m_pDriver;
};

extern CInGameMouse g_InGameMouse;
