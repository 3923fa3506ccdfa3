// 200 boxes dropped on a hilly terrain and left to settle, stepped once
// through the NovodeX stand-in as the game steps it (contact reports walked)
// and once directly through Bullet with the same bodies, materials and
// steps. The direct side builds its bodies as the stand-in does (each shape
// a child of a compound, the SDK's default damping), so the difference is
// the stand-in's own work. The "step" counter is the time of one 1/60 s step.

#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include "platform/novodex/NxPhysics.h"

namespace {

const int TERRAIN_SAMPLES = 64;
const float TERRAIN_SPACING = 1.0f;
const int BOX_COLUMNS = 20;
const int BOX_ROWS = 10;
const float BOX_SPACING = 1.5f;
const float BOX_HALF_EXTENT = 0.5f;
const float BOX_DENSITY = 10.0f;
const float STEP = 1.0f / 60.0f;
const int MAX_SUBSTEPS = 4;
const int SETTLE_STEPS = 240;
// Both worlds combine to this friction and restitution: the stand-in averages
// its materials, Bullet multiplies its bodies' values.
const float FRICTION = 0.5f;
const float RESTITUTION = 0.5f;

float TerrainHeight(int column, int row)
{
    return 1.5f * std::sin(column * 0.21f) * std::cos(row * 0.17f);
}

struct TerrainMesh {
    std::vector<float> vertices;
    std::vector<int> indices;

    TerrainMesh()
    {
        const float origin = -0.5f * TERRAIN_SPACING * (TERRAIN_SAMPLES - 1);
        for (int row = 0; row < TERRAIN_SAMPLES; ++row) {
            for (int column = 0; column < TERRAIN_SAMPLES; ++column) {
                vertices.push_back(origin + column * TERRAIN_SPACING);
                vertices.push_back(TerrainHeight(column, row));
                vertices.push_back(origin + row * TERRAIN_SPACING);
            }
        }
        for (int row = 0; row + 1 < TERRAIN_SAMPLES; ++row) {
            for (int column = 0; column + 1 < TERRAIN_SAMPLES; ++column) {
                const int a = row * TERRAIN_SAMPLES + column;
                indices.insert(indices.end(), {a, a + TERRAIN_SAMPLES, a + TERRAIN_SAMPLES + 1});
                indices.insert(indices.end(), {a, a + TERRAIN_SAMPLES + 1, a + 1});
            }
        }
    }
};

// Where box i starts: a grid over the middle of the terrain in three layers.
btVector3 BoxStart(int i)
{
    const int column = i % BOX_COLUMNS;
    const int row = i / BOX_COLUMNS;
    const float x = (column - 0.5f * BOX_COLUMNS) * BOX_SPACING;
    const float z = (row - 0.5f * BOX_ROWS) * BOX_SPACING;
    return btVector3(x, 3.0f + 1.2f * (i % 3), z);
}

// Walks every stream as the game's contact report does.
class WalkingReport : public NxUserContactReport {
public:
    void onContactNotify(NxContactPair& pair, NxU32) override
    {
        NxContactStreamIterator it(pair.stream);
        while (it.goNextPair())
            while (it.goNextPatch())
                while (it.goNextPoint())
                    points += it.getShape(0)->isCapsule() != nullptr ? 2 : 1;
    }
    size_t points = 0;
};

class StandInWorld {
public:
    explicit StandInWorld(const TerrainMesh& terrain) : m_pSDK(NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION))
    {
        NxMaterial material;
        material.dynamicFriction = FRICTION;
        material.staticFriction = FRICTION;
        material.restitution = RESTITUTION;
        m_pSDK->setMaterialAtIndex(0, &material);
        NxSceneDesc sceneDesc;
        sceneDesc.gravity = NxVec3(0.0f, -9.8f, 0.0f);
        m_pScene = m_pSDK->createScene(sceneDesc);
        m_pScene->setActorGroupPairFlags(0, 0, NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH);
        m_pScene->setUserContactReport(&m_Report);
        m_pScene->setTiming(STEP, MAX_SUBSTEPS, NX_TIMESTEP_FIXED);

        NxTriangleMeshDesc meshDesc;
        meshDesc.numVertices = static_cast<NxU32>(terrain.vertices.size() / 3);
        meshDesc.numTriangles = static_cast<NxU32>(terrain.indices.size() / 3);
        meshDesc.pointStrideBytes = 3 * sizeof(float);
        meshDesc.triangleStrideBytes = 3 * sizeof(int);
        meshDesc.points = terrain.vertices.data();
        meshDesc.triangles = terrain.indices.data();
        NxTriangleMeshShapeDesc ground;
        ground.meshData = m_pSDK->createTriangleMesh(meshDesc);
        NxActorDesc groundDesc;
        groundDesc.shapes.push_back(&ground);
        m_pScene->createActor(groundDesc);

        for (int i = 0; i < BOX_COLUMNS * BOX_ROWS; ++i) {
            NxBoxShapeDesc box;
            box.dimensions = NxVec3(BOX_HALF_EXTENT, BOX_HALF_EXTENT, BOX_HALF_EXTENT);
            NxBodyDesc body;
            NxActorDesc boxDesc;
            const btVector3 start = BoxStart(i);
            boxDesc.globalPose.t = NxVec3(start.x(), start.y(), start.z());
            boxDesc.body = &body;
            boxDesc.density = BOX_DENSITY;
            boxDesc.shapes.push_back(&box);
            m_pScene->createActor(boxDesc);
        }
    }
    ~StandInWorld() { m_pSDK->release(); }

    void Step()
    {
        m_pScene->simulate(STEP);
        m_pScene->flushStream();
        m_pScene->fetchResults(NX_RIGID_BODY_FINISHED, true);
    }

private:
    NxPhysicsSDK* m_pSDK;
    NxScene* m_pScene = nullptr;
    WalkingReport m_Report;
};

class BulletWorld {
public:
    explicit BulletWorld(TerrainMesh& terrain)
        : m_Dispatcher(&m_Configuration),
          m_World(&m_Dispatcher, &m_Broadphase, &m_Solver, &m_Configuration),
          m_TerrainArray(static_cast<int>(terrain.indices.size() / 3), terrain.indices.data(), 3 * sizeof(int),
                         static_cast<int>(terrain.vertices.size() / 3), terrain.vertices.data(), 3 * sizeof(float)),
          m_TerrainShape(&m_TerrainArray, true, true),
          m_BoxShape(btVector3(BOX_HALF_EXTENT, BOX_HALF_EXTENT, BOX_HALF_EXTENT))
    {
        m_World.setGravity(btVector3(0, -9.8f, 0));
        AddBody(0.0f, &m_TerrainShape, btVector3(0, 0, 0));
        const float side = 2.0f * BOX_HALF_EXTENT;
        for (int i = 0; i < BOX_COLUMNS * BOX_ROWS; ++i)
            AddBody(BOX_DENSITY * side * side * side, &m_BoxShape, BoxStart(i));
    }
    ~BulletWorld()
    {
        for (const auto& body : m_Bodies)
            m_World.removeRigidBody(body.get());
    }

    void Step() { m_World.stepSimulation(STEP, MAX_SUBSTEPS, STEP); }

private:
    void AddBody(float mass, btCollisionShape* shape, const btVector3& position)
    {
        m_Compounds.push_back(std::make_unique<btCompoundShape>());
        btCompoundShape* compound = m_Compounds.back().get();
        compound->addChildShape(btTransform::getIdentity(), shape);
        btVector3 inertia(0, 0, 0);
        if (mass > 0.0f)
            shape->calculateLocalInertia(mass, inertia);
        btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, compound, inertia);
        info.m_startWorldTransform.setOrigin(position);
        info.m_friction = std::sqrt(FRICTION);
        info.m_restitution = std::sqrt(RESTITUTION);
        const NxBodyDesc defaults;
        info.m_linearDamping = defaults.linearDamping;
        info.m_angularDamping = defaults.angularDamping;
        m_Bodies.push_back(std::make_unique<btRigidBody>(info));
        m_World.addRigidBody(m_Bodies.back().get());
    }

    btDefaultCollisionConfiguration m_Configuration;
    btCollisionDispatcher m_Dispatcher;
    btDbvtBroadphase m_Broadphase;
    btSequentialImpulseConstraintSolver m_Solver;
    btDiscreteDynamicsWorld m_World;
    btTriangleIndexVertexArray m_TerrainArray;
    btBvhTriangleMeshShape m_TerrainShape;
    btBoxShape m_BoxShape;
    std::vector<std::unique_ptr<btCompoundShape>> m_Compounds;
    std::vector<std::unique_ptr<btRigidBody>> m_Bodies;
};

template <class World>
void SettleBoxes(benchmark::State& state)
{
    TerrainMesh terrain;
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>(terrain);
        state.ResumeTiming();
        for (int step = 0; step < SETTLE_STEPS; ++step)
            world->Step();
        state.PauseTiming();
        world.reset();
        state.ResumeTiming();
    }
    state.counters["step"] = benchmark::Counter(SETTLE_STEPS, benchmark::Counter::kIsIterationInvariantRate |
                                                                  benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK_TEMPLATE(SettleBoxes, StandInWorld)->Name("PhysicsSettle/StandIn")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(SettleBoxes, BulletWorld)->Name("PhysicsSettle/Bullet")->Unit(benchmark::kMillisecond);
