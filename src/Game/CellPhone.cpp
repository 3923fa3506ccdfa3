#include "Game/CellPhone.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Core/StepTrace.h"
#include "Display/Texture.h"

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

bool CCellPhone::Shutdown()
{
    m_bLoaded = false;
    m_bStarted = false;
    return CStdInterface::Shutdown();
}

void CCellPhone::Update()
{
    TraceStep("CCellPhone::Update");
}

void CCellPhone::Draw()
{
    TraceStep("CCellPhone::Draw");
}
