#include "Game/MissionManager.h"

#include <algorithm>

#include "Actors/GameActor.h"
#include "Core/StepTrace.h"
#include "Game/ChaseMissions.h"
#include "Game/CheckPointMission.h"
#include "Game/CrimeManager.h"
#include "Game/DestructionMission.h"
#include "Game/Extras.h"
#include "Game/HUD.h"
#include "Game/Mission0.h"
#include "Game/Mission3.h"
#include "Game/MissionIntro.h"
#include "Game/SaveMission.h"
#include "Game/WeaponTraining.h"
#include "Level/GameTimer.h"

namespace {

const char* const MISSION_FOLDER = "Scripts\\Mission\\";
const char* const START_SCRIPT_SUFFIX = "Pre.txt";
const char* const CREDITS = "Credits";
const char* const CREDITS_START_SCRIPT = "CreditsPre.txt";
const char* const CREDITS_MAIN_SCRIPT = "Credits.txt";

template <class T>
std::unique_ptr<CMission> Make()
{
    return std::make_unique<T>();
}

// Each mission class's issue adds its row.
const MissionClass SHIPPED_CLASSES[] = {
    {"Intro", &Make<CMissionIntro>, false},
    {"0", &Make<CMission0>, true},
    {"1", &Make<CMissionWeaponTraining>, false},
    {"SaveMission", &Make<CSaveMission>, false},
    {"2", &Make<CMission1>, true},
    {"3", &Make<CMission2>, true},
    {"4", &Make<CMission3>, false},
    {"5", &Make<DestructionMission>, false},
    {"6", &Make<CTimedCheckPointMission>, true},
};

void GivePlayer(CMission& mission)
{
    if (auto* race = dynamic_cast<CCheckPointMission*>(&mission))
        race->SetPlayer(g_PlayerActor);
}

} // namespace

CMissionManager::CMissionManager() : m_Classes(std::begin(SHIPPED_CLASSES), std::end(SHIPPED_CLASSES)) {}

// The event channel must not keep a mission this manager deletes.
CMissionManager::~CMissionManager()
{
    if (m_pCurrentMission != nullptr && g_CrimeFile.m_pListener == m_pCurrentMission)
        g_CrimeFile.m_pListener = nullptr;
}

void CMissionManager::AddMissionClass(const MissionClass& missionClass)
{
    m_Classes.erase(std::remove_if(m_Classes.begin(), m_Classes.end(),
                                   [&](const MissionClass& row) { return std::string(row.name) == missionClass.name; }),
                    m_Classes.end());
    m_Classes.push_back(missionClass);
}

const MissionClass* CMissionManager::FindClass(const std::string& name) const
{
    for (const MissionClass& row : m_Classes) {
        if (name == row.name)
            return &row;
    }
    return nullptr;
}

CMission* CMissionManager::FindMission(const std::string& name) const
{
    for (const std::unique_ptr<CMission>& mission : m_Missions) {
        if (mission->GetName() == name)
            return mission.get();
    }
    return nullptr;
}

CMission* CMissionManager::CreateMission(const std::string& name)
{
    const MissionClass* missionClass = FindClass(name);
    if (missionClass == nullptr)
        return nullptr;
    CMission* mission = AddMission(missionClass->create(), name);
    if (missionClass->givenPlayer)
        GivePlayer(*mission);
    return mission;
}

// The start script is read before the mission is listed: one that does not
// load never waits in the list.
CMission* CMissionManager::AddMission(std::unique_ptr<CMission> mission, const std::string& name)
{
    mission->LoadStartFile(MISSION_FOLDER + name + START_SCRIPT_SUFFIX);
    mission->SetName(name);
    m_Missions.push_back(std::move(mission));
    return m_Missions.back().get();
}

void CMissionManager::Update()
{
    TraceStep("CMissionManager::Update");
    if (m_pCurrentMission == nullptr) {
        StartWaitingMissions();
        return;
    }
    switch (m_pCurrentMission->Update()) {
    case CMission::MISSION_WON:
        Won();
        break;
    case CMission::MISSION_FAILED:
        Failed();
        break;
    default:
        break;
    }
}

// The first in list order wins overlapping circles; those behind it are
// neither marked nor tested this frame.
void CMissionManager::StartWaitingMissions()
{
    for (const std::unique_ptr<CMission>& mission : m_Missions) {
        g_HUD.AddMapMarker(mission->GetStartPosition(), START_MARKER_COLOUR);
        if (mission->CanStart()) {
            MakeCurrent(mission.get());
            return;
        }
    }
}

void CMissionManager::MakeCurrent(CMission* mission)
{
    mission->LoadMissionFile(mission->GetMainScript());
    g_GameTimer.SetTimeRatio(mission->GetTimeRatio());
    SetCurrent(mission);
}

void CMissionManager::Won()
{
    CMission* mission = m_pCurrentMission;
    RestoreTimeRatio();
    // The names are copied: an unlock may name the mission itself.
    const std::vector<std::string> missions = mission->GetUnlockedMissions();
    for (const std::string& name : missions)
        CreateMission(name);
    for (const std::string& name : mission->GetUnlockedExtras())
        SpawnItem(name);
    Retire(mission);
}

// The player must walk into the fresh copy's circle to try again.
void CMissionManager::Failed()
{
    CMission* mission = m_pCurrentMission;
    RestoreTimeRatio();
    const std::string name = mission->GetName();
    CreateMission(name);
    Retire(mission);
}

void CMissionManager::Retire(CMission* mission)
{
    std::unique_ptr<CMission> owned = TakeOwnership(mission);
    SetCurrent(nullptr);
    if (owned)
        owned->End();
}

std::unique_ptr<CMission> CMissionManager::TakeOwnership(CMission* mission)
{
    if (mission == nullptr)
        return nullptr;
    if (mission == m_pCredits.get())
        return std::move(m_pCredits);
    auto entry = std::find_if(m_Missions.begin(), m_Missions.end(),
                              [mission](const std::unique_ptr<CMission>& listed) { return listed.get() == mission; });
    if (entry == m_Missions.end())
        return nullptr;
    std::unique_ptr<CMission> owned = std::move(*entry);
    m_Missions.erase(entry);
    return owned;
}

// The clock goes back to its speed from before the running mission first,
// so that fresh copies do not take the mission's speed as their own.
void CMissionManager::RestoreTimeRatio()
{
    if (m_pCurrentMission != nullptr)
        g_GameTimer.SetTimeRatio(m_pCurrentMission->GetSavedTimeRatio());
}

void CMissionManager::SetCurrent(CMission* mission)
{
    m_pCurrentMission = mission;
    g_CrimeFile.m_pListener = mission;
}

void CMissionManager::Draw(ERenderPass pass)
{
    TraceStep("CMissionManager::Draw");
    if (m_pCurrentMission != nullptr) {
        m_pCurrentMission->Draw(pass);
        return;
    }
    for (const std::unique_ptr<CMission>& mission : m_Missions)
        mission->GetStartEffect().Render();
}

// The running mission is deleted without its End, as the level's script is
// read again around the retry; it leaves the list before it goes.
void CMissionManager::Reset()
{
    g_CrimeFile.m_pListener = nullptr;
    RestoreTimeRatio();
    std::unique_ptr<CMission> running = TakeOwnership(m_pCurrentMission);
    m_pCurrentMission = nullptr;
    std::vector<std::unique_ptr<CMission>> waiting;
    waiting.swap(m_Missions);
    for (const std::unique_ptr<CMission>& mission : waiting)
        CreateMission(mission->GetName());
    waiting.clear();
    if (!running)
        return;
    CMission* fresh = CreateMission(running->GetName());
    running.reset();
    if (fresh != nullptr)
        MakeCurrent(fresh);
}

void CMissionManager::Clear()
{
    RestoreTimeRatio();
    SetCurrent(nullptr);
    m_pCredits.reset();
    m_Missions.clear();
}

CMission* CMissionManager::StartCredits()
{
    if (m_pCurrentMission != nullptr)
        Failed();
    auto credits = std::make_unique<CTimedCheckPointMission>();
    credits->LoadStartFile(std::string(MISSION_FOLDER) + CREDITS_START_SCRIPT);
    credits->SetName(CREDITS);
    credits->LoadMissionFile(std::string(MISSION_FOLDER) + CREDITS_MAIN_SCRIPT);
    credits->SetPlayer(g_PlayerActor);
    m_pCredits = std::move(credits);
    SetCurrent(m_pCredits.get());
    return m_pCredits.get();
}
