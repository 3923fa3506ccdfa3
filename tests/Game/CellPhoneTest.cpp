#include "Game/CellPhone.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/Display.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/Conversation.h"
#include "Game/ScriptFolderFixture.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Sound/RecordingFSound.h"
#include "support/FatalTrap.h"
#include "support/ScriptedController.h"
#include "support/SteadyFrames.h"

namespace {

const char* const PHONE_SCRIPT = "Scripts/CellPhone.txt";

// The textures "Back" and "Button" and the sound "Ring" filed.
class CellPhoneTest : public ScriptFolderFixture {
protected:
    CellPhoneTest()
    {
        File(new CTexture(), "Back");
        File(new CTexture(), "Button");
        File(new SFX3D(), "Ring");
    }
};

// Words in any order and any case; the state words set the state selected
// last; a word the phone does not know is passed over.
TEST_F(CellPhoneTest, LoadReadsTheLookOfEachDisplayStateAndHidesThePhone)
{
    m_Dir.Write(PHONE_SCRIPT, "Name \"Player's phone\"\n"
                              "StateNum 1 StateName Open Translation 0.8 0.6 Scale 1 1\n"
                              "back_texture Back\nButton_Texture Button\nVibrate 3\n"
                              "StateNum 0 scale 0.5 0.25 statename Small translation 0.9 0.8\n"
                              "RingSound Ring\nConnectingTime 2.5\nTextOffSet 0.0125 0.0167\n");
    CCellPhone phone;
    ASSERT_TRUE(phone.Load(PHONE_SCRIPT));
    EXPECT_TRUE(phone.IsLoaded());
    EXPECT_EQ(CCellPhone::DISPLAY_HIDDEN, phone.GetDisplayState());

    const CellPhoneState& small = phone.GetState(CCellPhone::DISPLAY_SMALL);
    EXPECT_EQ("Small", small.m_StateName);
    EXPECT_EQ(D3DXVECTOR2(0.9f, 0.8f), small.m_vTranslation);
    EXPECT_EQ(D3DXVECTOR2(0.5f, 0.25f), small.m_vScale);
    const CellPhoneState& open = phone.GetState(CCellPhone::DISPLAY_OPEN);
    EXPECT_EQ("Open", open.m_StateName);
    EXPECT_EQ(D3DXVECTOR2(0.8f, 0.6f), open.m_vTranslation);
    EXPECT_EQ(D3DXVECTOR2(1.0f, 1.0f), open.m_vScale);
    EXPECT_EQ("", phone.GetState(CCellPhone::DISPLAY_HIDDEN).m_StateName);

    EXPECT_EQ(Filed<CTexture>("Back"), phone.GetBackTexture());
    EXPECT_EQ(Filed<CTexture>("Button"), phone.GetButtonTexture());
    EXPECT_EQ("Ring", phone.GetRingSound().GetName()) << "a copy of the sound effect";
    EXPECT_FLOAT_EQ(2.5f, phone.GetConnectingTime());
    EXPECT_EQ(D3DXVECTOR2(0.0125f, 0.0167f), phone.GetTextOffset());
}

TEST_F(CellPhoneTest, LoadsOnceUntilShutDownAndShutsDownTwiceQuietly)
{
    m_Dir.Write(PHONE_SCRIPT, "ConnectingTime 1\n");
    CCellPhone phone;
    EXPECT_FALSE(phone.Load(nullptr));
    EXPECT_FALSE(phone.IsLoaded());
    ASSERT_TRUE(phone.Load(PHONE_SCRIPT));
    m_Dir.Write(PHONE_SCRIPT, "ConnectingTime 2\n");
    EXPECT_FALSE(phone.Load(PHONE_SCRIPT)) << "a second load does nothing";
    EXPECT_FLOAT_EQ(1.0f, phone.GetConnectingTime());

    phone.Shutdown();
    phone.Shutdown();
    EXPECT_FALSE(phone.IsLoaded());
    EXPECT_TRUE(phone.Load(PHONE_SCRIPT));
    EXPECT_FLOAT_EQ(2.0f, phone.GetConnectingTime());
}

TEST_F(CellPhoneTest, WordsForADisplayStateThatDoesNotExistArePassedOver)
{
    m_Dir.Write(PHONE_SCRIPT, "StateNum 0 StateName Small\nStateNum 3 StateName Huge Scale 9 9\n"
                              "StateNum -1 Translation 7 7\nConnectingTime 4\n");
    CCellPhone phone;
    ASSERT_TRUE(phone.Load(PHONE_SCRIPT));
    for (int state = 0; state < CCellPhone::DISPLAY_STATE_COUNT; ++state) {
        EXPECT_NE("Huge", phone.GetState(state).m_StateName);
        EXPECT_EQ(D3DXVECTOR2(0, 0), phone.GetState(state).m_vScale);
        EXPECT_EQ(D3DXVECTOR2(0, 0), phone.GetState(state).m_vTranslation);
    }
    EXPECT_EQ("Small", phone.GetState(CCellPhone::DISPLAY_SMALL).m_StateName);
    EXPECT_FLOAT_EQ(4.0f, phone.GetConnectingTime());
    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("no display state 3")) << log;
    EXPECT_NE(std::string::npos, log.find("no display state -1")) << log;
}

TEST_F(CellPhoneTest, AMissingScriptTextureOrSoundStopsTheGame)
{
    CCellPhone phone;
    const std::string inScript = std::string("\nin ") + PHONE_SCRIPT;
    EXPECT_FATAL(phone.Load(PHONE_SCRIPT), "Unable to initialize data buffer" + inScript);
    m_Dir.Write(PHONE_SCRIPT, "Back_Texture back\n");
    EXPECT_FATAL(phone.Load(PHONE_SCRIPT), "Unable to find asset \"back\" of type <CTexture>" + inScript);
    m_Dir.Write(PHONE_SCRIPT, "RingSound Bell\n");
    EXPECT_FATAL(phone.Load(PHONE_SCRIPT), "Unable to find asset \"Bell\" of type <SFX3D>" + inScript);
    EXPECT_FALSE(phone.IsLoaded());
}

// The phone's calls. The conversation manager keeps every script it reads
// for the rest of the run, so each test's script has a name of its own.
const char* const NUMBERS = "PhoneNumbers.txt";
const char* const NUMBER = "5550100";
// 125 ms frames: three seconds are 24 of them, without rounding.
const uint32_t FRAME_MILLISECONDS = 125;
const int RING_FRAMES = 24;
const char* const PHONE_LOOK = "Back_Texture Back RingSound Ring ConnectingTime 3\n";
const char* const NO_RING_LOOK = "Back_Texture Back RingSound Ring ConnectingTime 0\n";
// Two lines (the first spoken), three answers (the last spoken) leading on.
const char* const DEPOT_CALL = "[StringTable]\n"
                               "0 \"Depot here.\" sound Hello.wav\n"
                               "1 \"Got a job.\"\n"
                               "2 Yes\n3 No\n4 Maybe sound Maybe.wav\n"
                               "5 \"Call back.\"\n"
                               "[Conversations]\ntime 8:00 - 20:00\n"
                               "state STATE_DEFAULT initial_branch Hello\n"
                               "branch Hello output 0 output 1 input 2 goto Bye input 3 goto Bye input 4 goto Later\n"
                               "branch Later output 5\n"
                               "branch Bye output 2\n";

class CellPhoneCallTest : public CellPhoneTest {
protected:
    void SetUp() override
    {
        g_InputManager.Reset();
        m_BaseDepth = g_InputManager.GetContextDepth();
        SetSteadyFrameTime(FRAME_MILLISECONDS);
        SetHour(12);
        g_pLevel = &m_Level;
        m_Controller.Start();
    }

    void TearDown() override
    {
        m_Phone.Shutdown();
        g_pLevel = nullptr;
        g_InputManager.Reset();
    }

    static void SetHour(int hour)
    {
        g_GameTimer.SetTime(static_cast<float>(hour * 60));
        g_GameTimer.Advance(0.0f);
    }

    void LoadPhone(const char* look)
    {
        m_Dir.Write(PHONE_SCRIPT, look);
        ASSERT_TRUE(m_Phone.Load(PHONE_SCRIPT));
        m_Phone.m_pController = &m_Controller;
    }

    // NUMBER leads to `script`, written with `text`.
    void ListNumber(const char* script, const char* text)
    {
        m_Dir.Write(script, text);
        m_Dir.Write(NUMBERS, std::string(NUMBER) + " " + script + "\n");
        ASSERT_TRUE(m_Level.GetPhoneDirectory().Load(NUMBERS));
    }

    // One update with `action` let go, then the keys are idle again.
    void Press(const char* action)
    {
        m_Controller.Release(g_InputManager.FindAction(action, CInputManager::BUTTON_ACTION));
        m_Phone.Update();
        m_Controller.ClearActions();
    }

    void Frames(int count)
    {
        for (int frame = 0; frame < count; ++frame)
            m_Phone.Update();
    }

    // Opens the hidden phone, types `number` and presses Cell_Enter.
    void Dial(const char* number)
    {
        if (m_Phone.GetDisplayState() != CCellPhone::DISPLAY_OPEN)
            Press("Hide_Cell");
        for (const char* digit = number; *digit != '\0'; ++digit)
            g_InputManager.TranslateTypedKey(std::string(1, *digit).c_str());
        m_Phone.Update();
        Press("Cell_Enter");
    }

    // Frames until the ring ends; how many it took.
    int RingFrames()
    {
        int frames = 0;
        while (m_Phone.GetCallStep() == &CCellPhone::Connecting && frames < 1000) {
            m_Phone.Update();
            ++frames;
        }
        return frames;
    }

    bool IsDialling() const
    {
        return m_Phone.GetKeyStep() == &CCellPhone::Dial && m_Phone.GetCallStep() == nullptr && m_Phone.IsIdle();
    }

    RecordingFSound m_Sound;
    ScriptedController m_Controller;
    CLevel m_Level;
    CCellPhone m_Phone;
    size_t m_BaseDepth = 0;
};

struct KeyCase {
    // H for Hide_Cell, C for MinMax_Cell, from the hidden phone.
    const char* keys;
    int displayState;
};

const KeyCase KEY_CASES[] = {
    {"", CCellPhone::DISPLAY_HIDDEN},    {"C", CCellPhone::DISPLAY_HIDDEN},  {"H", CCellPhone::DISPLAY_OPEN},
    {"HH", CCellPhone::DISPLAY_HIDDEN},  {"HC", CCellPhone::DISPLAY_SMALL},  {"HCC", CCellPhone::DISPLAY_OPEN},
    {"HCH", CCellPhone::DISPLAY_HIDDEN}, {"HCCC", CCellPhone::DISPLAY_SMALL}, {"HCCH", CCellPhone::DISPLAY_HIDDEN},
    {"HCHH", CCellPhone::DISPLAY_OPEN},
};

// Only the open phone holds the text context, one level of it, and an open
// phone always dials when no call goes on.
TEST_F(CellPhoneCallTest, HideAndMinMaxMoveBetweenTheDisplayStatesAndPairTheTextEntry)
{
    for (const KeyCase& c : KEY_CASES) {
        SCOPED_TRACE(std::string("keys \"") + c.keys + "\"");
        CCellPhone phone;
        m_Dir.Write(PHONE_SCRIPT, PHONE_LOOK);
        ASSERT_TRUE(phone.Load(PHONE_SCRIPT));
        phone.m_pController = &m_Controller;
        for (const char* key = c.keys; *key != '\0'; ++key) {
            m_Controller.Release(g_InputManager.FindAction(*key == 'H' ? "Hide_Cell" : "MinMax_Cell",
                                                           CInputManager::BUTTON_ACTION));
            phone.Update();
            m_Controller.ClearActions();
        }
        EXPECT_EQ(c.displayState, phone.GetDisplayState());
        const bool open = c.displayState == CCellPhone::DISPLAY_OPEN;
        EXPECT_EQ(open ? CInputManager::CONTEXT_TEXT : CInputManager::CONTEXT_PLAY,
                  g_InputManager.GetCurrentContext());
        EXPECT_EQ(m_BaseDepth + (open ? 1 : 0), g_InputManager.GetContextDepth());
        if (open) {
            EXPECT_EQ(&CCellPhone::Dial, phone.GetKeyStep());
        }
        phone.Shutdown();
        EXPECT_EQ(CInputManager::CONTEXT_PLAY, g_InputManager.GetCurrentContext());
        EXPECT_EQ(m_BaseDepth, g_InputManager.GetContextDepth());
    }
}

// Game over pushes the menu over the open phone; hiding the phone then must
// not pop the menu's context.
TEST_F(CellPhoneCallTest, ClosingUnderAMenuLeavesTheMenusContext)
{
    LoadPhone(PHONE_LOOK);
    Press("Hide_Cell");
    g_InputManager.PushContext(CInputManager::CONTEXT_MENU);
    Press("Hide_Cell");
    EXPECT_EQ(CCellPhone::DISPLAY_HIDDEN, m_Phone.GetDisplayState());
    EXPECT_EQ(CInputManager::CONTEXT_MENU, g_InputManager.GetCurrentContext());
    EXPECT_EQ(m_BaseDepth + 2, g_InputManager.GetContextDepth());
}

// Rings once for the connecting time, pages the lines with Cell_Enter, waits
// for a spoken answer, and hangs up at a branch without answers.
TEST_F(CellPhoneCallTest, ACallRingsTalksTakesAnAnswerAndHangsUp)
{
    LoadPhone(PHONE_LOOK);
    ListNumber("PhoneDepot.txt", DEPOT_CALL);
    Dial(NUMBER);
    EXPECT_EQ(&CCellPhone::Connecting, m_Phone.GetCallStep());
    EXPECT_FALSE(m_Phone.IsIdle());
    m_Sound.TakeCalls();

    EXPECT_EQ(RING_FRAMES, RingFrames()) << "three seconds of frame time";
    EXPECT_EQ(NUMBER, m_Phone.GetText()) << "no line before the ring ends";
    const std::vector<std::string> ring = m_Sound.TakeCalls();
    EXPECT_EQ(1, RecordingFSound::CountCalls(ring, "PlaySoundEx")) << "rings once";
    EXPECT_EQ(1, RecordingFSound::CountCalls(ring, "StopSound")) << "and stops when the call connects";
    EXPECT_FALSE(m_Phone.IsRinging());

    m_Phone.Update();
    EXPECT_EQ("Depot here.", m_Phone.GetText());
    ASSERT_NE(nullptr, m_Phone.GetVoice());
    EXPECT_EQ(1, m_Sound.TakeCallCount("Stream_Open"));
    Frames(3);
    EXPECT_EQ("Depot here.", m_Phone.GetText()) << "a line waits for Cell_Enter";
    Press("Cell_Enter");
    m_Phone.Update();
    EXPECT_EQ("Got a job.", m_Phone.GetText());
    EXPECT_EQ(nullptr, m_Phone.GetVoice());
    EXPECT_EQ(1, m_Sound.TakeCallCount("Stream_Close")) << "the last line's voice closed";
    Press("Cell_Enter");
    m_Phone.Update();
    EXPECT_EQ("Yes\nNo\nMaybe\n", m_Phone.GetText());
    EXPECT_EQ(&CCellPhone::ChooseAnswer, m_Phone.GetKeyStep());

    for (int press = 0; press < 2; ++press)
        Press("Cell_Enter_1");
    EXPECT_EQ(0u, m_Phone.GetLineIndex()) << "not above the first answer";
    for (int press = 0; press < 5; ++press)
        Press("Cell_Enter_2");
    EXPECT_EQ(2u, m_Phone.GetLineIndex()) << "not below the last answer";

    Press("Cell_Enter");
    EXPECT_EQ("Later", m_Phone.GetDirectoryResult().m_pConversation->GetCurrentBranch()->m_Name);
    FSOUND_STREAM* const answer = m_Phone.GetVoice();
    ASSERT_NE(nullptr, answer) << "the chosen answer is spoken";
    Frames(3);
    EXPECT_EQ("Yes\nNo\nMaybe\n", m_Phone.GetText()) << "the partner waits for the answer's voice";
    ASSERT_TRUE(m_Sound.EndStream(answer));
    m_Phone.Update();
    EXPECT_EQ("Call back.", m_Phone.GetText());

    Press("Cell_Enter");
    g_InputManager.TranslateTypedKey("7");
    Frames(2);
    EXPECT_EQ("", m_Phone.GetText());
    EXPECT_STREQ("", g_InputManager.GetTypedText());
    EXPECT_TRUE(IsDialling());
}

// An answer alone is spoken as soon as it shows, and leads on once spoken.
TEST_F(CellPhoneCallTest, ASingleAnswerIsSpokenAtOnce)
{
    LoadPhone(NO_RING_LOOK);
    ListNumber("PhoneSingle.txt", "[StringTable]\n0 Hello\n1 Bye sound Bye.wav\n2 Gone\n"
                                  "[Conversations]\ntime 8:00 - 20:00\nstate STATE_DEFAULT initial_branch A\n"
                                  "branch A output 0 input 1 goto B\nbranch B output 2\n");
    Dial(NUMBER);
    Frames(2);
    EXPECT_EQ("Hello", m_Phone.GetText());
    m_Sound.TakeCalls();
    Press("Cell_Enter");
    m_Phone.Update();
    EXPECT_EQ("Bye\n", m_Phone.GetText());
    EXPECT_EQ(1, m_Sound.TakeCallCount("Stream_Open"));
    ASSERT_NE(nullptr, m_Phone.GetVoice());
    EXPECT_FALSE(m_Phone.IsVoiceDone());
    Press("Cell_Enter");
    EXPECT_EQ(0, m_Sound.TakeCallCount("Stream_Open")) << "spoken once";
    m_Phone.Update();
    EXPECT_EQ("Bye\n", m_Phone.GetText());
    ASSERT_TRUE(m_Sound.EndStream(m_Phone.GetVoice()));
    m_Phone.Update();
    EXPECT_EQ("Gone", m_Phone.GetText());
}

struct UnknownCase {
    const char* what;
    const char* dialled;
    int hour;
    bool level;
};

const UnknownCase UNKNOWN_CASES[] = {
    {"a number not listed", "5550199", 12, true},
    {"no level", NUMBER, 12, false},
    {"no conversation at the hour", NUMBER, 6, true},
};

TEST_F(CellPhoneCallTest, AnUnknownNumberFindsNoServiceAndKeepsDialling)
{
    LoadPhone(PHONE_LOOK);
    ListNumber("PhoneUnknown.txt", DEPOT_CALL);
    for (const UnknownCase& c : UNKNOWN_CASES) {
        SCOPED_TRACE(c.what);
        SetHour(c.hour);
        g_pLevel = c.level ? &m_Level : nullptr;
        m_Phone.HangUp();
        m_Sound.TakeCalls();
        Dial(c.dialled);
        EXPECT_EQ("No Service...", m_Phone.GetText());
        EXPECT_EQ(13u, m_Phone.GetText().size());
        EXPECT_TRUE(IsDialling());
        EXPECT_EQ(nullptr, m_Phone.GetDirectoryResult().m_pConversation);
        Frames(2);
        EXPECT_EQ(0, m_Sound.TakeCallCount("PlaySoundEx")) << "no ring";
    }
}

// The next lookup ends the last call's conversation with its change_state.
TEST_F(CellPhoneCallTest, TheNextLookupEndsThePreviousConversation)
{
    LoadPhone(NO_RING_LOOK);
    ListNumber("PhoneStates.txt", "[StringTable]\n0 First\n1 Again\n"
                                  "[Conversations]\ntime 8:00 - 20:00\n"
                                  "state STATE_DEFAULT initial_branch A\nstate AFTER initial_branch B\n"
                                  "branch A output 0 change_state AFTER\nbranch B output 1\n");
    Dial(NUMBER);
    Frames(2);
    EXPECT_EQ("First", m_Phone.GetText());
    Press("Cell_Enter");
    Frames(2);
    ASSERT_TRUE(IsDialling());
    Dial(NUMBER);
    Frames(2);
    EXPECT_EQ("Again", m_Phone.GetText());
}

// A hidden phone talks on and draws nothing.
TEST_F(CellPhoneCallTest, AHiddenPhoneGoesOnWithItsCallAndDrawsNothing)
{
    LoadPhone(NO_RING_LOOK);
    ListNumber("PhoneHidden.txt", DEPOT_CALL);
    Dial(NUMBER);
    Press("Hide_Cell");
    Frames(2);
    EXPECT_EQ(CCellPhone::DISPLAY_HIDDEN, m_Phone.GetDisplayState());
    EXPECT_EQ("Depot here.", m_Phone.GetText());
    static int s_Sprites;
    s_Sprites = 0;
    SetSpriteDrawObserver([](const SpriteDraw&) { ++s_Sprites; });
    g_TextMaster.Enable();
    m_Phone.Draw();
    SetSpriteDrawObserver(nullptr);
    EXPECT_EQ(0, s_Sprites);
    EXPECT_EQ(0u, g_TextMaster.GetQueueCount());
    g_TextMaster.Reset();
}

// Shutdown silences the ring and the voice and gives the input back.
TEST_F(CellPhoneCallTest, ShutdownMidCallStopsTheRingAndVoiceAndEndsTheTextEntry)
{
    LoadPhone(PHONE_LOOK);
    ListNumber("PhoneShutdown.txt", DEPOT_CALL);
    Dial(NUMBER);
    Frames(2);
    ASSERT_TRUE(m_Phone.IsRinging());
    m_Sound.TakeCalls();
    m_Phone.Shutdown();
    EXPECT_EQ(1, m_Sound.TakeCallCount("StopSound"));
    EXPECT_FALSE(m_Phone.IsRinging());
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, g_InputManager.GetCurrentContext());
    EXPECT_EQ(m_BaseDepth, g_InputManager.GetContextDepth());

    LoadPhone(NO_RING_LOOK);
    m_Phone.HangUp();
    Dial(NUMBER);
    Frames(2);
    ASSERT_NE(nullptr, m_Phone.GetVoice());
    m_Sound.TakeCalls();
    m_Phone.Shutdown();
    EXPECT_EQ(1, m_Sound.TakeCallCount("Stream_Close"));
    EXPECT_EQ(nullptr, m_Phone.GetVoice());
    EXPECT_EQ(m_BaseDepth, g_InputManager.GetContextDepth());
}

} // namespace
