#include "Level/TerrainCellMesh.h"

#include "Level/Terrain.h"
#include "platform/d3dx8/XMeshText.h"

std::string TerrainCellMeshText(int cx, int cz, const HeightFunction& height, float quad, const D3DXVECTOR3& origin)
{
    const int cell = CTerrain::DEFAULT_CELL_SIZE;
    XTextMesh mesh;
    mesh.name = "cell_" + std::to_string(cx) + "_" + std::to_string(cz);
    const int side = cell + 1;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const int column = cx * cell + i;
            const int row = cz * cell + j;
            mesh.positions.emplace_back(origin.x + column * quad, height(column, row), origin.z + row * quad);
            mesh.normals.emplace_back(0.0f, 1.0f, 0.0f);
            mesh.texCoords.emplace_back(float(i) / cell, float(j) / cell);
        }
    }
    for (int j = 0; j < cell; ++j) {
        for (int i = 0; i < cell; ++i) {
            const DWORD a = DWORD(j * side + i);
            mesh.faces.push_back({a, a + side, a + side + 1});
            mesh.faces.push_back({a, a + side + 1, a + 1});
        }
    }
    mesh.faceNormals = mesh.faces;
    return XFileText(MeshText(mesh));
}
