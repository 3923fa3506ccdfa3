#pragma once
// The layout of Direct3D 8's vs.1.1 token stream, shared by the assembler that
// writes it and the ARB_vertex_program translator that reads it.
//
// A stream is the version token, then instructions, then the end token. An
// instruction is an opcode token, one destination parameter token and its
// source parameter tokens (D3D8 stores no instruction length: the opcode tells
// the count). Parameter tokens have bit 31 set:
//   bits  0-11  register number (for relative addressing: the offset added to a0.x)
//   bit     13  relative addressing through a0.x (sources, constants only)
//   bits 16-19  destination write mask (x = bit 16 ... w = bit 19)
//   bits 16-23  source swizzle, two bits per component, x in the lowest pair
//   bits 24-27  source modifier (1 = negate)
//   bits 28-30  register type
// The names live in a namespace of their own so that they never collide with
// the Direct3D headers' macros.

#include <cstddef>

#include "platform/win32/Win32Types.h"

namespace VertexShaderToken {

constexpr DWORD kVersion = 0xFFFE0101; // vs.1.1
constexpr DWORD kEnd = 0x0000FFFF;
constexpr DWORD kOpcodeMask = 0x0000FFFF;

enum Opcode : DWORD {
    kOpMov = 1,
    kOpAdd = 2,
    kOpSub = 3,
    kOpMad = 4,
    kOpMul = 5,
    kOpRcp = 6,
    kOpRsq = 7,
    kOpDp3 = 8,
    kOpDp4 = 9,
    kOpMin = 10,
    kOpMax = 11,
    kOpSlt = 12,
    kOpSge = 13,
    kOpLit = 16,
    kOpDst = 17,
    kOpExpp = 78,
    kOpLogp = 79,
};

enum RegisterType : DWORD {
    kRegTemp = 0,
    kRegInput = 1,
    kRegConst = 2,
    kRegAddress = 3,
    kRegRastOut = 4,     // oPos, oFog, oPts by number
    kRegAttrOut = 5,     // oD0, oD1
    kRegTexCoordOut = 6, // oT0-oT7
};

enum RastOutRegister : DWORD {
    kRastPosition = 0,
    kRastFog = 1,
    kRastPointSize = 2,
};

constexpr DWORD kParameterBit = 0x80000000;
constexpr DWORD kRegisterNumberMask = 0x00000FFF;
constexpr DWORD kRelativeBit = 1u << 13;
constexpr int kWriteMaskShift = 16;
constexpr DWORD kWriteMaskBits = 0x000F0000;
constexpr int kSwizzleShift = 16;
constexpr DWORD kSwizzleBits = 0x00FF0000;
constexpr int kModifierShift = 24;
constexpr DWORD kModifierBits = 0x0F000000;
constexpr DWORD kModifierNegate = 1;
constexpr int kRegisterTypeShift = 28;
constexpr DWORD kRegisterTypeBits = 0x70000000;

constexpr DWORD kMaskX = 1;
constexpr DWORD kMaskAll = 0xF;
constexpr DWORD kIdentitySwizzle = 0xE4; // x y z w

// The register files of vs.1.1.
constexpr DWORD kInputRegisters = 16;
constexpr DWORD kTempRegisters = 12;
constexpr DWORD kConstRegisters = 96;
constexpr DWORD kColorOutputs = 2;
constexpr DWORD kTexCoordOutputs = 8;

// vs.1.1 runs at most 128 instructions (each macro counts as its expansion).
constexpr int kMaxInstructionSlots = 128;
constexpr int kMaxSourcesPerInstruction = 3;
// The longest stream a vs.1.1 shader can be: readers stop there.
constexpr size_t kMaxTokens = 1 + kMaxInstructionSlots * (2 + kMaxSourcesPerInstruction) + 1;

inline DWORD DestinationToken(DWORD type, DWORD number, DWORD writeMask)
{
    return kParameterBit | (type << kRegisterTypeShift) | (writeMask << kWriteMaskShift) |
           (number & kRegisterNumberMask);
}

inline DWORD SourceToken(DWORD type, DWORD number, DWORD swizzle, bool negate, bool relative)
{
    return kParameterBit | (type << kRegisterTypeShift) | ((negate ? kModifierNegate : 0) << kModifierShift) |
           (swizzle << kSwizzleShift) | (relative ? kRelativeBit : 0) | (number & kRegisterNumberMask);
}

inline DWORD TokenRegisterType(DWORD token) { return (token & kRegisterTypeBits) >> kRegisterTypeShift; }
inline DWORD TokenRegisterNumber(DWORD token) { return token & kRegisterNumberMask; }
inline DWORD TokenWriteMask(DWORD token) { return (token & kWriteMaskBits) >> kWriteMaskShift; }
inline DWORD TokenSwizzle(DWORD token) { return (token & kSwizzleBits) >> kSwizzleShift; }
inline DWORD TokenModifier(DWORD token) { return (token & kModifierBits) >> kModifierShift; }

// The register component (0 = x ... 3 = w) that component `component` of a
// swizzled source reads.
inline DWORD SwizzleSelect(DWORD swizzle, int component) { return (swizzle >> (2 * component)) & 3; }

} // namespace VertexShaderToken
