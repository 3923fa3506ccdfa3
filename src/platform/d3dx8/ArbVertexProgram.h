#pragma once
// A Direct3D 8 vs.1.1 token stream (VertexShaderTokens.h) as an
// ARB_vertex_program ("!!ARBvp1.0 ... END"), keeping Direct3D's meaning:
//   v<n>          vertex.attrib[n] (generic attributes; the device feeds them)
//   c<n>          c[n], an array bound to program.env[0..95]: constants are
//                 device state shared by every shader, as in Direct3D
//   c[a0.x + n]   c[a0.x + n] after ARL. ARB limits the offset to 63: a shader
//                 with a larger one gets a0 loaded 32 higher (FLR, ADD, ARL,
//                 exact) and every offset 32 lower
//   a0.x          ARL (it floors, as vs.1.1's mov to a0.x does)
//   r<n>          TEMP r<n>
//   oPos          result.position (see ArbVertexProgramOptions)
//   oD0, oD1      result.color, result.color.secondary
//   oT<n>         result.texcoord[n]
//   oFog, oPts    result.fogcoord, result.pointsize (their x)
// expp and logp become EXP and LOG (the same partial-precision results); lit,
// dst and the rest map one to one. The scalar instructions read the w of their
// swizzled source, as Direct3D does. rcp and rsq of 0 give +infinity in both,
// and rsq takes |x| in both (ARB gives -infinity for rcp of -0).

#include <cstddef>
#include <string>

#include "platform/win32/Win32Types.h"

// The first program.env register after Direct3D's 96 constants: the device
// loads it with (1 / viewport width, 1 / viewport height, 0, 0) before a draw
// when the position conversion is on.
constexpr DWORD kArbViewportRegister = 96;

struct ArbVertexProgramOptions {
    // Appends the step from Direct3D's clip space to the device's, the one its
    // fixed-function path takes: y turns over (the top row is stored first)
    // and x and y move by half a pixel (D3D's pixel centres onto GL's):
    //   position = (x + w / width, w / height - y, z, w)
    // z stays as it is: the device clips z to [0, w] (glClipControl with
    // GL_ZERO_TO_ONE), so no 2z - w remap is needed. Off: oPos is
    // result.position unchanged.
    bool convertPosition = true;
    DWORD viewportRegister = kArbViewportRegister;
};

struct ArbVertexProgram {
    std::string text;  // the program; empty when the translation failed
    std::string error; // why it failed; empty on success
};

// Reads `tokens` up to the end token, never more than `maxTokens` of them
// (VertexShaderToken::kMaxTokens bounds any vs.1.1 stream, for callers that
// know only where it starts). A stream that is not vs.1.1 as the assembler
// writes it (unknown opcode, register out of range, no end token) fails.
ArbVertexProgram TranslateVertexShaderToArb(const DWORD* tokens, size_t maxTokens,
                                            const ArbVertexProgramOptions& options);
