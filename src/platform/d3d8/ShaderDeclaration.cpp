#include "platform/d3d8/ShaderDeclaration.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr DWORD kEndToken = D3DVSD_END();
// A stream token, a token per register and the end token.
constexpr size_t kMaxDeclarationTokens = 1 + kShaderInputRegisters + 1;
constexpr DWORD kTokenTypeMask = 0x7;
// Bits a register token of the kinds drawn here never sets.
constexpr DWORD kRegisterTokenUnusedBits = 0x1FF0FFE0;
constexpr DWORD kStreamTokenUnusedBits = 0x1FFFFFF0;

DWORD TokenType(DWORD token)
{
    return (token >> D3DVSD_TOKENTYPESHIFT) & kTokenTypeMask;
}

// Bytes of one element of `type`; 0 for a type not drawn here.
UINT TypeSize(DWORD type)
{
    switch (type) {
    case D3DVSDT_FLOAT2:
        return 2 * sizeof(float);
    case D3DVSDT_FLOAT3:
        return 3 * sizeof(float);
    case D3DVSDT_D3DCOLOR:
        return sizeof(D3DCOLOR);
    default:
        return 0;
    }
}

bool AddElement(DWORD token, ShaderDeclaration& declaration, uint32_t& fedRegisters)
{
    if (token & kRegisterTokenUnusedBits)
        return false;
    const DWORD type = (token >> D3DVSD_DATATYPESHIFT) & D3DVSD_DATATYPEMASK;
    const DWORD inputRegister = token & D3DVSD_VERTEXREGMASK;
    const UINT size = TypeSize(type);
    if (size == 0 || inputRegister >= kShaderInputRegisters || (fedRegisters & (1u << inputRegister)))
        return false;
    fedRegisters |= 1u << inputRegister;
    declaration.elements.push_back({inputRegister, type, declaration.size});
    declaration.size += size;
    return true;
}

} // namespace

ShaderDeclaration DecodeShaderDeclaration(const DWORD* tokens)
{
    ShaderDeclaration declaration;
    if (tokens == nullptr)
        return declaration;
    bool streamOpen = false;
    uint32_t fedRegisters = 0;
    for (size_t i = 0; i < kMaxDeclarationTokens; ++i) {
        const DWORD token = tokens[i];
        if (token == kEndToken) {
            declaration.valid = !declaration.elements.empty();
            return declaration;
        }
        if (TokenType(token) == D3DVSD_TOKEN_STREAM) {
            // One stream: the device has only stream 0.
            if (streamOpen || (token & kStreamTokenUnusedBits) || (token & D3DVSD_STREAMNUMBERMASK) != 0)
                break;
            streamOpen = true;
            continue;
        }
        if (TokenType(token) != D3DVSD_TOKEN_STREAMDATA || !streamOpen || !AddElement(token, declaration, fedRegisters))
            break;
    }
    declaration.elements.clear();
    declaration.size = 0;
    return declaration;
}
