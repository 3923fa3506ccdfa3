// The game as a player starts it, looked at on its first front-end frame:
// the level "Modern" loaded and paused behind the main menu.

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Core/AssetManager.h"
#include "Core/Game.h"
#include "Display/Camera.h"
#include "Game/CellPhone.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/Level.h"
#include "Sound/Sound.h"
#include "support/FatalTrap.h"
#include "support/ScriptedGame.h"
#include "support/TempDir.h"

namespace {

// What the first front-end frame saw.
struct StartUpSeen {
    bool ran = false;
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
    // Where the player stood in the first frame, and where the sound
    // listener was at the start of the next.
    D3DXVECTOR3 playerPosition;
    D3DXVECTOR3 listenerPosition;
    bool listenerSeen = false;
};

StartUpSeen s_Seen;

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
    const D3DXMATRIX& player = g_Player.m_Model.m_matWorld;
    s_Seen.playerPosition = D3DXVECTOR3(player._41, player._42, player._43);
}

// Looks before the first front-end frame runs; the next frame shows where
// the first one left the listener, and closes the game.
int ScriptedStartUp()
{
    if (s_Seen.ran && !s_Seen.listenerSeen) {
        s_Seen.listenerPosition = g_Sound.GetLastListenerPosition();
        s_Seen.listenerSeen = true;
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    }
    if (!s_Seen.ran)
        LookAtTheGame();
    FrontEndState();
    return 1;
}

TEST(GameStartUpTest, ReachesTheFrontEndOverThePausedModernFromTheMenuCamera)
{
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());
    EXPECT_EQ(0, RunGameScripted(ScriptedStartUp));
    ASSERT_TRUE(s_Seen.ran);

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

    ASSERT_TRUE(s_Seen.listenerSeen);
    EXPECT_GT(D3DXVec3Length(&s_Seen.playerPosition), 0.0f) << "the player stands in the town";
    EXPECT_FLOAT_EQ(s_Seen.playerPosition.x, s_Seen.listenerPosition.x) << "the listener is at the player";
    EXPECT_FLOAT_EQ(s_Seen.playerPosition.y, s_Seen.listenerPosition.y);
    EXPECT_FLOAT_EQ(s_Seen.playerPosition.z, s_Seen.listenerPosition.z);

    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
    EXPECT_EQ(std::string::npos, log.find("Warning")) << log;
}

// An asset start-up cannot do without, the script that declares it and the
// class it is looked up as.
struct RequiredAsset {
    const char* m_Name;
    const char* m_Script;
    const char* m_ClassName;
};

const RequiredAsset REQUIRED_ASSETS[] = {
    {"Test1", "Scripts/Textures.txt", "CTexture"},
    {"Lizard", "Scripts/GameActors.txt", "CGameActor"},
    {"pistol", "Scripts/Weapons.txt", "CWeapon"},
    {"MainGameTimer", "Scripts/GameTimer.txt", "CGameTimer"},
    {"default", "Scripts/Mouses.txt", "CInGameMouse"},
    {"Sphere", "Scripts/ComplexObjects.txt", "CComplexObject"},
    {"Modern", "Scripts/Levels.txt", "CLevel"},
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
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());
    RenameBlock(dir.Path() + "/" + asset.m_Script, asset.m_Name);
    const std::string message =
        std::string("Unable to find asset \"") + asset.m_Name + "\" of type <" + asset.m_ClassName + ">";
    EXPECT_FATAL(RunGameScripted(CloseAtOnce), message);
}

INSTANTIATE_TEST_SUITE_P(GameStartUp, GameRequiredAssetTest, ::testing::ValuesIn(REQUIRED_ASSETS),
                         [](const ::testing::TestParamInfo<RequiredAsset>& info) {
                             return std::string(info.param.m_Name);
                         });

} // namespace
