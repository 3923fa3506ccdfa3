#pragma once
// What the console's handler files share: lines into the output ring, the
// player, the level and the AI agent a command acts on (each said when
// missing), and the place a spawn goes. For the handlers only.

#include <cstdint>
#include <string>

#include "Console/LineRing.h"
#include "platform/d3dx8/D3DX8Math.h"

class CAIControllerSet;
class CGameActor;
class CLevel;

namespace ConsoleHelpers {

inline constexpr const char* NO_LEVEL = "No level loaded";
inline constexpr const char* INVALID_AGENT = "**Invalid AI ENTITY Index**";

// A fresh line of the output holding the text.
void PrintLine(CLineRing& output, const char* text);
__attribute__((format(printf, 2, 3))) void PrintFormatted(CLineRing& output, const char* format, ...);

// The player, or null with "No player" printed: the start-up script runs
// before there is one.
CGameActor* Player(CLineRing& output);
// The current level, or null with "No level loaded" printed.
CLevel* Level(CLineRing& output);
// The level's agent `index`, or null with "**Invalid AI ENTITY Index**"
// printed (also when no level is loaded).
CAIControllerSet* Agent(int32_t index, CLineRing& output);

// Whether anything but blanks is left of the line.
bool HasMore(std::string& arguments);
// `distance` along the player's facing from the player; false, with "No
// player" printed, without one.
bool AheadOfPlayer(float distance, CLineRing& output, D3DXVECTOR3& point);
// The place the arguments give, else a point ahead of the player on the
// ground; false when what is given is no place, or when there is no player
// to stand ahead of (said).
bool SpawnPoint(std::string& arguments, const CLevel& level, CLineRing& output, D3DXVECTOR3& point);

} // namespace ConsoleHelpers
