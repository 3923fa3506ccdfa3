#include "Display/VertexShaders.h"

#include "Core/Log.h"
#include "Display/Display.h"
#include "platform/d3dx8/D3DX8Shader.h"

namespace {

const char* const SOURCE = ".\\Display\\VertexShaders";
const char* const CALL_ASSEMBLE = "D3DXAssembleShaderFromFile( m_VS[i].FileName.c_str(),0,NULL,&pCode,&pErrors )";
const char* const CALL_CREATE =
    "pD3DDevice->CreateVertexShader( m_VS[i].Decl,(DWORD*)pCode->GetBufferPointer(),&m_VS[i].Shader,0 )";
const char* const MISSING_FILE = "Shader file not found: ";

const DWORD MATRIX_REGISTERS = 4;

void ReleaseBuffer(LPD3DXBUFFER& buffer)
{
    if (buffer == nullptr)
        return;
    buffer->Release();
    buffer = nullptr;
}

// The error text of the assembler, without trusting it to be terminated.
std::string BufferText(LPD3DXBUFFER buffer)
{
    const char* text = static_cast<const char*>(buffer->GetBufferPointer());
    const DWORD size = buffer->GetBufferSize();
    if (text == nullptr || size == 0)
        return std::string();
    std::string result(text, size);
    const size_t end = result.find('\0');
    if (end != std::string::npos)
        result.resize(end);
    return result;
}

} // namespace

void CVertexShaders::SetFiles()
{
    m_VS[VS_TEST].FileName = "Scripts\\VertexShaders\\Test.txt";
    m_VS[VS_TEST].Decl = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(3, D3DVSDT_FLOAT3),
                          D3DVSD_REG(7, D3DVSDT_FLOAT2), D3DVSD_END()};

    m_VS[VS_INDEXED_SKINNED_MESH].FileName = "Scripts\\VertexShaders\\IndexedSkinnedMesh.txt";
    m_VS[VS_INDEXED_SKINNED_MESH].Decl = {D3DVSD_STREAM(0),
                                          D3DVSD_REG(0, D3DVSDT_FLOAT3),
                                          D3DVSD_REG(1, D3DVSDT_FLOAT3),
                                          D3DVSD_REG(2, D3DVSDT_D3DCOLOR),
                                          D3DVSD_REG(3, D3DVSDT_FLOAT3),
                                          D3DVSD_REG(7, D3DVSDT_FLOAT2),
                                          D3DVSD_END()};

    m_VS[VS_CAR].FileName = "Scripts\\VertexShaders\\Car.txt";
    m_VS[VS_CAR].Decl = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(3, D3DVSDT_FLOAT3),
                         D3DVSD_REG(7, D3DVSDT_FLOAT2), D3DVSD_END()};

    m_VS[VS_WATER].FileName = "Scripts\\VertexShaders\\Water.txt";
    m_VS[VS_WATER].Decl = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(2, D3DVSDT_D3DCOLOR),
                           D3DVSD_REG(3, D3DVSDT_FLOAT3), D3DVSD_REG(7, D3DVSDT_FLOAT2), D3DVSD_END()};
}

void CVertexShaders::CreateAll()
{
    for (int i = 0; i < VS_COUNT; ++i) {
        if (!Create(i))
            return;
    }
}

bool CVertexShaders::Create(int index)
{
    CVertexShaderEntry& entry = m_VS[index];
    LPD3DXBUFFER pCode = nullptr;
    LPD3DXBUFFER pErrors = nullptr;
    CheckD3DResult(D3DXAssembleShaderFromFile(entry.FileName.c_str(), 0, nullptr, &pCode, &pErrors), SOURCE,
                   __LINE__, CALL_ASSEMBLE);

    // Any error text, even a warning, ends the creation.
    if (pCode == nullptr || pErrors != nullptr) {
        if (pErrors != nullptr)
            g_Log.Write(BufferText(pErrors));
        else
            g_Log.Write(MISSING_FILE + entry.FileName);
        ReleaseBuffer(pCode);
        ReleaseBuffer(pErrors);
        return false;
    }

    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device != nullptr && !entry.Decl.empty()) {
        const DWORD* code = static_cast<const DWORD*>(pCode->GetBufferPointer());
        if (!CheckD3DResult(device->CreateVertexShader(entry.Decl.data(), code, &entry.Shader, 0), SOURCE,
                            __LINE__, CALL_CREATE))
            entry.Shader = 0;
    }
    ReleaseBuffer(pCode);
    return true;
}

DWORD CVertexShaders::GetShader(int index) const
{
    if (index < 0 || index >= VS_COUNT)
        return 0;
    return m_VS[index].Shader;
}

HRESULT SetVertexShaderMatrix(IDirect3DDevice8* device, DWORD firstRegister, const D3DXMATRIX& matrix)
{
    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &matrix);
    return device->SetVertexShaderConstant(firstRegister, &transposed, MATRIX_REGISTERS);
}
