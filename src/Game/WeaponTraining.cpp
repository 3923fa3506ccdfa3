#include "Game/WeaponTraining.h"

#include <memory>

#include "Core/Clock.h"
#include "Display/Font2D.h"
#include "Display/TextEffect.h"
#include "Level/Level.h"

namespace {

const char* const KEYWORD_WEAPON = "Weapon";
const char* const KEYWORD_START_TEXT = "MissionStartText";
const char* const KEYWORD_PROGRESS_TEXT = "MissionProgressText";
const char* const TEXT_WIN = "You Win!!";

const D3DCOLOR WHITE = 0xFFFFFFFF;
const D3DCOLOR FADED_WHITE = 0x00FFFFFF;
const float FADE_DELAY = 2.0f;
const float FADE_DURATION = 2.0f;

} // namespace

CMissionWeaponTraining::CMissionWeaponTraining()
{
    auto fade = std::make_unique<CTextEffectFade>();
    fade->Setup(WHITE, FADED_WHITE, FADE_DELAY, FADE_DURATION);
    m_Message.AddEffect(std::move(fade));
    m_Message.SetFont(&g_FontVerdana13);
}

// The weapon lies in the level's list from the moment the mission is made.
bool CMissionWeaponTraining::ParsePre(CDataBuffer& reader)
{
    if (g_pLevel != nullptr && reader.Match(KEYWORD_WEAPON)) {
        PlaceWeapon(reader);
        return true;
    }
    return CMission::ParsePre(reader);
}

bool CMissionWeaponTraining::Parse(CDataBuffer& reader)
{
    if (CMission::Parse(reader))
        return true;
    if (reader.Match(KEYWORD_START_TEXT))
        m_StartText = reader.GetString();
    else if (reader.Match(KEYWORD_PROGRESS_TEXT))
        m_ProgressText = reader.GetString();
    else
        return false;
    return true;
}

int CMissionWeaponTraining::CountIntactTargets() const
{
    int intact = 0;
    for (const CLevelObject* target : m_SpawnedObjects)
        intact += target->m_fHull > 0.0f ? 1 : 0;
    return intact;
}

int CMissionWeaponTraining::Update()
{
    if (!RunStartCinema())
        return MISSION_RUNNING;
    m_fElapsedTime += g_FrameTimer.GetFrameTime();
    const int intact = CountIntactTargets();
    if (!IsWon() && intact == 0) {
        m_u8Won = 1;
        PlayVictorySoundOnce();
        ShowMessage(TEXT_WIN);
    }
    if (IsWon())
        return RunWon();
    if (intact != m_iLastCount)
        ShowProgress(intact);
    m_Message.UpdateEffects();
    return MISSION_RUNNING;
}

void CMissionWeaponTraining::ShowProgress(int intact)
{
    m_iLastCount = intact;
    if (intact < static_cast<int>(m_SpawnedObjects.size()))
        ShowMessage(std::to_string(intact) + m_ProgressText);
    else if (!m_Message.IsVisible())
        ShowMessage(m_StartText);
}

// Reported once "You Win!!" has faded.
int CMissionWeaponTraining::RunWon()
{
    m_Message.UpdateEffects();
    const CTextEffect* fade = m_Message.GetEffect(0);
    if (fade != nullptr && !fade->IsFinished())
        return MISSION_RUNNING;
    m_u8Finished = 1;
    return MISSION_WON;
}

void CMissionWeaponTraining::ShowMessage(const std::string& text)
{
    m_Message.Setup(text.c_str(), MESSAGE_X, MESSAGE_Y, WHITE, &g_FontVerdana13, true);
    m_Message.ResetEffects();
}

void CMissionWeaponTraining::Draw(ERenderPass pass)
{
    if (pass == RENDER_PASS_MAIN)
        m_Message.Draw();
}
