#pragma once
// The SDK object: parameters, materials, cooked meshes and the scenes.

#include <memory>
#include <vector>

#include "platform/novodex/NxMaterial.h"

class NxScene;
class NxSceneDesc;
class NxTriangleMesh;
class NxTriangleMeshDesc;
class NxUserAllocator;
class NxUserOutputStream;

// The one SDK version this stand-in answers to.
#define NX_PHYSICS_SDK_VERSION 0x02010200u

// The SDK keeps these; the simulation does not read them.
enum NxParameter {
    NX_SKIN_WIDTH = 1,
    NX_VISUALIZATION_SCALE = 12,
    NX_VISUALIZE_COLLISION_SHAPES = 40,
    NX_VISUALIZE_JOINT_LIMITS = 42,
    NX_PARAMS_NUM_VALUES = 64,
};

class NxPhysicsSDK;

// Null when the version is not NX_PHYSICS_SDK_VERSION. The allocator and the
// output stream are not used.
NxPhysicsSDK* NxCreatePhysicsSDK(NxU32 sdkVersion, NxUserAllocator* allocator = nullptr,
                                 NxUserOutputStream* outputStream = nullptr);

class NxPhysicsSDK {
public:
    NxPhysicsSDK(const NxPhysicsSDK&) = delete;
    NxPhysicsSDK& operator=(const NxPhysicsSDK&) = delete;

    // Releases the scenes and meshes left, then the SDK itself.
    void release();

    bool setParameter(NxParameter parameter, NxReal value);
    NxReal getParameter(NxParameter parameter) const;

    // Index 0 is the default material, used by shapes that name no material
    // that exists. An invalid material or index past the last leaves the
    // table as it is.
    void setMaterialAtIndex(NxMaterialIndex index, const NxMaterial* material);
    bool getMaterialAtIndex(NxMaterialIndex index, NxMaterial& material) const;
    // Appends a material and returns its index (0 when the table is full or
    // the material invalid).
    NxMaterialIndex addMaterial(const NxMaterial& material);
    NxU32 getNbMaterials() const { return static_cast<NxU32>(m_Materials.size()); }

    NxScene* createScene(const NxSceneDesc& desc);
    void releaseScene(NxScene& scene);
    NxU32 getNbScenes() const { return static_cast<NxU32>(m_Scenes.size()); }

    // Cooks the mesh; null when the description is invalid.
    NxTriangleMesh* createTriangleMesh(const NxTriangleMeshDesc& desc);
    // Refused while a shape still uses the mesh.
    void releaseTriangleMesh(NxTriangleMesh& mesh);

    // The stand-in's own: what touching shapes with these materials combine
    // to, the spring null when neither has one.
    struct ContactMaterial {
        NxReal friction;
        NxReal restitution;
        bool hasSpring;
        NxSpringDesc spring;
    };
    ContactMaterial combineMaterials(NxMaterialIndex index0, NxMaterialIndex index1) const;
    // True once some material has a spring with a target other than 0.
    bool hasSpringTargets() const { return m_bSpringTargets; }

private:
    friend NxPhysicsSDK* NxCreatePhysicsSDK(NxU32, NxUserAllocator*, NxUserOutputStream*);

    struct StoredMaterial {
        NxMaterial material;
        bool hasSpring = false;
        NxSpringDesc spring;
    };

    NxPhysicsSDK();
    ~NxPhysicsSDK();
    const StoredMaterial& materialAt(NxMaterialIndex index) const;
    static StoredMaterial store(const NxMaterial& material);

    NxReal m_Parameters[NX_PARAMS_NUM_VALUES];
    std::vector<StoredMaterial> m_Materials;
    bool m_bSpringTargets = false;
    std::vector<std::unique_ptr<NxScene>> m_Scenes;
    std::vector<std::unique_ptr<NxTriangleMesh>> m_Meshes;
};
