// The console's AI command: spawning agents (a car with its driver, or a
// pedestrian) and sending a traffic driver to a road node, to a point or
// into a state.
//   AI SPAWN|CREATE|ADD CAR|PED <name> [x y z]
//   AI CAR [n] GOTO NODE k | GOTO [x y z] | STATE n | STATE name

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Console/ConsoleCommands.h"
#include "Console/ConsoleHelpers.h"
#include "Console/ConsoleReaders.h"
#include "Core/AssetManager.h"
#include "Level/Level.h"
#include "Level/Node.h"

using namespace ConsoleHelpers;

namespace {

const char* const INVALID_AI = "**Invalid AI Command**";
const char* const UNKNOWN_AI = "**Unknown AI Command**";
const char* const INVALID_SPAWN = "**Invalid AI SPAWN Command**";
const char* const INVALID_SPAWN_CAR = "**Invalid AI SPAWN CAR type**";
const char* const INVALID_SPAWN_PED = "**Invalid AI SPAWN PED type**";
const char* const UNKNOWN_SPAWN = "**Unknown AI SPAWN Command**";
const char* const INVALID_ENTITY = "**Invalid AI ENTITY**";
const char* const INVALID_CONTROLLER = "**Invalid AI CAR CONTROLLER**";
const char* const INVALID_CAR_COMMAND = "**Invalid AI CAR CONTROLLER Command**";
const char* const INVALID_CAR_GOTO = "**Invalid AI CAR CONTROLLER GOTO Command**";
const char* const INVALID_CAR_NODE = "**Invalid AI CAR CONTROLLER GOTO NODE Index**";
const char* const INVALID_CAR_STATE_NAME = "**Invalid AI CAR CONTROLLER STATE String**";
const char* const INVALID_CAR_STATE_INDEX = "**Invalid AI CAR CONTROLLER STATE Index**";
const char* const UNKNOWN_CAR_COMMAND = "****Unknown AI CAR CONTROLLER Command**";
const char* const STATE_SET = "****State Set to %s**";
// Pedestrians are not yet driven from the console.
const char* const NO_PED_COMMANDS = "AI commands are not available";
// Who drives a car spawned from the console.
const char* const DRIVER = "LIZARD";
// A car sent to a point drives there at this squared speed (m/s squared).
const float GOTO_LIMIT_SQ = 35.0f;
// Without a point given, a car is sent this far ahead of the player.
const float GOTO_AHEAD = 5.0f;

// The agent the last spawn made, for CAR without an index.
int32_t s_LastAgent = 0;

bool IsSpawnWord(const std::string& word)
{
    return word == "SPAWN" || word == "CREATE" || word == "ADD";
}

int32_t LastIndex(size_t count)
{
    return static_cast<int32_t>(count) - 1;
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
    if (car)
        PrintFormatted(output, "AI Entity Index: %d Car Index: %d", s_LastAgent,
                       LastIndex(level->GetActiveCars().size()));
    else
        PrintFormatted(output, "AI Entity Index: %d", s_LastAgent);
    return true;
}

// The driver is in `state` before its next update: a request left pending
// would lose to whatever that update asks for (reaching a node, a car
// ahead), and the console would have reported a change that never came.
void Enter(CNormalCarController& driver, int state)
{
    driver.SetState(state);
    driver.ProcessStateChange();
}

bool GoToNode(std::string& arguments, CNormalCarController& driver, CLineRing& output)
{
    std::string word;
    if (!NextToken(arguments, word)) {
        PrintLine(output, INVALID_CAR_GOTO);
        return false;
    }
    int32_t index = -1;
    ParseNumber(arguments, index);
    if (index < 0 || static_cast<size_t>(index) >= g_RoadNodes.GetNodeCount()) {
        PrintLine(output, INVALID_CAR_NODE);
        return false;
    }
    driver.SetRoadNode(g_RoadNodes.GetNode(static_cast<size_t>(index)), 0);
    Enter(driver, CNormalCarController::STATE_DRIVING_TO_NODE);
    return true;
}

// To the point given, else to a point ahead of the player.
bool GoToPoint(std::string& arguments, CNormalCarController& driver, CLineRing& output)
{
    D3DXVECTOR3 point;
    const bool found = HasMore(arguments) ? ParseVector3(arguments, point) : AheadOfPlayer(GOTO_AHEAD, output, point);
    if (!found)
        return false;
    driver.SetTarget(&point, true);
    driver.SetSpeedLimit(&GOTO_LIMIT_SQ, true);
    Enter(driver, CNormalCarController::STATE_DRIVING_TO_POS);
    return true;
}

// By number, else by its exact name.
bool SetDriverState(std::string& arguments, CNormalCarController& driver, CLineRing& output)
{
    int32_t state = -1;
    if (!ParseNumber(arguments, state)) {
        std::string name;
        if (!NextToken(arguments, name)) {
            PrintLine(output, INVALID_CAR_STATE_NAME);
            return false;
        }
        state = CNormalCarController::FindState(name);
    }
    if (state < 0 || state >= CNormalCarController::GetStateCount()) {
        PrintLine(output, INVALID_CAR_STATE_INDEX);
        return false;
    }
    Enter(driver, state);
    PrintFormatted(output, STATE_SET, CNormalCarController::GetStateName(state));
    return true;
}

// CAR [n] GOTO NODE k | GOTO [x y z] | STATE n | STATE name; without n the
// agent the last spawn made.
bool CommandCar(std::string& arguments, CLineRing& output)
{
    int32_t index = 0;
    if (!ParseNumber(arguments, index))
        index = s_LastAgent;
    const CAIControllerSet* agent = Agent(index, output);
    if (agent == nullptr)
        return false;
    CNormalCarController* driver = agent->GetCarController();
    if (driver == nullptr) {
        PrintLine(output, INVALID_CONTROLLER);
        return false;
    }
    std::string command;
    if (!NextToken(arguments, command)) {
        PrintLine(output, INVALID_CAR_COMMAND);
        return false;
    }
    if (command == "GOTO") {
        if (arguments.find("NODE") != std::string::npos)
            return GoToNode(arguments, *driver, output);
        return GoToPoint(arguments, *driver, output);
    }
    if (command == "STATE")
        return SetDriverState(arguments, *driver, output);
    PrintLine(output, UNKNOWN_CAR_COMMAND);
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
        return CommandCar(arguments, output);
    if (word == "PED") {
        PrintLine(output, NO_PED_COMMANDS);
        return false;
    }
    PrintLine(output, UNKNOWN_AI);
    return true;
}
