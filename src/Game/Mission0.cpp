#include "Game/Mission0.h"

#include <cmath>
#include <memory>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Display/Font2D.h"
#include "Display/TextEffect.h"
#include "Display/TextMaster.h"
#include "Game/HUD.h"
#include "Input/InputManager.h"

namespace {

const char* const KEYWORD_CAR = "Car";

const char* const TEXT_USE_THE = "Use the ";
const char* const TEXT_HURRY = "What are you doing hurry up. Use the ";
const char* const TEXT_GET_IN = " key to get in your car.";
const char* const TEXT_ON_FOOT = "What are you doing get back in the car";
const char* const TEXT_WRONG_CAR = "That is the wrong car";
const char* const TEXT_CAR_LOST = "Don't worry about that car we have more.";

const D3DCOLOR WHITE = 0xFFFFFFFF;
const D3DCOLOR FADED_WHITE = 0x00FFFFFF;
const float FADE_DELAY = 2.0f;
const float FADE_DURATION = 2.0f;
const float PROMPT_X = 0.1f;
const float PROMPT_Y = 0.05f;
const float WRAP_END = 0.8f;
const float MESSAGE_X = 0.2f;
const float MESSAGE_Y = 0.2f;

D3DXVECTOR3 PositionOfCar(const CCar& car)
{
    const D3DXMATRIX& world = car.m_Body.GetWorldMatrix();
    return D3DXVECTOR3(world._41, world._42, world._43);
}

} // namespace

CMission0::CMission0()
{
    auto fade = std::make_unique<CTextEffectFade>();
    fade->Setup(WHITE, FADED_WHITE, FADE_DELAY, FADE_DURATION);
    m_Message.AddEffect(std::move(fade));
}

bool CMission0::ParsePre(CDataBuffer& reader)
{
    if (!reader.Match(KEYWORD_CAR))
        return CCheckPointMission::ParsePre(reader);
    // Locked until the player reaches the start.
    m_pCar = PlaceLockedCar(reader);
    return true;
}

// A car wrecked since the last try is whole again for the next.
bool CMission0::CanStart()
{
    if (!CCheckPointMission::CanStart() || m_pCar == nullptr)
        return false;
    if (m_pCar->m_fHull < 0.0f) {
        m_pCar->ReleasePhysics();
        m_pCar->Repair();
        m_pCar->CreatePhysics();
    }
    m_pCar->m_bBurnt = false;
    return true;
}

int CMission0::Update()
{
    const float seconds = g_FrameTimer.GetFrameTime();
    if (!RunCinemaFrame() || GetPlayer() == nullptr || m_pCar == nullptr)
        return MISSION_RUNNING;
    m_fElapsedTime += seconds;
    if (!IsWon() && !IsFailed()) {
        if (m_bEntered)
            RunEntered(seconds);
        else
            RunBeforeEntering(seconds);
    }
    TestWin();
    // Once delivered the truck may burn: the run is won.
    if (!IsWon() && !IsFailed() && !m_pCar->m_bNotExploded)
        Fail();
    if (IsFailed())
        return RunEnding(MISSION_FAILED);
    if (IsWon())
        return RunEnding(MISSION_WON);
    if (m_iPromptState == PROMPT_ON_FOOT)
        DrawStepText(TEXT_ON_FOOT, MESSAGE_X, MESSAGE_Y, WHITE);
    else if (m_iPromptState == PROMPT_IN_OTHER_CAR)
        DrawStepText(TEXT_WRONG_CAR, MESSAGE_X, MESSAGE_Y, WHITE);
    return MISSION_RUNNING;
}

void CMission0::RunBeforeEntering(float seconds)
{
    if (GetPlayer()->m_pCar == m_pCar) {
        m_bEntered = true;
        m_iPromptState = PROMPT_IN_MISSION_CAR;
        ShowMessage("", MESSAGE_X, MESSAGE_Y);
        return;
    }
    m_iPromptState = PROMPT_IN_MISSION_CAR;
    ShowEnterPrompt();
    m_Message.UpdateEffects();
    BobArrowOverCar(seconds);
}

void CMission0::ShowEnterPrompt()
{
    if (m_fElapsedTime >= PROMPT_TIME) {
        if (m_HurryPrompt.empty())
            m_HurryPrompt = MakeKeyPrompt(TEXT_HURRY);
        DrawStepText(m_HurryPrompt.c_str(), PROMPT_X, PROMPT_Y, WHITE);
        return;
    }
    if (m_bPromptShown)
        return;
    m_bPromptShown = true;
    ShowMessage(MakeKeyPrompt(TEXT_USE_THE).c_str(), PROMPT_X, PROMPT_Y);
}

std::string CMission0::MakeKeyPrompt(const char* prefix) const
{
    std::string key;
    g_InputManager.GetBindingName(key, ENTER_EXIT_ACTION);
    std::string text = std::string(prefix) + key + TEXT_GET_IN;
    WordWrapString(text, g_TextMaster.GetFont(g_FontVerdana13), PROMPT_X, WRAP_END);
    return text;
}

void CMission0::BobArrowOverCar(float seconds)
{
    m_fArrowHeight += m_fArrowSpeed * seconds;
    if (m_fArrowHeight > ARROW_HIGH)
        m_fArrowSpeed = -std::fabs(m_fArrowSpeed);
    else if (m_fArrowHeight < ARROW_LOW)
        m_fArrowSpeed = std::fabs(m_fArrowSpeed);
    // Straight down: forward -y, right +z, up -x.
    const D3DXVECTOR3 at = PositionOfCar(*m_pCar) + D3DXVECTOR3(0.0f, m_fArrowHeight, 0.0f);
    D3DXMATRIX local(0, 0, 1, 0, -1, 0, 0, 0, 0, -1, 0, 0, at.x, at.y, at.z, 1);
    m_Pointer.SetLocalMatrix(local);
    m_Pointer.SetScale(ARROW_PULSE_MAX);
    m_Pointer.UpdateWorldMatrix();
}

void CMission0::RunEntered(float seconds)
{
    m_Message.UpdateEffects();
    if (CCheckPoint* current = GetCurrentCheckPoint(GetPlayer())) {
        g_HUD.AddMapMarker(current->GetPosition(), MARKER_COLOUR);
        current->m_Effect.Update(seconds);
    }
    PulseArrow(seconds);
    UpdatePromptState();
    TestDelivery();
    AimEnteredArrow();
}

void CMission0::PulseArrow(float seconds)
{
    m_fArrowScale += m_fArrowSpeed * seconds;
    if (m_fArrowScale > ARROW_PULSE_MAX) {
        m_fArrowScale = ARROW_PULSE_MAX;
        m_fArrowSpeed = -m_fArrowSpeed;
    } else if (m_fArrowScale < ARROW_PULSE_MIN) {
        m_fArrowScale = ARROW_PULSE_MIN;
        m_fArrowSpeed = -m_fArrowSpeed;
    }
}

void CMission0::UpdatePromptState()
{
    const CCar* car = GetPlayer()->m_pCar;
    if (car == m_pCar) {
        m_iPromptState = PROMPT_IN_MISSION_CAR;
        m_fArrowScale = ARROW_SCALE_IN_CAR;
        m_fArrowSpeed = 0.0f;
        return;
    }
    m_iPromptState = car != nullptr ? PROMPT_IN_OTHER_CAR : PROMPT_ON_FOOT;
    // Out of the mission car the arrow pulses again.
    if (m_fArrowSpeed == 0.0f) {
        m_fArrowScale = ARROW_SCALE_ON_FOOT;
        m_fArrowSpeed = ARROW_SPEED;
    }
}

D3DXVECTOR3 CMission0::GetTestPoint() const
{
    const CGameActor& player = *GetPlayer();
    return player.m_pCar != nullptr ? PositionOfCar(*player.m_pCar) : PositionOf(player);
}

// Only in the mission car; the depot counts only once the car has stopped,
// and then the controls are held until the run ends.
void CMission0::TestDelivery()
{
    CGameActor& player = *GetPlayer();
    const CCheckPoint* current = GetCurrentCheckPoint(&player);
    if (current == nullptr || m_iPromptState != PROMPT_IN_MISSION_CAR)
        return;
    const D3DXVECTOR3 offset = GetTestPoint() - current->GetPosition();
    if (D3DXVec3Length(&offset) >= current->m_fSize)
        return;
    const bool last = static_cast<size_t>(player.m_iCheckpoint) + 1 == m_CheckPoints.size();
    if (!last) {
        ++player.m_iCheckpoint;
        return;
    }
    if (std::fabs(m_pCar->GetForwardSpeed()) >= DELIVERY_SPEED)
        return;
    ++player.m_iCheckpoint;
    g_InputManager.PushContext(CInputManager::CONTEXT_HELD);
    m_bControlsHeld = true;
}

void CMission0::AimEnteredArrow()
{
    if (m_iPromptState == PROMPT_IN_MISSION_CAR) {
        if (GetCurrentCheckPoint(GetPlayer()) == nullptr)
            return;
        // Three times larger in the car, as in every run.
        AimArrowAtCurrent();
        return;
    }
    // Back to the car, from the player's eye.
    const D3DXVECTOR3 eye = PositionOf(*GetPlayer()) + D3DXVECTOR3(0.0f, ARROW_LIFT, 0.0f);
    AimArrow(eye, PositionOfCar(*m_pCar), m_fArrowScale);
}

void CMission0::ShowMessage(const char* text, float x, float y)
{
    m_Message.Setup(text, x, y, WHITE, &g_FontVerdana13, true);
    m_Message.ResetEffects();
}

void CMission0::Fail()
{
    m_u8Failed = 1;
    ShowMessage(TEXT_CAR_LOST, MESSAGE_X, MESSAGE_Y);
}

// Both endings wait for the message to fade.
int CMission0::RunEnding(int result)
{
    m_Message.UpdateEffects();
    if (result == MISSION_WON)
        PlayVictorySoundOnce();
    const CTextEffect* fade = m_Message.GetEffect(0);
    if (fade != nullptr && !fade->IsFinished())
        return MISSION_RUNNING;
    m_u8Finished = 1;
    ReleaseControls();
    return result;
}

void CMission0::ReleaseControls()
{
    if (!m_bControlsHeld)
        return;
    m_bControlsHeld = false;
    g_InputManager.PopContext();
}

void CMission0::Draw(ERenderPass pass)
{
    CCheckPoint* current = GetCurrentCheckPoint(GetPlayer());
    if (m_bEntered && current != nullptr) {
        current->m_Effect.Render();
        if (pass == RENDER_PASS_MAIN)
            current->m_Text.Draw();
    }
    if (pass == RENDER_PASS_MAIN)
        m_Message.Draw();
    if (m_bHasPointer)
        m_Pointer.AddToRender(false, false);
}

void CMission0::End()
{
    ReleaseControls();
    CCheckPointMission::End();
    m_pCar = nullptr;
    m_bEntered = false;
    m_bPromptShown = false;
    m_iPromptState = PROMPT_ON_FOOT;
    m_fArrowSpeed = ARROW_SPEED;
    m_fArrowScale = ARROW_PULSE_MAX;
    m_fArrowHeight = ARROW_LOW;
    m_HurryPrompt.clear();
}
