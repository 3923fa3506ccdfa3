#pragma once
// Checks that need more than one object: that walking the objects through
// their references ends (no cycle, a bounded depth and size), and that what
// a mesh's normals, texture coordinates, vertex colours, material list and
// skin weights say agrees with the mesh's vertices and faces.

#include <memory>
#include <vector>

#include "platform/xfile/XFileError.h"
#include "platform/xfile/XFileObject.h"

// `objects` are a file's top-level objects with their references resolved.
bool ValidateXFileObjects(const std::vector<std::unique_ptr<XFileObject>>& objects, XFileError& error);
