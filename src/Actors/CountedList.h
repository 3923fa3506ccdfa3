#pragma once
// The counted lists of the car and tyre-type scripts ("NumTires 4", then four
// tyre blocks). A count comes from a file a modder edits, so it is checked
// before anything is allocated for it, and a list that runs out of script
// stops the load instead of reading zeros for ever.

#include <cstdint>
#include <string>

#include "platform/d3dx8/D3DX8Math.h"

class CDataBuffer;

// The most entries any counted list of a car or tyre type may hold.
inline constexpr int32_t MAX_LIST_COUNT = 1024;

// Reads a list's count. Below 0 or above MAX_LIST_COUNT is a fatal script
// error naming the block (`blockKind` "Car", "TireType"), the asset and the
// keyword.
uint32_t ReadListCount(CDataBuffer& reader, const char* blockKind, const std::string& asset, const char* keyword);

// Before each value of a list: a reader at its end is a fatal script error
// naming the block, the asset and the keyword.
void RequireListValue(const CDataBuffer& reader, const char* blockKind, const std::string& asset,
                      const char* keyword);

// One number of a list, after RequireListValue.
float ReadListFloat(CDataBuffer& reader, const char* blockKind, const std::string& asset, const char* keyword);
// Sixteen numbers of a list, row by row, each after RequireListValue.
D3DXMATRIX ReadListMatrix(CDataBuffer& reader, const char* blockKind, const std::string& asset,
                          const char* keyword);

// True when the reader's current token reads whole as a number.
bool IsNumberToken(const CDataBuffer& reader);
