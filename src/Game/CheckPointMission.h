#pragma once
// The missions in which the player runs through checkpoints: the plain run,
// the run against the clock and the bomb run. Their progress is tested on
// their racers; the player is the first of them.

#include <vector>

#include "Game/Mission.h"

class CGameActor;

class CCheckPointMission : public CMission {
public:
    // The actor whose progress decides the win, and its first racer.
    void SetPlayer(CGameActor* player);

    CGameActor* GetPlayer() const { return m_pPlayer; }
    const std::vector<CGameActor*>& GetRacers() const { return m_Racers; }

private:
    // Observers: the actors belong to the game and the level.
    CGameActor* m_pPlayer = nullptr;
    std::vector<CGameActor*> m_Racers;
};

class CTimedCheckPointMission : public CCheckPointMission {};

// The bomb run.
class CMission2 : public CCheckPointMission {};
