#pragma once

#include "platform/novodex/NxShape.h"

// A capsule along its local y axis: `height` between the centres of its two
// end spheres.
class NxCapsuleShapeDesc : public NxShapeDesc {
public:
    NxCapsuleShapeDesc() : NxShapeDesc(NX_SHAPE_CAPSULE) {}
    bool isValid() const override;

    NxReal radius = 1.0f;
    NxReal height = 1.0f;
    NxU32 flags = 0;
};

class NxCapsuleShape : public NxShape {
public:
    NxCapsuleShape(NxActor& actor, const NxCapsuleShapeDesc& desc);

    NxReal getRadius() const { return m_Radius; }
    NxReal getHeight() const { return m_Height; }
    // Live: a tyre rides on its new length from the next step on.
    void setRadius(NxReal radius);
    void setHeight(NxReal height);
    NxU32 getCapsuleFlags() const { return m_CapsuleFlags; }

private:
    void resize(NxReal radius, NxReal height);

    NxReal m_Radius;
    NxReal m_Height;
    NxU32 m_CapsuleFlags;
};
