#pragma once
// The missions of the game, in the order they were created, and the one
// running. Each frame with no mission running, the first waiting mission
// whose start circle holds the player starts; a running mission's win
// creates what it unlocks, its failure puts a fresh copy at the end of the
// list. The manager owns its missions, and keeps the crime manager's
// listener on the running one so that every event reaches it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Level/LevelObject.h"

class CMission;

// One mission class the manager creates by name. Plain fields: the shipped
// table is constant, ready before the global manager copies it.
struct MissionClass {
    typedef std::unique_ptr<CMission> (*Factory)();
    const char* name = "";
    Factory create = nullptr;
    // The class is a checkpoint mission the player races in.
    bool givenPlayer = false;
};

class CMissionManager {
public:
    // Waiting missions show this colour on the minimap.
    static constexpr uint32_t START_MARKER_COLOUR = 0xFF0000FF;

    CMissionManager();
    ~CMissionManager();
    CMissionManager(const CMissionManager&) = delete;
    CMissionManager& operator=(const CMissionManager&) = delete;

    // Once a frame from the level's update.
    void Update();
    // Once per render pass of the level: the start markers while no mission
    // runs, else the running mission.
    void Draw(ERenderPass pass);

    // The mission of the class `name` selects (case matters), its start
    // script "Scripts\Mission\<name>Pre.txt" read, waiting at the end of the
    // list; null, nothing created, for a name no class has.
    CMission* CreateMission(const std::string& name);
    // The menus' retry: fresh copies of the waiting missions in their order,
    // and of the running one, which restarts at once.
    void Reset();
    // Deletes every mission; none is current afterwards and the game clock
    // runs at the speed it had before the running mission.
    void Clear();
    // The credits run at once, the player racing, outside the list. A
    // running mission is put back as if it had failed.
    CMission* StartCredits();

    // The first listed mission named `name`, or null.
    CMission* FindMission(const std::string& name) const;
    size_t GetMissionCount() const { return m_Missions.size(); }
    CMission* GetMission(size_t index) const { return m_Missions.at(index).get(); }
    CMission* GetCurrentMission() const { return m_pCurrentMission; }

    // A class the shipped table lacks (the tests' own); a name already in
    // the table is taken by the new class.
    void AddMissionClass(const MissionClass& missionClass);

private:
    const MissionClass* FindClass(const std::string& name) const;
    CMission* AddMission(std::unique_ptr<CMission> mission, const std::string& name);
    void StartWaitingMissions();
    void MakeCurrent(CMission* mission);
    void Won();
    void Failed();
    // Takes the mission out of the list (or the credits' slot), runs its
    // End and deletes it; nothing is current afterwards.
    void Retire(CMission* mission);
    std::unique_ptr<CMission> TakeOwnership(CMission* mission);
    void RestoreTimeRatio();
    void SetCurrent(CMission* mission);

    std::vector<MissionClass> m_Classes;
    std::vector<std::unique_ptr<CMission>> m_Missions;
    // The credits are never listed; the manager owns them while they run.
    std::unique_ptr<CMission> m_pCredits;
    // Observer: a mission started from the list stays in it.
    CMission* m_pCurrentMission = nullptr;
};

extern CMissionManager g_MissionManager;
