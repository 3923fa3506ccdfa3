// The conversation window in the whole game on the shipped content, entered
// into play as New Game enters it and played with SDL keys on a steady 16 ms
// frame: the guide's greeting shows with its voice, Return pages, Down and
// Return answer, the talk ends and the window hides; started again, the
// talk goes on at the guide's next stop.

#include <functional>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Display/Display.h"
#include "Display/Texture.h"
#include "Game/Conversation.h"
#include "Game/HUD.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/StagedPlay.h"

namespace {

const uint32_t FRAME_MS = 16;
const int LAST_FRAME = 3000;
// A key is held this many frames, then up as long.
const int PRESS_FRAMES = 6;
const int WATCHED_FRAMES = 5;
const char* const GUIDE = "Scripts/Mission/Intro_Conv0.txt";

struct Seen {
    std::string firstLine;
    bool firstVoice = false;
    bool answersShown = false;
    std::string answerBranch;
    std::string answerLine;
    bool ended = false;
    int panelsAfterEnd = -1;
    std::string nextBranch;
};

Seen s_Seen;
int s_Panels = 0;

CConversationWindow& Window()
{
    return g_HUD.m_ConversationWindow;
}

void CountPanel(const SpriteDraw& draw)
{
    const CTexture* back = Window().m_OutputWindow.m_pTexture;
    if (back != nullptr && draw.m_pTexture == back->GetTexture())
        ++s_Panels;
}

// Presses `key` at the start of each round of 2 x PRESS_FRAMES frames.
void Tap(SDL_Scancode key, int frame)
{
    if (frame % (2 * PRESS_FRAMES) == 0)
        PushKey(key, true);
    if (frame % (2 * PRESS_FRAMES) == PRESS_FRAMES)
        PushKey(key, false);
}

std::string Branch()
{
    const CConversation* talk = Window().m_pConversation;
    return talk != nullptr && talk->GetCurrentBranch() != nullptr ? talk->GetCurrentBranch()->m_Name : "";
}

const std::vector<PlayStage>& Stages()
{
    static const std::vector<PlayStage> stages = {
        {WATCHED_FRAMES,
         [](int frame) {
             if (frame == 0)
                 Window().StartConversation(GUIDE, false);
             s_Seen.firstLine = Window().m_OutputWindow.m_SlotTexts[0].GetString();
             s_Seen.firstVoice = s_Seen.firstVoice || Window().m_pVoice != nullptr;
             return frame >= WATCHED_FRAMES - 1;
         }},
        // Return pages (a first press may only cut the voice) until the answers show.
        {600,
         [](int frame) {
             Tap(SDL_SCANCODE_RETURN, frame);
             s_Seen.answersShown = Window().m_InputWindow.m_bShown != 0;
             return s_Seen.answersShown && frame % (2 * PRESS_FRAMES) == 2 * PRESS_FRAMES - 1;
         }},
        {2 * PRESS_FRAMES, [](int frame) {
             Tap(SDL_SCANCODE_DOWN, frame);
             return false;
         }},
        {600,
         [](int frame) {
             Tap(SDL_SCANCODE_RETURN, frame);
             s_Seen.answerBranch = Branch();
             s_Seen.answerLine = Window().m_OutputWindow.m_SlotTexts[0].GetString();
             return frame > PRESS_FRAMES && s_Seen.answerBranch != "Greeting";
         }},
        // Return until the talk ends, then a few frames with no window.
        {1200,
         [](int frame) {
             if (Window().m_pConversation != nullptr) {
                 Tap(SDL_SCANCODE_RETURN, frame);
                 s_Panels = 0;
                 return false;
             }
             s_Seen.ended = true;
             s_Seen.panelsAfterEnd = s_Panels;
             return frame % (2 * PRESS_FRAMES) >= PRESS_FRAMES + WATCHED_FRAMES;
         }},
        {WATCHED_FRAMES,
         [](int frame) {
             if (frame == 0)
                 Window().StartConversation(GUIDE, false);
             s_Seen.nextBranch = Branch();
             return frame >= WATCHED_FRAMES - 1;
         }},
    };
    return stages;
}

TEST(GameConversationWindowTest, TheGuidePagesAnswersEndsAndGoesOnAtTheNextStop)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    SetSpriteDrawObserver(CountPanel);
    int stagesEnded = 0;
    EXPECT_EQ(0, RunGameInPlay(StagedPlay(Stages(), FRAME_MS, LAST_FRAME, stagesEnded)));
    SetSpriteDrawObserver(nullptr);
    ASSERT_EQ(static_cast<int>(Stages().size()), stagesEnded) << "every stage ran to its end";

    // The lines are cut to the panel's width: the first slot starts the line.
    EXPECT_EQ(0u, s_Seen.firstLine.rfind("Hey, you made it.", 0)) << s_Seen.firstLine;
    EXPECT_TRUE(s_Seen.firstVoice);
    EXPECT_TRUE(s_Seen.answersShown);
    EXPECT_EQ("Who", s_Seen.answerBranch) << "Down chose the second answer";
    EXPECT_EQ(0u, s_Seen.answerLine.rfind("Just someone", 0)) << s_Seen.answerLine;
    EXPECT_TRUE(s_Seen.ended);
    EXPECT_EQ(0, s_Seen.panelsAfterEnd) << "the window hides";
    EXPECT_EQ("StartArea", s_Seen.nextBranch);
}

} // namespace
