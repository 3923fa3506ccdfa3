#include "Game/ConversationWindow.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/DataBuffer.h"
#include "Core/Window.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/Conversation.h"
#include "Game/HUD.h"
#include "Game/ScriptFolderFixture.h"
#include "Sound/RecordingFSound.h"
#include "platform/d3d8/D3D8Platform.h"
#include "support/FatalTrap.h"

namespace {

const D3DCOLOR WHITE = 0xFFFFFFFF;
const D3DCOLOR YELLOW = 0xFFFFFF00;

// Releases the test names for the next HandleInput.
class ScriptedInput : public CConversationInput {
public:
    bool WasReleased(const char* action) const override { return m_Released.count(action) != 0; }
    std::set<std::string> m_Released;
};

std::vector<SpriteDraw> s_Sprites;

void RecordSprite(const SpriteDraw& draw)
{
    s_Sprites.push_back(draw);
}

// A window on a device of state only, textures "Back" (32 x 64) and "More"
// (16 x 16) filed, sound recorded and the input set by the test.
class ConversationWindowTest : public ScriptFolderFixture {
protected:
    void SetUp() override
    {
        g_hWnd = nullptr;
        D3D8Platform::UseStateOnlyDevices();
        ASSERT_TRUE(g_Display.Create());
        FileTexture("back", 32, 64);
        FileTexture("more", 16, 16);
        g_TextMaster.Enable();
        const CFont2D* font = g_TextMaster.GetFont(g_FontVerdana13);
        m_W = font->GetTextWidth("A");
        m_H = font->GetTextHeight("A");
        ASSERT_GT(m_W, 0.0f);
        ASSERT_GT(m_H, 0.0f);
        m_Window.SetInput(&m_Input);
        s_Sprites.clear();
        SetSpriteDrawObserver(RecordSprite);
    }

    void TearDown() override
    {
        SetSpriteDrawObserver(nullptr);
        g_HUD.m_bShowNeedles = 1;
        g_TextMaster.Reset();
        CTexture::ReleaseAllTextures();
        g_Display.Shutdown();
        D3D8Platform::ResetTestHooks();
    }

    void FileTexture(const char* name, UINT width, UINT height)
    {
        const std::vector<uint32_t> white(width * height, WHITE);
        const std::string file = std::string(name) + ".bmp";
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), file, width, height, white));
        auto* texture = new CTexture();
        ASSERT_TRUE(texture->CreateNamed(name, file));
        g_AssetManager.AddAsset(texture);
    }

    void ReadLook(const char* words)
    {
        CDataBuffer reader;
        reader.SetSeparators(SCRIPT_SEPARATORS);
        ASSERT_TRUE(reader.Tokenise(words, std::string(words).size()));
        m_Window.ReadInterface(reader);
    }

    // Releases `action` for one HandleInput, then lets Advance run.
    void Press(const char* action)
    {
        m_Input.m_Released = {action};
        m_Window.HandleInput();
        m_Input.m_Released.clear();
        m_Window.Advance();
    }

    // The voice ends.
    void VoiceEnds()
    {
        m_Window.m_bVoiceDone = 1;
        m_Window.Advance();
    }

    // The files of the streams opened and the streams closed since the last call.
    std::vector<std::string> TakeStreams()
    {
        std::vector<std::string> streams;
        for (const std::string& call : m_Sound.TakeCalls()) {
            if (call.rfind("Stream_Open(", 0) == 0)
                streams.push_back(call.substr(12, call.find(',') - 12));
            else if (call.rfind("Stream_Close(", 0) == 0)
                streams.push_back("close");
        }
        return streams;
    }

    std::vector<std::string> Slots(const ConversationTextWindow& window) const
    {
        std::vector<std::string> slots;
        for (const CText& text : window.m_SlotTexts)
            slots.push_back(text.GetString());
        return slots;
    }

    std::vector<D3DCOLOR> SlotColours(const ConversationTextWindow& window) const
    {
        std::vector<D3DCOLOR> colours;
        for (const CText& text : window.m_SlotTexts)
            colours.push_back(text.GetColour());
        return colours;
    }

    // A table entry for each text; the ones named `*.wav` are spoken.
    void Table(const std::vector<std::pair<std::string, std::string>>& entries)
    {
        for (const auto& entry : entries)
            m_Table.push_back({entry.first, entry.second});
    }

    CConversation& Conversation()
    {
        m_pConversation = std::make_unique<CConversation>(0.0f, 24.0f, &m_Table);
        return *m_pConversation;
    }

    RecordingFSound m_Sound;
    ScriptedInput m_Input;
    CConversationWindow m_Window;
    std::vector<StringTableEntry> m_Table;
    std::unique_ptr<CConversation> m_pConversation;
    float m_W = 0.0f;
    float m_H = 0.0f;
};

const char* const WINDOW_LOOK = "OutputWindow Texture Back MoreTextTexture More Color 200 0 0 0 "
                                "TextColor 255 255 255 255 MoreTextColor 255 255 255 255 Position 0.1 0.05 "
                                "Scale 13 2 "
                                "InputWindow Texture Back MoreTextTexture More Color 200 0 0 0 "
                                "TextColor 255 255 255 255 TextSelectionColor 255 255 255 0 "
                                "MoreTextColor 255 255 255 255 Position 0.0 0.68 Scale 15 4.7 ";

// Both windows, properties in any order, names lower-cased; the reading
// stops at the first word that is no property.
TEST_F(ConversationWindowTest, ReaderReadsBothWindowsInAnyOrder)
{
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    const std::string words = "InputWindow Scale 15 4.7 Position 0.0 0.68 TEXTURE BACK TextSelectionColor 255 255 "
                              "255 0 TextColor 128 10 20 30 OutputWindow MoreTextColor 1 2 3 4 MoreTextTexture MoRe "
                              "Position 0.1 0.05 Color 200 0 0 0 HUDObject RPM";
    ASSERT_TRUE(reader.Tokenise(words.c_str(), words.size()));
    m_Window.ReadInterface(reader);
    EXPECT_EQ("HUDObject", reader.PeekString());

    const ConversationTextWindow& input = m_Window.m_InputWindow;
    EXPECT_EQ(Filed<CTexture>("back"), input.m_pTexture);
    EXPECT_EQ(D3DXVECTOR2(0.0f, 0.68f), input.m_vPosition);
    EXPECT_FLOAT_EQ(15.0f, input.m_vScale.x);
    EXPECT_FLOAT_EQ(1.0f, input.m_SelectionColour[0]);
    EXPECT_FLOAT_EQ(0.0f, input.m_SelectionColour[2]);
    EXPECT_FLOAT_EQ(10.0f / 255.0f, input.m_TextColour[0]);
    EXPECT_FLOAT_EQ(128.0f / 255.0f, input.m_TextColour[3]);
    const ConversationTextWindow& output = m_Window.m_OutputWindow;
    EXPECT_EQ(Filed<CTexture>("more"), output.m_pMoreTexture);
    EXPECT_EQ(nullptr, output.m_pTexture);
    EXPECT_EQ(0x01020304u, output.m_MoreColour);
    EXPECT_FLOAT_EQ(200.0f / 255.0f, output.m_Colour[3]);
    EXPECT_EQ(D3DXVECTOR2(0.1f, 0.05f), output.m_vPosition);

    const std::string missing = "OutputWindow Texture Nowhere";
    ASSERT_TRUE(reader.Tokenise(missing.c_str(), missing.size()));
    EXPECT_FATAL(m_Window.ReadInterface(reader), "Unable to find asset \"nowhere\" of type <CTexture>");
}

// The layout: slots a line apart from half a character in, the background
// made to hold the slots and two lines, the mark inside its lower-right
// corner, and the slots in the text colour (bytes rounded).
TEST_F(ConversationWindowTest, LayoutPlacesSlotsBackgroundAndMark)
{
    ReadLook("OutputWindow Texture back MoreTextTexture more Position 0.1 0.05 Scale 13 2 TextColor 255 128 0 1");
    const ConversationTextWindow& window = m_Window.m_OutputWindow;
    const float scaleY = 5 * m_H * 480 / 64;
    EXPECT_FLOAT_EQ(scaleY, window.m_vScale.y);
    EXPECT_FLOAT_EQ(13.0f, window.m_vScale.x);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(0.1f + 0.5f * m_W, window.m_SlotTexts[i].GetX()) << i;
        EXPECT_FLOAT_EQ(0.05f + (i + 0.5f) * m_H, window.m_SlotTexts[i].GetY()) << i;
    }
    EXPECT_FLOAT_EQ(m_W * 640 / 16, window.m_vMoreScale.x);
    EXPECT_FLOAT_EQ(m_H * 480 / 16, window.m_vMoreScale.y);
    EXPECT_FLOAT_EQ(0.1f + 32 * 13 / 640.0f - 1.5f * m_W, window.m_vMorePosition.x);
    EXPECT_FLOAT_EQ(0.05f + 64 * scaleY / 480 - 1.5f * m_H, window.m_vMorePosition.y);
    // Each byte read back whole from its float.
    EXPECT_EQ(0xFF800001u, window.m_SlotTexts[0].GetColour());

    // Without a background the mark stands at the window's own corner.
    ReadLook("InputWindow MoreTextTexture more Position 0.2 0.6");
    const ConversationTextWindow& bare = m_Window.m_InputWindow;
    EXPECT_FLOAT_EQ(0.2f - 1.5f * m_W, bare.m_vMorePosition.x);
    EXPECT_FLOAT_EQ(0.6f - 1.5f * m_H, bare.m_vMorePosition.y);
    EXPECT_FLOAT_EQ(4.7f, bare.m_vScale.y) << "no background, no forced scale";
}

// Five lines in three slots: the first Enter pages (two lines and an empty
// slot) and completes the window; without answers the next ends the talk.
TEST_F(ConversationWindowTest, FiveLinesPageThenEndTheConversation)
{
    ReadLook(WINDOW_LOOK);
    Table({{"one\ntwo\nthree\nfour\nfive", "hello.wav"}, {"Yes", "yes.wav"}});
    CConversation& talk = Conversation();
    ConversationBranch& start = talk.AddBranch("Start");
    start.m_Outputs = {0};
    start.m_Properties["change_state"] = "STATE_DONE";
    talk.AddBranch("Done");
    talk.DeclareState("STATE_DEFAULT", "Start");
    talk.DeclareState("STATE_DONE", "Done");
    talk.SetState("STATE_DEFAULT");

    m_Window.SetConversation(&talk, false);
    EXPECT_EQ(std::vector<std::string>({"hello.wav"}), TakeStreams());
    EXPECT_EQ(std::vector<std::string>({"one", "two", "three"}), Slots(m_Window.m_OutputWindow));
    m_Window.Draw();
    ASSERT_EQ(2u, s_Sprites.size()) << "the background and the mark";
    EXPECT_EQ(0xC8000000u, s_Sprites[0].m_Colour);

    Press("Cell_Enter");
    EXPECT_EQ(std::vector<std::string>({"close"}), TakeStreams()) << "the first Enter only cuts the voice";
    EXPECT_EQ("one", Slots(m_Window.m_OutputWindow)[0]);
    Press("Cell_Enter");
    EXPECT_EQ(std::vector<std::string>({"four", "five", ""}), Slots(m_Window.m_OutputWindow));
    EXPECT_EQ(1, m_Window.m_OutputWindow.m_bComplete);
    EXPECT_EQ(0, m_Window.m_InputWindow.m_bShown);
    s_Sprites.clear();
    m_Window.Draw();
    EXPECT_EQ(1u, s_Sprites.size()) << "no mark once complete";

    Press("Cell_Enter");
    EXPECT_EQ(nullptr, m_Window.m_pConversation);
    EXPECT_EQ(0, m_Window.m_bActive);
    EXPECT_EQ("Done", talk.GetCurrentBranch()->m_Name) << "its change_state applied";
    s_Sprites.clear();
    m_Window.Draw();
    EXPECT_TRUE(s_Sprites.empty());

    // With answers the answer window opens with the last page.
    start.m_Inputs = {1};
    start.m_Targets = {"Done"};
    talk.GotoBranch("Start");
    m_Window.SetConversation(&talk, false);
    VoiceEnds();
    EXPECT_EQ(0, m_Window.m_InputWindow.m_bShown);
    Press("Cell_Enter");
    EXPECT_EQ(1, m_Window.m_InputWindow.m_bShown);
}

// A first output of exactly three lines: the second starts on the next page,
// its voice with that page.
TEST_F(ConversationWindowTest, EachFurtherOutputStartsOnItsOwnPageWithItsVoice)
{
    ReadLook(WINDOW_LOOK);
    Table({{"a\nb\nc", "first.wav"}, {"d", "second.wav"}, {"e", ""}});
    CConversation& talk = Conversation();
    talk.AddBranch("Start").m_Outputs = {0, 1, 2};
    talk.DeclareState("STATE_DEFAULT", "Start");
    talk.SetState("STATE_DEFAULT");

    m_Window.SetConversation(&talk, false);
    EXPECT_EQ(std::vector<std::string>({"a", "b", "c"}), Slots(m_Window.m_OutputWindow));
    EXPECT_EQ(std::vector<std::string>({"first.wav"}), TakeStreams());
    ASSERT_EQ(2u, m_Window.m_PendingVoices.size());
    EXPECT_EQ(1u, m_Window.m_PendingVoices[0].m_uPage);
    EXPECT_EQ(2u, m_Window.m_PendingVoices[1].m_uPage);

    VoiceEnds();
    Press("Cell_Enter");
    EXPECT_EQ(std::vector<std::string>({"d", " ", " "}), Slots(m_Window.m_OutputWindow))
        << "no blank page between; the page is filled up to the next output";
    EXPECT_EQ(std::vector<std::string>({"close", "second.wav"}), TakeStreams());
    VoiceEnds();
    Press("Cell_Enter");
    EXPECT_EQ(std::vector<std::string>({"e", "", ""}), Slots(m_Window.m_OutputWindow));
    EXPECT_TRUE(m_Window.m_PendingVoices.empty());
}

// Answers of one and three lines, a blank line between; the selected one
// highlighted; Up and Down wrap; taking an answer speaks that answer and
// goes on to its branch; a branch with nothing closes the window.
TEST_F(ConversationWindowTest, AnswersAreRangedHighlightedWrappedAndTaken)
{
    ReadLook(WINDOW_LOOK);
    Table({{"Who?", ""}, {"Me", "me.wav"}, {"x\ny\nz", "xyz.wav"}, {"Bye", ""}, {"Fine", "fine.wav"}});
    CConversation& talk = Conversation();
    ConversationBranch& ask = talk.AddBranch("Ask");
    ask.m_Inputs = {1, 2, 3};
    ask.m_Targets = {"Reply", "Reply", "End"};
    talk.AddBranch("Reply").m_Outputs = {4};
    talk.AddBranch("End");
    talk.DeclareState("STATE_DEFAULT", "Ask");
    talk.SetState("STATE_DEFAULT");

    m_Window.SetConversation(&talk, false);
    EXPECT_EQ(0, m_Window.m_OutputWindow.m_bShown);
    EXPECT_EQ(1, m_Window.m_InputWindow.m_bShown) << "answers without lines show at once";
    ASSERT_EQ(3u, m_Window.m_AnswerRanges.size());
    EXPECT_EQ(0u, m_Window.m_AnswerRanges[0].m_uFirst);
    EXPECT_EQ(1u, m_Window.m_AnswerRanges[0].m_uCount);
    EXPECT_EQ(2u, m_Window.m_AnswerRanges[1].m_uFirst);
    EXPECT_EQ(3u, m_Window.m_AnswerRanges[1].m_uCount);
    EXPECT_EQ(6u, m_Window.m_AnswerRanges[2].m_uFirst);
    EXPECT_EQ(std::vector<std::string>({"Me", " ", "x", "y", "z", " "}), Slots(m_Window.m_InputWindow));
    EXPECT_EQ(std::vector<D3DCOLOR>({YELLOW, WHITE, WHITE, WHITE, WHITE, WHITE}), SlotColours(m_Window.m_InputWindow));

    Press("Cell_Up");
    EXPECT_EQ(2u, m_Window.m_uSelected) << "up from the first is the last";
    Press("Cell_Down");
    EXPECT_EQ(0u, m_Window.m_uSelected) << "down from the last is the first";
    Press("Cell_Down");
    EXPECT_EQ(std::vector<D3DCOLOR>({WHITE, WHITE, YELLOW, YELLOW, YELLOW, WHITE}),
              SlotColours(m_Window.m_InputWindow));

    TakeStreams();
    Press("Cell_Enter");
    EXPECT_EQ(std::vector<std::string>({"xyz.wav"}), TakeStreams()) << "the selected answer's voice";
    EXPECT_EQ("Ask", talk.GetCurrentBranch()->m_Name) << "carried out once the voice is done";
    VoiceEnds();
    EXPECT_EQ("Reply", talk.GetCurrentBranch()->m_Name);
    EXPECT_EQ(1, m_Window.m_OutputWindow.m_bShown);
    EXPECT_EQ(0, m_Window.m_InputWindow.m_bShown);
    EXPECT_EQ("Fine", Slots(m_Window.m_OutputWindow)[0]);

    // The last answer leads to a branch with nothing: the window closes.
    talk.GotoBranch("Ask");
    m_Window.SetConversation(&talk, false);
    Press("Cell_Up");
    Press("Cell_Enter");
    EXPECT_EQ(nullptr, m_Window.m_pConversation);
    EXPECT_EQ(0, m_Window.m_bActive);
}

// The dials hide while answers show in a car, and only then.
TEST_F(ConversationWindowTest, NeedlesHideWhileAnswersShowInACar)
{
    Table({{"Hi", ""}, {"Yes", ""}});
    CConversation& talk = Conversation();
    ConversationBranch& ask = talk.AddBranch("Ask");
    ask.m_Outputs = {0};
    ask.m_Inputs = {1};
    ask.m_Targets = {"Ask"};
    talk.DeclareState("STATE_DEFAULT", "Ask");
    talk.SetState("STATE_DEFAULT");
    CGameActor player;
    CCar car;
    m_Dir.Write("Scripts/HUD.txt", "HUDObject Map\n");
    g_HUD.Load(&player);
    m_Window.SetConversation(&talk, false);

    struct Case {
        bool inCar;
        bool answersShown;
        uint8_t needles;
    } const cases[] = {{true, true, 0}, {true, false, 1}, {false, true, 1}, {false, false, 1}};
    for (const Case& c : cases) {
        player.m_pCar = c.inCar ? &car : nullptr;
        m_Window.m_InputWindow.m_bShown = c.answersShown ? 1 : 0;
        m_Window.Advance();
        EXPECT_EQ(c.needles, g_HUD.m_bShowNeedles) << c.inCar << c.answersShown;
    }
    player.m_pCar = nullptr;
    g_HUD.Load(nullptr);
}

} // namespace
