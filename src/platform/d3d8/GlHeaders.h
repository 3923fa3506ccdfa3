#pragma once
// OpenGL for the Direct3D stand-in: entry points beyond 1.1 come from the
// prototypes Mesa exports. Only ARB_vertex_program's, which the library does
// not export, are looked up by name (GlRenderer).

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
