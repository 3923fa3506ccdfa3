#include "platform/novodex/NxPhysicsSDK.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/novodex/NxScene.h"
#include "platform/novodex/NxTriangleMesh.h"

namespace {

const size_t MAX_MATERIALS = std::numeric_limits<NxMaterialIndex>::max() + size_t(1);

bool IsParameter(NxParameter parameter)
{
    const int index = static_cast<int>(parameter);
    return index >= 0 && index < NX_PARAMS_NUM_VALUES;
}

} // namespace

NxPhysicsSDK* NxCreatePhysicsSDK(NxU32 sdkVersion, NxUserAllocator*, NxUserOutputStream*)
{
    if (sdkVersion != NX_PHYSICS_SDK_VERSION)
        return nullptr;
    return new NxPhysicsSDK();
}

NxPhysicsSDK::NxPhysicsSDK()
{
    std::fill(std::begin(m_Parameters), std::end(m_Parameters), 0.0f);
    m_Materials.resize(1);
}

NxPhysicsSDK::~NxPhysicsSDK()
{
    // Scenes hold shapes that use the meshes.
    m_Scenes.clear();
    m_Meshes.clear();
}

void NxPhysicsSDK::release()
{
    delete this;
}

bool NxPhysicsSDK::setParameter(NxParameter parameter, NxReal value)
{
    if (!IsParameter(parameter) || !std::isfinite(value))
        return false;
    m_Parameters[parameter] = value;
    return true;
}

NxReal NxPhysicsSDK::getParameter(NxParameter parameter) const
{
    if (!IsParameter(parameter))
        return 0.0f;
    return m_Parameters[parameter];
}

NxPhysicsSDK::StoredMaterial NxPhysicsSDK::store(const NxMaterial& material)
{
    StoredMaterial stored;
    stored.material = material;
    stored.material.spring = nullptr;
    if (material.spring != nullptr) {
        stored.hasSpring = true;
        stored.spring = *material.spring;
    }
    return stored;
}

void NxPhysicsSDK::setMaterialAtIndex(NxMaterialIndex index, const NxMaterial* material)
{
    if (material == nullptr || !material->isValid() || index > m_Materials.size())
        return;
    if (index == m_Materials.size())
        m_Materials.push_back(store(*material));
    else
        m_Materials[index] = store(*material);
    if (material->spring != nullptr && material->spring->targetValue != 0.0f)
        m_bSpringTargets = true;
}

bool NxPhysicsSDK::getMaterialAtIndex(NxMaterialIndex index, NxMaterial& material) const
{
    if (index >= m_Materials.size())
        return false;
    material = m_Materials[index].material;
    material.spring = m_Materials[index].hasSpring ? &m_Materials[index].spring : nullptr;
    return true;
}

NxMaterialIndex NxPhysicsSDK::addMaterial(const NxMaterial& material)
{
    if (m_Materials.size() >= MAX_MATERIALS || !material.isValid())
        return 0;
    const auto index = static_cast<NxMaterialIndex>(m_Materials.size());
    setMaterialAtIndex(index, &material);
    return index;
}

const NxPhysicsSDK::StoredMaterial& NxPhysicsSDK::materialAt(NxMaterialIndex index) const
{
    return index < m_Materials.size() ? m_Materials[index] : m_Materials[0];
}

NxPhysicsSDK::ContactMaterial NxPhysicsSDK::combineMaterials(NxMaterialIndex index0, NxMaterialIndex index1) const
{
    const StoredMaterial& a = materialAt(index0);
    const StoredMaterial& b = materialAt(index1);
    ContactMaterial combined;
    combined.friction = 0.5f * (a.material.dynamicFriction + b.material.dynamicFriction);
    combined.restitution = 0.5f * (a.material.restitution + b.material.restitution);
    combined.hasSpring = a.hasSpring || b.hasSpring;
    if (a.hasSpring && b.hasSpring)
        combined.spring = NxSpringDesc(0.5f * (a.spring.spring + b.spring.spring),
                                       0.5f * (a.spring.damper + b.spring.damper),
                                       0.5f * (a.spring.targetValue + b.spring.targetValue));
    else
        combined.spring = a.hasSpring ? a.spring : b.spring;
    return combined;
}

NxScene* NxPhysicsSDK::createScene(const NxSceneDesc& desc)
{
    if (!desc.isValid())
        return nullptr;
    m_Scenes.push_back(std::unique_ptr<NxScene>(new NxScene(*this, desc)));
    return m_Scenes.back().get();
}

void NxPhysicsSDK::releaseScene(NxScene& scene)
{
    const auto found = std::find_if(m_Scenes.begin(), m_Scenes.end(),
                                    [&scene](const std::unique_ptr<NxScene>& owned) { return owned.get() == &scene; });
    if (found != m_Scenes.end())
        m_Scenes.erase(found);
}

NxTriangleMesh* NxPhysicsSDK::createTriangleMesh(const NxTriangleMeshDesc& desc)
{
    std::unique_ptr<NxTriangleMesh> mesh = NxTriangleMesh::cook(desc);
    if (!mesh)
        return nullptr;
    m_Meshes.push_back(std::move(mesh));
    return m_Meshes.back().get();
}

void NxPhysicsSDK::releaseTriangleMesh(NxTriangleMesh& mesh)
{
    if (mesh.getReferenceCount() > 0)
        return;
    const auto found =
        std::find_if(m_Meshes.begin(), m_Meshes.end(),
                     [&mesh](const std::unique_ptr<NxTriangleMesh>& owned) { return owned.get() == &mesh; });
    if (found != m_Meshes.end())
        m_Meshes.erase(found);
}
