#pragma once
// One AI agent: its controllers, its actor and the car it drives. Until the
// agents exist only what the cars read of an agent is here.

#include <cstdint>

class CAIControllerSet {
public:
    // A car that has exploded shortens its driver's view so that the driver
    // is recycled soon.
    static constexpr float EXPLODED_VIEW_RANGE = 10.0f;

    uint8_t m_u8PoliceActive = 0;
    float m_fViewRange = 0.0f;
};
