#pragma once
// A small world for the AI's tests: the level fixture's flat ground seen
// through its test camera, a steady frame time, a road graph and a
// sidewalk graph written under the game's own file names, and two test
// prototypes: the actor "LIZARD" (the level fixture's) and a box car with a
// driver's seat, a deceleration and a root collision box. In its shipped
// mode the game's own cars and characters (the lizard-man "Lizard", the
// "Sedan") stand in for the test prototypes.

#include <memory>
#include <vector>

#include "Level/LevelFixture.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"

class CCar;
class CGameActor;

class AIWorld : public LevelFixture {
public:
    static constexpr const char* ACTOR = "LIZARD";
    static constexpr const char* CAR = "BoxCar";
    static constexpr uint32_t FRAME_MILLISECONDS = 20;
    // The car's root box reaches this far below its origin.
    static constexpr float CAR_BOX_BOTTOM = -0.5f;
    // Road nodes: 0 -> 1 -> 2 -> 0 at 20, 40 and 60 mph; node 3 has no links.
    static constexpr float ROAD_SPEEDS[4] = {20.0f, 40.0f, 60.0f, 30.0f};

protected:
    void SetUp() override;
    void TearDown() override;
    // The shipped cars and characters instead of the test prototypes; call
    // first in SetUp (after StartPhysics for a scene).
    void UseShippedContent()
    {
        m_bShipped = true;
        m_bTestLizard = false;
    }
    // A level of ground only, as g_pLevel.
    CLevel& LoadGround();
    // The same on the shipped terrain "Modern" (shipped mode only).
    CLevel& LoadShippedGround();
    // The whole SetUp of a scene on the town's ground: physics, the shipped
    // content, the terrain, the viewer at (x, z) and the level playing.
    void SetUpShippedScene(float x, float z);
    // The sidewalk graph becomes a path through `points`, each node linked
    // one way to the next.
    void LoadSidewalkPath(const std::vector<D3DXVECTOR3>& points);

    // g_PlayerActor for this test (null: no player); the one before comes
    // back in TearDown.
    void SetPlayerActor(CGameActor* player);

    cRoadnode* RoadNode(size_t n) const;
    cSidewalknode* SidewalkNode(size_t n) const;
    // A bodiless car in the level's active list at `position`, reporting
    // `velocity` as its physics record's last reading. The fixture owns it.
    CCar& AddMovingCar(const D3DXVECTOR3& position, const D3DXVECTOR3& velocity);
    // A car of the test prototype on a box actor (physics started), placed as
    // by PlaceCar and in the level's active list. The fixture owns it.
    CCar& AddBoxCar(const D3DXVECTOR3& at, const D3DXVECTOR3& heading, const D3DXVECTOR3& velocity);
    // The car's world matrix (and its actor, when it has one) faces
    // `heading` (flat, unit) at `at`, moving at `velocity`.
    static void PlaceCar(CCar& car, const D3DXVECTOR3& at, const D3DXVECTOR3& heading, const D3DXVECTOR3& velocity);

private:
    void WriteGraphs();
    void WritePrototypes();
    void LoadShippedContent();

    bool m_bShipped = false;
    bool m_bPlayerSaved = false;
    CGameActor* m_pSavedPlayer = nullptr;
    // They outlive the level that lists them.
    std::vector<std::unique_ptr<CCar>> m_MovingCars;
};
