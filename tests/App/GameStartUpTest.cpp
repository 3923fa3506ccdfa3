// The game as a player starts it, looked at on its first front-end frame:
// the level "Modern" loaded and paused behind the main menu, the first
// missions waiting in the town.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Core/AssetManager.h"
#include "Core/Game.h"
#include "Display/Camera.h"
#include "Display/ComplexObject.h"
#include "Display/Display.h"
#include "Game/CellPhone.h"
#include "Game/ChaseMissions.h"
#include "Game/CheckPointMission.h"
#include "Game/DestructionMission.h"
#include "Game/HUD.h"
#include "Game/MissionIntro.h"
#include "Game/MissionManager.h"
#include "Game/PhoneDirectory.h"
#include "Game/SaveMission.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/Level.h"
#include "Physics/Physics.h"
#include "Sound/Sound.h"
#include "support/FatalTrap.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"

namespace {

// What the first front-end frame saw.
struct StartUpSeen {
    bool ran = false;
    // Frames run by the script: the window closes in the first.
    int frames = 0;
    // The states under the front end's, top first, down to the bottom's null.
    ScreenState states[5] = {};
    size_t savedStates = 0;
    CLevel* level = nullptr;
    CLevel* prototype = nullptr;
    std::string levelName;
    bool levelReady = false;
    int levelState = -1;
    int inputContext = -1;
    CCamera* activeCamera = nullptr;
    D3DXMATRIX freeCameraWorld;
    uint32_t freeCameraMode = 0;
    uint32_t gameCameraMode = 0;
    const D3DXMATRIX* gameCameraTarget = nullptr;
    const CController* cellPhoneController = nullptr;
    bool cellPhoneLoaded = false;
    const CGameActor* hudPlayer = nullptr;
    // Where the player stood in the first frame; the sound listener is put
    // there at the frame's end.
    D3DXVECTOR3 playerPosition;
    // The missions in list order: names, and whether each is of the class
    // its name asks for.
    std::vector<std::string> missionNames;
    std::vector<bool> missionClassesRight;
    // The racers of the two checkpoint runs ("3" and "6").
    std::vector<CGameActor*> bombRunRacers;
    std::vector<CGameActor*> timedRunRacers;
    // The player and its prototype after the player was changed.
    const CGameActor* playerPrototype = nullptr;
    float prototypeWantedLevel = -1.0f;
};

StartUpSeen s_Seen;

template <class Mission>
bool IsA(const CMission* mission)
{
    return dynamic_cast<const Mission*>(mission) != nullptr;
}

void LookAtTheMissions()
{
    bool (*const expectedClass[])(const CMission*) = {
        IsA<CMission2>, IsA<DestructionMission>, IsA<CTimedCheckPointMission>, IsA<CSaveMission>, IsA<CMissionIntro>,
    };
    for (size_t i = 0; i < g_MissionManager.GetMissionCount(); ++i) {
        const CMission* mission = g_MissionManager.GetMission(i);
        s_Seen.missionNames.push_back(mission->GetName());
        s_Seen.missionClassesRight.push_back(i < std::size(expectedClass) && expectedClass[i](mission));
    }
    if (auto* bombRun = dynamic_cast<const CCheckPointMission*>(g_MissionManager.GetMission(0)))
        s_Seen.bombRunRacers = bombRun->GetRacers();
    if (auto* timedRun = dynamic_cast<const CCheckPointMission*>(g_MissionManager.GetMission(2)))
        s_Seen.timedRunRacers = timedRun->GetRacers();
}

// The player is changed and changed back.
void LookAtThePlayersPrototype()
{
    CGameActor* prototype = nullptr;
    g_AssetManager.GetAsset("Lizard", prototype, false);
    s_Seen.playerPrototype = prototype;
    const float wanted = g_Player.m_fWantedLevel;
    g_Player.m_fWantedLevel = wanted + 3.0f;
    s_Seen.prototypeWantedLevel = prototype != nullptr ? prototype->m_fWantedLevel - g_Player.m_fWantedLevel : 0.0f;
    g_Player.m_fWantedLevel = wanted;
}

void LookAtTheGame()
{
    s_Seen.ran = true;
    CGame stack = g_Game;
    s_Seen.savedStates = stack.GetSavedStateCount();
    for (ScreenState& state : s_Seen.states) {
        stack.PopState();
        state = stack.GetCurrentState();
    }
    s_Seen.level = g_pLevel;
    g_AssetManager.GetAsset("Modern", s_Seen.prototype, false);
    s_Seen.levelName = g_pLevel != nullptr ? g_pLevel->GetName() : std::string();
    s_Seen.levelReady = g_pLevel != nullptr && g_pLevel->IsReady();
    s_Seen.levelState = g_pLevel != nullptr ? g_pLevel->GetState() : -1;
    s_Seen.inputContext = g_InputManager.GetCurrentContext();
    s_Seen.activeCamera = g_pActiveCamera;
    s_Seen.freeCameraWorld = g_FreeCamera.m_matWorld;
    s_Seen.freeCameraMode = g_FreeCamera.m_u32Mode;
    s_Seen.gameCameraMode = g_GameCamera.m_u32Mode;
    s_Seen.gameCameraTarget = g_GameCamera.m_pTarget;
    s_Seen.cellPhoneController = g_CellPhone.m_pController;
    s_Seen.cellPhoneLoaded = g_CellPhone.IsLoaded();
    s_Seen.hudPlayer = g_HUD.GetPlayer();
    const D3DXMATRIX& player = g_Player.m_Model.m_matWorld;
    s_Seen.playerPosition = D3DXVECTOR3(player._41, player._42, player._43);
    LookAtTheMissions();
    LookAtThePlayersPrototype();
}

// Looks before the first front-end frame runs, and closes the game: no
// frame follows once the window is gone.
int ScriptedStartUp()
{
    ++s_Seen.frames;
    if (!s_Seen.ran)
        LookAtTheGame();
    PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    FrontEndState();
    return 1;
}

// What the destructors at exit run once more: each must find nothing left to
// release and write nothing.
void ShutDownAgain()
{
    g_Display.Shutdown();
    g_pLevel->Shutdown();
    g_Player.Shutdown();
    g_Physics.Shutdown();
    g_InputManager.Shutdown();
    g_LocalController.Shutdown();
    g_CellPhone.Shutdown();
    g_PhoneDirectory.Shutdown();
    g_Sphere.Shutdown();
}

TEST(GameStartUpTest, ReachesTheFrontEndOverThePausedModernFromTheMenuCamera)
{
    GameFolderCopy dir;
    EXPECT_EQ(0, RunGameScripted(ScriptedStartUp));
    ASSERT_TRUE(s_Seen.ran);
    EXPECT_EQ(1, s_Seen.frames) << "no frame is drawn once the window is gone";

    // Under the script's state: the front end, the play that start-up and
    // StartGame each pushed, the null state and the bottom's null entry.
    EXPECT_EQ(5u, s_Seen.savedStates);
    EXPECT_EQ(&FrontEndState, s_Seen.states[0]);
    EXPECT_EQ(&InGameState, s_Seen.states[1]);
    EXPECT_EQ(&InGameState, s_Seen.states[2]);
    EXPECT_EQ(&NullState, s_Seen.states[3]);
    EXPECT_EQ(&NullState, s_Seen.states[4]) << "the bottom entry is null";

    ASSERT_NE(nullptr, s_Seen.level);
    EXPECT_EQ(s_Seen.prototype, s_Seen.level) << "the prototype itself, not a copy";
    EXPECT_EQ("Modern", s_Seen.levelName);
    EXPECT_TRUE(s_Seen.levelReady);
    EXPECT_EQ(CLevel::STATE_PAUSED, s_Seen.levelState);
    EXPECT_EQ(CInputManager::CONTEXT_MENU, s_Seen.inputContext);

    EXPECT_EQ(&g_FreeCamera, s_Seen.activeCamera);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_FREE_FLY), s_Seen.freeCameraMode);
    EXPECT_FLOAT_EQ(514.331909f, s_Seen.freeCameraWorld._41);
    EXPECT_FLOAT_EQ(27.839115f, s_Seen.freeCameraWorld._42);
    EXPECT_FLOAT_EQ(310.794739f, s_Seen.freeCameraWorld._43);
    EXPECT_FLOAT_EQ(-0.732098f, s_Seen.freeCameraWorld._11);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), s_Seen.gameCameraMode);
    EXPECT_EQ(&g_Player.m_Model.m_matWorld, s_Seen.gameCameraTarget);
    EXPECT_EQ(&g_LocalController, s_Seen.cellPhoneController);

    EXPECT_TRUE(s_Seen.cellPhoneLoaded);
    EXPECT_EQ(&g_Player, s_Seen.hudPlayer);

    const std::vector<std::string> missions = {"3", "5", "6", "SaveMission", "Intro"};
    EXPECT_EQ(missions, s_Seen.missionNames);
    EXPECT_EQ(std::vector<bool>(missions.size(), true), s_Seen.missionClassesRight)
        << "CMission2, DestructionMission, CTimedCheckPointMission, CSaveMission, CMissionIntro";
    EXPECT_EQ(std::vector<CGameActor*>{&g_Player}, s_Seen.bombRunRacers);
    EXPECT_EQ(std::vector<CGameActor*>{&g_Player}, s_Seen.timedRunRacers);

    ASSERT_NE(nullptr, s_Seen.playerPrototype);
    EXPECT_NE(&g_Player, s_Seen.playerPrototype) << "the player is a copy of Lizard";
    EXPECT_FLOAT_EQ(-3.0f, s_Seen.prototypeWantedLevel) << "changing the player leaves the prototype";

    // The one frame left the listener at the player.
    const D3DXVECTOR3 listener = g_Sound.GetLastListenerPosition();
    EXPECT_GT(D3DXVec3Length(&s_Seen.playerPosition), 0.0f) << "the player stands in the town";
    EXPECT_FLOAT_EQ(s_Seen.playerPosition.x, listener.x) << "the listener is at the player";
    EXPECT_FLOAT_EQ(s_Seen.playerPosition.y, listener.y);
    EXPECT_FLOAT_EQ(s_Seen.playerPosition.z, listener.z);

    // Shut-down wrote the options and the key bindings; the second round
    // writes neither again.
    const std::string options = dir.Path() + "/Scripts/Options.txt";
    const std::string controls = dir.Path() + "/controls.cfg";
    EXPECT_NE(std::string::npos, dir.Read("Scripts/Options.txt").find("BFullScreen: "));
    EXPECT_FALSE(dir.Read("controls.cfg").empty());
    std::filesystem::remove(options);
    std::filesystem::remove(controls);
    ShutDownAgain();
    EXPECT_FALSE(std::filesystem::exists(options));
    EXPECT_FALSE(std::filesystem::exists(controls));

    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
    EXPECT_EQ(std::string::npos, log.find("Warning")) << log;
}

// An asset start-up cannot do without, the script that declares it, the
// class it is looked up as and the script being read when it is looked up.
struct RequiredAsset {
    const char* m_Name;
    const char* m_Script;
    const char* m_ClassName;
    const char* m_LookedUpIn;
};

const RequiredAsset REQUIRED_ASSETS[] = {
    {"Test1", "Scripts/Textures.txt", "CTexture", "Scripts\\ComplexObjects.txt"},
    {"Lizard", "Scripts/GameActors.txt", "CGameActor", ""},
    {"pistol", "Scripts/Weapons.txt", "CWeapon", ""},
    {"MainGameTimer", "Scripts/GameTimer.txt", "CGameTimer", ""},
    {"default", "Scripts/Mouses.txt", "CInGameMouse", ""},
    {"Sphere", "Scripts/ComplexObjects.txt", "CComplexObject", ""},
    {"Modern", "Scripts/Levels.txt", "CLevel", ""},
};

// Renames the block that declares `name` (its keyword at the start of a line)
// so that nothing of that name is left.
void RenameBlock(const std::string& path, const std::string& name)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    const std::regex declaration("^(\\w+[ \\t]+)" + name + "[ \\t\\r]*$", std::regex::multiline);
    const std::string renamed = std::regex_replace(text.str(), declaration, "$1" + name + "_removed");
    ASSERT_NE(text.str(), renamed) << name << " is declared in " << path;
    std::ofstream(path, std::ios::trunc) << renamed;
}

int CloseAtOnce()
{
    PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    FrontEndState();
    return 1;
}

class GameRequiredAssetTest : public ::testing::TestWithParam<RequiredAsset> {};

TEST_P(GameRequiredAssetTest, StartUpStopsNamingTheMissingAsset)
{
    const RequiredAsset& asset = GetParam();
    GameFolderCopy dir;
    RenameBlock(dir.Path() + "/" + asset.m_Script, asset.m_Name);
    std::string message =
        std::string("Unable to find asset \"") + asset.m_Name + "\" of type <" + asset.m_ClassName + ">";
    if (*asset.m_LookedUpIn != '\0')
        message += std::string("\nin ") + asset.m_LookedUpIn;
    EXPECT_FATAL(RunGameScripted(CloseAtOnce), message);
}

INSTANTIATE_TEST_SUITE_P(GameStartUp, GameRequiredAssetTest, ::testing::ValuesIn(REQUIRED_ASSETS),
                         [](const ::testing::TestParamInfo<RequiredAsset>& info) {
                             return std::string(info.param.m_Name);
                         });

} // namespace
