#include "support/FlatGround.h"

#include <cstdint>
#include <vector>

#include "Physics/Physics.h"
#include "platform/d3dx8/D3DX8Math.h"

namespace {

const uint32_t GROUND_SAMPLES = 5;
const float GROUND_SPACING = 50.0f;
const D3DXVECTOR3 GROUND_ORIGIN(-100.0f, 0.0f, -100.0f);

} // namespace

bool CreateFlatGround()
{
    const std::vector<float> heights(GROUND_SAMPLES * GROUND_SAMPLES, 0.0f);
    return g_Physics.CreateTerrainActor(GROUND_SAMPLES, GROUND_SAMPLES, GROUND_SPACING, GROUND_ORIGIN, heights.data(),
                                        heights.size());
}
