#pragma once
// A complex-object queue that counts the parts that reach it.

#include "Display/ComplexObjectQueue.h"

class CountingQueue : public CComplexObjectQueue {
public:
    void AddOpaque(CDisplayObject3D*) override { ++m_Parts; }
    void AddOpaqueCar(CDisplayObject3D*) override { ++m_Parts; }
    void AddTransparent(CDisplayObject3D*) override { ++m_Parts; }
    void AddTransparentSnapshot(CDisplayObject3D*) override { ++m_Parts; }
    int m_Parts = 0;
};
