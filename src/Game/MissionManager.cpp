#include "Game/MissionManager.h"

#include "Core/StepTrace.h"
#include "Game/MissionIntro.h"
#include "Game/SaveMission.h"

namespace {

const char* const MISSION_FOLDER = "Scripts\\Mission\\";
const char* const START_SCRIPT_SUFFIX = "Pre.txt";
const char* const SAVE_MISSION = "SaveMission";
const char* const INTRO_MISSION = "Intro";

std::unique_ptr<CMission> NewMission(const std::string& name)
{
    if (name == SAVE_MISSION)
        return std::make_unique<CSaveMission>();
    if (name == INTRO_MISSION)
        return std::make_unique<CMissionIntro>();
    return nullptr;
}

} // namespace

CMissionManager::CMissionManager() = default;

CMissionManager::~CMissionManager() = default;

void CMissionManager::Update()
{
    TraceStep("CMissionManager::Update");
}

void CMissionManager::Draw(ERenderPass)
{
    TraceStep("CMissionManager::Draw");
}

CMission* CMissionManager::CreateMission(const std::string& name)
{
    std::unique_ptr<CMission> mission = NewMission(name);
    if (!mission)
        return nullptr;
    return AddMission(std::move(mission), name);
}

CMission* CMissionManager::AddMission(std::unique_ptr<CMission> mission, const std::string& name)
{
    mission->LoadStartFile(MISSION_FOLDER + name + START_SCRIPT_SUFFIX);
    mission->SetName(name);
    m_Missions.push_back(std::move(mission));
    return m_Missions.back().get();
}

void CMissionManager::Clear()
{
    m_pCurrentMission = nullptr;
    m_Missions.clear();
}
