#pragma once
// The names of the missions a manager lists, in list order.

#include <string>
#include <vector>

#include "Game/Mission.h"
#include "Game/MissionManager.h"

inline std::vector<std::string> ListedMissionNames(const CMissionManager& manager = g_MissionManager)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < manager.GetMissionCount(); ++i)
        names.push_back(manager.GetMission(i)->GetName());
    return names;
}
