#pragma once

#include "platform/d3d8/D3D8.h"

// A position and a diffuse colour: the vertex of every debug line.
struct VERTEX_XYZ_DIFFUSE {
    float x, y, z;
    D3DCOLOR colour;
};

static_assert(sizeof(VERTEX_XYZ_DIFFUSE) == 16, "debug line vertices are 16 bytes");
