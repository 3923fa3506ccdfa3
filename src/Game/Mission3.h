#pragma once
// The warehouse: armed people patrol inside the walls and go for the player;
// the mission is won once none of them is alive. Its main script takes
// nothing but its own keyword (no base mission keyword, so it neither
// sounds nor unlocks anything):
//   AIPedPatrol  actor name, then each optional and in this order:
//                  Pos x y z       where it stands (default: the agent's
//                                  place ahead of the player)
//                  Health h        its life (default: the actor's own)
//                  Weapon name     a copy of that weapon, in its hands

#include "Game/Mission.h"

class CMission3 : public CMission {
public:
    static constexpr D3DCOLOR TEXT_COLOUR = 0xFFFFFFFF;

    bool Parse(CDataBuffer& reader) override;
    int Update() override;

    // Whether one of the mission's people has life left.
    bool IsAnyoneAlive() const;

private:
    bool ParsePatrol(CDataBuffer& reader);
};
