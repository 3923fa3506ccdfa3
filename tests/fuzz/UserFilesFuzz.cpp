// The files a player keeps or edits by hand: the options, the key bindings,
// the car paints, the crime file, the phone's and the HUD's looks, the
// missions' start scripts, the cinema scripts, the missions' main scripts and
// the save slots, each read (and, where the game writes it back, written) by
// the game's own code in the private game folder.

#include <memory>
#include <string>

#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "Core/Game.h"
#include "Display/Camera.h"
#include "Game/CellPhone.h"
#include "Game/ChaseMissions.h"
#include "Game/CheckPointMission.h"
#include "Game/Cinema.h"
#include "Game/ConversationManager.h"
#include "Game/CrimeManager.h"
#include "Game/DestructionMission.h"
#include "Game/HUD.h"
#include "Game/Mission0.h"
#include "Game/Mission3.h"
#include "Game/MissionIntro.h"
#include "Game/ProgressData.h"
#include "Game/SaveMission.h"
#include "Game/WeaponTraining.h"
#include "Input/DeviceJoystick.h"
#include "Input/DeviceKeyboard.h"
#include "Input/DeviceMouse.h"
#include "Input/InputManager.h"
#include "Level/Level.h"
#include "fuzz/GameFileFuzz.h"

namespace {

const char* const OPTIONS = "Scripts\\Options.txt";
const char* const CONTROLS = "controls.cfg";
const char* const CELL_PHONE = "Scripts\\CellPhone.txt";

// Read, applied (mode, volumes, menus) as at start-up, then written back.
void ReadOptions()
{
    CGame game;
    game.LoadOptions();
    game.ApplyOptions();
    game.SaveOptions();
}

// A keyboard, a mouse and one pad, without DirectInput behind them.
void ReadControls()
{
    CInputManager manager;
    manager.Reset();
    manager.AttachDevice(CInputManager::KEYBOARD_SLOT, std::unique_ptr<DeviceObject>(new DeviceKeyboard()));
    manager.AttachDevice(CInputManager::MOUSE_SLOT, std::unique_ptr<DeviceObject>(new DeviceMouse()));
    std::unique_ptr<DeviceJoystick> pad(new DeviceJoystick());
    pad->SetProductName("Pad");
    manager.AttachDevice(CInputManager::FIRST_JOYSTICK_SLOT, std::move(pad));
    manager.LoadBindings(CONTROLS);
    manager.SaveBindings();
}

void ReadCarColors()
{
    CCarColorTable table;
    table.Load();
    table.Save();
}

void ReadCrimeFile()
{
    CCrimeManager crimes;
    crimes.Init();
}

void ReadCellPhone()
{
    CCellPhone phone;
    phone.Load(CELL_PHONE);
}

void ReadHUD()
{
    CHUD hud;
    hud.Load(g_PlayerActor);
}

template <class Mission>
void ReadMissionStart(const char* path)
{
    Mission mission;
    mission.LoadStartFile(path);
}

#define MISSION_START(Mission, path) {path, [] { ReadMissionStart<Mission>(path); }}

// Loaded as a mission loads it (a broken script ends in the fatal error),
// then played for a while, so that what was read also runs. The cameras and
// the player's animation are put back for the next input.
void ReadCinema(const char* path)
{
    const float frameSeconds = 0.1f;
    const int frames = 100;
    CCamera* const shown = g_pActiveCamera;
    const CCamera cinemaCamera = g_CinemaCamera;
    cObject& body = g_PlayerActor->m_Model;
    const std::string animation = body.GetAnimationName() != nullptr ? body.GetAnimationName() : "";
    const float animationTime = body.GetAnimationTime();
    CCinemaEventSequence cinema;
    cinema.CreateEventList();
    cinema.LoadScript(path);
    cinema.Start();
    for (int frame = 0; frame < frames && cinema.IsRunning(); ++frame) {
        cinema.Update(frameSeconds);
        g_CinemaCamera.Update();
    }
    g_pActiveCamera = shown;
    g_CinemaCamera = cinemaCamera;
    body.SetAnimation(animation.c_str());
    body.SetAnimationTime(animationTime);
}

#define CINEMA(path) {path, [] { ReadCinema(path); }}

// Every window of the day, each walked branch by branch as the phone and the
// HUD's window walk it.
void ReadConversation(const char* path)
{
    const int HALF_HOURS = 48;
    CConversationManager manager;
    for (int half = 0; half < HALF_HOURS; ++half) {
        CConversation* conversation = manager.GetConversation(path, 0.5f * static_cast<float>(half));
        if (conversation == nullptr)
            continue;
        for (const auto& branch : conversation->GetBranches()) {
            conversation->GotoBranch(branch.first);
            for (uint32_t i = 0; i < conversation->GetOutputCount() + 1; ++i)
                conversation->GetOutputText(i);
            for (uint32_t i = 0; i < conversation->GetInputCount() + 1; ++i)
                conversation->GetInputText(i);
            conversation->ChooseInput(0);
            conversation->ApplyChangeState();
        }
    }
}

#define CONVERSATION(path) {path, [] { ReadConversation(path); }}

// An empty level, current while it lives, that takes back what was placed
// in it when it goes.
class ScratchLevel {
public:
    ScratchLevel() : m_pPrevious(g_pLevel) { g_pLevel = &m_Level; }
    ~ScratchLevel()
    {
        m_Level.Shutdown();
        g_pLevel = m_pPrevious;
    }
    ScratchLevel(const ScratchLevel&) = delete;
    ScratchLevel& operator=(const ScratchLevel&) = delete;

private:
    CLevel m_Level;
    CLevel* m_pPrevious;
};

// Read in a level of its own, by the class that reads it, and ended, as
// the game would: main scripts, and start scripts that place a car.
template <class Mission = CMission>
void ReadMissionInLevel(const char* path, void (CMission::*load)(const std::string&))
{
    const ScratchLevel level;
    Mission mission;
    (mission.*load)(path);
    mission.End();
}

#define MISSION_MAIN(path) {path, [] { ReadMissionInLevel(path, &CMission::LoadMissionFile); }}
#define MISSION_MAIN_AS(path, Mission) {path, [] { ReadMissionInLevel<Mission>(path, &CMission::LoadMissionFile); }}
#define MISSION_START_PLACING(Mission, path) {path, [] { ReadMissionInLevel<Mission>(path, &CMission::LoadStartFile); }}

const char* const SAVE = "Saves\\1.txt";

// Read into a record of its own, then the slot saved over as the save point
// saves it (the seed is that written save).
void ReadSave()
{
    CProgressData progress;
    LoadProgress(SAVE, progress);
    SaveProgress(SAVE, nullptr);
}

} // namespace

const GameFileFuzzTarget& ThisFuzzTarget()
{
    static const GameFileFuzzTarget target = {
        PrepareShippedGame,
        {
            {OPTIONS, ReadOptions},
            {CONTROLS, ReadControls},
            {CCarColorTable::FILE_NAME, ReadCarColors},
            {"Scripts\\CrimeFile.txt", ReadCrimeFile},
            {CELL_PHONE, ReadCellPhone},
            {"Scripts\\HUD.txt", ReadHUD},
            MISSION_START(CMissionIntro, "Scripts\\Mission\\IntroPre.txt"),
            MISSION_START(CSaveMission, "Scripts\\Mission\\SaveMissionPre.txt"),
            MISSION_START(CMission2, "Scripts\\Mission\\3Pre.txt"),
            MISSION_START_PLACING(DestructionMission, "Scripts\\Mission\\5Pre.txt"),
            MISSION_START(CTimedCheckPointMission, "Scripts\\Mission\\6Pre.txt"),
            CINEMA("Scripts\\Mission\\IntroCinema.txt"),
            CINEMA("Scripts\\Mission\\Mission6Cinema.txt"),
            CINEMA("Scripts\\Mission\\CreditsCinema.txt"),
            CONVERSATION("Scripts\\Mission\\Intro_Conv0.txt"),
            CONVERSATION("Scripts\\Conversations\\Depot.txt"),
            CONVERSATION("Scripts\\Conversations\\Friend.txt"),
            MISSION_MAIN("Scripts\\Mission\\SaveMission.txt"),
            MISSION_MAIN_AS("Scripts\\Mission\\3.txt", CMission2),
            MISSION_MAIN_AS("Scripts\\Mission\\5.txt", DestructionMission),
            MISSION_MAIN_AS("Scripts\\Mission\\6.txt", CTimedCheckPointMission),
            MISSION_MAIN_AS("Scripts\\Mission\\Intro.txt", CMissionIntro),
            {SAVE, ReadSave},
            MISSION_START(CTimedCheckPointMission, "Scripts\\Mission\\CreditsPre.txt"),
            MISSION_MAIN_AS("Scripts\\Mission\\Credits.txt", CTimedCheckPointMission),
            MISSION_START_PLACING(CMission0, "Scripts\\Mission\\0Pre.txt"),
            MISSION_MAIN_AS("Scripts\\Mission\\0.txt", CMission0),
            MISSION_START(CMission1, "Scripts\\Mission\\2Pre.txt"),
            MISSION_MAIN_AS("Scripts\\Mission\\2.txt", CMission1),
            MISSION_START(CMission3, "Scripts\\Mission\\4Pre.txt"),
            MISSION_MAIN_AS("Scripts\\Mission\\4.txt", CMission3),
            MISSION_START_PLACING(CMissionWeaponTraining, "Scripts\\Mission\\1Pre.txt"),
            MISSION_MAIN_AS("Scripts\\Mission\\1.txt", CMissionWeaponTraining),
        }};
    return target;
}
