#include "Core/Utility.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Input/InGameMouse.h"
#include "platform/files/Files.h"

namespace {

const size_t READ_CHUNK = 1023;
// Beyond this the direction is treated as vertical and the world up axis
// cannot give a sideways axis.
const float NEARLY_VERTICAL = 0.999f;
const float CURSOR_REST_POSITION[2] = {0.55f, 0.4f};

} // namespace

D3DXVECTOR3 GetMatrixRow(const D3DXMATRIX& m, int row)
{
    return D3DXVECTOR3(m.m[row][0], m.m[row][1], m.m[row][2]);
}

void SetMatrixRow(D3DXMATRIX* m, int row, const D3DXVECTOR3& v)
{
    m->m[row][0] = v.x;
    m->m[row][1] = v.y;
    m->m[row][2] = v.z;
}

// The length the file system gives is no measure (a folder opens and gives
// any length): the file is read to its end, and a read error fails it.
bool ReadFileToString(const std::string& path, std::string& text)
{
    std::FILE* file = Files::Open(path, "rb");
    if (!file)
        return false;

    std::string read;
    char chunk[READ_CHUNK];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, READ_CHUNK, file)) > 0)
        read.append(chunk, strnlen(chunk, got));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return false;
    text.swap(read);
    return true;
}

void BuildMatrixFromDirection(D3DXMATRIX* out, D3DXVECTOR3* direction, const D3DXVECTOR3* axis)
{
    D3DXVec3Normalize(direction, direction);
    const D3DXVECTOR3& d = *direction;

    D3DXVECTOR3 x;
    D3DXVECTOR3 y;
    if (std::fabs(d.y) < NEARLY_VERTICAL) {
        x = D3DXVECTOR3(d.z, 0.0f, -d.x); // world up x d
        D3DXVec3Cross(&y, &d, &x);
    } else {
        const D3DXVECTOR3 side = axis ? *axis : D3DXVECTOR3(1.0f, 0.0f, 0.0f);
        D3DXVec3Cross(&y, &d, &side);
        D3DXVec3Cross(&x, &y, &d);
    }
    D3DXVec3Normalize(&y, &y);
    D3DXVec3Normalize(&x, &x);

    SetMatrixRow(out, 0, x);
    SetMatrixRow(out, 1, y);
    SetMatrixRow(out, 2, d);
}

void ScreenPointToRay(D3DXVECTOR3* out, const D3DXVECTOR2& point, const D3DXMATRIX& projection,
                      const D3DXMATRIX& cameraWorld)
{
    const float sx = (2.0f * point.x - 1.0f) / projection._11;
    const float sy = (1.0f - 2.0f * point.y) / projection._22;
    const D3DXVECTOR3 right(cameraWorld._11, cameraWorld._12, cameraWorld._13);
    const D3DXVECTOR3 up(cameraWorld._21, cameraWorld._22, cameraWorld._23);
    const D3DXVECTOR3 forward(cameraWorld._31, cameraWorld._32, cameraWorld._33);
    *out = right * sx + up * sy + forward;
}

void SetMouseCursorPosition(const float* position)
{
    g_InGameMouse.SetPosition(position ? position : CURSOR_REST_POSITION);
}

std::string UpperCase(const char* name)
{
    std::string upper = name != nullptr ? name : "";
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}
