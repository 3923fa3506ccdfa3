#pragma once
// The vs.1.1 assembler behind D3DXAssembleShaderFromFile: Direct3D 8 vertex
// shader text in, Direct3D 8's token stream (VertexShaderTokens.h) out.
//
// The text: the "vs.1.1" header before the first instruction; one
// instruction a line; ";" and "//" comments; names are not case-sensitive.
// Instructions: mov add sub mul mad dp3 dp4 min max rsq rcp slt sge expp logp
// lit dst, and the macros m4x4, m4x3 and m3x3, which are written out as their
// dp4/dp3 rows (the matrix's rows are consecutive registers and may be
// c[a0.x + n]). Registers: v0-v15, r0-r11, c0-c95, c[a0.x + n], a0.x (written
// only by mov), oPos, oD0, oD1, oT0-oT7, oFog, oPts. Sources take a negation
// and a swizzle of one to four components (the last one repeats); the
// scalar instructions (rcp rsq expp logp) read the source's w, so their
// swizzle must be a single component. Destinations take a write mask.
//
// Direct3D's rules are enforced: one constant register and one input register
// read per instruction (a macro's matrix counts once per row), no temporary
// component read before it is written, a0.x written before c[a0.x + n] is used,
// a macro's destination not among its sources, at most 128 instruction slots.
// The first error ends the assembly.

#include <string>
#include <vector>

#include "platform/win32/Win32Types.h"

struct VertexShaderAssembly {
    std::vector<DWORD> tokens; // version, instructions, end; empty when the assembly failed
    std::string error;         // "<source name>(<line>): <message>"; empty on success
};

VertexShaderAssembly AssembleVertexShader(const std::string& text, const std::string& sourceName);
