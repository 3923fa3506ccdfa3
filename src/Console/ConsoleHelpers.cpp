#include "Console/ConsoleHelpers.h"

#include <cstdarg>
#include <cstdio>

#include "AI/AIControllerSet.h"
#include "Actors/GameActor.h"
#include "Console/ConsoleReaders.h"
#include "Level/Level.h"
#include "Level/Terrain.h"

namespace {

const char* const NO_PLAYER = "No player";
const size_t MESSAGE_SIZE = 128;
// Without a place given, things spawn this far ahead of the player.
const float SPAWN_AHEAD = 5.0f;

} // namespace

namespace ConsoleHelpers {

void PrintLine(CLineRing& output, const char* text)
{
    output.Print();
    output.Current() = text;
}

void PrintFormatted(CLineRing& output, const char* format, ...)
{
    char text[MESSAGE_SIZE];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    PrintLine(output, text);
}

CGameActor* Player(CLineRing& output)
{
    if (g_PlayerActor == nullptr)
        PrintLine(output, NO_PLAYER);
    return g_PlayerActor;
}

CLevel* Level(CLineRing& output)
{
    if (g_pLevel == nullptr)
        PrintLine(output, NO_LEVEL);
    return g_pLevel;
}

CAIControllerSet* Agent(int32_t index, CLineRing& output)
{
    CAIControllerSet* agent = g_pLevel != nullptr ? g_pLevel->GetAgent(index) : nullptr;
    if (agent == nullptr)
        PrintLine(output, INVALID_AGENT);
    return agent;
}

bool HasMore(std::string& arguments)
{
    SkipBlanks(arguments);
    return !arguments.empty();
}

bool AheadOfPlayer(float distance, CLineRing& output, D3DXVECTOR3& point)
{
    const CGameActor* player = Player(output);
    if (player == nullptr)
        return false;
    D3DXVECTOR3 facing;
    D3DXVec3Normalize(&facing, &player->m_Model.m_vFacing);
    point = player->m_Model.m_vPosition + facing * distance;
    return true;
}

bool SpawnPoint(std::string& arguments, const CLevel& level, CLineRing& output, D3DXVECTOR3& point)
{
    if (HasMore(arguments))
        return ParseVector3(arguments, point);
    if (!AheadOfPlayer(SPAWN_AHEAD, output, point))
        return false;
    const CTerrain* terrain = level.GetTerrain();
    if (terrain != nullptr) {
        D3DXVECTOR3 ground;
        terrain->GetHeight(point, ground, nullptr);
        point.y = ground.y;
    }
    return true;
}

} // namespace ConsoleHelpers
