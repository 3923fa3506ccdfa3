#pragma once

#include "platform/novodex/NxShape.h"

class NxBoxShapeDesc : public NxShapeDesc {
public:
    NxBoxShapeDesc() : NxShapeDesc(NX_SHAPE_BOX) {}
    bool isValid() const override;

    // Half extents along the local axes.
    NxVec3 dimensions;
};

class NxBoxShape : public NxShape {
public:
    NxBoxShape(NxActor& actor, const NxBoxShapeDesc& desc);

    const NxVec3& getDimensions() const { return m_Dimensions; }

private:
    NxVec3 m_Dimensions;
};
