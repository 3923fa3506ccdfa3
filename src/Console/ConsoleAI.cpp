// The console's AI command: spawning agents (a car with its driver, or a
// pedestrian) and sending a traffic driver along the roads, or a
// pedestrian along the sidewalks, to a node, to a point or into a state.
//   AI SPAWN|CREATE|ADD CAR|PED <name> [x y z]
//   AI CAR|PED [n] GOTO NODE k | GOTO [x y z] | STATE n | STATE name

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Console/ConsoleCommands.h"
#include "Console/ConsoleHelpers.h"
#include "Console/ConsoleReaders.h"
#include "Core/AssetManager.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"

using namespace ConsoleHelpers;

namespace {

const char* const INVALID_AI = "**Invalid AI Command**";
const char* const UNKNOWN_AI = "**Unknown AI Command**";
const char* const INVALID_SPAWN = "**Invalid AI SPAWN Command**";
const char* const INVALID_SPAWN_CAR = "**Invalid AI SPAWN CAR type**";
const char* const INVALID_SPAWN_PED = "**Invalid AI SPAWN PED type**";
const char* const UNKNOWN_SPAWN = "**Unknown AI SPAWN Command**";
const char* const INVALID_ENTITY = "**Invalid AI ENTITY**";
// Said also of an agent with no pedestrian to command.
const char* const INVALID_CONTROLLER = "**Invalid AI CAR CONTROLLER**";
const char* const STATE_SET = "****State Set to %s**";
// Who drives a car spawned from the console.
const char* const DRIVER = "LIZARD";
// A car sent to a point drives there at this squared speed (m/s squared).
const float GOTO_LIMIT_SQ = 35.0f;
// Without a point given, a car or a pedestrian is sent this far ahead of
// the player.
const float CAR_GOTO_AHEAD = 5.0f;
const float PED_GOTO_AHEAD = 1.0f;

// The agent the last spawn made, for CAR and PED without an index. Its
// index is kept as printed, but the agent itself is looked for first: pooled
// agents leave the level's list and come back, and the index moves with them.
int32_t s_LastAgent = 0;
const CAIControllerSet* s_pLastSpawned = nullptr;

bool IsSpawnWord(const std::string& word)
{
    return word == "SPAWN" || word == "CREATE" || word == "ADD";
}

int32_t LastIndex(size_t count)
{
    return static_cast<int32_t>(count) - 1;
}

// Where the last spawned agent stands in the list now; its index at the
// spawn when it is no longer listed.
int32_t LastSpawnedIndex()
{
    CLevel* level = g_pLevel;
    if (level == nullptr || s_pLastSpawned == nullptr)
        return s_LastAgent;
    int32_t index = 0;
    for (const CAIControllerSet* agent : level->GetAgents()) {
        if (agent == s_pLastSpawned)
            return index;
        ++index;
    }
    return s_LastAgent;
}

// Whether the game has the car `name` (and the driver's actor), or the
// actor `name`: a name nothing is called must not end the game.
bool IsSpawnable(bool car, const std::string& name)
{
    CGameActor* actor = nullptr;
    g_AssetManager.GetAssetByUpperName(car ? std::string(DRIVER) : name, actor, false);
    if (!car || actor == nullptr)
        return actor != nullptr;
    CCar* prototype = nullptr;
    g_AssetManager.GetAssetByUpperName(name, prototype, false);
    return prototype != nullptr;
}

// A car of `name` with its driver, joining the level's cars; or a
// pedestrian. A name nothing is called, or a spawn that fails, leaves no
// agent behind.
CAIControllerSet* MakeAgent(CLevel& level, bool car, const std::string& name, const D3DXVECTOR3* place)
{
    if (!IsSpawnable(car, name))
        return nullptr;
    CAIControllerSet* agent = level.AddAgent();
    const bool made = car ? agent->CreateCar(DRIVER, name.c_str(), place, nullptr)
                          : agent->CreatePedestrian(name.c_str(), place);
    if (!made) {
        level.RemoveAgent(agent);
        return nullptr;
    }
    if (car)
        level.AddCar(agent->GetCar());
    return agent;
}

// SPAWN CAR|PED <name> [x y z]: without a place the agent stands ahead of
// the player.
bool SpawnAgent(std::string& arguments, CLineRing& output)
{
    std::string kind;
    if (!NextToken(arguments, kind)) {
        PrintLine(output, INVALID_SPAWN);
        return false;
    }
    const bool car = kind == "CAR";
    if (!car && kind != "PED") {
        PrintLine(output, UNKNOWN_SPAWN);
        return true;
    }
    std::string name;
    if (!NextToken(arguments, name)) {
        PrintLine(output, car ? INVALID_SPAWN_CAR : INVALID_SPAWN_PED);
        return false;
    }
    CLevel* level = Level(output);
    if (level == nullptr)
        return false;
    D3DXVECTOR3 point;
    const bool placed = HasMore(arguments);
    if (placed && !ParseVector3(arguments, point))
        return false;
    const CAIControllerSet* agent = MakeAgent(*level, car, name, placed ? &point : nullptr);
    if (agent == nullptr) {
        PrintLine(output, INVALID_ENTITY);
        return false;
    }
    s_LastAgent = LastIndex(level->GetAgents().size());
    s_pLastSpawned = agent;
    if (car)
        PrintFormatted(output, "AI Entity Index: %d Car Index: %d", s_LastAgent,
                       LastIndex(level->GetActiveCars().size()));
    else
        PrintFormatted(output, "AI Entity Index: %d", s_LastAgent);
    return true;
}

// What the AI command says to, and does with, each kind of agent it drives.
struct AgentKind {
    const char* m_Command;
    const char* m_Goto;
    const char* m_NodeIndex;
    const char* m_StateName;
    const char* m_StateIndex;
    const char* m_Unknown;
};

const AgentKind CAR_KIND = {
    "**Invalid AI CAR CONTROLLER Command**",         "**Invalid AI CAR CONTROLLER GOTO Command**",
    "**Invalid AI CAR CONTROLLER GOTO NODE Index**", "**Invalid AI CAR CONTROLLER STATE String**",
    "**Invalid AI CAR CONTROLLER STATE Index**",     "****Unknown AI CAR CONTROLLER Command**",
};
const AgentKind PED_KIND = {
    "**Invalid AI PED CONTROLLER Command**",         "**Invalid AI PED CONTROLLER GOTO Command**",
    "**Invalid AI PED CONTROLLER GOTO NODE Index**", "**Invalid AI PED CONTROLLER STATE String**",
    "**Invalid AI PED CONTROLLER STATE Index**",     "****Unknown AI PED CONTROLLER Command**",
};

// The controller is in `state` before its next update: a request left
// pending would lose to whatever that update asks for (reaching a node, a
// car ahead), and the console would have reported a change that never came.
void Enter(CStateMachine& controller, int state)
{
    controller.SetState(state);
    controller.ProcessStateChange();
}

// What differs between a traffic driver and a pedestrian: the graph it is
// sent along, and how it goes to a node or a point.
template <class Controller>
Controller* ControllerOf(const CAIControllerSet& agent);

template <>
CNormalCarController* ControllerOf(const CAIControllerSet& agent)
{
    return agent.GetCarController();
}

template <>
CNormalPedController* ControllerOf(const CAIControllerSet& agent)
{
    return agent.GetPedController();
}

size_t NodeCount(const CNormalCarController&)
{
    return g_RoadNodes.GetNodeCount();
}

size_t NodeCount(const CNormalPedController&)
{
    return g_SidewalkNodes.GetNodeCount();
}

void SendToNode(CNormalCarController& driver, size_t index)
{
    driver.SetRoadNode(g_RoadNodes.GetNode(index), 0);
    Enter(driver, CNormalCarController::STATE_DRIVING_TO_NODE);
}

void SendToNode(CNormalPedController& walker, size_t index)
{
    walker.SetSidewalkNode(g_SidewalkNodes.GetNode(index));
    Enter(walker, CNormalPedController::STATE_WALKING);
}

float DistanceAhead(const CNormalCarController&)
{
    return CAR_GOTO_AHEAD;
}

float DistanceAhead(const CNormalPedController&)
{
    return PED_GOTO_AHEAD;
}

void SendToPoint(CNormalCarController& driver, const D3DXVECTOR3& point)
{
    driver.SetTarget(&point, true);
    driver.SetSpeedLimit(&GOTO_LIMIT_SQ, true);
    Enter(driver, CNormalCarController::STATE_DRIVING_TO_POS);
}

void SendToPoint(CNormalPedController& walker, const D3DXVECTOR3& point)
{
    walker.SetTarget(&point, true);
    Enter(walker, CNormalPedController::STATE_WALKING);
}

// GOTO NODE k: the word before the index is not looked at.
template <class Controller>
bool GoToNode(std::string& arguments, Controller& controller, const AgentKind& kind, CLineRing& output)
{
    std::string word;
    if (!NextToken(arguments, word)) {
        PrintLine(output, kind.m_Goto);
        return false;
    }
    int32_t index = -1;
    ParseNumber(arguments, index);
    if (index < 0 || static_cast<size_t>(index) >= NodeCount(controller)) {
        PrintLine(output, kind.m_NodeIndex);
        return false;
    }
    SendToNode(controller, static_cast<size_t>(index));
    return true;
}

// To the point given, else to a point ahead of the player.
template <class Controller>
bool GoToPoint(std::string& arguments, Controller& controller, CLineRing& output)
{
    D3DXVECTOR3 point;
    const bool found = HasMore(arguments) ? ParseVector3(arguments, point)
                                          : AheadOfPlayer(DistanceAhead(controller), output, point);
    if (!found)
        return false;
    SendToPoint(controller, point);
    return true;
}

// By number, else by its exact name.
template <class Controller>
bool SetControllerState(std::string& arguments, Controller& controller, const AgentKind& kind, CLineRing& output)
{
    int32_t state = -1;
    if (!ParseNumber(arguments, state)) {
        std::string name;
        if (!NextToken(arguments, name)) {
            PrintLine(output, kind.m_StateName);
            return false;
        }
        state = Controller::FindState(name);
    }
    if (state < 0 || state >= Controller::GetStateCount()) {
        PrintLine(output, kind.m_StateIndex);
        return false;
    }
    Enter(controller, state);
    PrintFormatted(output, STATE_SET, Controller::GetStateName(state));
    return true;
}

// CAR|PED [n] GOTO NODE k | GOTO [x y z] | STATE n | STATE name; without n
// the agent the last spawn made.
template <class Controller>
bool CommandAgent(std::string& arguments, const AgentKind& kind, CLineRing& output)
{
    int32_t index = 0;
    if (!ParseNumber(arguments, index))
        index = LastSpawnedIndex();
    const CAIControllerSet* agent = Agent(index, output);
    if (agent == nullptr)
        return false;
    Controller* controller = ControllerOf<Controller>(*agent);
    if (controller == nullptr) {
        PrintLine(output, INVALID_CONTROLLER);
        return false;
    }
    std::string command;
    if (!NextToken(arguments, command)) {
        PrintLine(output, kind.m_Command);
        return false;
    }
    if (command == "GOTO") {
        if (arguments.find("NODE") != std::string::npos)
            return GoToNode(arguments, *controller, kind, output);
        return GoToPoint(arguments, *controller, output);
    }
    if (command == "STATE")
        return SetControllerState(arguments, *controller, kind, output);
    PrintLine(output, kind.m_Unknown);
    return true;
}

} // namespace

bool ConAI(std::string& arguments, CLineRing& output)
{
    std::string word;
    if (!NextToken(arguments, word)) {
        PrintLine(output, INVALID_AI);
        return false;
    }
    if (IsSpawnWord(word))
        return SpawnAgent(arguments, output);
    if (word == "CAR")
        return CommandAgent<CNormalCarController>(arguments, CAR_KIND, output);
    if (word == "PED")
        return CommandAgent<CNormalPedController>(arguments, PED_KIND, output);
    PrintLine(output, UNKNOWN_AI);
    return true;
}
