#include "Console/ConsoleCommands.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Console/ConsoleHelpers.h"
#include "Console/ConsoleReaders.h"
#include "Core/AssetManager.h"
#include "Core/Game.h"
#include "Display/Camera.h"
#include "Game/Extras.h"
#include "Game/MissionManager.h"
#include "Level/Level.h"
#include "Level/LevelObject.h"
#include "Physics/Physics.h"
#include "Sound/Sound.h"
#include "platform/files/Files.h"
#include "platform/fsound/FSound.h"
#include "platform/novodex/NxActor.h"
#include "platform/win32/Windows.h"

const char* const CAMERA_INFO_FILE = "camera.txt";

using namespace ConsoleHelpers;

namespace {

const char* const NO_SIMULATOR = "Simulator does not exist";
const char* const INVALID_SICK = "Invalid integer";
const char* const INVALID_SPAWN = "**Invalid SPAWN Command**";
const char* const INVALID_SPAWN_CAR = "**Invalid AI CREATE CAR type**";
const char* const UNKNOWN_CAR = "**Unknown Car type**";
const char* const WORD_CAR = "CAR";
// A weapon lies this far above the spawn point.
const float WEAPON_LIFT = 0.5f;
const char* const NO_CAMERA = "Camera does not exist.";
const char* const NOT_IN_A_CAR = "Your not in a car";
const char* const INVALID_COLOUR = "Invalid Color fool";
// Cinema statements; the time written is always 0.
const char* const CAMERA_POS_STATEMENT = "fade so at %f camera pos = xyz(%f %f %f)\n";
const char* const CAMERA_LOOKAT_STATEMENT = "fade so at %f camera lookat = xyz(%f %f %f), xyz(%f %f %f)\n";
const double CINEMA_TIME = 0.0;

// The car the player drives, or null with "Your not in a car" printed.
CCar* PlayerCar(CLineRing& output)
{
    CCar* car = g_PlayerActor != nullptr ? g_PlayerActor->m_pCar : nullptr;
    if (car == nullptr)
        PrintLine(output, NOT_IN_A_CAR);
    return car;
}

// The level's paint table, whose working entry the colour commands edit;
// null, with "No level loaded" printed, before a level is loaded.
CCarColorTable* PaintTable(CLineRing& output)
{
    CCarColorTable* table = CCarColorTable::CurrentForEditing();
    if (table == nullptr)
        PrintLine(output, NO_LEVEL);
    return table;
}

D3DCOLORVALUE OpaqueColour(const D3DXCOLOR& colour)
{
    return {colour.r, colour.g, colour.b, 1.0f};
}

// The edit on the working paint, which then goes on the player's car.
bool EditPlayerPaint(CLineRing& output, const std::function<void(CCarColorTable&)>& edit)
{
    CCar* car = PlayerCar(output);
    if (car == nullptr)
        return false;
    CCarColorTable* table = PaintTable(output);
    if (table == nullptr)
        return false;
    edit(*table);
    car->SetColour(&table->GetWorking());
    return true;
}

// Reads a colour for a working-paint setter.
bool PaintPlayerCar(std::string& arguments, CLineRing& output, void (CCarColorTable::*set)(const D3DCOLORVALUE&))
{
    D3DXCOLOR colour;
    if (!ParseColour(arguments, colour)) {
        PrintLine(output, INVALID_COLOUR);
        return false;
    }
    return EditPlayerPaint(output, [&](CCarColorTable& table) { (table.*set)(OpaqueColour(colour)); });
}


// The matrix the game camera follows for agent `index`, or null with
// "**Invalid AI ENTITY Index**" printed: also for an agent without a person
// to follow. A driver is followed where the car takes it.
const D3DXMATRIX* AgentTarget(int32_t index, CLineRing& output)
{
    const CAIControllerSet* agent = Agent(index, output);
    if (agent == nullptr)
        return nullptr;
    const CGameActor* actor = agent->GetActor();
    if (actor == nullptr) {
        PrintLine(output, INVALID_AGENT);
        return nullptr;
    }
    // A driver's own matrix is its place on the seat; its world matrix
    // goes where the car goes.
    if (actor->m_Model.m_pParentMatrix != nullptr)
        return &actor->m_Model.m_matWorld;
    return &actor->m_Model.m_matObject;
}

bool SpawnCar(std::string& arguments, CLevel& level, CLineRing& output)
{
    std::string name;
    if (!NextToken(arguments, name)) {
        PrintLine(output, INVALID_SPAWN_CAR);
        return false;
    }
    CCar* prototype = nullptr;
    g_AssetManager.GetAssetByUpperName(name, prototype, false);
    if (prototype == nullptr) {
        PrintLine(output, UNKNOWN_CAR);
        return false;
    }
    D3DXVECTOR3 point;
    if (!SpawnPoint(arguments, level, output, point))
        return false;
    std::unique_ptr<CCar> car = std::make_unique<CCar>(*prototype);
    car->m_Body.SetPosition(&point);
    car->m_Body.UpdateWorldMatrix();
    car->Reset();
    level.AddCar(car.release());
    PrintFormatted(output, "Car Index: %d", static_cast<int>(level.GetActiveCars().size()) - 1);
    return true;
}

// Turned as the player stands, its bottom on the point, and entered into
// the world as the object grid enters its own.
void SpawnLevelObject(const CLevelObject& prototype, const D3DXVECTOR3& point, CLevel& level)
{
    std::unique_ptr<CLevelObject> object = std::make_unique<CLevelObject>(prototype);
    D3DXMATRIX start;
    D3DXMatrixIdentity(&start);
    if (g_PlayerActor != nullptr)
        start = g_PlayerActor->m_Model.m_matObject;
    start._41 = point.x;
    start._42 = point.y;
    start._43 = point.z;
    const CCollisionBox* box = object->m_CollisionObject.m_pRoot.get();
    if (box != nullptr)
        start._42 -= box->m_vMin.y;
    object->m_matStart = start;
    object->m_matWorld = start;
    object->Spawn();
    level.GetObjectGrid().AddObject(object.get());
    CObjectGridKind::EnterWorld(object.release(), level.GetActiveObjects());
}

void SpawnWeapon(const CWeapon& prototype, const D3DXVECTOR3& point, CLevel& level)
{
    std::unique_ptr<CWeapon> weapon = std::make_unique<CWeapon>(prototype);
    weapon->m_matPos._41 = point.x;
    weapon->m_matPos._42 = point.y + WEAPON_LIFT;
    weapon->m_matPos._43 = point.z;
    weapon->ApplyPosMatrix();
    level.GetWeapons().push_back(std::move(weapon));
}

// A level object or a weapon by name; neither fails without a word.
bool SpawnNamed(const std::string& name, std::string& arguments, CLevel& level, CLineRing& output)
{
    CLevelObject* object = nullptr;
    g_AssetManager.GetAssetByUpperName(name, object, false);
    CWeapon* weapon = nullptr;
    if (object == nullptr)
        g_AssetManager.GetAssetByUpperName(name, weapon, false);
    if (object == nullptr && weapon == nullptr)
        return false;
    D3DXVECTOR3 point;
    if (!SpawnPoint(arguments, level, output, point))
        return false;
    if (object != nullptr)
        SpawnLevelObject(*object, point, level);
    else
        SpawnWeapon(*weapon, point, level);
    return true;
}

} // namespace

bool ConTest()
{
    return true;
}

bool ConQuit()
{
    PostQuitMessage(0);
    return true;
}

bool ConSick(std::string& arguments, CLineRing& output)
{
    int32_t flags = 0;
    if (!ParseNumber(arguments, flags)) {
        PrintLine(output, INVALID_SICK);
        return false;
    }
    g_Game.m_DebugFlags = static_cast<uint32_t>(flags);
    return true;
}

// SPAWN CAR <car> [x y z] or SPAWN <level object or weapon> [x y z].
bool ConSpawn(std::string& arguments, CLineRing& output)
{
    std::string word;
    if (!NextToken(arguments, word)) {
        PrintLine(output, INVALID_SPAWN);
        return false;
    }
    CLevel* level = Level(output);
    if (level == nullptr)
        return false;
    if (word == WORD_CAR)
        return SpawnCar(arguments, *level, output);
    return SpawnNamed(word, arguments, *level, output);
}

// Nothing ever makes the simulator; without one there is no gravity to set.
bool ConGravity(std::string& arguments, CLineRing& output)
{
    D3DXVECTOR3 gravity;
    if (!ParseVector3(arguments, gravity))
        return false;
    neSimulator* simulator = g_Physics.GetSimulator();
    if (simulator == nullptr) {
        PrintLine(output, NO_SIMULATOR);
        return false;
    }
    simulator->SetGravity(gravity);
    return true;
}

// Where the player is: in a car, the model's place on the seat it hangs from.
bool ConGetPos(std::string&, CLineRing& output)
{
    const CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    D3DXVECTOR3 position = player->m_Model.m_vPosition;
    const D3DXMATRIX* seat = player->m_Model.m_pParentMatrix;
    if (seat != nullptr)
        D3DXVec3TransformCoord(&position, &position, seat);
    PrintFormatted(output, "%.4f %.4f %.4f", position.x, position.y, position.z);
    return true;
}

bool ConGetPhysicInfo(std::string&, CLineRing& output)
{
    const neSimulator* simulator = g_Physics.GetSimulator();
    if (simulator == nullptr) {
        PrintLine(output, NO_SIMULATOR);
        return true;
    }
    neSimulatorSizeInfo info;
    simulator->GetSizeInfo(info);
    PrintFormatted(output, "Moveable Objects: %d", info.m_Counts[0]);
    PrintFormatted(output, "Static Objects: %d", info.m_Counts[1]);
    return true;
}

// Without a number the game camera follows the player again.
bool ConSetController(std::string& arguments, CLineRing& output)
{
    if (HasMore(arguments)) {
        int32_t agent = -1;
        ParseNumber(arguments, agent);
        const D3DXMATRIX* target = AgentTarget(agent, output);
        if (target == nullptr)
            return false;
        g_GameCamera.m_pTarget = target;
        return true;
    }
    CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    g_GameCamera.m_pTarget = &player->m_Model.m_matObject;
    return true;
}

// Health above 0 brings a dead player back to his feet.
bool ConSetHealth(std::string& arguments, CLineRing& output)
{
    float health = 0.0f;
    if (!ParseNumber(arguments, health))
        return false;
    CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    player->m_fCurrentLife = health;
    if (health > 0.0f && !player->m_bAlive)
        player->StandUp();
    return true;
}

bool ConSetPos(std::string& arguments, CLineRing& output)
{
    D3DXVECTOR3 position;
    if (!ParseVector3(arguments, position))
        return false;
    CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    player->m_Model.SetPosition(&position);
    NxActor* body = player->m_PhysicsObject.m_pActor;
    if (body != nullptr)
        body->setGlobalPosition(NxVec3(position.x, position.y, position.z));
    return true;
}

bool ConCarColour(std::string& arguments, CLineRing& output)
{
    return PaintPlayerCar(arguments, output, &CCarColorTable::SetWorkingDiffuse);
}

// The working paint's colour on every car the level has active.
bool ConAllCarsColour(std::string& arguments, CLineRing& output)
{
    D3DXCOLOR colour;
    if (!ParseColour(arguments, colour)) {
        PrintLine(output, INVALID_COLOUR);
        return false;
    }
    CLevel* level = Level(output);
    if (level == nullptr)
        return false;
    CCarColorTable* table = PaintTable(output);
    if (table == nullptr)
        return false;
    table->SetWorkingDiffuse(OpaqueColour(colour));
    for (CCar* car : level->GetActiveCars())
        car->SetColour(&table->GetWorking());
    return true;
}

bool ConCarSpecular(std::string& arguments, CLineRing& output)
{
    return PaintPlayerCar(arguments, output, &CCarColorTable::SetWorkingSpecular);
}

bool ConCarPower(std::string& arguments, CLineRing& output)
{
    float power = 0.0f;
    if (!ParseNumber(arguments, power)) {
        PrintLine(output, INVALID_COLOUR);
        return false;
    }
    return EditPlayerPaint(output, [power](CCarColorTable& table) { table.SetWorkingPower(power); });
}

bool ConCarColourIndex(std::string& arguments, CLineRing& output)
{
    int32_t index = 0;
    if (!ParseNumber(arguments, index)) {
        PrintLine(output, INVALID_COLOUR);
        return false;
    }
    CCar* car = PlayerCar(output);
    if (car == nullptr)
        return false;
    const CCarColorTable* table = PaintTable(output);
    if (table == nullptr)
        return false;
    if (index < 0 || static_cast<uint32_t>(index) >= table->GetCount()) {
        PrintLine(output, INVALID_COLOUR);
        return false;
    }
    car->SetColourIndex(index);
    return true;
}

bool ConAddColour(std::string&, CLineRing& output)
{
    CCarColorTable* table = PaintTable(output);
    if (table == nullptr)
        return false;
    table->AppendWorking();
    return true;
}

bool ConSaveColours(std::string&, CLineRing& output)
{
    const CCarColorTable* table = PaintTable(output);
    return table != nullptr && table->Save();
}

bool ConSetSpeed(std::string& arguments, CLineRing&)
{
    float scale = 0.0f;
    if (!ParseNumber(arguments, scale) || scale <= 0.0f)
        return false;
    g_Physics.SetTimeScale(scale);
    return true;
}

// A negative level (a hexadecimal number with the top bit) counts as none.
bool ConSetWarning(std::string& arguments, CLineRing& output)
{
    int32_t level = 0;
    if (!ParseNumber(arguments, level))
        return false;
    CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    player->SetWantedLevel(static_cast<unsigned int>(std::max(level, 0)));
    return true;
}

bool ConGetSound(std::string&, CLineRing& output)
{
    PrintFormatted(output, "Number Of Channels Playing: %d", FSOUND_GetChannelsPlaying());
    return true;
}

// The sound system keeps volumes within the library's 0 to 255.
bool ConSetVolume(std::string& arguments, CLineRing&)
{
    int32_t volume = 0;
    if (!ParseNumber(arguments, volume))
        return false;
    g_Sound.SetSfxVolume(volume);
    g_Sound.SetMusicVolume(volume);
    return true;
}

// Appends the active camera's place to "camera.txt" as cinema statements,
// ready to paste into a cinema script, and prints it.
bool ConGetCameraInfo(std::string&, CLineRing& output)
{
    const CCamera* camera = g_pActiveCamera;
    if (camera == nullptr) {
        PrintLine(output, NO_CAMERA);
        return true;
    }
    const D3DXVECTOR3& position = camera->GetPosition();
    const D3DXMATRIX& world = camera->GetWorldMatrix();
    const D3DXVECTOR3 lookAt(world._31, world._32, world._33);
    const D3DXVECTOR3 up(world._21, world._22, world._23);
    FILE* file = Files::Open(CAMERA_INFO_FILE, "a");
    if (file != nullptr) {
        std::fprintf(file, CAMERA_POS_STATEMENT, CINEMA_TIME, position.x, position.y, position.z);
        std::fprintf(file, CAMERA_LOOKAT_STATEMENT, CINEMA_TIME, lookAt.x, lookAt.y, lookAt.z, up.x, up.y, up.z);
        std::fclose(file);
    }
    PrintFormatted(output, "Camera Pos: %f %f %f", position.x, position.y, position.z);
    PrintFormatted(output, "Camera Look At: %f %f %f", lookAt.x, lookAt.y, lookAt.z);
    PrintFormatted(output, "Camera Up Vector: %f %f %f", up.x, up.y, up.z);
    PrintFormatted(output, "Camera Angle: %f", camera->m_fVerticalAngle);
    return true;
}

// The level builds itself again from its script; a player in a car is put
// out on the spot by the reload. The player comes back whole and standing,
// dead or not, on a body that moves.
bool ConRestart(std::string&, CLineRing& output)
{
    CLevel* level = Level(output);
    if (level == nullptr)
        return false;
    level->LoadScript();
    // The missions held what the old script placed: fresh copies read what
    // the new one placed. The extras went with the old level too.
    g_MissionManager.Reset();
    SpawnItems();
    CGameActor* player = g_PlayerActor;
    if (player == nullptr)
        return true;
    player->RestoreLife();
    player->EnablePhysics();
    return true;
}
