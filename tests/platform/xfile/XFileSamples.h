#pragma once
// Small hand-written .X texts shared by the reader's tests.

// A cube of six quads with normals, texture coordinates and two materials:
// one referenced by name, one inline with a texture.
extern const char CUBE_X[];
// Nested frames with transforms, an unnamed frame among them.
extern const char FRAMES_X[];
// An animation set whose tracks reference a frame written after them.
extern const char ANIMATION_X[];
// A skinned triangle: skin header and the weights of one bone.
extern const char SKIN_X[];
