#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3dx8/VertexShaderAssembler.h"

namespace {

using Tokens = std::vector<DWORD>;

constexpr DWORD kVersion = 0xFFFE0101;
constexpr DWORD kEnd = 0x0000FFFF;

// Writes every component of r0-r3 and a0.x, so that the instruction under
// test may read them.
const char* const kPreamble = "vs.1.1\n"
                              "mov r0, v0\n"
                              "mov r1, v0\n"
                              "mov r2, v0\n"
                              "mov r3, v0\n"
                              "mov a0.x, v0.x\n";
constexpr size_t kPreambleTokens = 1 + 5 * 3;

// The tokens `text` adds after the preamble, without the end token.
Tokens TokensAfterPreamble(const std::string& text)
{
    const VertexShaderAssembly assembly = AssembleVertexShader(kPreamble + text, "t.vsh");
    EXPECT_EQ("", assembly.error) << text;
    if (assembly.tokens.size() < kPreambleTokens + 1)
        return {};
    EXPECT_EQ(kEnd, assembly.tokens.back());
    return Tokens(assembly.tokens.begin() + kPreambleTokens, assembly.tokens.end() - 1);
}

std::string ErrorOf(const std::string& text)
{
    const VertexShaderAssembly assembly = AssembleVertexShader(text, "t.vsh");
    EXPECT_TRUE(assembly.tokens.empty()) << text;
    return assembly.error;
}

// Expected tokens are spelled out from Direct3D 8's bit layout: parameter
// tokens carry bit 31, the register type in bits 28-30 (temp 0, input 1,
// const 2, address 3, rast out 4, attr out 5, tex coord out 6), a write mask in
// bits 16-19 or a swizzle in bits 16-23 (x y z w = 0xE4), negation in bit 24,
// relative addressing in bit 13 and the register number below.
TEST(VertexShaderAssembler, EncodesEachInstructionAndRegisterFile)
{
    struct Case {
        const char* text;
        Tokens tokens;
    };
    const Case cases[] = {
        {"mov r0, v0", {0x00000001, 0x800F0000, 0x90E40000}},
        {"add r1.xy, -r2.yxwz, c3", {0x00000002, 0x80030001, 0x81B10002, 0xA0E40003}},
        {"sub r0.w, r1.x, v2", {0x00000003, 0x80080000, 0x80000001, 0x90E40002}},
        {"mad oD0, r0, c[a0.x + 5].wzyx, v1", {0x00000004, 0xD00F0000, 0x80E40000, 0xA01B2005, 0x90E40001}},
        {"mul r3, r2.xy, c[a0.x]", {0x00000005, 0x800F0003, 0x80540002, 0xA0E42000}},
        {"rcp oPts, -c4.w", {0x00000006, 0xC00F0002, 0xA1FF0004}},
        {"rsq r5, r0.z", {0x00000007, 0x800F0005, 0x80AA0000}},
        {"dp3 r4.x, r0, c0", {0x00000008, 0x80010004, 0x80E40000, 0xA0E40000}},
        {"dp4 oFog.x, r1, c1", {0x00000009, 0xC0010001, 0x80E40001, 0xA0E40001}},
        {"min oT7.xy, r0, v15", {0x0000000A, 0xE0030007, 0x80E40000, 0x90E4000F}},
        {"max oD1, r0, r1", {0x0000000B, 0xD00F0001, 0x80E40000, 0x80E40001}},
        {"slt r11.yz, r0, c95", {0x0000000C, 0x8006000B, 0x80E40000, 0xA0E4005F}},
        {"sge oT0, r0, c2", {0x0000000D, 0xE00F0000, 0x80E40000, 0xA0E40002}},
        {"expp r6, r1.y", {0x0000004E, 0x800F0006, 0x80550001}},
        {"logp r7.xz, v3.w", {0x0000004F, 0x80050007, 0x90FF0003}},
        {"lit r8, r0", {0x00000010, 0x800F0008, 0x80E40000}},
        {"dst r9, r0, r1", {0x00000011, 0x800F0009, 0x80E40000, 0x80E40001}},
        {"mov a0.x, r0.y", {0x00000001, 0xB0010000, 0x80550000}},
        {"mov oPos, c[a0.x + 95]", {0x00000001, 0xC00F0000, 0xA0E4205F}},
        // Names are not case-sensitive.
        {"MOV oPOS, V0.XYZW", {0x00000001, 0xC00F0000, 0x90E40000}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.tokens, TokensAfterPreamble(c.text)) << c.text;
}

TEST(VertexShaderAssembler, WritesTheMacrosOutAsDotProductRows)
{
    // m4x4: four dp4, one component each, from four consecutive registers.
    EXPECT_EQ((Tokens{0x00000009, 0xC0010000, 0x90E40000, 0xA0E40004,   //
                      0x00000009, 0xC0020000, 0x90E40000, 0xA0E40005,   //
                      0x00000009, 0xC0040000, 0x90E40000, 0xA0E40006,   //
                      0x00000009, 0xC0080000, 0x90E40000, 0xA0E40007}), //
              TokensAfterPreamble("m4x4 oPos, v0, c4"));
    // m4x3 keeps the relative addressing and a negated, swizzled vector.
    EXPECT_EQ((Tokens{0x00000009, 0x80010005, 0x811B0001, 0xA0E42002,   //
                      0x00000009, 0x80020005, 0x811B0001, 0xA0E42003,   //
                      0x00000009, 0x80040005, 0x811B0001, 0xA0E42004}), //
              TokensAfterPreamble("m4x3 r5.xyz, -r1.wzyx, c[a0.x + 2]"));
    EXPECT_EQ((Tokens{0x00000008, 0x80010004, 0x90E40003, 0x80E40000,   //
                      0x00000008, 0x80020004, 0x90E40003, 0x80E40001,   //
                      0x00000008, 0x80040004, 0x90E40003, 0x80E40002}), //
              TokensAfterPreamble("m3x3 r4, v3, r0"));
}

TEST(VertexShaderAssembler, SkipsCommentsAndBlankLines)
{
    const VertexShaderAssembly assembly =
        AssembleVertexShader("; a shader\r\n\r\n// with comments\r\n  VS.1.1  ; the header\r\n"
                             "mov oPos, v0 // moved\r\n; done",
                             "t.vsh");
    EXPECT_EQ("", assembly.error);
    EXPECT_EQ((Tokens{kVersion, 0x00000001, 0xC00F0000, 0x90E40000, kEnd}), assembly.tokens);
    EXPECT_EQ((Tokens{kVersion, kEnd}), AssembleVertexShader("vs.1.1\n", "t.vsh").tokens);
}

TEST(VertexShaderAssembler, AcceptsWhatDirect3DAccepts)
{
    const char* const accepted[] = {
        "mul r0, c0, c0",                           // the same constant twice is one read
        "mad r0, v0, v0.x, c1",                     // the same input twice is one read
        "m4x4 oPos, v0, c0",                        // the matrix counts once a row
        "mov r4.xyz, v0\ndp3 r5, r4, c0",           // dp3 reads x, y and z only
        "mov r4.xy, v0\nmov oT0.xy, r4",            // a masked write reads only what it writes
        "mov r4.w, v0\nrcp r5, r4",                 // a scalar source without a swizzle reads w
        "mov r4.x, v0\nlit r5, r4.xxzx",            // lit reads x, y and w
        "mov r4.yz, v0\nmov r5.yw, v1\ndst r6, r4, r5", // dst reads y, z of one and y, w of the other
    };
    for (const char* text : accepted) {
        const VertexShaderAssembly assembly = AssembleVertexShader(std::string(kPreamble) + text, "t.vsh");
        EXPECT_EQ("", assembly.error) << text;
    }
}

TEST(VertexShaderAssemblerErrors, NameTheLineAndTheFault)
{
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"vs.1.1\n\nfrc r0, v0", "t.vsh(3): unknown instruction \"frc\""},
        {"mov r0, v0", "t.vsh(1): the shader must begin with \"vs.1.1\""},
        {"; comment\n\nmov r0, v0", "t.vsh(3): the shader must begin with \"vs.1.1\""},
        {"", "t.vsh(1): the shader must begin with \"vs.1.1\""},
        {"vs.1.1\nvs.1.1", "t.vsh(2): \"vs.1.1\" appears twice"},
        {"vs.1.1\nmov r12, v0", "t.vsh(2): register \"r12\" is out of range (r0-r11)"},
        {"vs.1.1\nmov r0, v16", "t.vsh(2): register \"v16\" is out of range (v0-v15)"},
        {"vs.1.1\nmov r0, c96", "t.vsh(2): register \"c96\" is out of range (c0-c95)"},
        {"vs.1.1\nmov oT8, v0", "t.vsh(2): register \"oT8\" is out of range (oT0-oT7)"},
        {"vs.1.1\nmov r0, c99999999", "t.vsh(2): register \"c99999999\" is out of range (c0-c95)"},
        {"vs.1.1\nmov a0.x, v0\nmov r0, c[a0.x + 96]", "t.vsh(3): register \"c[a0.x + 96]\" is out of range (c0-c95)"},
        {"vs.1.1\nmov r0, x0", "t.vsh(2): unknown register \"x0\""},
        {"vs.1.1\nadd r0, c0, c1", "t.vsh(2): only one constant register can be read by an instruction"},
        {"vs.1.1\nmov a0.x, v0\nadd r0, c[a0.x], c0",
         "t.vsh(3): only one constant register can be read by an instruction"},
        {"vs.1.1\nm4x4 oPos, c0, c4", "t.vsh(2): only one constant register can be read by an instruction"},
        {"vs.1.1\nadd r0, v0, v1", "t.vsh(2): only one input register can be read by an instruction"},
        {"vs.1.1\nmov r0.x, v0\ndp4 oPos, r0, c0", "t.vsh(3): r0.yzw is read before it is written"},
        {"vs.1.1\nmov r0.xy, v0\nmov oPos, r0.xyzx", "t.vsh(3): r0.z is read before it is written"},
        {"vs.1.1\nadd r1, r1, v0", "t.vsh(2): r1.xyzw is read before it is written"},
        {"vs.1.1\nmov oPos, c[a0.x]", "t.vsh(2): a0.x is used before it is written"},
        {"vs.1.1\nmov r0, v0\nm4x4 r0, r0, c0", "t.vsh(3): the destination of \"m4x4\" cannot be one of its sources"},
        {"vs.1.1\nmov r0, v0\nm3x3 r1, v0, r0", "t.vsh(3): the destination of \"m3x3\" cannot be one of its sources"},
        {"vs.1.1\nm4x4 oPos, v0, c93", "t.vsh(2): the matrix \"c93\" runs past the last register"},
        {"vs.1.1\nm4x3 r0.xy, v0, c0", "t.vsh(2): \"m4x3\" writes .xyz and takes no other write mask"},
        {"vs.1.1\nm4x4 oPos, v0, -c0", "t.vsh(2): the matrix of \"m4x4\" takes no swizzle or negation"},
        {"vs.1.1\nrcp r0, v0.xy", "t.vsh(2): \"rcp\" reads one component: its source takes .x, .y, .z or .w"},
        {"vs.1.1\nadd r0, v0", "t.vsh(2): \"add\" takes 3 operands, not 2"},
        {"vs.1.1\nmov r0, ", "t.vsh(2): missing operand"},
        {"vs.1.1\nmov r0.yx, v0", "t.vsh(2): invalid write mask \"r0.yx\""},
        {"vs.1.1\nmov r0.xx, v0", "t.vsh(2): invalid write mask \"r0.xx\""},
        {"vs.1.1\nmov r0, v0.xyzwx", "t.vsh(2): invalid swizzle \"v0.xyzwx\""},
        {"vs.1.1\nmov r0, v0.q", "t.vsh(2): invalid swizzle \"v0.q\""},
        {"vs.1.1\nmov -r0, v0", "t.vsh(2): a destination cannot be negated: \"-r0\""},
        {"vs.1.1\nmov v0, c0", "t.vsh(2): \"v0\" cannot be written"},
        {"vs.1.1\nmov c0, v0", "t.vsh(2): \"c0\" cannot be written"},
        {"vs.1.1\nmov r0, oPos", "t.vsh(2): output register \"oPos\" cannot be read"},
        {"vs.1.1\nmov a0.x, v0\nmov r0, a0.x", "t.vsh(3): a0 is read only as c[a0.x + n]"},
        {"vs.1.1\nadd a0.x, v0, c0", "t.vsh(2): a0 is written only by mov, not by \"add\""},
        {"vs.1.1\nmov a0, v0", "t.vsh(2): a0 is written as a0.x"},
        {"vs.1.1\nmov r0, c[a0.y]", "t.vsh(2): relative addressing is written c[a0.x + n]: \"c[a0.y]\""},
        {"vs.1.1\nmov r0, c[a0.x + 1", "t.vsh(2): missing \"]\" in \"c[a0.x + 1\""},
        {"vs.1.1\nmov r0, \x01\x02zz", "t.vsh(2): unknown register \"??zz\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.error, ErrorOf(c.text)) << c.text;
}

TEST(VertexShaderAssemblerErrors, StopAt128InstructionSlots)
{
    std::string text = "vs.1.1\n";
    for (int i = 0; i < 124; ++i)
        text += "mov oD0, v0\n";
    EXPECT_EQ("", AssembleVertexShader(text + "m4x4 oPos, v0, c0\n", "t.vsh").error);
    EXPECT_EQ("t.vsh(127): too many instructions: vs.1.1 runs at most 128",
              ErrorOf(text + "mov oD1, v0\nm4x4 oPos, v0, c0\n"));
}

} // namespace
