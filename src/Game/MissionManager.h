#pragma once
// The missions of the game, in the order they were created, and the one
// running. The manager owns its missions. Until missions run, the level's
// calls do nothing and every mission waits at its start point.

#include <memory>
#include <string>
#include <vector>

#include "Level/LevelObject.h"

class CMission;

class CMissionManager {
public:
    CMissionManager();
    ~CMissionManager();
    CMissionManager(const CMissionManager&) = delete;
    CMissionManager& operator=(const CMissionManager&) = delete;

    void Update();
    // Once per render pass of the level.
    void Draw(ERenderPass pass);

    // The mission class `name` selects ("SaveMission", "Intro"; case
    // matters), created waiting at the end of the list; null, nothing
    // created, for a name it does not know.
    CMission* CreateMission(const std::string& name);
    // Reads the start script "Scripts\Mission\<name>Pre.txt" into `mission`,
    // names it and puts it at the end of the list.
    CMission* AddMission(std::unique_ptr<CMission> mission, const std::string& name);
    // Deletes every mission; none is current afterwards.
    void Clear();

    size_t GetMissionCount() const { return m_Missions.size(); }
    CMission* GetMission(size_t index) const { return m_Missions.at(index).get(); }
    CMission* GetCurrentMission() const { return m_pCurrentMission; }

private:
    std::vector<std::unique_ptr<CMission>> m_Missions;
    // Observer: a current mission stays in the list.
    CMission* m_pCurrentMission = nullptr;
};

extern CMissionManager g_MissionManager;
