#pragma once
// Lays a template's data out the way DirectX File hands it to callers of
// IDirectXFileData::GetData (the layouts are listed in DXFile.h).

#include <vector>

#include "platform/xfile/XFileTypes.h"

// Strings are packed as pointers to the value's own characters: the value
// must stay where it is, unchanged, while the packed bytes are in use.
std::vector<BYTE> PackXFileValue(const XFileValue& value);
