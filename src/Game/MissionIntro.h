#pragma once
// The introduction: a guide walks the player through the first streets and
// gives the delivery job. A keyword of its start script may follow
// "AINormalPed", which is taken and means nothing.

#include "Game/Mission.h"

class CMissionIntro : public CMission {
public:
    bool ParsePre(CDataBuffer& reader) override;
};
