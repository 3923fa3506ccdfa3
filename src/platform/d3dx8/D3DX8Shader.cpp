#include "platform/d3dx8/D3DX8Shader.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/d3d8/D3D8Types.h"
#include "platform/d3dx8/D3DX8Image.h" // D3DXERR_INVALIDDATA
#include "platform/d3dx8/VertexShaderAssembler.h"
#include "platform/files/Files.h"

namespace {

constexpr size_t kReadChunk = 4096;

bool ReadText(const char* gamePath, std::string& text)
{
    FILE* file = Files::Open(gamePath, "rb");
    if (!file)
        return false;
    char chunk[kReadChunk];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        text.append(chunk, count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

HRESULT MakeBuffer(const void* bytes, size_t size, LPD3DXBUFFER* buffer)
{
    const HRESULT result = D3DXCreateBuffer(static_cast<DWORD>(size), buffer);
    if (FAILED(result))
        return result;
    std::memcpy((*buffer)->GetBufferPointer(), bytes, size);
    return D3D_OK;
}

void Clear(LPD3DXBUFFER* buffer)
{
    if (buffer)
        *buffer = nullptr;
}

} // namespace

HRESULT D3DXAssembleShaderFromFile(LPCSTR srcFile, DWORD /*flags*/, LPD3DXBUFFER* constants,
                                   LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* compilationErrors)
{
    Clear(constants);
    Clear(compiledShader);
    Clear(compilationErrors);
    if (!srcFile)
        return D3DERR_INVALIDCALL;
    std::string text;
    if (!ReadText(srcFile, text))
        return D3DERR_NOTFOUND;

    const VertexShaderAssembly assembly = AssembleVertexShader(text, srcFile);
    if (!assembly.error.empty()) {
        if (compilationErrors) {
            const std::string message = assembly.error + "\n";
            const HRESULT result = MakeBuffer(message.c_str(), message.size() + 1, compilationErrors);
            if (FAILED(result))
                return result;
        }
        return D3DXERR_INVALIDDATA;
    }
    if (compiledShader) {
        return MakeBuffer(assembly.tokens.data(), assembly.tokens.size() * sizeof(DWORD), compiledShader);
    }
    return D3D_OK;
}
