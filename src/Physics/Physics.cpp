#include "Physics/Physics.h"

#include <cmath>

#include "Core/Clock.h"
#include "Core/StepTrace.h"
#include "Physics/CollidableObject.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"

namespace {

const float STEP_SECONDS = 1.0f / 60.0f;
// Scene stepping: at most this many fixed steps per frame, the rest dropped.
const NxU32 MAX_STEPS_PER_FRAME = 4;
const NxU32 SCENE_MAX_ITERATIONS = 8;
const float DEFAULT_TIME_SCALE = 1.25f;
const float GRAVITY_Y = -9.8f;

// The unit box every collidable actor starts from, and its density when moveable.
const float UNIT_BOX_HALF_EXTENT = 0.5f;
const float UNIT_BOX_DENSITY = 10.0f;

// Contact records past these counts would be noise, not tyres on a road.
const NxU32 MAX_TIRE_PATCHES = 10;
const NxU32 MAX_TIRE_PATCH_POINTS = 10;

enum { FLOATS_PER_VERTEX = 3, INDICES_PER_TRIANGLE = 3, TRIANGLES_PER_QUAD = 2 };
// The ground is solid from its surface down this far: what sinks in is
// pushed back up rather than falling out of the world.
const float TERRAIN_VERTICAL_EXTENT = -1000.0f;
const float TERRAIN_CONVEX_EDGE_THRESHOLD = 0.001f;

ContactReport g_ContactReport;

bool IsWater(const CCollidableObject* pObject)
{
    return pObject != nullptr && pObject->m_u8Kind == CCollidableObject::KIND_WATER;
}

bool IsCar(const CCollidableObject* pObject)
{
    return pObject != nullptr && pObject->m_u8Kind == CCollidableObject::KIND_CAR;
}

// The car's list grows to twice its size plus two when full.
void AppendTireContact(std::vector<CTireContact>& contacts, const CTireContact& contact)
{
    if (contacts.size() == contacts.capacity())
        contacts.reserve(contacts.size() * 2 + 2);
    contacts.push_back(contact);
}

} // namespace

void ContactReport::OnContactNotify(NxContactPair& pair, NxU32)
{
    CCollidableObject* first = GetLinkedObject(pair.actors[0]);
    CCollidableObject* second = GetLinkedObject(pair.actors[1]);
    if (first != nullptr)
        first->OnContact(second, &pair);
    if (second != nullptr)
        second->OnContact(first, &pair);

    if (IsWater(first) || IsWater(second))
        return;
    const int carSide = IsCar(first) ? 0 : (IsCar(second) ? 1 : -1);
    if (carSide < 0)
        return;
    std::vector<CTireContact>* contacts = (carSide == 0 ? first : second)->GetTireContacts();
    if (contacts != nullptr)
        AddTireContacts(pair, carSide, *contacts);
}

void ContactReport::AddTireContacts(NxContactPair& pair, int carSide, std::vector<CTireContact>& contacts)
{
    NxContactStreamIterator it(pair.stream);
    while (it.goNextPair()) {
        NxShape* shape = it.getShape(carSide);
        if ((it.getShapeFlags() & NX_SF_IS_INVALID) || it.getNbPatches() >= MAX_TIRE_PATCHES)
            continue;
        while (it.goNextPatch()) {
            if (it.getNbPatchPoints() >= MAX_TIRE_PATCH_POINTS)
                continue;
            while (it.goNextPoint())
                if (shape->isCapsule() != nullptr)
                    AppendTireContact(contacts, {pair.actors[carSide], shape, ToD3DXVector(it.getPoint())});
        }
    }
}

CPhysics::CPhysics()
    : m_bEnabled(true),
      m_fTimeScale(DEFAULT_TIME_SCALE),
      m_pTerrainActor(nullptr),
      m_pTerrainLink(nullptr),
      m_pSimulator(nullptr),
      m_pSDK(nullptr),
      m_pScene(nullptr),
      m_vGravity(0.0f, GRAVITY_Y, 0.0f)
{
}

CPhysics::~CPhysics()
{
    Shutdown();
}

bool CPhysics::Init()
{
    if (m_pSDK != nullptr)
        return m_pScene != nullptr;
    m_pSDK = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION, nullptr, nullptr);
    if (m_pSDK == nullptr)
        return false;

    m_pSDK->setParameter(NX_SKIN_WIDTH, -0.01f);
    m_pSDK->setParameter(NX_VISUALIZATION_SCALE, 1.0f);
    m_pSDK->setParameter(NX_VISUALIZE_JOINT_LIMITS, 1.0f);
    m_pSDK->setParameter(NX_VISUALIZE_COLLISION_SHAPES, 1.0f);
    CreateMaterials();

    NxSceneDesc desc;
    desc.gravity = ToNxVec3(m_vGravity);
    desc.maxTimestep = STEP_SECONDS;
    desc.maxIter = SCENE_MAX_ITERATIONS;
    desc.timeStepMethod = NX_TIMESTEP_FIXED;
    m_pScene = m_pSDK->createScene(desc);
    if (m_pScene == nullptr)
        return false;

    m_pScene->setActorGroupPairFlags(0, 0, NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH);
    m_pScene->setUserContactReport(&g_ContactReport);
    m_pScene->setTiming(STEP_SECONDS, MAX_STEPS_PER_FRAME, NX_TIMESTEP_FIXED);
    return true;
}

void CPhysics::CreateMaterials()
{
    NxMaterial standard;
    standard.dynamicFriction = 0.5f;
    standard.staticFriction = 0.5f;
    standard.restitution = 0.5f;
    m_pSDK->setMaterialAtIndex(0, &standard);

    NxMaterial rough;
    rough.dynamicFriction = 0.7f;
    rough.staticFriction = 0.1f;
    rough.restitution = 0.0f;
    m_pSDK->setMaterialAtIndex(1, &rough);
}

void CPhysics::Update()
{
    TraceStep("CPhysics::Update");
    if (!m_bEnabled || m_pScene == nullptr)
        return;
    m_pScene->simulate(g_FrameTimer.GetFrameTime() * m_fTimeScale);
    m_pScene->flushStream();
    m_pScene->fetchResults(NX_RIGID_BODY_FINISHED, true);
}

void CPhysics::Shutdown()
{
    // The rigid-body layer never has a simulator or bodies to free.
    m_pSimulator = nullptr;
    m_ParkedBodies.clear();
    if (m_pSDK != nullptr && m_pScene != nullptr)
        m_pSDK->releaseScene(*m_pScene);
    m_pScene = nullptr;
    m_pTerrainActor = nullptr;
    m_TerrainVertices.clear();
    m_TerrainIndices.clear();
    if (m_pSDK != nullptr)
        m_pSDK->release();
    m_pSDK = nullptr;
}

void CPhysics::CreateBoxActor(bool bMoveable, NxActor** ppActor)
{
    if (ppActor == nullptr)
        return;
    *ppActor = nullptr;
    if (m_pScene == nullptr)
        return;

    NxBoxShapeDesc box;
    box.dimensions = NxVec3(UNIT_BOX_HALF_EXTENT, UNIT_BOX_HALF_EXTENT, UNIT_BOX_HALF_EXTENT);
    NxBodyDesc body;
    NxActorDesc desc;
    desc.shapes.push_back(&box);
    if (bMoveable) {
        desc.body = &body;
        desc.density = UNIT_BOX_DENSITY;
    }
    NxActor* actor = m_pScene->createActor(desc);
    if (actor == nullptr)
        return;
    actor->setLinearVelocity(NxVec3(0.0f, 0.0f, 0.0f));
    actor->userData = reinterpret_cast<void*>(PLACEHOLDER_USER_DATA);
    *ppActor = actor;
}

bool CPhysics::CreateTerrainActor(uint32_t samplesPerRow, uint32_t rows, float spacing, const D3DXVECTOR3& origin,
                                  const float* pHeights, size_t heightCount)
{
    if (m_pScene == nullptr || m_pTerrainActor != nullptr)
        return false;
    const uint64_t vertexCount = uint64_t(samplesPerRow) * rows;
    if (samplesPerRow < 2 || rows < 2 || pHeights == nullptr || heightCount < vertexCount)
        return false;
    if (!std::isfinite(spacing) || spacing <= 0.0f || vertexCount > UINT32_MAX)
        return false;

    std::vector<float> vertices;
    vertices.reserve(vertexCount * FLOATS_PER_VERTEX);
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < samplesPerRow; ++c) {
            vertices.push_back(origin.x + c * spacing);
            vertices.push_back(pHeights[size_t(r) * samplesPerRow + c]);
            vertices.push_back(origin.z + r * spacing);
        }
    }
    std::vector<uint32_t> indices;
    indices.reserve(size_t(samplesPerRow - 1) * (rows - 1) * TRIANGLES_PER_QUAD * INDICES_PER_TRIANGLE);
    for (uint32_t r = 0; r + 1 < rows; ++r) {
        for (uint32_t c = 0; c + 1 < samplesPerRow; ++c) {
            const uint32_t a = r * samplesPerRow + c;
            indices.insert(indices.end(), {a, a + samplesPerRow, a + samplesPerRow + 1});
            indices.insert(indices.end(), {a, a + samplesPerRow + 1, a + 1});
        }
    }

    NxTriangleMeshDesc mesh;
    mesh.numVertices = static_cast<NxU32>(vertexCount);
    mesh.numTriangles = static_cast<NxU32>(indices.size() / INDICES_PER_TRIANGLE);
    mesh.pointStrideBytes = FLOATS_PER_VERTEX * sizeof(float);
    mesh.triangleStrideBytes = INDICES_PER_TRIANGLE * sizeof(uint32_t);
    mesh.points = vertices.data();
    mesh.triangles = indices.data();
    mesh.heightFieldVerticalAxis = NX_Y;
    mesh.heightFieldVerticalExtent = TERRAIN_VERTICAL_EXTENT;
    mesh.convexEdgeThreshold = TERRAIN_CONVEX_EDGE_THRESHOLD;
    NxTriangleMesh* cooked = m_pSDK->createTriangleMesh(mesh);
    if (cooked == nullptr)
        return false;

    NxTriangleMeshShapeDesc shape;
    shape.meshData = cooked;
    NxActorDesc desc;
    desc.shapes.push_back(&shape);
    m_pTerrainActor = m_pScene->createActor(desc);
    if (m_pTerrainActor == nullptr) {
        m_pSDK->releaseTriangleMesh(*cooked);
        return false;
    }
    SetActorUserData(m_pTerrainActor, &m_pTerrainLink);
    m_TerrainVertices = std::move(vertices);
    m_TerrainIndices = std::move(indices);
    return true;
}

void CPhysics::ReleaseActor(bool, NxActor** ppActor)
{
    if (ppActor == nullptr || *ppActor == nullptr)
        return;
    if (*ppActor == m_pTerrainActor)
        m_pTerrainActor = nullptr;
    if (m_pScene != nullptr)
        m_pScene->releaseActor(**ppActor);
    *ppActor = nullptr;
}

void CPhysics::ReleaseBody(bool, neRigidBody** ppRigidBody, neAnimatedBody** ppAnimatedBody)
{
    if (ppRigidBody != nullptr && *ppRigidBody != nullptr) {
        m_ParkedBodies.push_back(*ppRigidBody);
        *ppRigidBody = nullptr;
        return;
    }
    // An animated body would be freed on the simulator, which never exists.
    if (ppAnimatedBody != nullptr)
        *ppAnimatedBody = nullptr;
}

void CPhysics::FreeParkedBodies()
{
    m_ParkedBodies.clear();
}

CCollidableObject* GetLinkedObject(const NxActor* pActor)
{
    if (pActor == nullptr || pActor->userData == nullptr)
        return nullptr;
    if (reinterpret_cast<uintptr_t>(pActor->userData) == CPhysics::PLACEHOLDER_USER_DATA)
        return nullptr;
    return *static_cast<CCollidableObject* const*>(pActor->userData);
}

void SetActorUserData(NxActor* pActor, void* pLink)
{
    if (pActor == nullptr)
        return;
    pActor->userData = pLink;
    for (NxU32 i = 0; i < pActor->getNbShapes(); ++i)
        pActor->getShapes()[i]->userData = pLink;
}

void SetActorCollisionGroup(NxActor* pActor, NxCollisionGroup group)
{
    if (pActor == nullptr)
        return;
    for (NxU32 i = 0; i < pActor->getNbShapes(); ++i)
        pActor->getShapes()[i]->setGroup(group);
}
