#include "platform/d3dx8/VertexShaderAssembler.h"

#include <cctype>
#include <cstddef>

#include "platform/d3dx8/VertexShaderTokens.h"

using namespace VertexShaderToken;

namespace {

constexpr const char* kVersionText = "vs.1.1";
constexpr size_t kMaxQuotedLength = 32;
constexpr size_t kMaxIndexDigits = 4;
constexpr int kComponents = 4;
constexpr const char* kComponentNames = "xyzw";
constexpr int kComponentW = 3;
constexpr int kDot3Components = 3;

// Which components of its sources an instruction reads: temporaries must hold
// them already.
enum class ReadKind { Componentwise, Dot3, Dot4, Scalar, Lit, Dst };

struct OpcodeInfo {
    const char* mnemonic;
    DWORD opcode; // for a macro: the opcode of each row it is written out as
    int sourceCount;
    ReadKind reads;
    int macroRows; // 0 for an instruction of its own
};

const OpcodeInfo kOpcodes[] = {
    {"mov", kOpMov, 1, ReadKind::Componentwise, 0},  {"add", kOpAdd, 2, ReadKind::Componentwise, 0},
    {"sub", kOpSub, 2, ReadKind::Componentwise, 0},  {"mul", kOpMul, 2, ReadKind::Componentwise, 0},
    {"mad", kOpMad, 3, ReadKind::Componentwise, 0},  {"dp3", kOpDp3, 2, ReadKind::Dot3, 0},
    {"dp4", kOpDp4, 2, ReadKind::Dot4, 0},           {"min", kOpMin, 2, ReadKind::Componentwise, 0},
    {"max", kOpMax, 2, ReadKind::Componentwise, 0},  {"slt", kOpSlt, 2, ReadKind::Componentwise, 0},
    {"sge", kOpSge, 2, ReadKind::Componentwise, 0},  {"rcp", kOpRcp, 1, ReadKind::Scalar, 0},
    {"rsq", kOpRsq, 1, ReadKind::Scalar, 0},         {"expp", kOpExpp, 1, ReadKind::Scalar, 0},
    {"logp", kOpLogp, 1, ReadKind::Scalar, 0},       {"lit", kOpLit, 1, ReadKind::Lit, 0},
    {"dst", kOpDst, 2, ReadKind::Dst, 0},            {"m4x4", kOpDp4, 2, ReadKind::Dot4, 4},
    {"m4x3", kOpDp4, 2, ReadKind::Dot4, 3},          {"m3x3", kOpDp3, 2, ReadKind::Dot3, 3},
};

// Registers written as a prefix and a number.
struct RegisterFile {
    const char* prefix;
    DWORD type;
    DWORD count;
};

const RegisterFile kNumberedFiles[] = {
    {"v", kRegInput, kInputRegisters},      {"r", kRegTemp, kTempRegisters},
    {"c", kRegConst, kConstRegisters},      {"a", kRegAddress, 1},
    {"od", kRegAttrOut, kColorOutputs},     {"ot", kRegTexCoordOut, kTexCoordOutputs},
};

struct NamedRegister {
    const char* name;
    DWORD number;
};

const NamedRegister kRastOutRegisters[] = {
    {"opos", kRastPosition},
    {"ofog", kRastFog},
    {"opts", kRastPointSize},
};

struct Operand {
    std::string text; // as written, for messages
    DWORD type = kRegTemp;
    DWORD number = 0; // the offset for c[a0.x + n]
    bool relative = false;
    bool negate = false;
    bool hasSuffix = false; // a swizzle or write mask was written
    DWORD swizzle = kIdentitySwizzle;
    DWORD writeMask = kMaskAll;
};

struct Instruction {
    DWORD opcode;
    ReadKind reads;
    Operand destination;
    std::vector<Operand> sources;
};

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsSpace(text[first]))
        ++first;
    while (last > first && IsSpace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string WithoutSpaces(const std::string& text)
{
    std::string result;
    for (char c : text) {
        if (!IsSpace(c))
            result += c;
    }
    return result;
}

// The author's text in a message: quoted, cut short, control bytes made visible.
std::string Quote(const std::string& text)
{
    std::string shown = text.substr(0, kMaxQuotedLength);
    for (char& c : shown) {
        if (!std::isprint(static_cast<unsigned char>(c)))
            c = '?';
    }
    if (text.size() > kMaxQuotedLength)
        shown += "...";
    return "\"" + shown + "\"";
}

std::string StripComment(const std::string& line)
{
    const size_t semicolon = line.find(';');
    const size_t slashes = line.find("//");
    return line.substr(0, semicolon < slashes ? semicolon : slashes);
}

bool ParseIndex(const std::string& digits, DWORD& value)
{
    if (digits.empty() || digits.size() > kMaxIndexDigits)
        return false;
    value = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + static_cast<DWORD>(c - '0');
    }
    return true;
}

int ComponentIndex(char c)
{
    for (int i = 0; i < kComponents; ++i) {
        if (kComponentNames[i] == c)
            return i;
    }
    return -1;
}

const OpcodeInfo* FindOpcode(const std::string& mnemonic)
{
    for (const OpcodeInfo& info : kOpcodes) {
        if (mnemonic == info.mnemonic)
            return &info;
    }
    return nullptr;
}

bool IsReplicate(DWORD swizzle)
{
    const DWORD first = SwizzleSelect(swizzle, 0);
    for (int i = 1; i < kComponents; ++i) {
        if (SwizzleSelect(swizzle, i) != first)
            return false;
    }
    return true;
}

bool IsOutput(DWORD type)
{
    return type == kRegRastOut || type == kRegAttrOut || type == kRegTexCoordOut;
}

bool SameRegister(const Operand& a, const Operand& b)
{
    return a.type == b.type && a.number == b.number && a.relative == b.relative;
}

// The register components (bit 0 = x) that source `source` of an instruction
// writing `writeMask` reads.
DWORD ComponentsRead(ReadKind reads, DWORD writeMask, int source, DWORD swizzle)
{
    static const int kLitReads[] = {0, 1, 3};
    static const int kDstFirstReads[] = {1, 2};
    static const int kDstSecondReads[] = {1, 3};
    DWORD mask = 0;
    auto read = [&](int component) { mask |= 1u << SwizzleSelect(swizzle, component); };
    switch (reads) {
    case ReadKind::Componentwise:
        for (int i = 0; i < kComponents; ++i) {
            if (writeMask & (1u << i))
                read(i);
        }
        break;
    case ReadKind::Dot3:
        for (int i = 0; i < kDot3Components; ++i)
            read(i);
        break;
    case ReadKind::Dot4:
        for (int i = 0; i < kComponents; ++i)
            read(i);
        break;
    case ReadKind::Scalar:
        read(kComponentW);
        break;
    case ReadKind::Lit:
        for (int component : kLitReads)
            read(component);
        break;
    case ReadKind::Dst:
        for (int component : source == 0 ? kDstFirstReads : kDstSecondReads)
            read(component);
        break;
    }
    return mask;
}

class VertexShaderParser {
public:
    explicit VertexShaderParser(const std::string& sourceName) : m_SourceName(sourceName) {}

    VertexShaderAssembly Run(const std::string& text);

private:
    bool ParseLine(const std::string& line);
    bool ParseInstruction(const std::string& line);
    bool ParseDestination(const std::string& text, Operand& operand);
    bool ParseSource(const std::string& text, Operand& operand);
    bool SplitSuffix(const std::string& text, std::string& base, std::string& suffix, bool& hasSuffix);
    bool ParseRegister(const std::string& base, Operand& operand);
    bool ParseRelative(const std::string& inside, Operand& operand);
    bool ParseWriteMask(const std::string& suffix, Operand& operand);
    bool ParseSwizzle(const std::string& suffix, Operand& operand);
    bool CheckOperands(const OpcodeInfo& info, const Instruction& instruction);
    bool CheckMacro(const OpcodeInfo& info, const Instruction& instruction);
    static void Expand(const OpcodeInfo& info, const Instruction& instruction, std::vector<Instruction>& rows);
    bool CheckReads(const Instruction& instruction);
    void Emit(const Instruction& instruction);
    bool Fail(const std::string& message);

    std::string m_SourceName;
    int m_Line = 0;
    int m_FirstLine = 0; // of the first line holding anything
    bool m_HaveVersion = false;
    int m_Slots = 0;
    DWORD m_TempWritten[kTempRegisters] = {};
    bool m_AddressWritten = false;
    std::vector<DWORD> m_Tokens;
    std::string m_Error;
};

VertexShaderAssembly VertexShaderParser::Run(const std::string& text)
{
    VertexShaderAssembly result;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++m_Line;
        if (!ParseLine(text.substr(start, end - start))) {
            result.error = m_Error;
            return result;
        }
        start = end + 1;
    }
    if (!m_HaveVersion) {
        m_Line = m_FirstLine > 0 ? m_FirstLine : 1;
        Fail(std::string("the shader must begin with \"") + kVersionText + "\"");
        result.error = m_Error;
        return result;
    }
    m_Tokens.push_back(kEnd);
    result.tokens = m_Tokens;
    return result;
}

bool VertexShaderParser::ParseLine(const std::string& rawLine)
{
    const std::string line = Trim(StripComment(rawLine));
    if (line.empty())
        return true;
    if (m_FirstLine == 0)
        m_FirstLine = m_Line;
    if (Lower(line) == kVersionText) {
        if (m_HaveVersion)
            return Fail(std::string("\"") + kVersionText + "\" appears twice");
        m_HaveVersion = true;
        m_Tokens.push_back(kVersion);
        return true;
    }
    if (!m_HaveVersion)
        return Fail(std::string("the shader must begin with \"") + kVersionText + "\"");
    return ParseInstruction(line);
}

bool VertexShaderParser::ParseInstruction(const std::string& line)
{
    size_t split = 0;
    while (split < line.size() && !IsSpace(line[split]))
        ++split;
    const std::string mnemonic = line.substr(0, split);
    const OpcodeInfo* info = FindOpcode(Lower(mnemonic));
    if (!info)
        return Fail("unknown instruction " + Quote(mnemonic));

    std::vector<std::string> operands;
    const std::string rest = Trim(line.substr(split));
    size_t start = 0;
    while (!rest.empty() && start <= rest.size()) {
        size_t comma = rest.find(',', start);
        if (comma == std::string::npos)
            comma = rest.size();
        operands.push_back(Trim(rest.substr(start, comma - start)));
        start = comma + 1;
    }
    const size_t expected = 1 + static_cast<size_t>(info->sourceCount);
    if (operands.size() != expected) {
        return Fail(Quote(info->mnemonic) + " takes " + std::to_string(expected) + " operands, not " +
                    std::to_string(operands.size()));
    }

    Instruction instruction{info->opcode, info->reads, Operand(), std::vector<Operand>(info->sourceCount)};
    if (!ParseDestination(operands[0], instruction.destination))
        return false;
    for (int i = 0; i < info->sourceCount; ++i) {
        if (!ParseSource(operands[1 + i], instruction.sources[i]))
            return false;
    }
    if (!CheckOperands(*info, instruction))
        return false;

    std::vector<Instruction> rows;
    Expand(*info, instruction, rows);
    if (m_Slots + static_cast<int>(rows.size()) > kMaxInstructionSlots)
        return Fail("too many instructions: vs.1.1 runs at most " + std::to_string(kMaxInstructionSlots));
    m_Slots += static_cast<int>(rows.size());
    for (const Instruction& row : rows) {
        if (!CheckReads(row))
            return false;
        Emit(row);
    }
    return true;
}

bool VertexShaderParser::ParseDestination(const std::string& text, Operand& operand)
{
    operand.text = text;
    if (text.empty())
        return Fail("missing operand");
    if (text[0] == '-')
        return Fail("a destination cannot be negated: " + Quote(text));
    std::string base;
    std::string suffix;
    if (!SplitSuffix(text, base, suffix, operand.hasSuffix) || !ParseRegister(base, operand))
        return false;
    if (operand.hasSuffix && !ParseWriteMask(suffix, operand))
        return false;
    if (operand.type == kRegInput || operand.type == kRegConst)
        return Fail(Quote(text) + " cannot be written");
    return true;
}

bool VertexShaderParser::ParseSource(const std::string& text, Operand& operand)
{
    operand.text = text;
    std::string rest = text;
    if (!rest.empty() && rest[0] == '-') {
        operand.negate = true;
        rest = Trim(rest.substr(1));
    }
    if (rest.empty())
        return Fail("missing operand");
    std::string base;
    std::string suffix;
    if (!SplitSuffix(rest, base, suffix, operand.hasSuffix) || !ParseRegister(base, operand))
        return false;
    if (operand.hasSuffix && !ParseSwizzle(suffix, operand))
        return false;
    if (IsOutput(operand.type))
        return Fail("output register " + Quote(base) + " cannot be read");
    if (operand.type == kRegAddress)
        return Fail("a0 is read only as c[a0.x + n]");
    return true;
}

// "c[a0.x + 2].xy" -> "c[a0.x + 2]" and "xy"; "r0.x" -> "r0" and "x".
bool VertexShaderParser::SplitSuffix(const std::string& text, std::string& base, std::string& suffix,
                                     bool& hasSuffix)
{
    size_t baseEnd = 0;
    if (Lower(text.substr(0, 2)) == "c[") {
        const size_t close = text.find(']');
        if (close == std::string::npos)
            return Fail("missing \"]\" in " + Quote(text));
        baseEnd = close + 1;
        if (baseEnd < text.size() && text[baseEnd] != '.')
            return Fail("unexpected text after \"]\" in " + Quote(text));
    } else {
        baseEnd = text.find('.');
        if (baseEnd == std::string::npos)
            baseEnd = text.size();
    }
    base = Trim(text.substr(0, baseEnd));
    hasSuffix = baseEnd < text.size();
    suffix = hasSuffix ? text.substr(baseEnd + 1) : std::string();
    return true;
}

bool VertexShaderParser::ParseRegister(const std::string& base, Operand& operand)
{
    const std::string name = Lower(base);
    if (name.compare(0, 2, "c[") == 0)
        return ParseRelative(name.substr(2, name.size() - 3), operand);
    for (const NamedRegister& named : kRastOutRegisters) {
        if (name == named.name) {
            operand.type = kRegRastOut;
            operand.number = named.number;
            return true;
        }
    }
    size_t digits = 0;
    while (digits < name.size() && std::isalpha(static_cast<unsigned char>(name[digits])))
        ++digits;
    const std::string prefix = name.substr(0, digits);
    for (const RegisterFile& file : kNumberedFiles) {
        if (prefix != file.prefix)
            continue;
        const std::string number = name.substr(digits);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
            break;
        if (!ParseIndex(number, operand.number) || operand.number >= file.count) {
            const std::string range = base.substr(0, digits) + "0-" + base.substr(0, digits) +
                                      std::to_string(file.count - 1);
            return Fail("register " + Quote(base) + " is out of range (" + range + ")");
        }
        operand.type = file.type;
        return true;
    }
    return Fail("unknown register " + Quote(base));
}

// The inside of "c[a0.x + n]" (lower case).
bool VertexShaderParser::ParseRelative(const std::string& inside, Operand& operand)
{
    static const std::string kAddress = "a0.x";
    const std::string compact = WithoutSpaces(inside);
    operand.type = kRegConst;
    operand.relative = true;
    operand.number = 0;
    if (compact.compare(0, kAddress.size(), kAddress) != 0)
        return Fail("relative addressing is written c[a0.x + n]: " + Quote(operand.text));
    const std::string offset = compact.substr(kAddress.size());
    if (offset.empty())
        return true;
    if (offset[0] != '+' || !ParseIndex(offset.substr(1), operand.number))
        return Fail("relative addressing is written c[a0.x + n]: " + Quote(operand.text));
    if (operand.number >= kConstRegisters)
        return Fail("register " + Quote(operand.text) + " is out of range (c0-c95)");
    return true;
}

bool VertexShaderParser::ParseWriteMask(const std::string& suffix, Operand& operand)
{
    operand.writeMask = 0;
    int previous = -1;
    for (char c : Lower(suffix)) {
        const int component = ComponentIndex(c);
        if (component <= previous)
            return Fail("invalid write mask " + Quote(operand.text));
        operand.writeMask |= 1u << component;
        previous = component;
    }
    if (operand.writeMask == 0)
        return Fail("invalid write mask " + Quote(operand.text));
    return true;
}

bool VertexShaderParser::ParseSwizzle(const std::string& suffix, Operand& operand)
{
    const std::string letters = Lower(suffix);
    if (letters.empty() || letters.size() > static_cast<size_t>(kComponents))
        return Fail("invalid swizzle " + Quote(operand.text));
    operand.swizzle = 0;
    int component = 0;
    for (int i = 0; i < kComponents; ++i) {
        if (i < static_cast<int>(letters.size())) {
            component = ComponentIndex(letters[i]);
            if (component < 0)
                return Fail("invalid swizzle " + Quote(operand.text));
        }
        operand.swizzle |= static_cast<DWORD>(component) << (2 * i);
    }
    return true;
}

bool VertexShaderParser::CheckOperands(const OpcodeInfo& info, const Instruction& instruction)
{
    const Operand& destination = instruction.destination;
    if (destination.type == kRegAddress) {
        if (info.opcode != kOpMov || info.macroRows != 0)
            return Fail(std::string("a0 is written only by mov, not by ") + Quote(info.mnemonic));
        if (!destination.hasSuffix || destination.writeMask != kMaskX)
            return Fail("a0 is written as a0.x");
    }
    if (info.reads == ReadKind::Scalar) {
        const Operand& source = instruction.sources[0];
        if (source.hasSuffix && !IsReplicate(source.swizzle))
            return Fail(Quote(info.mnemonic) + " reads one component: its source takes .x, .y, .z or .w");
    }
    if (info.macroRows != 0)
        return CheckMacro(info, instruction);
    return true;
}

bool VertexShaderParser::CheckMacro(const OpcodeInfo& info, const Instruction& instruction)
{
    const Operand& destination = instruction.destination;
    const Operand& vector = instruction.sources[0];
    const Operand& matrix = instruction.sources[1];
    const DWORD rows = static_cast<DWORD>(info.macroRows);
    const DWORD rowMask = (1u << rows) - 1;
    if (destination.hasSuffix && destination.writeMask != rowMask) {
        return Fail(Quote(info.mnemonic) + " writes ." + std::string(kComponentNames, rows) +
                    " and takes no other write mask");
    }
    if (matrix.negate || matrix.hasSuffix)
        return Fail("the matrix of " + Quote(info.mnemonic) + " takes no swizzle or negation");
    DWORD fileCount = kConstRegisters;
    if (matrix.type == kRegTemp)
        fileCount = kTempRegisters;
    else if (matrix.type == kRegInput)
        fileCount = kInputRegisters;
    if (matrix.number + rows > fileCount)
        return Fail("the matrix " + Quote(matrix.text) + " runs past the last register");
    const bool overlapsMatrix = destination.type == matrix.type && !matrix.relative &&
                                destination.number >= matrix.number &&
                                destination.number < matrix.number + rows;
    if (SameRegister(destination, vector) || overlapsMatrix)
        return Fail("the destination of " + Quote(info.mnemonic) + " cannot be one of its sources");
    return true;
}

// A macro becomes one dp3/dp4 per matrix row, each writing one component from
// the next register of the matrix; anything else stays as it is.
void VertexShaderParser::Expand(const OpcodeInfo& info, const Instruction& instruction,
                                std::vector<Instruction>& rows)
{
    if (info.macroRows == 0) {
        rows.push_back(instruction);
        return;
    }
    for (int row = 0; row < info.macroRows; ++row) {
        Instruction expanded = instruction;
        expanded.destination.writeMask = 1u << row;
        expanded.sources[1].number += static_cast<DWORD>(row);
        rows.push_back(expanded);
    }
}

bool VertexShaderParser::CheckReads(const Instruction& instruction)
{
    const Operand* constant = nullptr;
    const Operand* input = nullptr;
    for (size_t i = 0; i < instruction.sources.size(); ++i) {
        const Operand& source = instruction.sources[i];
        if (source.type == kRegConst) {
            if (constant && !SameRegister(*constant, source))
                return Fail("only one constant register can be read by an instruction");
            constant = &source;
        }
        if (source.type == kRegInput) {
            if (input && !SameRegister(*input, source))
                return Fail("only one input register can be read by an instruction");
            input = &source;
        }
        if (source.relative && !m_AddressWritten)
            return Fail("a0.x is used before it is written");
        if (source.type != kRegTemp)
            continue;
        const DWORD read = ComponentsRead(instruction.reads, instruction.destination.writeMask,
                                          static_cast<int>(i), source.swizzle);
        const DWORD unwritten = read & ~m_TempWritten[source.number];
        if (unwritten == 0)
            continue;
        std::string components;
        for (int c = 0; c < kComponents; ++c) {
            if (unwritten & (1u << c))
                components += kComponentNames[c];
        }
        return Fail("r" + std::to_string(source.number) + "." + components + " is read before it is written");
    }
    return true;
}

void VertexShaderParser::Emit(const Instruction& instruction)
{
    const Operand& destination = instruction.destination;
    if (destination.type == kRegTemp)
        m_TempWritten[destination.number] |= destination.writeMask;
    if (destination.type == kRegAddress)
        m_AddressWritten = true;
    m_Tokens.push_back(instruction.opcode);
    m_Tokens.push_back(DestinationToken(destination.type, destination.number, destination.writeMask));
    for (const Operand& source : instruction.sources) {
        m_Tokens.push_back(
            SourceToken(source.type, source.number, source.swizzle, source.negate, source.relative));
    }
}

bool VertexShaderParser::Fail(const std::string& message)
{
    m_Error = m_SourceName + "(" + std::to_string(m_Line) + "): " + message;
    return false;
}

} // namespace

VertexShaderAssembly AssembleVertexShader(const std::string& text, const std::string& sourceName)
{
    VertexShaderParser parser(sourceName);
    return parser.Run(text);
}
