#pragma once
// The player's cell phone, drawn as a sprite in a corner of the screen. Its
// look comes from "Scripts\CellPhone.txt" (keywords ignore case, any order):
//   Name            text             read, not kept
//   Back_Texture    texture name     the phone's picture
//   Button_Texture  texture name
//   StateNum        0, 1 or 2        which display state the next words set:
//                                    0 small, 1 open, 2 hidden
//   StateName name, Translation x y, Scale x y   that state's look; the
//                                    translation in fractions of the screen
//   TextOffSet      x y              the text area, from the open state's corner
//   RingSound       sound effect     played while a call connects
//   ConnectingTime  seconds          how long it rings
// Until the phone is built it neither rings nor draws; the level calls it
// every frame after the world has moved.

#include <cstdint>
#include <string>

#include "Core/StdInterface.h"
#include "Sound/SFX3D.h"
#include "platform/d3dx8/D3DX8Math.h"

class CController;
class CDataBuffer;
class CTexture;

// One display state of the phone's sprite.
struct CellPhoneState {
    std::string m_StateName;
    D3DXVECTOR2 m_vTranslation = D3DXVECTOR2(0.0f, 0.0f);
    D3DXVECTOR2 m_vScale = D3DXVECTOR2(0.0f, 0.0f);
};

class CCellPhone : public CStdInterface {
public:
    enum DisplayState {
        DISPLAY_SMALL = 0,
        DISPLAY_OPEN = 1,
        DISPLAY_HIDDEN = 2,
        DISPLAY_STATE_COUNT = 3,
    };

    // Reads the phone's look once; false for a null name or when it is
    // already loaded. A file that cannot be read is fatal ("Unable to
    // initialize data buffer"), as is a texture or sound it names that does
    // not exist. The phone is then hidden.
    bool Load(const char* fileName);
    // Clears the loaded and started flags; the look is kept.
    bool Shutdown() override;
    void Update();
    void Draw();

    bool IsLoaded() const { return m_bLoaded; }
    int GetDisplayState() const { return m_DisplayState; }
    const CellPhoneState& GetState(int displayState) const { return m_States[displayState]; }
    const CTexture* GetBackTexture() const { return m_pBackTexture; }
    const CTexture* GetButtonTexture() const { return m_pButtonTexture; }
    const D3DXVECTOR2& GetTextOffset() const { return m_vTextOffset; }
    const SFX3D& GetRingSound() const { return m_RingSound; }
    float GetConnectingTime() const { return m_fConnectingTime; }

    // Observer: the driver whose keys dial; start-up sets it.
    CController* m_pController = nullptr;

private:
    bool ReadWord(CDataBuffer& reader, const std::string& fileName);
    // The state words, tried after every other word, each at most once.
    bool ReadStateWords(CDataBuffer& reader);

    bool m_bLoaded = false;
    bool m_bStarted = false;
    CellPhoneState m_States[DISPLAY_STATE_COUNT];
    int m_DisplayState = DISPLAY_HIDDEN;
    // The state the state words set; none while a bad number is selected.
    CellPhoneState* m_pSelectedState = &m_States[DISPLAY_SMALL];
    // Observers: the textures are assets.
    const CTexture* m_pBackTexture = nullptr;
    const CTexture* m_pButtonTexture = nullptr;
    D3DXVECTOR2 m_vTextOffset = D3DXVECTOR2(0.0f, 0.0f);
    SFX3D m_RingSound;
    float m_fConnectingTime = 0.0f;
};

extern CCellPhone g_CellPhone;
