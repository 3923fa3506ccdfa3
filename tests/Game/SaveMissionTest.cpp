// The save point with the real input manager (a keyboard of the default
// bindings) and a "Save Options" screen of its own: a title, "Back", a label
// and four slots, so that slots 5 to 10 have no button.

#include "Game/SaveMission.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Core/Log.h"
#include "Display/TextMaster.h"
#include "Game/CrimeManager.h"
#include "Game/ProgressData.h"
#include "Input/DeviceKeyboard.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/FixedFrameTime.h"
#include "Level/Level.h"
#include "Menu/Button.h"
#include "Menu/MenuFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Windows.h"

namespace {

const char* const START_SCRIPT = "Scripts\\Mission\\SaveMissionPre.txt";
const D3DXVECTOR3 SAVE_POINT(10, 0, 20);
const uint32_t FRAME_MS = 500;

std::string Plate(const std::string& caption)
{
    return "Button Plate\nCaption \"" + caption + "\"\n";
}

// The texts queued this frame, emptied.
std::vector<std::string> TakeTexts()
{
    std::vector<std::string> texts;
    for (uint32_t i = 0; i < g_TextMaster.GetQueueCount(); ++i)
        texts.push_back(g_TextMaster.GetQueue()[i].m_pPrepared->m_Text);
    g_TextMaster.Clear(CTextMaster::CLEAR_PREPARED);
    return texts;
}

class SaveMissionTest : public MenuFixture {
protected:
    void SetUp() override
    {
        MenuFixture::SetUp();
        // 13:05:09 on Friday 22 April 2005.
        const SYSTEMTIME time = {2005, 4, 5, 22, 13, 5, 9, 0};
        Win32Platform::SetFixedLocalTime(&time);
        g_InputManager.Reset();
        m_pKeyboard = new DeviceKeyboard();
        g_InputManager.AttachDevice(CInputManager::KEYBOARD_SLOT, std::unique_ptr<DeviceObject>(m_pKeyboard));
        g_InputManager.SetDefaultBindings(CInputManager::ALL_DEFAULTS);
        m_Player.m_pController = &m_Controller;
        g_PlayerActor = &m_Player;
        g_TextMaster.Enable();
        m_Dir.Write("Scripts/Mission/SaveMissionPre.txt", "MissionStartPos 10 0 20\nStartingRadius 2.5\n");
    }

    void TearDown() override
    {
        g_TextMaster.Reset();
        g_InGameMouse.SetVisible(false);
        g_PlayerActor = nullptr;
        g_pLevel = nullptr;
        g_CrimeFile.m_pListener = nullptr;
        g_InputManager.Shutdown();
        g_InputManager.Reset();
        Win32Platform::SetFixedLocalTime(nullptr);
        MenuFixture::TearDown();
    }

    void StandAt(const D3DXVECTOR3& position)
    {
        m_Player.m_Model.SetPosition(&position);
        m_Player.m_Model.UpdateWorldMatrix();
    }

    // One update of the input with the get-in-car key (F) down or up.
    void SetKey(bool down)
    {
        m_pKeyboard->GetStateBuffer()[DIK_F] = down ? DeviceObject::DOWN : 0;
        g_InputManager.Update();
    }

    std::unique_ptr<CSaveMission> MakeSavePoint() const
    {
        auto mission = std::make_unique<CSaveMission>();
        mission->LoadStartFile(START_SCRIPT);
        return mission;
    }

    // The screen listed in g_MenuManager, over a level that plays.
    void ListSaveScreen()
    {
        Load<CButton>("Scripts\\MenuButtons.txt", "Button Plate\nTexture Box\n");
        std::string menu = "MenuScreen \"Save Options\"\n" + Plate("Save Game") + Plate("Back") + "Link BK_MISS\n" +
                           Plate("Choose a slot");
        for (int slot = 1; slot <= 4; ++slot)
            menu += Plate("Slot " + std::to_string(slot)) + "Link SAVE_FILE\nOPT1 " + std::to_string(slot) + "\n";
        Load<CSingleMenu>("Scripts\\Menu\\MenuScreens.txt", menu);
        Load<CSingleScreen>("Scripts\\Menu\\SingleScreen.txt",
                            "SingleScreen \"Save Options\"\nMenuScreen \"Save Options\"\n");
        const std::string listing = "SingleScreen \"Save Options\"\n";
        CDataBuffer reader;
        reader.SetSeparators(SCRIPT_SEPARATORS);
        reader.Tokenise(listing.data(), listing.size());
        g_MenuManager.Load(reader);
        m_pScreen = g_MenuManager.FindScreen(CSaveMission::SCREEN_NAME);
        ASSERT_NE(nullptr, m_pScreen);
        m_Level.SetState(CLevel::STATE_PLAYING);
        g_pLevel = &m_Level;
    }

    std::string Caption(size_t button) const { return m_pScreen->m_pMenu->GetButtons()[button]->m_Caption; }

    DeviceKeyboard* m_pKeyboard = nullptr;
    CLocalController m_Controller;
    CGameActor m_Player;
    CLevel m_Level;
    CSingleScreen* m_pScreen = nullptr;
    FixedFrameTime m_FrameTime{FRAME_MS};
};

// Standing in the circle shows the prompt and keeps the key from a car; only
// the update on which the key comes up starts the save point, so one
// re-created under the player's feet waits for the next press.
TEST_F(SaveMissionTest, StartsInItsCircleOnTheUpdateTheGetInCarKeyComesUp)
{
    std::unique_ptr<CSaveMission> mission = MakeSavePoint();
    std::string key;
    g_InputManager.GetBindingName(key, CGameActor::ACTION_GET_IN_CAR);
    ASSERT_EQ("F", key);

    StandAt(D3DXVECTOR3(13, 0, 20));
    SetKey(true);
    SetKey(false);
    EXPECT_FALSE(mission->CanStart()) << "out of the circle";
    EXPECT_FALSE(m_Player.m_bUseKeyConsumed);
    EXPECT_TRUE(TakeTexts().empty());

    StandAt(D3DXVECTOR3(11, 0, 21));
    const struct {
        const char* what;
        bool down;
        bool starts;
    } updates[] = {
        {"standing", false, false}, {"pressed", true, false}, {"held", true, false},
        {"released", false, true},  {"after", false, false},  {"after again", false, false},
    };
    for (const auto& update : updates) {
        SCOPED_TRACE(update.what);
        SetKey(update.down);
        m_Player.m_bUseKeyConsumed = false;
        EXPECT_EQ(update.starts, mission->CanStart());
        EXPECT_TRUE(m_Player.m_bUseKeyConsumed);
        EXPECT_EQ(std::vector<std::string>{"Press F to save"}, TakeTexts());
    }
}

// Before any test lists the screen: g_MenuManager keeps every screen it has
// listed, and the assets of an earlier test are gone.
TEST_F(SaveMissionTest, WithoutTheSaveScreenItEndsAtOnce)
{
    std::unique_ptr<CSaveMission> mission = MakeSavePoint();
    const size_t stack = g_MenuManager.GetStackSize();
    EXPECT_EQ(CMission::MISSION_RUNNING, mission->Update());
    EXPECT_EQ(CMission::MISSION_WON, mission->Update());
    EXPECT_EQ(stack, g_MenuManager.GetStackSize());
    EXPECT_NE(std::string::npos, Log().find("No \"Save Options\" menu screen")) << Log();
}

// The first update opens the screen over the paused town and captions the
// slots that hold a save, up to the screen's last button; saving shows
// "Game Saved" for two seconds; Back closes the screen and ends it won.
TEST_F(SaveMissionTest, OpensTheSaveScreenSavesToASlotAndEndsOnBackOrWhenTheScreenIsGone)
{
    ListSaveScreen();
    const size_t stack = g_MenuManager.GetStackSize();
    const CTimeStamp older = [] {
        CTimeStamp stamp;
        EXPECT_TRUE(stamp.ParseDate("01/02/03"));
        return stamp;
    }();
    CProgressData saved;
    saved.m_TimeStamp = older;
    for (int slot : {2, 4, 6})
        m_Dir.Write("Saves/" + std::to_string(slot) + ".txt", ProgressText(saved));
    m_Dir.Write("Saves/3.txt", "MissionsOpen\n#:Cut");

    std::unique_ptr<CSaveMission> mission = MakeSavePoint();
    EXPECT_EQ(CMission::MISSION_RUNNING, mission->Update());
    EXPECT_EQ(m_pScreen, g_MenuManager.GetCurrentScreen());
    EXPECT_EQ(stack + 1, g_MenuManager.GetStackSize());
    EXPECT_EQ(CInputManager::CONTEXT_MENU, g_InputManager.GetCurrentContext());
    EXPECT_EQ(CLevel::STATE_PAUSED, m_Level.GetState());
    EXPECT_TRUE(g_InGameMouse.IsVisible());
    const std::vector<std::string> captions = {"Save Game", "Back", "Choose a slot", "Slot 1",
                                               older.ToString(), "Slot 3", older.ToString()};
    for (size_t button = 0; button < captions.size(); ++button)
        EXPECT_EQ(captions[button], Caption(button)) << button;
    EXPECT_EQ(CMission::MISSION_RUNNING, mission->Update()) << "it waits";

    // Saving into slot 3, as its button reports it.
    g_CrimeFile.m_pListener = mission.get();
    g_CrimeFile.ReportCrime(CRIME_SAVE, 3, nullptr, nullptr);
    g_CrimeFile.Update();
    CProgressData read;
    ASSERT_TRUE(LoadProgress("Saves\\3.txt", read));
    EXPECT_EQ(SAVE_POINT, read.m_StartingPos);
    EXPECT_EQ("13:5:9 \n4/22/5", read.m_TimeStamp.ToString());
    EXPECT_FLOAT_EQ(CSaveMission::MESSAGE_SECONDS, mission->GetMessageTimer());
    for (int frame = 0; frame < 4; ++frame) {
        TakeTexts();
        EXPECT_EQ(CMission::MISSION_RUNNING, mission->Update());
        EXPECT_EQ(frame < 3, TakeTexts() == std::vector<std::string>{"Game Saved"}) << frame;
    }
    EXPECT_EQ(0.0f, mission->GetMessageTimer());

    g_CrimeFile.ReportCrime(CRIME_BACK, 0, nullptr, nullptr);
    g_CrimeFile.Update();
    EXPECT_EQ(CMission::MISSION_WON, mission->Update());
    EXPECT_EQ(stack, g_MenuManager.GetStackSize()) << "popped once";
    EXPECT_EQ(nullptr, g_MenuManager.GetCurrentScreen());
    EXPECT_EQ(CLevel::STATE_PLAYING, m_Level.GetState());

    // Escape pops the screen with no Back event: the next update ends it,
    // and pops nothing more.
    std::unique_ptr<CSaveMission> again = MakeSavePoint();
    again->Update();
    ASSERT_EQ(m_pScreen, g_MenuManager.GetCurrentScreen());
    g_MenuManager.PopScreen();
    EXPECT_EQ(CMission::MISSION_WON, again->Update());
    EXPECT_EQ(stack, g_MenuManager.GetStackSize());

    // A write that fails says so at the same place.
    std::unique_ptr<CSaveMission> failing = MakeSavePoint();
    failing->Update();
    std::filesystem::create_directories(m_Dir.Path() + "/Saves/5.txt.new");
    CCrimeRecord save;
    save.m_iType = CRIME_SAVE;
    save.m_Value = 5;
    failing->OnEvent(save);
    TakeTexts();
    failing->Update();
    EXPECT_EQ(std::vector<std::string>{"Save failed"}, TakeTexts());
    g_MenuManager.PopScreen();
}

} // namespace
