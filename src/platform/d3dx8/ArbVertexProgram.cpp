#include "platform/d3dx8/ArbVertexProgram.h"

#include <cstdio>

#include "platform/d3dx8/VertexShaderTokens.h"

using namespace VertexShaderToken;

namespace {

constexpr const char* kComponentNames = "xyzw";
constexpr int kComponents = 4;
constexpr int kComponentX = 0;
constexpr int kComponentW = 3;
constexpr int kVectorSource = -1;
// ARB_vertex_program's largest offset in c[a0.x + n]. A shader using a
// larger one gets a0 raised by kAddressShift and every offset lowered by it,
// which brings D3D's 0-95 into ARB's -64..63. (A second array over the upper
// constants would need no shift, but Mesa refuses two relatively addressed
// arrays over the same registers.)
constexpr DWORD kMaxArbRelativeOffset = 63;
constexpr int kAddressShift = 32;
constexpr const char* kShiftedAddressTemp = "a0shifted";
// Parameter token bits that vs.1.1 never sets.
constexpr DWORD kUnusedDestinationBits = 0x0FF0F000;
constexpr DWORD kUnusedSourceBits = 0x0000D000;
// oPos lives here until the position conversion writes result.position.
constexpr const char* kPositionTemp = "oPos";

struct ArbOpcode {
    DWORD opcode;
    const char* name;
    int sourceCount;
    bool scalar; // reads one component: the w of its swizzled source
};

const ArbOpcode kArbOpcodes[] = {
    {kOpMov, "MOV", 1, false}, {kOpAdd, "ADD", 2, false}, {kOpSub, "SUB", 2, false},
    {kOpMad, "MAD", 3, false}, {kOpMul, "MUL", 2, false}, {kOpRcp, "RCP", 1, true},
    {kOpRsq, "RSQ", 1, true},  {kOpDp3, "DP3", 2, false}, {kOpDp4, "DP4", 2, false},
    {kOpMin, "MIN", 2, false}, {kOpMax, "MAX", 2, false}, {kOpSlt, "SLT", 2, false},
    {kOpSge, "SGE", 2, false}, {kOpLit, "LIT", 1, false}, {kOpDst, "DST", 2, false},
    {kOpExpp, "EXP", 1, true}, {kOpLogp, "LOG", 1, true},
};

const ArbOpcode* FindArbOpcode(DWORD opcode)
{
    for (const ArbOpcode& entry : kArbOpcodes) {
        if (entry.opcode == opcode)
            return &entry;
    }
    return nullptr;
}

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string WriteMaskSuffix(DWORD mask)
{
    if (mask == kMaskAll)
        return "";
    std::string suffix = ".";
    for (int c = 0; c < kComponents; ++c) {
        if (mask & (1u << c))
            suffix += kComponentNames[c];
    }
    return suffix;
}

std::string SwizzleSuffix(DWORD swizzle)
{
    if (swizzle == kIdentitySwizzle)
        return "";
    std::string letters;
    for (int c = 0; c < kComponents; ++c)
        letters += kComponentNames[SwizzleSelect(swizzle, c)];
    if (letters.find_first_not_of(letters[0]) == std::string::npos)
        return std::string(".") + letters[0];
    return "." + letters;
}

class ArbTranslator {
public:
    ArbTranslator(const DWORD* tokens, size_t maxTokens, const ArbVertexProgramOptions& options,
                  bool shiftAddress)
        : m_Tokens(tokens), m_MaxTokens(maxTokens), m_Options(options), m_ShiftAddress(shiftAddress)
    {
    }

    ArbVertexProgram Run();
    // A relative offset beyond ARB's reach was met: translate again with the shift.
    bool NeedsAddressShift() const { return m_LargeOffsetUsed && !m_ShiftAddress; }

private:
    bool Next(DWORD& token);
    bool TranslateInstruction(DWORD opcodeToken);
    bool ReadDestination(const ArbOpcode& opcode, std::string& text, bool& address);
    bool DestinationName(DWORD token, const ArbOpcode& opcode, std::string& text);
    bool ReadSource(int scalarComponent, std::string& text);
    std::string RelativeConstant(DWORD offset);
    void EmitAddressLoad(const std::string& source);
    std::string Declarations() const;
    std::string PositionConversion() const;
    bool Fail(const std::string& message);

    const DWORD* m_Tokens;
    size_t m_MaxTokens;
    size_t m_Position = 0;
    ArbVertexProgramOptions m_Options;
    bool m_ShiftAddress;
    std::string m_Body;
    std::string m_Error;
    bool m_TempUsed[kTempRegisters] = {};
    bool m_ConstantsUsed = false;
    bool m_LargeOffsetUsed = false;
    bool m_AddressUsed = false;
    bool m_PositionWritten = false;
};

ArbVertexProgram ArbTranslator::Run()
{
    ArbVertexProgram program;
    DWORD token = 0;
    if (!m_Tokens || !Next(token) || token != kVersion) {
        program.error = "not a vs.1.1 token stream";
        return program;
    }
    int instructions = 0;
    for (;;) {
        if (!Next(token)) {
            program.error = "the token stream has no end token";
            return program;
        }
        if (token == kEnd)
            break;
        if (++instructions > kMaxInstructionSlots) {
            program.error = "more than " + std::to_string(kMaxInstructionSlots) + " instructions";
            return program;
        }
        if (!TranslateInstruction(token)) {
            program.error = m_Error;
            return program;
        }
    }
    program.text = "!!ARBvp1.0\n" + Declarations() + m_Body + PositionConversion() + "END\n";
    return program;
}

bool ArbTranslator::Next(DWORD& token)
{
    if (m_Position >= m_MaxTokens)
        return false;
    token = m_Tokens[m_Position++];
    return true;
}

bool ArbTranslator::TranslateInstruction(DWORD opcodeToken)
{
    const ArbOpcode* opcode = (opcodeToken & ~kOpcodeMask) == 0 ? FindArbOpcode(opcodeToken) : nullptr;
    if (!opcode)
        return Fail("unknown instruction token " + Hex(opcodeToken));
    std::string destination;
    bool address = false;
    if (!ReadDestination(*opcode, destination, address))
        return false;
    // ARB's scalar operands name their one component: Direct3D reads the w of
    // the swizzled source, and the x for a0.x.
    int scalarComponent = kVectorSource;
    if (opcode->scalar)
        scalarComponent = kComponentW;
    if (address)
        scalarComponent = kComponentX;
    std::string sources;
    std::string source;
    for (int i = 0; i < opcode->sourceCount; ++i) {
        if (!ReadSource(scalarComponent, source))
            return false;
        sources += ", " + source;
    }
    if (address)
        EmitAddressLoad(source); // mov has the one source
    else
        m_Body += opcode->name + (" " + destination) + sources + ";\n";
    return true;
}

void ArbTranslator::EmitAddressLoad(const std::string& source)
{
    if (!m_ShiftAddress) {
        m_Body += "ARL a0.x, " + source + ";\n";
        return;
    }
    const std::string shifted = std::string(kShiftedAddressTemp) + ".x";
    m_Body += "FLR " + shifted + ", " + source + ";\n";
    m_Body += "ADD " + shifted + ", " + shifted + ", " + std::to_string(kAddressShift) + ";\n";
    m_Body += "ARL a0.x, " + shifted + ";\n";
}

bool ArbTranslator::ReadDestination(const ArbOpcode& opcode, std::string& text, bool& address)
{
    DWORD token = 0;
    if (!Next(token))
        return Fail("the token stream ends inside an instruction");
    const DWORD mask = TokenWriteMask(token);
    address = TokenRegisterType(token) == kRegAddress;
    if (!(token & kParameterBit) || (token & kUnusedDestinationBits) || mask == 0 ||
        !DestinationName(token, opcode, text))
        return Fail("invalid destination token " + Hex(token));
    if (!address)
        text += WriteMaskSuffix(mask);
    return true;
}

bool ArbTranslator::DestinationName(DWORD token, const ArbOpcode& opcode, std::string& text)
{
    const DWORD number = TokenRegisterNumber(token);
    switch (TokenRegisterType(token)) {
    case kRegTemp:
        if (number >= kTempRegisters)
            return false;
        m_TempUsed[number] = true;
        text = "r" + std::to_string(number);
        return true;
    case kRegAddress:
        if (number != 0 || opcode.opcode != kOpMov || TokenWriteMask(token) != kMaskX)
            return false;
        m_AddressUsed = true;
        text = "a0.x";
        return true;
    case kRegRastOut:
        if (number == kRastPosition) {
            m_PositionWritten = true;
            text = m_Options.convertPosition ? kPositionTemp : "result.position";
            return true;
        }
        if (number == kRastFog) {
            text = "result.fogcoord";
            return true;
        }
        if (number == kRastPointSize) {
            text = "result.pointsize";
            return true;
        }
        return false;
    case kRegAttrOut:
        if (number >= kColorOutputs)
            return false;
        text = number == 0 ? "result.color" : "result.color.secondary";
        return true;
    case kRegTexCoordOut:
        if (number >= kTexCoordOutputs)
            return false;
        text = "result.texcoord[" + std::to_string(number) + "]";
        return true;
    default:
        return false;
    }
}

bool ArbTranslator::ReadSource(int scalarComponent, std::string& text)
{
    DWORD token = 0;
    if (!Next(token))
        return Fail("the token stream ends inside an instruction");
    const DWORD number = TokenRegisterNumber(token);
    const DWORD modifier = TokenModifier(token);
    const DWORD swizzle = TokenSwizzle(token);
    const bool relative = (token & kRelativeBit) != 0;
    const DWORD type = TokenRegisterType(token);
    if (!(token & kParameterBit) || (token & kUnusedSourceBits) || modifier > kModifierNegate ||
        (relative && type != kRegConst))
        return Fail("invalid source token " + Hex(token));
    if (type == kRegTemp && number < kTempRegisters) {
        m_TempUsed[number] = true;
        text = "r" + std::to_string(number);
    } else if (type == kRegInput && number < kInputRegisters) {
        text = "vertex.attrib[" + std::to_string(number) + "]";
    } else if (type == kRegConst && number < kConstRegisters) {
        m_ConstantsUsed = true;
        text = relative ? RelativeConstant(number) : "c[" + std::to_string(number) + "]";
    } else {
        return Fail("invalid source token " + Hex(token));
    }
    if (modifier == kModifierNegate)
        text = "-" + text;
    if (scalarComponent == kVectorSource)
        text += SwizzleSuffix(swizzle);
    else
        text += std::string(".") + kComponentNames[SwizzleSelect(swizzle, scalarComponent)];
    return true;
}

std::string ArbTranslator::RelativeConstant(DWORD offset)
{
    if (offset > kMaxArbRelativeOffset)
        m_LargeOffsetUsed = true;
    const int shifted = static_cast<int>(offset) - (m_ShiftAddress ? kAddressShift : 0);
    if (shifted == 0)
        return "c[a0.x]";
    if (shifted < 0)
        return "c[a0.x - " + std::to_string(-shifted) + "]";
    return "c[a0.x + " + std::to_string(shifted) + "]";
}

std::string ArbTranslator::Declarations() const
{
    std::string text;
    const std::string last = std::to_string(kConstRegisters - 1);
    if (m_ConstantsUsed)
        text += "PARAM c[" + std::to_string(kConstRegisters) + "] = { program.env[0.." + last + "] };\n";
    std::string temps;
    for (DWORD r = 0; r < kTempRegisters; ++r) {
        if (m_TempUsed[r])
            temps += (temps.empty() ? "" : ", ") + ("r" + std::to_string(r));
    }
    if (m_Options.convertPosition && m_PositionWritten)
        temps += (temps.empty() ? "" : ", ") + std::string(kPositionTemp);
    if (m_ShiftAddress && m_AddressUsed)
        temps += (temps.empty() ? "" : ", ") + std::string(kShiftedAddressTemp);
    if (!temps.empty())
        text += "TEMP " + temps + ";\n";
    if (m_AddressUsed)
        text += "ADDRESS a0;\n";
    if (m_ShiftAddress)
        text += "# a0 holds its value + " + std::to_string(kAddressShift) + ": each relative offset is that much less\n";
    return text;
}

std::string ArbTranslator::PositionConversion() const
{
    if (!m_Options.convertPosition || !m_PositionWritten)
        return "";
    const std::string pos = kPositionTemp;
    return "# Direct3D clip space to the device's: y turned over, half a pixel to GL's pixel centres\n"
           "SWZ " + pos + ", " + pos + ", x, -y, z, w;\n"
           "MAD result.position.xy, " + pos + ".w, program.env[" + std::to_string(m_Options.viewportRegister) +
           "], " + pos + ";\n"
           "MOV result.position.zw, " + pos + ";\n";
}

bool ArbTranslator::Fail(const std::string& message)
{
    m_Error = message;
    return false;
}

} // namespace

ArbVertexProgram TranslateVertexShaderToArb(const DWORD* tokens, size_t maxTokens,
                                            const ArbVertexProgramOptions& options)
{
    ArbTranslator translator(tokens, maxTokens, options, false);
    ArbVertexProgram program = translator.Run();
    if (!translator.NeedsAddressShift())
        return program;
    ArbTranslator shifted(tokens, maxTokens, options, true);
    return shifted.Run();
}
