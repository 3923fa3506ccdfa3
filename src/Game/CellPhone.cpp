#include "Game/CellPhone.h"

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Core/StepTrace.h"
#include "Display/Display.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/Conversation.h"
#include "Input/Controller.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Sound/Sound.h"

namespace {

const char* const KEYWORD_NAME = "Name";
const char* const KEYWORD_BACK_TEXTURE = "Back_Texture";
const char* const KEYWORD_BUTTON_TEXTURE = "Button_Texture";
const char* const KEYWORD_STATE_NUM = "StateNum";
const char* const KEYWORD_STATE_NAME = "StateName";
const char* const KEYWORD_TRANSLATION = "Translation";
const char* const KEYWORD_SCALE = "Scale";
const char* const KEYWORD_TEXT_OFFSET = "TextOffSet";
const char* const KEYWORD_RING_SOUND = "RingSound";
const char* const KEYWORD_CONNECTING_TIME = "ConnectingTime";

const char* const ACTION_HIDE = "Hide_Cell";
const char* const ACTION_MIN_MAX = "MinMax_Cell";
const char* const ACTION_ENTER = "Cell_Enter";
const char* const ACTION_UP = "Cell_Enter_1";
const char* const ACTION_DOWN = "Cell_Enter_2";

const char* const NO_SERVICE = "No Service...";
// What the phone's keys may type (73): the keypad's digits, the character
// keys and deletion.
const uint8_t TEXT_ENTRY_FLAGS =
    CInputManager::TEXT_KEYPAD_DIGITS | CInputManager::TEXT_CHARACTERS | CInputManager::TEXT_DELETION;
const int32_t MAX_NUMBER_LENGTH = 16;
const D3DCOLOR WHITE = 0xFFFFFFFF;
const D3DCOLOR TEXT_COLOUR = 0xFF008000;
const int32_t ALL_CHARACTERS = -1;
const bool QUEUED = false;

// A missing texture is fatal in the asset manager.
const CTexture* RequiredTexture(const std::string& name)
{
    CTexture* texture = nullptr;
    g_AssetManager.GetAsset(name, texture, true);
    return texture;
}

} // namespace

bool CCellPhone::Load(const char* fileName)
{
    if (fileName == nullptr || m_bLoaded)
        return false;
    CScriptFile reader(fileName);
    while (!reader.IsEndOfBuffer()) {
        const bool known = ReadWord(reader, fileName);
        const bool stateWord = ReadStateWords(reader);
        // A word the phone does not know is passed over.
        if (!known && !stateWord)
            reader.NextToken();
    }
    FindActions();
    m_DisplayState = DISPLAY_HIDDEN;
    m_bLoaded = true;
    m_bStarted = true;
    return true;
}

bool CCellPhone::ReadWord(CDataBuffer& reader, const std::string& fileName)
{
    if (reader.Match(KEYWORD_NAME)) {
        reader.GetString();
    } else if (reader.Match(KEYWORD_BACK_TEXTURE)) {
        m_pBackTexture = RequiredTexture(reader.GetString());
    } else if (reader.Match(KEYWORD_BUTTON_TEXTURE)) {
        m_pButtonTexture = RequiredTexture(reader.GetString());
    } else if (reader.Match(KEYWORD_STATE_NUM)) {
        const int32_t state = reader.GetInteger();
        const bool valid = state >= 0 && state < DISPLAY_STATE_COUNT;
        if (!valid)
            g_Log.Write(fileName + ": no display state " + std::to_string(state) + ", its words are passed over");
        m_pSelectedState = valid ? &m_States[state] : nullptr;
    } else if (reader.Match(KEYWORD_TEXT_OFFSET)) {
        m_vTextOffset = reader.GetVector2();
    } else if (reader.Match(KEYWORD_RING_SOUND)) {
        SFX3D* sound = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), sound, true);
        m_RingSound = *sound;
    } else if (reader.Match(KEYWORD_CONNECTING_TIME)) {
        m_fConnectingTime = reader.GetFloat();
    } else {
        return false;
    }
    return true;
}

bool CCellPhone::ReadStateWords(CDataBuffer& reader)
{
    // Words for a display state that does not exist are read into this.
    CellPhoneState ignored;
    CellPhoneState& state = m_pSelectedState != nullptr ? *m_pSelectedState : ignored;
    bool known = false;
    if (reader.Match(KEYWORD_STATE_NAME)) {
        state.m_StateName = reader.GetString();
        known = true;
    }
    if (reader.Match(KEYWORD_TRANSLATION)) {
        state.m_vTranslation = reader.GetVector2();
        known = true;
    }
    if (reader.Match(KEYWORD_SCALE)) {
        state.m_vScale = reader.GetVector2();
        known = true;
    }
    return known;
}

void CCellPhone::FindActions()
{
    m_HideAction = g_InputManager.FindAction(ACTION_HIDE, CInputManager::BUTTON_ACTION);
    m_MinMaxAction = g_InputManager.FindAction(ACTION_MIN_MAX, CInputManager::BUTTON_ACTION);
    m_EnterAction = g_InputManager.FindAction(ACTION_ENTER, CInputManager::BUTTON_ACTION);
    m_UpAction = g_InputManager.FindAction(ACTION_UP, CInputManager::BUTTON_ACTION);
    m_DownAction = g_InputManager.FindAction(ACTION_DOWN, CInputManager::BUTTON_ACTION);
}

bool CCellPhone::Shutdown()
{
    StopRing();
    CloseVoice();
    if (m_DisplayState == DISPLAY_OPEN)
        Close(DISPLAY_HIDDEN);
    m_bLoaded = false;
    m_bStarted = false;
    return CStdInterface::Shutdown();
}

void CCellPhone::Update()
{
    TraceStep("CCellPhone::Update");
    m_fRingTimer -= g_FrameTimer.GetFrameTime();
    if (m_pCallStep != nullptr)
        (this->*m_pCallStep)();
    if (m_pController == nullptr)
        return;
    ReadKeys();
    if (m_DisplayState == DISPLAY_OPEN && m_pKeyStep != nullptr)
        (this->*m_pKeyStep)();
}

bool CCellPhone::Released(int action) const
{
    return action >= 0 && m_pController != nullptr && IsActionReleased(m_pController->GetActionCounters(), action);
}

void CCellPhone::ReadKeys()
{
    if (Released(m_HideAction)) {
        if (m_DisplayState == DISPLAY_HIDDEN) {
            Open();
            // A phone shown again mid-call keeps its call's step.
            if (m_bIdle)
                m_pKeyStep = &CCellPhone::Dial;
        } else {
            Close(DISPLAY_HIDDEN);
        }
        return;
    }
    if (!Released(m_MinMaxAction))
        return;
    if (m_DisplayState == DISPLAY_OPEN) {
        Close(DISPLAY_SMALL);
    } else if (m_DisplayState == DISPLAY_SMALL) {
        Open();
        // Opening the small phone gives up the call; its ring with it.
        StopRing();
        m_pCallStep = nullptr;
        m_pKeyStep = &CCellPhone::Dial;
    }
}

void CCellPhone::Open()
{
    m_DisplayState = DISPLAY_OPEN;
    if (m_bTextEntryBegun)
        return;
    g_InputManager.BeginTextEntry(TEXT_ENTRY_FLAGS);
    m_bTextEntryBegun = true;
}

void CCellPhone::Close(int displayState)
{
    m_DisplayState = displayState;
    if (!m_bTextEntryBegun)
        return;
    m_bTextEntryBegun = false;
    // A menu pushed over the open phone keeps its own context.
    if (g_InputManager.GetCurrentContext() == CInputManager::CONTEXT_TEXT)
        g_InputManager.EndTextEntry();
}

bool CCellPhone::LookUpNumber(const std::string& number)
{
    if (m_DirectoryResult.m_pConversation != nullptr)
        m_DirectoryResult.m_pConversation->ApplyChangeState();
    m_DirectoryResult = CDirectoryResult();
    if (g_pLevel == nullptr)
        return false;
    if (!g_pLevel->GetPhoneDirectory().Lookup(number, g_GameTimer.GetTimeOfDay(), m_DirectoryResult))
        return false;
    m_bIdle = false;
    m_LineIndex = 0;
    m_pCallStep = &CCellPhone::Connecting;
    m_pKeyStep = nullptr;
    m_fRingTimer = m_fConnectingTime;
    return true;
}

void CCellPhone::Dial()
{
    g_InputManager.ApplyTypedText(m_Text, m_Cursor, MAX_NUMBER_LENGTH);
    if (!Released(m_EnterAction))
        return;
    // A new call silences what is left of the last one.
    StopRing();
    CloseVoice();
    if (!LookUpNumber(m_Text))
        m_Text = NO_SERVICE;
}

void CCellPhone::Connecting()
{
    if (!m_bRinging) {
        m_RingSound.Play();
        m_bRinging = true;
    }
    if (m_fRingTimer > 0.0f)
        return;
    StopRing();
    m_pCallStep = &CCellPhone::Talk;
    m_pKeyStep = nullptr;
}

void CCellPhone::Talk()
{
    if (!m_bVoiceDone)
        return;
    if (CConversation* conversation = m_DirectoryResult.m_pConversation) {
        m_pCurrentEntry = nullptr;
        m_Text = conversation->GetOutputText(m_LineIndex, &m_pCurrentEntry);
        PlayVoice(m_pCurrentEntry);
    }
    m_pCallStep = nullptr;
    m_pKeyStep = &CCellPhone::NextLine;
}

void CCellPhone::NextLine()
{
    if (!Released(m_EnterAction))
        return;
    CloseVoice();
    ++m_LineIndex;
    m_bVoiceDone = true;
    m_pKeyStep = nullptr;
    const CConversation* conversation = m_DirectoryResult.m_pConversation;
    const bool moreLines = conversation != nullptr && m_LineIndex < conversation->GetOutputCount();
    m_pCallStep = moreLines ? &CCellPhone::Talk : &CCellPhone::ShowAnswers;
}

void CCellPhone::ShowAnswers()
{
    const CConversation* conversation = m_DirectoryResult.m_pConversation;
    const uint32_t count = conversation != nullptr ? conversation->GetInputCount() : 0;
    if (count == 0) {
        m_pCallStep = &CCellPhone::HangUp;
        m_LineIndex = 0;
        m_pKeyStep = nullptr;
        return;
    }
    m_Text.clear();
    for (uint32_t answer = 0; answer < count; ++answer)
        m_Text += std::string(conversation->GetInputText(answer)) + "\n";
    m_pCallStep = nullptr;
    m_pKeyStep = &CCellPhone::ChooseAnswer;
    m_LineIndex = 0;
    if (count == 1) {
        m_pCurrentEntry = nullptr;
        conversation->GetInputText(0, &m_pCurrentEntry);
        PlayVoice(m_pCurrentEntry);
    }
}

void CCellPhone::ChooseAnswer()
{
    CConversation* conversation = m_DirectoryResult.m_pConversation;
    const uint32_t count = conversation != nullptr ? conversation->GetInputCount() : 0;
    if (Released(m_EnterAction)) {
        if (count > 1) {
            m_pCurrentEntry = nullptr;
            conversation->GetInputText(m_LineIndex, &m_pCurrentEntry);
            PlayVoice(m_pCurrentEntry);
        }
        if (conversation != nullptr)
            conversation->ChooseInput(m_LineIndex);
        m_pCallStep = &CCellPhone::Talk;
        m_pKeyStep = nullptr;
        m_LineIndex = 0;
    } else if (Released(m_UpAction)) {
        if (m_LineIndex > 0)
            --m_LineIndex;
    } else if (Released(m_DownAction)) {
        if (m_LineIndex + 1 < count)
            ++m_LineIndex;
    }
}

void CCellPhone::HangUp()
{
    StopRing();
    CloseVoice();
    m_Text.clear();
    m_Cursor = 0;
    g_InputManager.ClearTypedText();
    m_pCallStep = nullptr;
    m_pKeyStep = &CCellPhone::Dial;
    m_bIdle = true;
}

void CCellPhone::PlayVoice(const StringTableEntry* entry)
{
    if (entry == nullptr || entry->m_Sound.empty())
        return;
    CloseVoice();
    m_pVoice = g_Sound.PlayStream(entry->m_Sound.c_str(), &CCellPhone::VoiceEnded, this);
    if (m_pVoice != nullptr)
        m_bVoiceDone = false;
}

void CCellPhone::CloseVoice()
{
    if (m_pVoice == nullptr)
        return;
    g_Sound.CloseStream(m_pVoice);
    m_pVoice = nullptr;
    m_bVoiceDone = true;
}

void CCellPhone::StopRing()
{
    if (!m_bRinging)
        return;
    m_RingSound.Stop();
    m_bRinging = false;
}

signed char CCellPhone::VoiceEnded(FSOUND_STREAM*, void*, int, void* userData)
{
    static_cast<CCellPhone*>(userData)->m_bVoiceDone = true;
    return TRUE;
}

void CCellPhone::Draw()
{
    TraceStep("CCellPhone::Draw");
    if (m_DisplayState == DISPLAY_HIDDEN || m_pBackTexture == nullptr)
        return;
    const CellPhoneState& state = m_States[m_DisplayState];
    DrawSprite(m_pBackTexture->GetTexture(), state.m_vTranslation, state.m_vScale, nullptr, 0.0f, nullptr, WHITE);
    if (m_DisplayState != DISPLAY_OPEN || m_Text.empty())
        return;
    const D3DXVECTOR2 position = m_vTextOffset + m_States[DISPLAY_OPEN].m_vTranslation;
    g_TextMaster.TextOut(m_Text.c_str(), position.x, position.y, TEXT_COLOUR, &g_FontVerdana13, ALL_CHARACTERS,
                         QUEUED);
}
