#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3dx8/ArbVertexProgram.h"
#include "platform/d3dx8/VertexShaderAssembler.h"
#include "platform/d3dx8/VertexShaderTokens.h"

namespace {

using Tokens = std::vector<DWORD>;

constexpr DWORD kVersion = 0xFFFE0101;
constexpr DWORD kEnd = 0x0000FFFF;

ArbVertexProgramOptions PositionAsIs()
{
    ArbVertexProgramOptions options;
    options.convertPosition = false;
    return options;
}

std::string Translate(const std::string& source, const ArbVertexProgramOptions& options)
{
    const VertexShaderAssembly assembly = AssembleVertexShader(source, "t.vsh");
    EXPECT_EQ("", assembly.error);
    const ArbVertexProgram program =
        TranslateVertexShaderToArb(assembly.tokens.data(), assembly.tokens.size(), options);
    EXPECT_EQ("", program.error) << source;
    return program.text;
}

std::string ErrorOf(const Tokens& tokens)
{
    const ArbVertexProgram program = TranslateVertexShaderToArb(tokens.data(), tokens.size(), {});
    EXPECT_EQ("", program.text);
    return program.error;
}

const char* const kTransform = "vs.1.1\n"
                               "m4x4 oPos, v0, c0\n"
                               "mov oD0, c4\n"
                               "mov oT0.xy, v7\n";

TEST(ArbVertexProgram, TranslatesATransformShaderWithThePositionConversion)
{
    EXPECT_EQ("!!ARBvp1.0\n"
              "PARAM c[96] = { program.env[0..95] };\n"
              "TEMP oPos;\n"
              "DP4 oPos.x, vertex.attrib[0], c[0];\n"
              "DP4 oPos.y, vertex.attrib[0], c[1];\n"
              "DP4 oPos.z, vertex.attrib[0], c[2];\n"
              "DP4 oPos.w, vertex.attrib[0], c[3];\n"
              "MOV result.color, c[4];\n"
              "MOV result.texcoord[0].xy, vertex.attrib[7];\n"
              "# Direct3D clip space to the device's: y turned over, half a pixel to GL's pixel centres\n"
              "SWZ oPos, oPos, x, -y, z, w;\n"
              "MAD result.position.xy, oPos.w, program.env[96], oPos;\n"
              "MOV result.position.zw, oPos;\n"
              "END\n",
              Translate(kTransform, {}));
}

TEST(ArbVertexProgram, WritesThePositionStraightWithoutTheConversion)
{
    EXPECT_EQ("!!ARBvp1.0\n"
              "PARAM c[96] = { program.env[0..95] };\n"
              "DP4 result.position.x, vertex.attrib[0], c[0];\n"
              "DP4 result.position.y, vertex.attrib[0], c[1];\n"
              "DP4 result.position.z, vertex.attrib[0], c[2];\n"
              "DP4 result.position.w, vertex.attrib[0], c[3];\n"
              "MOV result.color, c[4];\n"
              "MOV result.texcoord[0].xy, vertex.attrib[7];\n"
              "END\n",
              Translate(kTransform, PositionAsIs()));
}

TEST(ArbVertexProgram, MapsEachInstructionAndRegister)
{
    const std::string preamble = "vs.1.1\nmov r0, v0\nmov a0.x, v0.x\n";
    struct Case {
        const char* source;
        const char* line;
    };
    const Case cases[] = {
        {"add r1.xy, -r0.yxwz, c3", "ADD r1.xy, -r0.yxwz, c[3];"},
        {"sub r1, r0.x, v2", "SUB r1, r0.x, vertex.attrib[2];"},
        {"mad oD0, r0, c[a0.x + 5].wzyx, v1", "MAD result.color, r0, c[a0.x + 5].wzyx, vertex.attrib[1];"},
        {"mul oD1.xyz, r0, c[a0.x]", "MUL result.color.secondary.xyz, r0, c[a0.x];"},
        {"dp3 oT3.xy, r0, c0", "DP3 result.texcoord[3].xy, r0, c[0];"},
        {"dp4 oFog.x, r0, c1", "DP4 result.fogcoord.x, r0, c[1];"},
        {"min oPts, r0, c2", "MIN result.pointsize, r0, c[2];"},
        {"max r1, r0, -v0", "MAX r1, r0, -vertex.attrib[0];"},
        {"slt r1, r0.xxyy, c2", "SLT r1, r0.xxyy, c[2];"},
        {"sge r1, r0, c2.z", "SGE r1, r0, c[2].z;"},
        // The scalar instructions read the w of the swizzled source.
        {"rcp r1, r0", "RCP r1, r0.w;"},
        {"rsq r1.x, -c2.y", "RSQ r1.x, -c[2].y;"},
        {"expp r1, r0.z", "EXP r1, r0.z;"},
        {"logp r1, v0.x", "LOG r1, vertex.attrib[0].x;"},
        {"lit r1, r0", "LIT r1, r0;"},
        {"dst r1, r0, v0", "DST r1, r0, vertex.attrib[0];"},
        {"mov a0.x, r0.zwxy", "ARL a0.x, r0.z;"},
        {"mov oPos, c[a0.x + 63]", "MOV result.position, c[a0.x + 63];"},
    };
    for (const Case& c : cases) {
        const std::string text = Translate(preamble + c.source, PositionAsIs());
        EXPECT_NE(std::string::npos, text.find(std::string("\n") + c.line + "\n")) << c.source << "\n" << text;
    }
}

TEST(ArbVertexProgram, DeclaresOnlyTheRegistersUsed)
{
    const std::string text =
        Translate("vs.1.1\nmov r3, v0\nmov a0.x, r3.x\nmov r7, c[a0.x]\nmov oPos, r7\n", PositionAsIs());
    EXPECT_EQ("!!ARBvp1.0\n"
              "PARAM c[96] = { program.env[0..95] };\n"
              "TEMP r3, r7;\n"
              "ADDRESS a0;\n"
              "MOV r3, vertex.attrib[0];\n"
              "ARL a0.x, r3.x;\n"
              "MOV r7, c[a0.x];\n"
              "MOV result.position, r7;\n"
              "END\n",
              text);
}

// ARB takes relative offsets up to 63 only: a0 is loaded 32 higher instead.
TEST(ArbVertexProgram, ShiftsTheAddressForLargeRelativeOffsets)
{
    const std::string text = Translate(
        "vs.1.1\nmov a0.x, v0.y\nmov r0, c[a0.x + 80]\nadd oPos, r0, c[a0.x + 2]\n", PositionAsIs());
    EXPECT_NE(std::string::npos, text.find("TEMP r0, a0shifted;\n"));
    EXPECT_NE(std::string::npos, text.find("FLR a0shifted.x, vertex.attrib[0].y;\n"
                                           "ADD a0shifted.x, a0shifted.x, 32;\n"
                                           "ARL a0.x, a0shifted.x;\n"
                                           "MOV r0, c[a0.x + 48];\n"
                                           "ADD result.position, r0, c[a0.x - 30];\n"))
        << text;
}

TEST(ArbVertexProgram, StopsAtTheEndToken)
{
    const VertexShaderAssembly assembly = AssembleVertexShader(kTransform, "t.vsh");
    Tokens padded = assembly.tokens;
    padded.resize(VertexShaderToken::kMaxTokens, 0xCDCDCDCD);
    EXPECT_EQ(Translate(kTransform, {}), TranslateVertexShaderToArb(padded.data(), padded.size(), {}).text);
}

TEST(ArbVertexProgram, RefusesStreamsThatAreNotVs11)
{
    EXPECT_EQ("not a vs.1.1 token stream", TranslateVertexShaderToArb(nullptr, 0, {}).error);
    EXPECT_EQ("not a vs.1.1 token stream", ErrorOf({0xFFFE0100, kEnd}));
    EXPECT_EQ("the token stream has no end token", ErrorOf({kVersion}));
    EXPECT_EQ("the token stream ends inside an instruction", ErrorOf({kVersion, 0x00000001, 0x800F0000}));
    EXPECT_EQ("unknown instruction token 0x00000012", ErrorOf({kVersion, 0x00000012, 0x800F0000, kEnd}));
    EXPECT_EQ("unknown instruction token 0x00010001",
              ErrorOf({kVersion, 0x00010001, 0x800F0000, 0x90E40000, kEnd}));
    // r12; a0 written through more than x; no parameter bit.
    EXPECT_EQ("invalid destination token 0x800F000C", ErrorOf({kVersion, 0x00000001, 0x800F000C, 0x90E40000, kEnd}));
    EXPECT_EQ("invalid destination token 0xB0030000", ErrorOf({kVersion, 0x00000001, 0xB0030000, 0x80000000, kEnd}));
    EXPECT_EQ("invalid destination token 0x000F0000", ErrorOf({kVersion, 0x00000001, 0x000F0000, 0x90E40000, kEnd}));
    // v16; a relative temporary; c96.
    EXPECT_EQ("invalid source token 0x90E40010", ErrorOf({kVersion, 0x00000001, 0x800F0000, 0x90E40010, kEnd}));
    EXPECT_EQ("invalid source token 0x80E42000", ErrorOf({kVersion, 0x00000001, 0x800F0000, 0x80E42000, kEnd}));
    EXPECT_EQ("invalid source token 0xA0E40060", ErrorOf({kVersion, 0x00000001, 0x800F0000, 0xA0E40060, kEnd}));
}

} // namespace
