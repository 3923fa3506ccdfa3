#pragma once
// Destroy a number of named targets within a time limit. The player's
// wanted level stays at 2 or below while it runs, and is cleared by the win.
//
// Start script keywords, after the base mission's:
//   Weapon     name, properties   a weapon lying in the world, read when
//                                 the mission is created (again for a retry)
// Main script keywords, after the base mission's:
//   Destroy    name [Goal n]      a target: n of the cars named so must be
//                                 destroyed; only the first target counts
//   TimeLimit  seconds
// A main script without "Destroy" is fatal ("Mission failed to load").

#include <cstdint>
#include <string>
#include <vector>

#include "Game/Mission.h"

struct CDestructionTarget {
    std::string m_Name = "No Name";
    int32_t m_iGoal = 0;
    int32_t m_iCount = 0;
};

class DestructionMission : public CMission {
public:
    static constexpr D3DCOLOR TEXT_COLOUR = 0xFFFF0000;
    static constexpr D3DCOLOR ENDING_COLOUR = 0xFF008000;
    static constexpr float MAX_WANTED_LEVEL = 2.0f;

    bool ParsePre(CDataBuffer& reader) override;
    bool Parse(CDataBuffer& reader) override;
    int Update() override;
    void End() override;
    // Each destroyed car whose name is the first target's counts.
    void OnEvent(const CCrimeRecord& event) override;

    const std::vector<CDestructionTarget>& GetTargets() const { return m_Targets; }
    float GetTimeLimit() const { return m_fTimeLimit; }

protected:
    bool IsMainScriptComplete() const override { return !m_Targets.empty(); }

private:
    void ShowProgress() const;
    int RunEnding(float seconds);

    std::vector<CDestructionTarget> m_Targets;
    float m_fTimeLimit = 0.0f;
};
