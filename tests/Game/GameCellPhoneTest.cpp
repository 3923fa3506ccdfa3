// The cell phone in the whole game on the shipped content, entered into play
// as New Game enters it and played with SDL keys on a steady 16 ms frame: C
// leaves the hidden phone hidden and H opens it; 5550100 and Return ring for
// the connecting time and the depot's dispatcher answers; Return pages,
// numpad 2 and Return answer, and the call hangs up to dialling; C makes the
// phone small and W walks the player again; H hides it; before 8:00 the same
// number finds no service.

#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Game.h"
#include "Game/CellPhone.h"
#include "Level/GameTimer.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/StagedPlay.h"
#include "support/SdlEvents.h"

namespace {

const uint32_t FRAME_MS = 16;
const int LAST_FRAME = 4000;
// A press as a hand makes it.
const int PRESS_FRAMES = 6;
const int SETTLE_FRAMES = 10;
const int WALK_FRAMES = 40;

struct Seen {
    int stateAfterC = -1;
    int stateAfterH = -1;
    int ringFrames = 0;
    bool rangWhileConnecting = true;
    bool ringingAfter = true;
    std::string firstLine;
    std::string answers;
    std::string lastLine;
    bool dialling = false;
    int stateAfterSmall = -1;
    float walked = 0.0f;
    int stateAfterHide = -1;
    std::string early;
    int lastStage = 0;
};

Seen s_Seen;

// Presses `key` and lets it go; true once the phone has seen it.
bool Press(SDL_Scancode key, int frame)
{
    if (frame == 0)
        PushKey(key, true);
    if (frame == PRESS_FRAMES)
        PushKey(key, false);
    return frame >= PRESS_FRAMES + SETTLE_FRAMES;
}

D3DXVECTOR3 PlayerPosition()
{
    const D3DXMATRIX& world = g_PlayerActor->m_Model.m_matWorld;
    return D3DXVECTOR3(world._41, world._42, world._43);
}

bool IsDialling()
{
    return g_CellPhone.GetKeyStep() == &CCellPhone::Dial && g_CellPhone.GetCallStep() == nullptr &&
           g_CellPhone.IsIdle();
}

const std::vector<PlayStage>& Stages()
{
    static const std::vector<SDL_Scancode> number = LineKeys("5550100");
    static D3DXVECTOR3 s_Start;
    static const std::vector<PlayStage> stages = {
        {100,
         [](int frame) {
             const bool over = Press(SDL_SCANCODE_C, frame);
             s_Seen.stateAfterC = g_CellPhone.GetDisplayState();
             return over;
         }},
        {100,
         [](int frame) {
             const bool over = Press(SDL_SCANCODE_H, frame);
             s_Seen.stateAfterH = g_CellPhone.GetDisplayState();
             return over;
         }},
        {100, [](int frame) { return TypeKeys(number, frame) && g_CellPhone.GetCallStep() == &CCellPhone::Connecting; }},
        {400,
         [](int) {
             if (g_CellPhone.GetCallStep() != &CCellPhone::Connecting) {
                 s_Seen.ringingAfter = g_CellPhone.IsRinging();
                 return true;
             }
             ++s_Seen.ringFrames;
             s_Seen.rangWhileConnecting = s_Seen.rangWhileConnecting && g_CellPhone.IsRinging();
             return false;
         }},
        {100,
         [](int) {
             s_Seen.firstLine = g_CellPhone.GetText();
             return g_CellPhone.GetKeyStep() == &CCellPhone::NextLine;
         }},
        {100,
         [](int frame) {
             const bool over = Press(SDL_SCANCODE_RETURN, frame);
             s_Seen.answers = g_CellPhone.GetText();
             return over;
         }},
        {100, [](int frame) { return Press(SDL_SCANCODE_KP_2, frame); }},
        {100,
         [](int frame) {
             const bool over = Press(SDL_SCANCODE_RETURN, frame);
             s_Seen.lastLine = g_CellPhone.GetText();
             return over && g_CellPhone.GetKeyStep() == &CCellPhone::NextLine;
         }},
        {100,
         [](int frame) {
             const bool over = Press(SDL_SCANCODE_RETURN, frame);
             s_Seen.dialling = IsDialling();
             return over;
         }},
        {100,
         [](int frame) {
             const bool over = Press(SDL_SCANCODE_C, frame);
             s_Seen.stateAfterSmall = g_CellPhone.GetDisplayState();
             s_Start = PlayerPosition();
             return over;
         }},
        {100,
         [](int frame) {
             if (frame == 0)
                 PushKey(SDL_SCANCODE_W, true);
             if (frame < WALK_FRAMES)
                 return false;
             PushKey(SDL_SCANCODE_W, false);
             const D3DXVECTOR3 moved = PlayerPosition() - s_Start;
             s_Seen.walked = D3DXVec3Length(&moved);
             return true;
         }},
        {100,
         [](int frame) {
             const bool over = Press(SDL_SCANCODE_H, frame);
             s_Seen.stateAfterHide = g_CellPhone.GetDisplayState();
             return over;
         }},
        {100,
         [](int frame) {
             // The console cannot type the colon of "SET TIME 6:00".
             if (frame == 0)
                 g_GameTimer.SetTime(6.0f * 60.0f);
             return Press(SDL_SCANCODE_H, frame);
         }},
        {100,
         [](int frame) {
             const bool over = TypeKeys(number, frame);
             s_Seen.early = g_CellPhone.GetText();
             return over && frame > static_cast<int>(number.size()) * FRAMES_PER_KEY + SETTLE_FRAMES;
         }},
    };
    return stages;
}

TEST(GameCellPhoneTest, ThePlayerDialsTheDepotTalksHangsUpAndWalksOn)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    EXPECT_EQ(0, RunGameInPlay(StagedPlay(Stages(), FRAME_MS, LAST_FRAME, s_Seen.lastStage)));
    ASSERT_EQ(static_cast<int>(Stages().size()), s_Seen.lastStage) << "every stage ran to its end";

    EXPECT_EQ(CCellPhone::DISPLAY_HIDDEN, s_Seen.stateAfterC);
    EXPECT_EQ(CCellPhone::DISPLAY_OPEN, s_Seen.stateAfterH);
    // 2.5 seconds of 16 ms frames.
    EXPECT_NEAR(157, s_Seen.ringFrames, 1);
    EXPECT_TRUE(s_Seen.rangWhileConnecting);
    EXPECT_FALSE(s_Seen.ringingAfter);
    EXPECT_EQ("Depot.\nNeed\nwork?", s_Seen.firstLine);
    EXPECT_EQ("Yes.\nNo.\n", s_Seen.answers);
    EXPECT_EQ("Then\nhang\nup.", s_Seen.lastLine) << "numpad 2 chose No.";
    EXPECT_TRUE(s_Seen.dialling);
    EXPECT_EQ(CCellPhone::DISPLAY_SMALL, s_Seen.stateAfterSmall);
    EXPECT_GT(s_Seen.walked, 0.5f) << "the player has the keys back";
    EXPECT_EQ(CCellPhone::DISPLAY_HIDDEN, s_Seen.stateAfterHide);
    EXPECT_EQ("No Service...", s_Seen.early);
}

} // namespace
