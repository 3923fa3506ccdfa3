#pragma once

#include <memory>

#include "platform/novodex/NxShape.h"

class NxHeightFieldGround;
class NxTriangleMesh;

// Triangle meshes collide as static geometry: give them to static actors.
class NxTriangleMeshShapeDesc : public NxShapeDesc {
public:
    NxTriangleMeshShapeDesc() : NxShapeDesc(NX_SHAPE_MESH) {}
    bool isValid() const override;

    NxTriangleMesh* meshData = nullptr;
};

class NxTriangleMeshShape : public NxShape {
public:
    NxTriangleMeshShape(NxActor& actor, const NxTriangleMeshShapeDesc& desc);
    ~NxTriangleMeshShape() override;

    NxTriangleMesh& getTriangleMesh() const { return m_Mesh; }

private:
    NxTriangleMesh& m_Mesh;
    // The solid below a height field's surface; null for other meshes.
    std::unique_ptr<NxHeightFieldGround> m_pGround;
};
