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
// The level updates it every frame after the world has moved and draws it
// over the scene. Hide_Cell shows and hides it, MinMax_Cell makes it small or
// open; only the open phone reads keys (numbers typed, Cell_Enter to dial or
// go on, Cell_Enter_1/2 to pick an answer), while a call goes on in any state.

#include <cstdint>
#include <string>

#include "Core/StdInterface.h"
#include "Game/PhoneDirectory.h"
#include "Sound/SFX3D.h"
#include "platform/fsound/FSound.h"
#include "platform/d3dx8/D3DX8Math.h"

class CController;
class CDataBuffer;
class CTexture;
struct StringTableEntry;

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
    // Stops the ring and the voice and ends the phone's text entry while the
    // sound and the input still run, then clears the loaded and started
    // flags; the look is kept.
    bool Shutdown() override;
    // Counts the ring down, runs the call step, then reads the keys.
    void Update();
    void Draw();
    // Ends the previous call's conversation and asks the level's directory
    // for `number` at the time of day. False when there is no level or the
    // number has no conversation now; otherwise the call starts connecting.
    bool LookUpNumber(const std::string& number);

    // The steps of a call. A call step runs every update; a key step only
    // while the phone is open.
    typedef void (CCellPhone::*Step)();
    void Dial();
    void Connecting();
    void Talk();
    void NextLine();
    void ShowAnswers();
    void ChooseAnswer();
    void HangUp();

    bool IsLoaded() const { return m_bLoaded; }
    int GetDisplayState() const { return m_DisplayState; }
    const CellPhoneState& GetState(int displayState) const { return m_States[displayState]; }
    const CTexture* GetBackTexture() const { return m_pBackTexture; }
    const CTexture* GetButtonTexture() const { return m_pButtonTexture; }
    const D3DXVECTOR2& GetTextOffset() const { return m_vTextOffset; }
    const SFX3D& GetRingSound() const { return m_RingSound; }
    float GetConnectingTime() const { return m_fConnectingTime; }
    Step GetCallStep() const { return m_pCallStep; }
    Step GetKeyStep() const { return m_pKeyStep; }
    const std::string& GetText() const { return m_Text; }
    const CDirectoryResult& GetDirectoryResult() const { return m_DirectoryResult; }
    uint32_t GetLineIndex() const { return m_LineIndex; }
    float GetRingTimer() const { return m_fRingTimer; }
    bool IsRinging() const { return m_bRinging; }
    FSOUND_STREAM* GetVoice() const { return m_pVoice; }
    bool IsVoiceDone() const { return m_bVoiceDone; }
    const StringTableEntry* GetCurrentEntry() const { return m_pCurrentEntry; }
    bool IsIdle() const { return m_bIdle; }

    // Observer: the driver whose keys dial; start-up sets it.
    CController* m_pController = nullptr;

private:
    bool ReadWord(CDataBuffer& reader, const std::string& fileName);
    // The state words, tried after every other word, each at most once.
    bool ReadStateWords(CDataBuffer& reader);
    void FindActions();
    bool Released(int action) const;
    void ReadKeys();
    void Open();
    void Close(int displayState);
    // Plays the entry's voice file, if it has one, in place of the last.
    void PlayVoice(const StringTableEntry* entry);
    void CloseVoice();
    void StopRing();
    static signed char VoiceEnded(FSOUND_STREAM* stream, void* buffer, int length, void* userData);

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

    Step m_pCallStep = nullptr;
    Step m_pKeyStep = nullptr;
    std::string m_Text;
    int32_t m_Cursor = 0;
    CDirectoryResult m_DirectoryResult;
    // The partner line shown; the selected answer while answers are shown.
    uint32_t m_LineIndex = 0;
    float m_fRingTimer = 0.0f;
    bool m_bRinging = false;
    // Owned: closed when the next line starts, at hang-up and at Shutdown.
    FSOUND_STREAM* m_pVoice = nullptr;
    bool m_bVoiceDone = true;
    // Observer into the conversation's string table.
    const StringTableEntry* m_pCurrentEntry = nullptr;
    bool m_bIdle = true;
    // The text context on the input stack is the phone's own.
    bool m_bTextEntryBegun = false;

    // The input manager's action numbers, found at Load; -1 when unbound.
    int m_HideAction = -1;
    int m_MinMaxAction = -1;
    int m_EnterAction = -1;
    int m_UpAction = -1;
    int m_DownAction = -1;
};

extern CCellPhone g_CellPhone;
