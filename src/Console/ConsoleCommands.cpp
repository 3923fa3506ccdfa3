#include "Console/ConsoleCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <functional>

#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "Console/ConsoleReaders.h"
#include "Display/Camera.h"
#include "Level/Level.h"
#include "Physics/Physics.h"
#include "Sound/Sound.h"
#include "platform/files/Files.h"
#include "platform/fsound/FSound.h"
#include "platform/novodex/NxActor.h"
#include "platform/win32/Windows.h"

const char* const CAMERA_INFO_FILE = "camera.txt";

namespace {

const char* const NO_PLAYER = "No player";
const char* const NO_LEVEL = "No level loaded";
const char* const NO_SIMULATOR = "Simulator does not exist";
const char* const NO_AI = "AI commands are not available";
const char* const INVALID_AGENT = "**Invalid AI ENTITY Index**";
const char* const NO_CAMERA = "Camera does not exist.";
const char* const NOT_IN_A_CAR = "Your not in a car";
const char* const INVALID_COLOUR = "Invalid Color fool";
// Cinema statements; the time written is always 0.
const char* const CAMERA_POS_STATEMENT = "fade so at %f camera pos = xyz(%f %f %f)\n";
const char* const CAMERA_LOOKAT_STATEMENT = "fade so at %f camera lookat = xyz(%f %f %f), xyz(%f %f %f)\n";
const double CINEMA_TIME = 0.0;
const size_t MESSAGE_SIZE = 128;

// A fresh line of the output holding the text.
void PrintLine(CLineRing& output, const char* text)
{
    output.Print();
    output.Current() = text;
}

__attribute__((format(printf, 2, 3))) void PrintFormatted(CLineRing& output, const char* format, ...)
{
    char text[MESSAGE_SIZE];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    PrintLine(output, text);
}

// The player, or null with "No player" printed: the start-up script runs
// before there is one.
CGameActor* Player(CLineRing& output)
{
    if (g_PlayerActor == nullptr)
        PrintLine(output, NO_PLAYER);
    return g_PlayerActor;
}

// The car the player drives, or null with "Your not in a car" printed.
CCar* PlayerCar(CLineRing& output)
{
    CCar* car = g_PlayerActor != nullptr ? g_PlayerActor->m_pCar : nullptr;
    if (car == nullptr)
        PrintLine(output, NOT_IN_A_CAR);
    return car;
}

// The level's paint table, whose working entry the colour commands edit;
// null before a level is loaded.
CCarColorTable* PaintTable()
{
    return CCarColorTable::CurrentForEditing();
}

D3DCOLORVALUE OpaqueColour(const D3DXCOLOR& colour)
{
    return {colour.r, colour.g, colour.b, 1.0f};
}

// The edit on the working paint, which then goes on the player's car.
bool EditPlayerPaint(CLineRing& output, const std::function<void(CCarColorTable&)>& edit)
{
    CCar* car = PlayerCar(output);
    CCarColorTable* table = PaintTable();
    if (car == nullptr || table == nullptr)
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

// The number of AI agents the console can address: none until the AI and
// the level's agent list exist.
int32_t AgentCount()
{
    return 0;
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

bool ConAI(std::string&, CLineRing& output)
{
    PrintLine(output, NO_AI);
    return false;
}

// Nothing ever makes the simulator; without one the gravity stays as it is.
bool ConGravity(std::string& arguments, CLineRing& output)
{
    D3DXVECTOR3 gravity;
    ParseVector3(arguments, gravity);
    neSimulator* simulator = g_Physics.GetSimulator();
    if (simulator == nullptr) {
        PrintLine(output, NO_SIMULATOR);
        return true;
    }
    simulator->SetGravity(gravity);
    return true;
}

bool ConGetPos(std::string&, CLineRing& output)
{
    const CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    const D3DXVECTOR3& position = player->m_Model.m_vPosition;
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
    int32_t agent = 0;
    if (ParseInt(arguments, agent)) {
        if (agent < 0 || agent >= AgentCount()) {
            PrintLine(output, INVALID_AGENT);
            return false;
        }
    }
    CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    g_GameCamera.m_pTarget = &player->m_Model.m_matObject;
    return true;
}

// Health above 0 brings the player back to life.
bool ConSetHealth(std::string& arguments, CLineRing& output)
{
    float health = 0.0f;
    if (!ParseFloat(arguments, health))
        return false;
    CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    player->m_fCurrentLife = health;
    if (health > 0.0f)
        player->m_bAlive = true;
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
    CCarColorTable* table = PaintTable();
    if (table == nullptr || g_pLevel == nullptr)
        return false;
    table->SetWorkingDiffuse(OpaqueColour(colour));
    for (CCar* car : g_pLevel->GetActiveCars())
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
    if (!ParseFloat(arguments, power)) {
        PrintLine(output, INVALID_COLOUR);
        return false;
    }
    return EditPlayerPaint(output, [power](CCarColorTable& table) { table.SetWorkingPower(power); });
}

bool ConCarColourIndex(std::string& arguments, CLineRing& output)
{
    int32_t index = 0;
    if (!ParseInt(arguments, index)) {
        PrintLine(output, INVALID_COLOUR);
        return false;
    }
    CCar* car = PlayerCar(output);
    if (car == nullptr)
        return false;
    car->SetColourIndex(index);
    return true;
}

bool ConAddColour(std::string&, CLineRing&)
{
    CCarColorTable* table = PaintTable();
    if (table == nullptr)
        return false;
    table->AppendWorking();
    return true;
}

bool ConSaveColours(std::string&, CLineRing&)
{
    const CCarColorTable* table = PaintTable();
    return table != nullptr && table->Save();
}

bool ConSetSpeed(std::string& arguments, CLineRing&)
{
    float scale = 0.0f;
    if (!ParseFloat(arguments, scale) || !std::isfinite(scale) || scale <= 0.0f)
        return false;
    g_Physics.SetTimeScale(scale);
    return true;
}

// A negative level (a hexadecimal number with the top bit) counts as none.
bool ConSetWarning(std::string& arguments, CLineRing& output)
{
    int32_t level = 0;
    if (!ParseInt(arguments, level))
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
    if (!ParseInt(arguments, volume))
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
// out on the spot by the reload and stands idle with the camera chasing.
bool ConRestart(std::string&, CLineRing& output)
{
    if (g_pLevel == nullptr) {
        PrintLine(output, NO_LEVEL);
        return false;
    }
    g_pLevel->LoadScript();
    return true;
}
