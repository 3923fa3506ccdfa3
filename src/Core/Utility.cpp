#include "Core/Utility.h"

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

long FileLength(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long length = std::ftell(file);
    std::rewind(file);
    return length < 0 ? 0 : length;
}

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

bool ReadFileToString(const std::string& path, std::string& text)
{
    std::FILE* file = Files::Open(path, "rb");
    if (!file)
        return false;

    const size_t length = static_cast<size_t>(FileLength(file));
    text.reserve(length);
    text.clear();
    char chunk[READ_CHUNK + 1];
    size_t total = 0;
    while (total < length) {
        std::memset(chunk, 0, sizeof(chunk));
        const size_t read = std::fread(chunk, 1, READ_CHUNK, file);
        if (read == 0)
            break;
        text.append(chunk, strnlen(chunk, read));
        total += read;
    }
    std::fclose(file);
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
