#include "Display/RenderStates.h"

#include <cstddef>
#include <cstring>

#include "Display/Display.h"

uint32_t g_u32StateBlockDefault_Pixel = 0;
uint32_t g_u32StateBlockDefault_Vertex = 0;
uint32_t g_u32StateBlockFont_Pixel = 0;
uint32_t g_u32StateBlockFont_Vertex = 0;
uint32_t g_u32StateBlockSunFlare_Pixel = 0;
uint32_t g_u32StateBlockSunFlare_Vertex = 0;
uint32_t g_u32StateBlockParticle_Pixel = 0;
uint32_t g_u32StateBlockParticle_Vertex = 0;
uint32_t g_u32StateBlockParticleBlack_Pixel = 0;
uint32_t g_u32StateBlockParticleBlack_Vertex = 0;
uint32_t g_u32StateBlockLine_Pixel = 0;
uint32_t g_u32StateBlockLine_Vertex = 0;
uint32_t g_u32StateBlockObject2D_Pixel = 0;
uint32_t g_u32StateBlockObject2D_Vertex = 0;
uint32_t g_u32StateBlockObject3D_Pixel = 0;
uint32_t g_u32StateBlockObject3D_Vertex = 0;
uint32_t g_u32StateBlockCar_Pixel = 0;
uint32_t g_u32StateBlockCar_Vertex = 0;
uint32_t g_u32StateBlockTransObject3D_Pixel = 0;
uint32_t g_u32StateBlockTransObject3D_Vertex = 0;
uint32_t g_u32StateBlockSkyBox_Pixel = 0;
uint32_t g_u32StateBlockSkyBox_Vertex = 0;
uint32_t g_u32StateBlockAnimatedMesh_Pixel = 0;
uint32_t g_u32StateBlockAnimatedMesh_Vertex = 0;

D3DXMATRIX g_matProjection;

namespace {

const char* const SOURCE = ".\\Display\\RenderStates";

// Float render states travel as the bits of the float.
DWORD FtoDW(float value)
{
    DWORD bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

const DWORD D3DFVF_XYZ_DIFFUSE = D3DFVF_XYZ | D3DFVF_DIFFUSE;
const DWORD D3DFVF_XYZ_DIFFUSE_TEX1 = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// Particles never grow past this, whatever the device could draw.
const float MAX_PARTICLE_SIZE = 64.0f;

const float NEAR_PLANE = 0.1f;
const float FAR_PLANE = 10000.0f;
const float SQUARE_NEAR_PLANE_SIZE = 1.0f;
const D3DXVECTOR3 DEFAULT_EYE(0.0f, 0.0f, -3.0f);
const D3DXVECTOR3 DEFAULT_AT(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 DEFAULT_UP(0.0f, 1.0f, 0.0f);
const D3DXVECTOR3 DEFAULT_LIGHT_DIRECTION(0.5f, -1.5f, 1.0f);
const float DEFAULT_LIGHT_RANGE = 1000.0f;
const DWORD DEFAULT_LIGHT = 0;

enum StepKind {
    STEP_RENDER_STATE,
    STEP_STAGE_STATE,
    STEP_VERTEX_SHADER,
    STEP_IDENTITY_VIEW,
    // POINTSIZE_MAX from the device's largest point size, capped.
    STEP_MAX_POINT_SIZE,
};

// One device call of a block's recipe, with the text its failure is logged with.
struct StateStep {
    StepKind kind;
    DWORD stage;
    DWORD type;
    DWORD value;
    int line;
    const char* text;
};

#define RS(state, value) \
    {STEP_RENDER_STATE, 0, state, value, __LINE__, "pD3DDevice->SetRenderState( " #state ", " #value " )"}
#define TSS(stage, type, value)                    \
    {STEP_STAGE_STATE, stage, type, value, __LINE__, \
     "pD3DDevice->SetTextureStageState( " #stage ", " #type ", " #value " )"}
#define FVF(code) {STEP_VERTEX_SHADER, 0, 0, code, __LINE__, "pD3DDevice->SetVertexShader( " #code " )"}

const StateStep FONT_STEPS[] = {
    RS(D3DRS_ZENABLE, FALSE),
    RS(D3DRS_ALPHABLENDENABLE, TRUE),
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RS(D3DRS_ALPHATESTENABLE, TRUE),
    RS(D3DRS_ALPHAREF, 0x00),
    RS(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL),
    RS(D3DRS_FILLMODE, D3DFILL_SOLID),
    RS(D3DRS_CULLMODE, D3DCULL_CCW),
    RS(D3DRS_STENCILENABLE, FALSE),
    RS(D3DRS_CLIPPING, TRUE),
    RS(D3DRS_EDGEANTIALIAS, FALSE),
    RS(D3DRS_CLIPPLANEENABLE, FALSE),
    RS(D3DRS_VERTEXBLEND, FALSE),
    RS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE),
    RS(D3DRS_FOGENABLE, FALSE),
    TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    TSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    TSS(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
    TSS(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR),
    TSS(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE),
    TSS(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_MIPFILTER, D3DTEXF_NONE),
    TSS(0, D3DTSS_TEXCOORDINDEX, 0),
    TSS(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
};

const StateStep SUN_FLARE_STEPS[] = {
    RS(D3DRS_ZWRITEENABLE, FALSE),
    RS(D3DRS_ZENABLE, TRUE),
    RS(D3DRS_ALPHABLENDENABLE, TRUE),
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RS(D3DRS_DESTBLEND, D3DBLEND_ONE),
    RS(D3DRS_LIGHTING, FALSE),
    RS(D3DRS_CULLMODE, D3DCULL_NONE),
    TSS(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
    TSS(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
    TSS(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    TSS(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
    TSS(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_COLORARG2, D3DTA_TEXTURE),
    TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    FVF(D3DFVF_XYZ_DIFFUSE_TEX1),
};

// Both particle blocks; the minimum size is set again after the maximum.
const StateStep PARTICLE_POINT_STEPS[] = {
    RS(D3DRS_LIGHTING, FALSE),
    RS(D3DRS_ZWRITEENABLE, FALSE),
    RS(D3DRS_ALPHABLENDENABLE, TRUE),
    RS(D3DRS_ZENABLE, TRUE),
    RS(D3DRS_POINTSPRITEENABLE, TRUE),
    RS(D3DRS_POINTSCALEENABLE, TRUE),
    RS(D3DRS_POINTSIZE_MIN, FtoDW(0.0f)),
    {STEP_MAX_POINT_SIZE, 0, D3DRS_POINTSIZE_MAX, 0, __LINE__,
     "pD3DDevice->SetRenderState( D3DRS_POINTSIZE_MAX, FtoDW(fMaxPointSize) )"},
    RS(D3DRS_POINTSIZE_MIN, FtoDW(0.0f)),
    RS(D3DRS_POINTSCALE_A, FtoDW(0.0f)),
    RS(D3DRS_POINTSCALE_B, FtoDW(0.0f)),
    RS(D3DRS_POINTSCALE_C, FtoDW(1.0f)),
    RS(D3DRS_SOFTWAREVERTEXPROCESSING, TRUE),
};

const StateStep PARTICLE_BLEND_STEPS[] = {
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RS(D3DRS_DESTBLEND, D3DBLEND_DESTALPHA),
};

// Black particles darken what lies behind them.
const StateStep PARTICLE_BLACK_BLEND_STEPS[] = {
    RS(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT),
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RS(D3DRS_DESTBLEND, D3DBLEND_ONE),
};

const StateStep PARTICLE_STAGE_STEPS[] = {
    TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    TSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    TSS(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
    TSS(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    TSS(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
    FVF(D3DFVF_PARTICLE),
};

const StateStep LINE_STEPS[] = {
    RS(D3DRS_LIGHTING, FALSE),
    RS(D3DRS_ZENABLE, TRUE),
    RS(D3DRS_ZWRITEENABLE, FALSE),
    RS(D3DRS_ALPHABLENDENABLE, TRUE),
    RS(D3DRS_CULLMODE, D3DCULL_NONE),
    TSS(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    TSS(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    TSS(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE),
    FVF(D3DFVF_XYZ_DIFFUSE),
};

const StateStep OBJECT2D_STEPS[] = {
    RS(D3DRS_LIGHTING, FALSE),
    RS(D3DRS_ZWRITEENABLE, FALSE),
    RS(D3DRS_ALPHABLENDENABLE, TRUE),
    {STEP_IDENTITY_VIEW, 0, D3DTS_VIEW, 0, __LINE__, "pD3DDevice->SetTransform( D3DTS_VIEW, &matIdentity )"},
};

// Also the car bodies' states.
const StateStep OBJECT3D_RENDER_STEPS[] = {
    RS(D3DRS_CULLMODE, D3DCULL_CCW),
    RS(D3DRS_ZENABLE, TRUE),
    RS(D3DRS_LIGHTING, TRUE),
    RS(D3DRS_SPECULARENABLE, TRUE),
    RS(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL),
    RS(D3DRS_ZWRITEENABLE, TRUE),
    RS(D3DRS_ALPHABLENDENABLE, FALSE),
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RS(D3DRS_ALPHATESTENABLE, TRUE),
    RS(D3DRS_ALPHAREF, 0x08),
    RS(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL),
    RS(D3DRS_AMBIENT, 0x00272727),
    RS(D3DRS_NORMALIZENORMALS, TRUE),
};

const StateStep OBJECT3D_STAGE_STEPS[] = {
    TSS(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    TSS(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    TSS(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    TSS(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
};

// Transparent meshes show both faces and blend, yet still write depth.
const StateStep TRANS_OBJECT3D_RENDER_STEPS[] = {
    RS(D3DRS_CULLMODE, D3DCULL_NONE),
    RS(D3DRS_ZENABLE, TRUE),
    RS(D3DRS_LIGHTING, TRUE),
    RS(D3DRS_SPECULARENABLE, TRUE),
    RS(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL),
    RS(D3DRS_ZWRITEENABLE, TRUE),
    RS(D3DRS_ALPHABLENDENABLE, TRUE),
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RS(D3DRS_ALPHATESTENABLE, TRUE),
    RS(D3DRS_ALPHAREF, 0x08),
    RS(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL),
    RS(D3DRS_AMBIENT, 0x00272727),
    RS(D3DRS_NORMALIZENORMALS, TRUE),
};

const StateStep TRANS_OBJECT3D_STAGE_STEPS[] = {
    TSS(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_MAGFILTER, D3DTEXF_POINT),
    TSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
    TSS(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    TSS(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE),
    TSS(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE),
    TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
};

const StateStep SKY_BOX_STEPS[] = {
    RS(D3DRS_LIGHTING, FALSE),
    RS(D3DRS_ZENABLE, FALSE),
    RS(D3DRS_ZWRITEENABLE, FALSE),
    TSS(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR),
    TSS(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR),
    FVF(D3DFVF_XYZ_DIFFUSE_TEX1),
};

// Skinned meshes carry no specular highlight.
const StateStep ANIMATED_MESH_RENDER_STEPS[] = {
    RS(D3DRS_CULLMODE, D3DCULL_CCW),
    RS(D3DRS_ZENABLE, TRUE),
    RS(D3DRS_LIGHTING, TRUE),
    RS(D3DRS_SPECULARENABLE, FALSE),
    RS(D3DRS_ZWRITEENABLE, TRUE),
    RS(D3DRS_ALPHABLENDENABLE, FALSE),
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RS(D3DRS_ALPHATESTENABLE, TRUE),
    RS(D3DRS_ALPHAREF, 0x08),
    RS(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL),
    RS(D3DRS_AMBIENT, 0x00272727),
    RS(D3DRS_NORMALIZENORMALS, TRUE),
};

#undef RS
#undef TSS
#undef FVF

struct StepList {
    const StateStep* steps;
    size_t count;
};

#define STEPS(array) StepList{array, sizeof(array) / sizeof(array[0])}
#define NO_STEPS StepList{nullptr, 0}

// A named block: the steps that make it, in order, and its two handles.
struct BlockRecipe {
    StepList parts[3];
    uint32_t* pixel;
    uint32_t* vertex;
    const char* pixelText;
    const char* vertexText;
    const char* deletePixelText;
    const char* deleteVertexText;
};

#define HANDLES(Name)                                                                       \
    &g_u32StateBlock##Name##_Pixel, &g_u32StateBlock##Name##_Vertex,                        \
        "pD3DDevice->CreateStateBlock( D3DSBT_PIXELSTATE, &g_u32StateBlock" #Name "_Pixel )", \
        "pD3DDevice->CreateStateBlock( D3DSBT_VERTEXSTATE, &g_u32StateBlock" #Name "_Vertex )",  \
        "pD3DDevice->DeleteStateBlock( g_u32StateBlock" #Name "_Pixel )",                        \
        "pD3DDevice->DeleteStateBlock( g_u32StateBlock" #Name "_Vertex )"

const BlockRecipe DEFAULT_BLOCK = {{NO_STEPS, NO_STEPS, NO_STEPS}, HANDLES(Default)};
const BlockRecipe FONT_BLOCK = {{STEPS(FONT_STEPS), NO_STEPS, NO_STEPS}, HANDLES(Font)};
const BlockRecipe SUN_FLARE_BLOCK = {{STEPS(SUN_FLARE_STEPS), NO_STEPS, NO_STEPS}, HANDLES(SunFlare)};
const BlockRecipe PARTICLE_BLOCK = {
    {STEPS(PARTICLE_POINT_STEPS), STEPS(PARTICLE_BLEND_STEPS), STEPS(PARTICLE_STAGE_STEPS)}, HANDLES(Particle)};
const BlockRecipe PARTICLE_BLACK_BLOCK = {
    {STEPS(PARTICLE_POINT_STEPS), STEPS(PARTICLE_BLACK_BLEND_STEPS), STEPS(PARTICLE_STAGE_STEPS)},
    HANDLES(ParticleBlack)};
const BlockRecipe LINE_BLOCK = {{STEPS(LINE_STEPS), NO_STEPS, NO_STEPS}, HANDLES(Line)};
const BlockRecipe OBJECT2D_BLOCK = {{STEPS(OBJECT2D_STEPS), NO_STEPS, NO_STEPS}, HANDLES(Object2D)};
const BlockRecipe OBJECT3D_BLOCK = {
    {STEPS(OBJECT3D_RENDER_STEPS), STEPS(OBJECT3D_STAGE_STEPS), NO_STEPS}, HANDLES(Object3D)};
const BlockRecipe CAR_BLOCK = {{STEPS(OBJECT3D_RENDER_STEPS), STEPS(OBJECT3D_STAGE_STEPS), NO_STEPS}, HANDLES(Car)};
const BlockRecipe TRANS_OBJECT3D_BLOCK = {
    {STEPS(TRANS_OBJECT3D_RENDER_STEPS), STEPS(TRANS_OBJECT3D_STAGE_STEPS), NO_STEPS}, HANDLES(TransObject3D)};
const BlockRecipe SKY_BOX_BLOCK = {{STEPS(SKY_BOX_STEPS), NO_STEPS, NO_STEPS}, HANDLES(SkyBox)};
const BlockRecipe ANIMATED_MESH_BLOCK = {
    {STEPS(ANIMATED_MESH_RENDER_STEPS), STEPS(OBJECT3D_STAGE_STEPS), NO_STEPS}, HANDLES(AnimatedMesh)};

// DeleteAll's order.
const BlockRecipe* const DELETE_ORDER[] = {
    &DEFAULT_BLOCK,  &FONT_BLOCK,           &OBJECT2D_BLOCK, &OBJECT3D_BLOCK, &TRANS_OBJECT3D_BLOCK,
    &PARTICLE_BLOCK, &PARTICLE_BLACK_BLOCK, &LINE_BLOCK,     &SKY_BOX_BLOCK,  &ANIMATED_MESH_BLOCK,
    &CAR_BLOCK,      &SUN_FLARE_BLOCK,
};

#undef STEPS
#undef NO_STEPS
#undef HANDLES

bool Logged(HRESULT result, int line, const char* text)
{
    return CheckD3DResult(result, SOURCE, line, text);
}

float MaxParticleSize(IDirect3DDevice8* device)
{
    D3DCAPS8 caps = {};
    if (FAILED(device->GetDeviceCaps(&caps)))
        return MAX_PARTICLE_SIZE;
    return caps.MaxPointSize < MAX_PARTICLE_SIZE ? caps.MaxPointSize : MAX_PARTICLE_SIZE;
}

HRESULT RunStep(IDirect3DDevice8* device, const StateStep& step)
{
    switch (step.kind) {
    case STEP_RENDER_STATE:
        return device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(step.type), step.value);
    case STEP_STAGE_STATE:
        return device->SetTextureStageState(step.stage, static_cast<D3DTEXTURESTAGESTATETYPE>(step.type),
                                            step.value);
    case STEP_VERTEX_SHADER:
        return device->SetVertexShader(step.value);
    case STEP_IDENTITY_VIEW: {
        D3DXMATRIX matIdentity;
        D3DXMatrixIdentity(&matIdentity);
        return device->SetTransform(D3DTS_VIEW, &matIdentity);
    }
    case STEP_MAX_POINT_SIZE:
        return device->SetRenderState(D3DRS_POINTSIZE_MAX, FtoDW(MaxParticleSize(device)));
    }
    return D3DERR_INVALIDCALL;
}

// Sets the recipe's states, then captures the pixel block and the vertex block.
bool CreateBlock(const BlockRecipe& recipe)
{
    IDirect3DDevice8* pD3DDevice = g_Display.GetD3DDevice();
    if (pD3DDevice == nullptr)
        return false;
    for (const StepList& part : recipe.parts) {
        for (size_t i = 0; i < part.count; ++i) {
            const StateStep& step = part.steps[i];
            if (!Logged(RunStep(pD3DDevice, step), step.line, step.text))
                return false;
        }
    }
    DWORD handle = 0;
    if (!Logged(pD3DDevice->CreateStateBlock(D3DSBT_PIXELSTATE, &handle), __LINE__, recipe.pixelText))
        return false;
    *recipe.pixel = handle;
    if (!Logged(pD3DDevice->CreateStateBlock(D3DSBT_VERTEXSTATE, &handle), __LINE__, recipe.vertexText))
        return false;
    *recipe.vertex = handle;
    return true;
}

// A handle that was never made is not deleted; a deleted one becomes 0.
bool DeleteHandle(IDirect3DDevice8* pD3DDevice, uint32_t& handle, const char* text)
{
    if (handle == 0)
        return true;
    if (!Logged(pD3DDevice->DeleteStateBlock(handle), __LINE__, text))
        return false;
    handle = 0;
    return true;
}

bool ApplyPair(uint32_t pixel, uint32_t vertex)
{
    IDirect3DDevice8* pD3DDevice = g_Display.GetD3DDevice();
    if (pD3DDevice == nullptr)
        return true;
    if (pixel != 0)
        pD3DDevice->ApplyStateBlock(pixel);
    if (vertex != 0)
        pD3DDevice->ApplyStateBlock(vertex);
    return true;
}

} // namespace

bool CStateBlocks::CreateAll()
{
    typedef bool (*Step)();
    // Each named block is built over the Default state.
    static const Step NAMED_BLOCKS[] = {
        CreateFont,          CreateObject3D, CreateTransObject3D, CreateObject2D, CreateSkyBox, CreateParticle,
        CreateParticleBlack, CreateLine, CreateAnimatedMesh, CreateCar, CreateSunFlare,
    };
    SetupDefaultViewProjection();
    if (!CreateDefault())
        return false;
    for (Step create : NAMED_BLOCKS) {
        if (!create())
            return false;
        ApplyDefault();
    }
    return SetupDefaultLight();
}

bool CStateBlocks::DeleteAll()
{
    IDirect3DDevice8* pD3DDevice = g_Display.GetD3DDevice();
    if (pD3DDevice == nullptr)
        return false;
    for (const BlockRecipe* recipe : DELETE_ORDER) {
        if (!DeleteHandle(pD3DDevice, *recipe->pixel, recipe->deletePixelText) ||
            !DeleteHandle(pD3DDevice, *recipe->vertex, recipe->deleteVertexText))
            return false;
    }
    return true;
}

bool CStateBlocks::CreateDefault()
{
    return CreateBlock(DEFAULT_BLOCK);
}

bool CStateBlocks::CreateFont()
{
    return CreateBlock(FONT_BLOCK);
}

bool CStateBlocks::CreateSunFlare()
{
    return CreateBlock(SUN_FLARE_BLOCK);
}

bool CStateBlocks::CreateParticle()
{
    return CreateBlock(PARTICLE_BLOCK);
}

bool CStateBlocks::CreateParticleBlack()
{
    return CreateBlock(PARTICLE_BLACK_BLOCK);
}

bool CStateBlocks::CreateLine()
{
    return CreateBlock(LINE_BLOCK);
}

bool CStateBlocks::CreateObject2D()
{
    return CreateBlock(OBJECT2D_BLOCK);
}

bool CStateBlocks::CreateObject3D()
{
    return CreateBlock(OBJECT3D_BLOCK);
}

bool CStateBlocks::CreateCar()
{
    return CreateBlock(CAR_BLOCK);
}

bool CStateBlocks::CreateTransObject3D()
{
    return CreateBlock(TRANS_OBJECT3D_BLOCK);
}

bool CStateBlocks::CreateSkyBox()
{
    return CreateBlock(SKY_BOX_BLOCK);
}

bool CStateBlocks::CreateAnimatedMesh()
{
    return CreateBlock(ANIMATED_MESH_BLOCK);
}

bool CStateBlocks::ApplyDefault()
{
    return ApplyPair(g_u32StateBlockDefault_Pixel, g_u32StateBlockDefault_Vertex);
}

bool CStateBlocks::ApplyObject3D()
{
    return ApplyPair(g_u32StateBlockObject3D_Pixel, g_u32StateBlockObject3D_Vertex);
}

bool CStateBlocks::ApplyTransObject3D()
{
    return ApplyPair(g_u32StateBlockTransObject3D_Pixel, g_u32StateBlockTransObject3D_Vertex);
}

bool CStateBlocks::ApplyObject2D()
{
    return ApplyPair(g_u32StateBlockObject2D_Pixel, g_u32StateBlockObject2D_Vertex);
}

bool CStateBlocks::ApplyFont()
{
    return ApplyPair(g_u32StateBlockFont_Pixel, g_u32StateBlockFont_Vertex);
}

bool CStateBlocks::ApplySkyBox()
{
    return ApplyPair(g_u32StateBlockSkyBox_Pixel, g_u32StateBlockSkyBox_Vertex);
}

bool CStateBlocks::ApplyParticle()
{
    return ApplyPair(g_u32StateBlockParticle_Pixel, g_u32StateBlockParticle_Vertex);
}

bool CStateBlocks::ApplyParticleBlack()
{
    return ApplyPair(g_u32StateBlockParticleBlack_Pixel, g_u32StateBlockParticleBlack_Vertex);
}

bool CStateBlocks::ApplyLine()
{
    return ApplyPair(g_u32StateBlockLine_Pixel, g_u32StateBlockLine_Vertex);
}

bool CStateBlocks::ApplySunFlare()
{
    return ApplyPair(g_u32StateBlockSunFlare_Pixel, g_u32StateBlockSunFlare_Vertex);
}

// The near plane takes the screen's shape; a square screen (or none yet) gets
// a square one.
bool SetupDefaultViewProjection()
{
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    float width = SQUARE_NEAR_PLANE_SIZE;
    float height = SQUARE_NEAR_PLANE_SIZE;
    if (mode.Width > mode.Height) {
        width = NEAR_PLANE * mode.Width / mode.Height;
        height = NEAR_PLANE;
    } else if (mode.Width < mode.Height) {
        width = NEAR_PLANE;
        height = NEAR_PLANE * mode.Height / mode.Width;
    }
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &DEFAULT_EYE, &DEFAULT_AT, &DEFAULT_UP);
    D3DXMatrixPerspectiveLH(&g_matProjection, width, height, NEAR_PLANE, FAR_PLANE);

    IDirect3DDevice8* pD3DDevice = g_Display.GetD3DDevice();
    if (pD3DDevice == nullptr)
        return true;
    pD3DDevice->SetTransform(D3DTS_VIEW, &view);
    pD3DDevice->SetTransform(D3DTS_PROJECTION, &g_matProjection);
    return true;
}

bool SetupDefaultLight()
{
    IDirect3DDevice8* pD3DDevice = g_Display.GetD3DDevice();
    if (pD3DDevice == nullptr)
        return true;
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 0.0f};
    D3DXVECTOR3 direction;
    D3DXVec3Normalize(&direction, &DEFAULT_LIGHT_DIRECTION);
    light.Direction = direction;
    light.Range = DEFAULT_LIGHT_RANGE;
    Logged(pD3DDevice->SetLight(DEFAULT_LIGHT, &light), __LINE__, "pD3DDevice->SetLight( 0, &light )");
    pD3DDevice->LightEnable(DEFAULT_LIGHT, TRUE);
    return true;
}
