// The console on a key-state buffer of the test's own: opening and closing,
// editing and history, the parser and the dispatcher's output, console
// scripts and the handlers that need neither a player nor a scene.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "Console/Console.h"
#include "Console/ConsoleCommands.h"
#include "Console/ConsoleLines.h"
#include "Console/FullKeyboard.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Display/Camera.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Physics/Physics.h"
#include "Sound/Sound.h"
#include "platform/dinput/DInput.h"
#include "platform/win32/Windows.h"
#include "support/TempDir.h"

namespace {

// Never a multiple of the toggle's cooldown.
const float FRAME = 0.035f;
const BYTE DOWN = 0x80;
typedef ConsoleLines Lines;

class ConsoleTest : public ::testing::Test {
protected:
    ConsoleTest() : m_Cwd(m_Dir.Path()) { g_Log.Open("log.txt"); }
    ~ConsoleTest() override { g_Log.Shutdown(); }

    void SetUp() override
    {
        m_Keyboard.SetStateBuffer(m_Keys);
        m_Console.Init(nullptr, m_Keys, &m_Keyboard);
        m_TimeRatio = g_GameTimer.GetTimeRatio();
        m_DebugFlags = g_Game.m_DebugFlags;
        m_PhysicsOn = g_Physics.IsEnabled();
        m_TimeScale = g_Physics.GetTimeScale();
        m_Context = g_InputManager.GetCurrentContext();
        // Before the level: no level, no paint table, no player, no camera.
        m_Level = g_pLevel;
        m_Paints = CCarColorTable::CurrentForEditing();
        m_Player = g_PlayerActor;
        m_Camera = g_pActiveCamera;
        g_pLevel = nullptr;
        CCarColorTable::SetCurrent(nullptr);
        g_PlayerActor = nullptr;
        g_pActiveCamera = nullptr;
    }
    void TearDown() override
    {
        g_GameTimer.SetTimeRatio(m_TimeRatio);
        g_Game.m_DebugFlags = m_DebugFlags;
        g_Physics.SetEnabled(m_PhysicsOn);
        g_Physics.SetTimeScale(m_TimeScale);
        while (g_InputManager.GetCurrentContext() != m_Context)
            g_InputManager.PopContext();
        g_pLevel = m_Level;
        CCarColorTable::SetCurrent(m_Paints);
        g_PlayerActor = m_Player;
        g_pActiveCamera = m_Camera;
    }

    void Frame()
    {
        m_Keyboard.Update(FRAME);
        m_Console.Update(FRAME);
    }
    void Tap(int key)
    {
        m_Keys[key] = DOWN;
        Frame();
        m_Keys[key] = 0;
        Frame();
    }
    void Open()
    {
        Tap(DIK_GRAVE);
        ASSERT_TRUE(m_Console.IsOpen());
    }
    // The output from its first line to the current one.
    Lines Output() const
    {
        const CLineRing& output = m_Console.GetOutput();
        Lines lines;
        for (int32_t i = 0; i <= output.GetCurrentIndex(); ++i)
            lines.push_back(output.Line(i));
        return lines;
    }
    // The lines a run wrote, from its echo to the fresh line.
    Lines Run(const char* line) { return RunConsoleLine(m_Console, line); }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
    BYTE m_Keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard m_Keyboard;
    CConsole m_Console;
    float m_TimeRatio = 0.0f;
    uint32_t m_DebugFlags = 0;
    bool m_PhysicsOn = true;
    float m_TimeScale = 0.0f;
    int m_Context = 0;
    CLevel* m_Level = nullptr;
    CCarColorTable* m_Paints = nullptr;
    CGameActor* m_Player = nullptr;
    CCamera* m_Camera = nullptr;
};

TEST_F(ConsoleTest, HoldingTheToggleKeyOpensAtOnceClosesAfterTheCooldownAndOpensAgain)
{
    m_Keys[DIK_GRAVE] = DOWN;
    std::vector<int> changes;
    bool open = false;
    for (int frame = 1; frame <= 40; ++frame) {
        Frame();
        if (m_Console.IsOpen() != open) {
            open = m_Console.IsOpen();
            changes.push_back(frame);
            EXPECT_EQ(open ? CInputManager::CONTEXT_HELD : m_Context, g_InputManager.GetCurrentContext())
                << "frame " << frame;
        }
    }
    // 0.6 s is over after 18 frames of 0.035 s.
    EXPECT_EQ((std::vector<int>{1, 19, 37}), changes);
    EXPECT_EQ(Lines{""}, Output()) << "the grave accent types nothing";
}

// Game over opens its menu while the console is down: closing the console
// must leave the menu its context, and the menu's own pop must then give
// back the context from before the console.
TEST_F(ConsoleTest, ClosingTakesOnlyItsOwnContextWhenAMenuOpenedOverIt)
{
    g_InputManager.PushContext(CInputManager::CONTEXT_PLAY);
    Open();
    g_InputManager.PushContext(CInputManager::CONTEXT_MENU);
    m_Keys[DIK_GRAVE] = DOWN;
    for (int frame = 0; frame < 40 && m_Console.IsOpen(); ++frame)
        Frame();
    m_Keys[DIK_GRAVE] = 0;
    ASSERT_FALSE(m_Console.IsOpen());
    EXPECT_EQ(CInputManager::CONTEXT_MENU, g_InputManager.GetCurrentContext());
    g_InputManager.PopContext();
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, g_InputManager.GetCurrentContext());
    g_InputManager.PopContext();
}

TEST_F(ConsoleTest, NothingIsTypedWhileClosed)
{
    Tap(DIK_A);
    Tap(DIK_RETURN);
    EXPECT_EQ(Lines{""}, Output());
}

TEST_F(ConsoleTest, ATypedLineRunsOnEnterAndStaysAsItsEcho)
{
    Open();
    Tap(DIK_RETURN);
    EXPECT_EQ(Lines{""}, Output()) << "an empty line does nothing";
    EXPECT_EQ(0, m_Console.GetHistory().GetCurrentIndex());

    for (int key : {DIK_T, DIK_E, DIK_T, DIK_LEFT, DIK_LEFT, DIK_S, DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_LEFT})
        Tap(key);
    EXPECT_EQ("tset", m_Console.GetOutput().Line(0));
    EXPECT_EQ(3, m_Console.GetOutput().m_Column);
    Tap(DIK_RETURN);
    EXPECT_EQ((Lines{"tset", "Invalid command", ""}), Output());
    EXPECT_EQ("tset", m_Console.GetHistory().Line(0));
}

// The lines are the letters of the top rows, one a line.
TEST_F(ConsoleTest, TheHistoryKeepsTheLastLinesAndUpFromTheFreshSlotRecallsTheLast)
{
    const int keys[] = {DIK_Q, DIK_W, DIK_E, DIK_R, DIK_T, DIK_Y, DIK_U, DIK_I, DIK_O, DIK_P, DIK_A,
                        DIK_S, DIK_D, DIK_F, DIK_G, DIK_H, DIK_J, DIK_K, DIK_L, DIK_Z, DIK_X};
    Open();
    for (int key : keys) {
        Tap(key);
        Tap(DIK_RETURN);
    }
    const CLineRing& output = m_Console.GetOutput();
    Tap(DIK_UP);
    EXPECT_EQ("x", output.Current());
    EXPECT_EQ(1, output.m_Column);
    for (int i = 0; i < 18; ++i)
        Tap(DIK_UP);
    EXPECT_EQ("e", output.Current()) << "the oldest kept";
    Tap(DIK_UP);
    EXPECT_EQ("", output.Current()) << "\"q\" and \"w\" were overwritten";
    Tap(DIK_DOWN);
    EXPECT_EQ("e", output.Current());
}

TEST_F(ConsoleTest, TheDispatcherWritesItsResultsVerbatim)
{
    m_Console.AddCommand("FAILS", []() { return false; });
    struct Case {
        const char* line;
        Lines output;
    };
    const Case cases[] = {
        {"set timeratio 0.5", {"set timeratio 0.5", "TIMERATIO set successfully", ""}},
        {"SET NOSUCHTHING 1", {"Invalid command", ""}},
        {"SET TIMERATIO", {"Invalid float", ""}},
        {"SET DEBUGMODE XYZ", {"Invalid integar", ""}},
        {"SET TIME 14", {"Invalid time", ""}},
        {"SET FAILS", {"Function returned false", ""}},
        {"SET SETSPEED 0", {"SET SETSPEED 0", "Function returned false", ""}},
        {"SET AI SPAWN PED", {"SET AI SPAWN PED", "**Invalid AI SPAWN PED type**", "Function returned false", ""}},
        {"SET TEST", {"SET TEST", "TEST set successfully", ""}},
        {"TEST", {"TEST", "Invalid command", ""}},
        {"TAKE PICTURE", {"TAKE PICTURE", "Invalid command", ""}},
        {"TAKE SCREENSHOT", {"TAKE SCREENSHOT", "Screenshot failed", ""}},
        {"SET PLAYER MESH LIZARD", {"SET PLAYER MESH LIZARD", "Invalid command", ""}},
        {"SET PLAYER HAT", {"SET PLAYER HAT", "Invalid command", ""}},
        {"SET", {"Invalid command", ""}},
        {"SET DISPLAYMODE 0, 0 ,640", {"Invalid Display Mode", ""}},
        {"SET GRAVITY 0 -9.8 0", {"SET GRAVITY 0 -9.8 0", "Simulator does not exist", "Function returned false", ""}},
        {"SET GETPHYSICINFO", {"SET GETPHYSICINFO", "Simulator does not exist", "GETPHYSICINFO set successfully", ""}},
        {"SET SETHEALTH 50", {"SET SETHEALTH 50", "No player", "Function returned false", ""}},
        {"SET GETPOS", {"SET GETPOS", "No player", "Function returned false", ""}},
        {"SET SETPOS 1 2 3", {"SET SETPOS 1 2 3", "No player", "Function returned false", ""}},
        {"SET SETPOS 1 2", {"SET SETPOS 1 2", "Function returned false", ""}},
        {"SET SETWARNING 2", {"SET SETWARNING 2", "No player", "Function returned false", ""}},
        {"SET SETCONTROLLER", {"SET SETCONTROLLER", "No player", "Function returned false", ""}},
        {"SET SETCONTROLLER 0", {"SET SETCONTROLLER 0", "**Invalid AI ENTITY Index**", "Function returned false", ""}},
        {"SET GETCAMERAINFO", {"SET GETCAMERAINFO", "Camera does not exist.", "GETCAMERAINFO set successfully", ""}},
        {"SET SICK", {"SET SICK", "Invalid integer", "Function returned false", ""}},
        {"SET SPAWN", {"SET SPAWN", "**Invalid SPAWN Command**", "Function returned false", ""}},
        {"SET SPAWN CAR BUGGY", {"SET SPAWN CAR BUGGY", "No level loaded", "Function returned false", ""}},
        {"SET SPAWN BOX 1 2 3", {"SET SPAWN BOX 1 2 3", "No level loaded", "Function returned false", ""}},
        {"SET ADDCOLOR", {"SET ADDCOLOR", "No level loaded", "Function returned false", ""}},
        {"SET SAVECOLORS", {"SET SAVECOLORS", "No level loaded", "Function returned false", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.output, Run(c.line));
    }
    EXPECT_FLOAT_EQ(0.5f, g_GameTimer.GetTimeRatio());
}

TEST_F(ConsoleTest, VariablesAreWrittenInTheirOwnType)
{
    struct Case {
        const char* line;
        uint32_t debugFlags;
    };
    const Case cases[] = {
        {"SET DEBUGMODE 0X1F", 31}, {"SET DEBUGMODE 017", 15}, {"SET DEBUGMODE 12AB", 12},
        {"SET DEBUGMODE ABC", 0},   {"SET DEBUGMODE 0XFFFFFFFF", 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        m_Console.RunLine(c.line);
        EXPECT_EQ(c.debugFlags, g_Game.m_DebugFlags);
    }

    m_Console.RunLine("SET SICK 0X22");
    EXPECT_EQ(0x22u, g_Game.m_DebugFlags) << "the same word as DEBUGMODE";
    m_Console.RunLine("SET CONSOLECOLOR 0X800000FF");
    EXPECT_EQ(0x800000FFu, m_Console.GetColour());
    m_Console.RunLine("SET TIMERATIO ABC");
    EXPECT_EQ(0.0f, g_GameTimer.GetTimeRatio());

    g_GameTimer.m_Year = 3;
    g_GameTimer.m_Days = 4;
    m_Console.RunLine("SET TIME 14:30");
    EXPECT_EQ(0, g_GameTimer.m_Year);
    EXPECT_EQ(0, g_GameTimer.m_Days);
    EXPECT_EQ(14, g_GameTimer.m_Hour);
    EXPECT_EQ(30, g_GameTimer.m_Minute);
    m_Console.RunLine("SET TIME 25:00");
    EXPECT_EQ(14, g_GameTimer.m_Hour) << "no such hour";
}

TEST_F(ConsoleTest, PhysicsZeroStopsSteppingAndLeavesTheTimeScale)
{
    g_Physics.SetTimeScale(1.25f);
    m_Console.RunLine("SET PHYSICS 0");
    EXPECT_FALSE(g_Physics.IsEnabled());
    EXPECT_FLOAT_EQ(1.25f, g_Physics.GetTimeScale());
    m_Console.RunLine("SET PHYSICS 7");
    EXPECT_TRUE(g_Physics.IsEnabled());
}

TEST_F(ConsoleTest, SetSpeedTakesOnlyAFiniteScaleAboveZero)
{
    struct Case {
        const char* line;
        float scale;
    };
    const Case cases[] = {
        {"SET SETSPEED 2", 2.0f}, {"SET SETSPEED 0", 2.0f},   {"SET SETSPEED -1", 2.0f},
        {"SET SETSPEED", 2.0f},   {"SET SETSPEED NAN", 2.0f}, {"SET SETSPEED 0.5", 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        m_Console.RunLine(c.line);
        EXPECT_FLOAT_EQ(c.scale, g_Physics.GetTimeScale());
    }
}

TEST_F(ConsoleTest, SetVolumeSetsBothVolumesWithinTheLibrarysRange)
{
    EXPECT_EQ((Lines{"SET SETVOLUME", "Function returned false", ""}), Run("SET SETVOLUME"));
    m_Console.RunLine("SET SETVOLUME 100");
    EXPECT_EQ(100, g_Sound.GetSfxVolume());
    EXPECT_EQ(100, g_Sound.GetMusicVolume());
    m_Console.RunLine("SET SETVOLUME 999");
    EXPECT_EQ(CSound::MAX_VOLUME, g_Sound.GetSfxVolume());
    EXPECT_EQ(CSound::MAX_VOLUME, g_Sound.GetMusicVolume());
}

TEST_F(ConsoleTest, GetSoundCountsThePlayingChannels)
{
    EXPECT_EQ((Lines{"SET GETSOUND", "Number Of Channels Playing: 0", "GETSOUND set successfully", ""}),
              Run("SET GETSOUND"));
}

TEST_F(ConsoleTest, QuitPostsTheQuitMessage)
{
    EXPECT_EQ((Lines{"SET QUIT", "QUIT set successfully", ""}), Run("SET QUIT"));
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(0u, msg.wParam);
}

TEST_F(ConsoleTest, GetCameraInfoAppendsTwoCinemaStatementsEachTime)
{
    CCamera camera;
    camera.m_matWorld = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1);
    camera.SetPosition(D3DXVECTOR3(10, 20, 30));
    camera.m_fVerticalAngle = 0.25f;
    g_pActiveCamera = &camera;
    const Lines printed = Run("SET GETCAMERAINFO");
    m_Console.RunLine("SET GETCAMERAINFO");

    EXPECT_EQ((Lines{"SET GETCAMERAINFO", "Camera Pos: 10.000000 20.000000 30.000000",
                     "Camera Look At: 0.000000 0.000000 1.000000", "Camera Up Vector: 0.000000 1.000000 0.000000",
                     "Camera Angle: 0.250000", "GETCAMERAINFO set successfully", ""}),
              printed);
    const std::string statements = "fade so at 0.000000 camera pos = xyz(10.000000 20.000000 30.000000)\n"
                                   "fade so at 0.000000 camera lookat = xyz(0.000000 0.000000 1.000000), "
                                   "xyz(0.000000 1.000000 0.000000)\n";
    EXPECT_EQ(statements + statements, m_Dir.Read(CAMERA_INFO_FILE));
}

TEST_F(ConsoleTest, TheFirstRegistrationOfANameStays)
{
    m_Console.AddCommand("TEST", []() { return false; });
    EXPECT_EQ((Lines{"SET TEST", "TEST set successfully", ""}), Run("SET TEST"));
}

TEST_F(ConsoleTest, AScriptRunsItsLinesWithoutTheirLineEnds)
{
    m_Dir.Write("Scripts/Console/Setup.txt", "SET DEBUGMODE 5\r\nX\r\n\r\nset timeratio 2\n\nSET CONSOLECOLOR 0X10");
    EXPECT_TRUE(m_Console.ExecuteFile("Scripts\\Console\\Setup.txt"));
    EXPECT_EQ(5u, g_Game.m_DebugFlags);
    EXPECT_FLOAT_EQ(2.0f, g_GameTimer.GetTimeRatio());
    EXPECT_EQ(0x10u, m_Console.GetColour()) << "the last line needs no line end";
    EXPECT_EQ((Lines{"", "SET DEBUGMODE 5", "DEBUGMODE set successfully", "set timeratio 2",
                     "TIMERATIO set successfully", "SET CONSOLECOLOR 0X10", "CONSOLECOLOR set successfully", ""}),
              Output())
        << "one-character and empty lines are skipped";
}

TEST_F(ConsoleTest, ALineOfEightyCharactersStopsTheScript)
{
    const std::string longest = "SET DEBUGMODE 1" + std::string(79 - 15, ' ');
    const std::string tooLong = "SET DEBUGMODE 2" + std::string(80 - 15, ' ');
    m_Dir.Write("Scripts/Console/Long.txt", longest + "\r\n" + tooLong + "\nSET DEBUGMODE 3\n");
    EXPECT_EQ((Lines{"SCRIPT LONG.TXT", longest, "DEBUGMODE set successfully", "Line too long",
                     "Script Loaded Successfully", ""}),
              Run("SCRIPT LONG.TXT"));
    EXPECT_EQ(1u, g_Game.m_DebugFlags);
    EXPECT_NE(std::string::npos, m_Dir.Read("log.txt").find("Line too long in Scripts\\Console\\LONG.TXT"));
}

TEST_F(ConsoleTest, AMissingScriptIsReported)
{
    EXPECT_FALSE(m_Console.ExecuteFile("Scripts\\Console\\Missing.txt"));
    EXPECT_EQ((Lines{"SCRIPT MISSING.TXT", "Cannot find file", ""}), Run("SCRIPT MISSING.TXT"));
    m_Dir.Write("Scripts/Console/Other.txt", "SET TEST\n");
    EXPECT_EQ((Lines{"SCRIPT", "Cannot find file", ""}), Run("SCRIPT")) << "the folder is no script";
}

int s_Runs = 0;

bool CountRun()
{
    ++s_Runs;
    return true;
}

TEST_F(ConsoleTest, ScriptsNestEightDeepAndNoDeeper)
{
    m_Console.AddCommand("COUNT", CountRun);
    m_Dir.Write("Scripts/Console/Self.txt", "SET COUNT\nSCRIPT SELF.TXT\n");
    s_Runs = 0;
    m_Console.RunLine("SCRIPT SELF.TXT");
    EXPECT_EQ(CConsole::MAX_SCRIPT_DEPTH, s_Runs);
    const Lines output = Output();
    const Lines expected = {"Script nesting too deep", "Script Loaded Successfully", "Script Loaded Successfully"};
    EXPECT_NE(output.end(), std::search(output.begin(), output.end(), expected.begin(), expected.end()));
    EXPECT_EQ("", output.back());
}

TEST_F(ConsoleTest, CarEditSwitchesTheCarEditor)
{
    m_Console.RunLine("SET CAREDIT 1");
    EXPECT_EQ(1, g_CarEditMode);
    m_Console.RunLine("SET CAREDIT 0");
    EXPECT_EQ(0, g_CarEditMode);
}

// The paint commands edit the level's working paint and put it on the
// player's car; without a car or with a bad colour they fail and say why.
TEST_F(ConsoleTest, PaintCommandsEditTheWorkingPaintOfThePlayersCar)
{
    CCarColorTable table;
    CCarColorTable::SetCurrent(&table);
    const Lines notInACar = {"Your not in a car", "Function returned false", ""};
    const Lines invalid = {"Invalid Color fool", "Function returned false", ""};
    struct Case {
        const char* line;
        Lines output;
    };
    const Case onFoot[] = {
        {"SET CCOLOR 1 0 0", notInACar}, {"SET CSPEC 1 0 0", notInACar}, {"SET CPOWER 5", notInACar},
        {"SET CINDEX 0", notInACar},     {"SET CCOLOR 1 0", invalid},    {"SET CPOWER", invalid},
        {"SET CINDEX", invalid},
    };
    for (const Case& c : onFoot) {
        SCOPED_TRACE(c.line);
        Lines expected = {c.line};
        expected.insert(expected.end(), c.output.begin(), c.output.end());
        EXPECT_EQ(expected, Run(c.line));
    }
    EXPECT_EQ(table.GetDefault().Diffuse.g, table.GetWorking().Diffuse.g) << "nothing changed on foot";

    CCar car;
    CGameActor player;
    player.m_pCar = &car;
    g_PlayerActor = &player;
    EXPECT_EQ((Lines{"SET CCOLOR 0.5 0.25 0", "CCOLOR set successfully", ""}), Run("SET CCOLOR 0.5 0.25 0"));
    m_Console.RunLine("SET CSPEC 0.1 0.2 0.3");
    m_Console.RunLine("SET CPOWER 12");
    const D3DMATERIAL8& working = table.GetWorking();
    EXPECT_FLOAT_EQ(0.5f, working.Diffuse.r);
    EXPECT_FLOAT_EQ(0.25f, working.Diffuse.g);
    EXPECT_FLOAT_EQ(1.0f, working.Diffuse.a);
    EXPECT_FLOAT_EQ(0.3f, working.Specular.b);
    EXPECT_FLOAT_EQ(12.0f, working.Power);
    EXPECT_EQ((Lines{"SET CINDEX 0", "Invalid Color fool", "Function returned false", ""}), Run("SET CINDEX 0"))
        << "an empty table has no entry 0";

    m_Console.RunLine("SET ADDCOLOR");
    ASSERT_EQ(1u, table.GetCount());
    EXPECT_EQ((Lines{"SET CINDEX 0", "CINDEX set successfully", ""}), Run("SET CINDEX 0"));
    for (const char* outside : {"SET CINDEX 1", "SET CINDEX -1"}) {
        SCOPED_TRACE(outside);
        EXPECT_EQ((Lines{outside, "Invalid Color fool", "Function returned false", ""}), Run(outside));
    }
    EXPECT_FLOAT_EQ(0.5f, table.Get(0).Diffuse.r);
    EXPECT_EQ((Lines{"SET SAVECOLORS", "SAVECOLORS set successfully", ""}), Run("SET SAVECOLORS"));
    EXPECT_EQ("ColorPos: 0\nColor: 1 0.5 0.25 0\nSpecular: 1 0.1 0.2 0.3\nSpecPower: 12\n\n",
              m_Dir.Read("Scripts/CarColor.txt"));
    g_PlayerActor = nullptr;
    CCarColorTable::SetCurrent(nullptr);
}

// CACOLOR paints every active car of the level with the working colour.
TEST_F(ConsoleTest, AllCarsColourNeedsALevelAndAColour)
{
    CCarColorTable table;
    CCarColorTable::SetCurrent(&table);
    EXPECT_EQ((Lines{"SET CACOLOR 1 0", "Invalid Color fool", "Function returned false", ""}),
              Run("SET CACOLOR 1 0"));
    EXPECT_EQ((Lines{"SET CACOLOR 0 1 0", "No level loaded", "Function returned false", ""}),
              Run("SET CACOLOR 0 1 0"));

    CLevel level;
    CCar car;
    level.GetActiveCars().push_back(&car);
    g_pLevel = &level;
    EXPECT_EQ((Lines{"SET CACOLOR 0 1 0", "CACOLOR set successfully", ""}), Run("SET CACOLOR 0 1 0"));
    EXPECT_FLOAT_EQ(1.0f, table.GetWorking().Diffuse.g);
    EXPECT_FLOAT_EQ(0.0f, table.GetWorking().Diffuse.r);
    g_pLevel = nullptr;
    level.GetActiveCars().clear();
    CCarColorTable::SetCurrent(nullptr);
}

} // namespace
