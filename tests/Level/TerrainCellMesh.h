#pragma once
// Terrain cell meshes as the content tools write them, for tests that build
// a terrain from a mesh list.

#include <functional>
#include <string>

#include "platform/d3dx8/D3DX8Math.h"

typedef std::function<float(int column, int row)> HeightFunction;

// Cell (cx, cz): 33 x 33 vertices in world coordinates, `quad` apart from
// `origin`, two triangles a quad.
std::string TerrainCellMeshText(int cx, int cz, const HeightFunction& height, float quad, const D3DXVECTOR3& origin);
