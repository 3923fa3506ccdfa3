#pragma once
// A mission that keeps every event shown to it, for the tests of the event
// channel and of the mission base.

#include <vector>

#include "Game/CrimeManager.h"
#include "Game/Mission.h"

class RecordingMission : public CMission {
public:
    void OnEvent(const CCrimeRecord& event) override { m_Events.push_back(event); }

    std::vector<CCrimeRecord> m_Events;
};
