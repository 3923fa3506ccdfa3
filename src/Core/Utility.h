#pragma once

#include <string>

#include "platform/d3dx8/D3DX8Math.h"

// Reads a whole file into `text`; false (text untouched) when it cannot be
// opened or read (a folder). Reading stops at a NUL byte within a chunk, as text files have none.
bool ReadFileToString(const std::string& path, std::string& text);

// `name` in capitals, as the asset store's upper-case lookup wants it; null
// is the empty name.
std::string UpperCase(const char* name);

// The first three numbers of a row: an axis (rows 0 to 2, right, up,
// forward) or the position (row 3).
D3DXVECTOR3 GetMatrixRow(const D3DXMATRIX& m, int row);
// Writes them; the fourth column is left alone.
void SetMatrixRow(D3DXMATRIX* m, int row, const D3DXVECTOR3& v);

// Writes the orientation whose forward (third) row is `direction` into the
// upper-left 3 x 3 block of `out`; the fourth row and column are left alone.
// The direction is normalised in place. A nearly vertical direction takes its
// sideways axis from `axis`, or from +x when none is given.
void BuildMatrixFromDirection(D3DXMATRIX* out, D3DXVECTOR3* direction, const D3DXVECTOR3* axis = nullptr);

// The world-space direction through a screen point (0..1 from the top-left)
// for a camera with the given world matrix and projection; not normalised.
void ScreenPointToRay(D3DXVECTOR3* out, const D3DXVECTOR2& point, const D3DXMATRIX& projection,
                      const D3DXMATRIX& cameraWorld);

// Places the in-game cursor at `position` (two fractions of the screen), or
// at its resting point a little right of and above the centre when null.
void SetMouseCursorPosition(const float* position = nullptr);
