#pragma once

class CDisplayObject3D;

// Where AddToRender and AddToCarRender send the parts they do not draw at
// once: the render queue, unless a test puts a recorder in its place. With
// none set the parts are dropped.
class CComplexObjectQueue {
public:
    virtual ~CComplexObjectQueue() = default;
    virtual void AddOpaque(CDisplayObject3D* part) = 0;
    virtual void AddOpaqueCar(CDisplayObject3D* part) = 0;
    virtual void AddTransparent(CDisplayObject3D* part) = 0;
    // The queue keeps a copy of the part's world matrix, so one part may be
    // queued at several places in a frame.
    virtual void AddTransparentSnapshot(CDisplayObject3D* part) = 0;
};
