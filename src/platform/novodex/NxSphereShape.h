#pragma once

#include "platform/novodex/NxShape.h"

class NxSphereShapeDesc : public NxShapeDesc {
public:
    NxSphereShapeDesc() : NxShapeDesc(NX_SHAPE_SPHERE) {}
    bool isValid() const override;

    NxReal radius = 1.0f;
};

class NxSphereShape : public NxShape {
public:
    NxSphereShape(NxActor& actor, const NxSphereShapeDesc& desc);

    NxReal getRadius() const { return m_Radius; }

private:
    NxReal m_Radius;
};
