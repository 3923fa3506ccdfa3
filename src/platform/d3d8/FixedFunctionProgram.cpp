#include "platform/d3d8/FixedFunctionProgram.h"

#include <cstring>

namespace {

constexpr uint8_t kNoTexCoord = 0xFF;
constexpr DWORD kTexCoordIndexMask = 0xFFFF; // the high bits ask for generated coordinates

uint8_t ResolveSource(const DeviceState& state, DWORD renderState, const FvfLayout& layout)
{
    if (!state.RenderState(D3DRS_COLORVERTEX))
        return kSourceMaterial;
    const DWORD source = state.RenderState(renderState);
    if (source == D3DMCS_COLOR1 && layout.hasDiffuse)
        return kSourceDiffuse;
    if (source == D3DMCS_COLOR2 && layout.hasSpecular)
        return kSourceSpecular;
    return kSourceMaterial;
}

uint8_t StageOpOf(DWORD op)
{
    switch (op) {
    case D3DTOP_DISABLE:
        return kOpDisable;
    case D3DTOP_SELECTARG1:
        return kOpSelectArg1;
    case D3DTOP_SELECTARG2:
        return kOpSelectArg2;
    default:
        // Operations beyond those the game uses modulate.
        return kOpModulate;
    }
}

uint8_t StageArgOf(DWORD arg)
{
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
        return kArgDiffuse;
    case D3DTA_TEXTURE:
        return kArgTexture;
    case D3DTA_TFACTOR:
        return kArgTextureFactor;
    case D3DTA_SPECULAR:
        return kArgSpecular;
    default:
        return kArgCurrent;
    }
}

// Clears the arguments an operation does not read, so that they do not make
// keys differ.
void NormaliseArgs(uint8_t op, uint8_t& arg1, uint8_t& arg2)
{
    if (op == kOpDisable || op == kOpSelectArg2)
        arg1 = 0;
    if (op == kOpDisable || op == kOpSelectArg1)
        arg2 = 0;
}

StageKey MakeStageKey(const DeviceState& state, DWORD stage, const FvfLayout& layout)
{
    StageKey key;
    std::memset(&key, 0, sizeof(key));
    key.colourOp = StageOpOf(state.StageState(stage, D3DTSS_COLOROP));
    key.colourArg1 = StageArgOf(state.StageState(stage, D3DTSS_COLORARG1));
    key.colourArg2 = StageArgOf(state.StageState(stage, D3DTSS_COLORARG2));
    key.alphaOp = StageOpOf(state.StageState(stage, D3DTSS_ALPHAOP));
    key.alphaArg1 = StageArgOf(state.StageState(stage, D3DTSS_ALPHAARG1));
    key.alphaArg2 = StageArgOf(state.StageState(stage, D3DTSS_ALPHAARG2));
    NormaliseArgs(key.colourOp, key.colourArg1, key.colourArg2);
    NormaliseArgs(key.alphaOp, key.alphaArg1, key.alphaArg2);
    key.samplesTexture = key.colourArg1 == kArgTexture || key.colourArg2 == kArgTexture ||
                         key.alphaArg1 == kArgTexture || key.alphaArg2 == kArgTexture;
    key.texCoordIndex = kNoTexCoord;
    if (key.samplesTexture) {
        const DWORD index = state.StageState(stage, D3DTSS_TEXCOORDINDEX) & kTexCoordIndexMask;
        if (index < layout.texCoordCount)
            key.texCoordIndex = static_cast<uint8_t>(index);
    }
    return key;
}

uint8_t CountDirectionalLights(const DeviceState& state)
{
    uint8_t count = 0;
    for (DWORD index = 0; index < kMaxLights; ++index) {
        const LightSlot* slot = state.Light(index);
        if (slot->enabled && slot->light.Type == D3DLIGHT_DIRECTIONAL)
            ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------
// GLSL text.

const char* SourceExpression(uint8_t source, const char* material)
{
    switch (source) {
    case kSourceDiffuse:
        return "a_Diffuse";
    case kSourceSpecular:
        return "a_Specular";
    default:
        return material;
    }
}

void AppendLighting(const PipelineKey& key, std::string& text)
{
    text += "    vec3 normal = ";
    text += key.hasNormal ? "u_NormalMatrix * a_Normal;\n" : "vec3(0.0);\n";
    if (key.normalizeNormals && key.hasNormal)
        text += "    normal = length(normal) > 0.0 ? normalize(normal) : normal;\n";
    text += "    vec4 materialDiffuse = " + std::string(SourceExpression(key.diffuseSource, "u_MaterialDiffuse")) +
            ";\n";
    text += "    vec4 materialAmbient = " + std::string(SourceExpression(key.ambientSource, "u_MaterialAmbient")) +
            ";\n";
    text += "    vec4 materialSpecular = " +
            std::string(SourceExpression(key.specularSource, "u_MaterialSpecular")) + ";\n";
    text += "    vec4 materialEmissive = " +
            std::string(SourceExpression(key.emissiveSource, "u_MaterialEmissive")) + ";\n";
    text += "    vec3 ambient = u_Ambient.rgb;\n"
            "    vec3 diffuse = vec3(0.0);\n"
            "    vec3 specular = vec3(0.0);\n";
    text += key.localViewer ? "    vec3 toViewer = length(eye.xyz) > 0.0 ? normalize(-eye.xyz) : vec3(0.0, 0.0, -1.0);\n"
                            : "    vec3 toViewer = vec3(0.0, 0.0, -1.0);\n";
    if (key.lightCount > 0) {
        text += "    for (int i = 0; i < " + std::to_string(key.lightCount) + "; ++i) {\n"
                "        ambient += u_LightAmbient[i].rgb;\n"
                "        float lambert = dot(normal, u_LightDirection[i]);\n"
                "        if (lambert <= 0.0)\n"
                "            continue;\n"
                "        diffuse += u_LightDiffuse[i].rgb * lambert;\n";
        if (key.specular) {
            text += "        vec3 halfway = normalize(u_LightDirection[i] + toViewer);\n"
                    "        float highlight = max(dot(normal, halfway), 0.0);\n"
                    "        specular += u_LightSpecular[i].rgb *\n"
                    "                    (u_MaterialPower > 0.0 ? pow(highlight, u_MaterialPower) : 1.0);\n";
        }
        text += "    }\n";
    }
    text += "    v_Diffuse = vec4(clamp(materialEmissive.rgb + materialAmbient.rgb * ambient +\n"
            "                           materialDiffuse.rgb * diffuse, 0.0, 1.0), materialDiffuse.a);\n";
    text += key.specular ? "    v_Specular = vec4(clamp(materialSpecular.rgb * specular, 0.0, 1.0), materialSpecular.a);\n"
                         : "    v_Specular = vec4(0.0);\n";
}

void AppendPointSize(const PipelineKey& key, std::string& text)
{
    text += key.hasPointSize ? "    float pointSize = a_PointSize;\n" : "    float pointSize = u_PointSize.x;\n";
    if (key.pointScale) {
        // Direct3D: screen size = viewport height x size x sqrt(1 / (A + B d + C d^2)).
        text += "    float distance = length(eye.xyz);\n"
                "    float falloff = u_PointScale.x + u_PointScale.y * distance +\n"
                "                    u_PointScale.z * distance * distance;\n"
                "    pointSize = falloff > 0.0 ? u_Viewport.w * pointSize * sqrt(1.0 / falloff) : u_PointSize.z;\n";
    }
    text += "    gl_PointSize = clamp(pointSize, u_PointSize.y, u_PointSize.z);\n";
}

std::string ArgExpression(uint8_t arg, DWORD stage)
{
    switch (arg) {
    case kArgDiffuse:
        return "v_Diffuse";
    case kArgTexture:
        return "texel" + std::to_string(stage);
    case kArgTextureFactor:
        return "u_TextureFactor";
    case kArgSpecular:
        return "v_Specular";
    default:
        return "current";
    }
}

std::string OpExpression(uint8_t op, uint8_t arg1, uint8_t arg2, DWORD stage, const char* swizzle)
{
    const std::string a = ArgExpression(arg1, stage) + swizzle;
    const std::string b = ArgExpression(arg2, stage) + swizzle;
    switch (op) {
    case kOpSelectArg1:
        return a;
    case kOpSelectArg2:
        return b;
    case kOpModulate:
        return a + " * " + b;
    default:
        return std::string("current") + swizzle;
    }
}

std::string TexCoordExpression(const PipelineKey& key, const StageKey& stage)
{
    if (key.pointSprite)
        return "gl_PointCoord";
    if (stage.texCoordIndex == kNoTexCoord)
        return "vec2(0.0)";
    return "v_TexCoord" + std::to_string(stage.texCoordIndex);
}

const char* CompareOperator(uint8_t func)
{
    switch (func) {
    case D3DCMP_LESS:
        return "<";
    case D3DCMP_EQUAL:
        return "==";
    case D3DCMP_LESSEQUAL:
        return "<=";
    case D3DCMP_GREATER:
        return ">";
    case D3DCMP_NOTEQUAL:
        return "!=";
    case D3DCMP_GREATEREQUAL:
        return ">=";
    default:
        return nullptr;
    }
}

void AppendAlphaTest(const PipelineKey& key, std::string& text)
{
    if (key.alphaFunc == 0 || key.alphaFunc == D3DCMP_ALWAYS)
        return;
    if (key.alphaFunc == D3DCMP_NEVER) {
        text += "    discard;\n";
        return;
    }
    const char* compare = CompareOperator(key.alphaFunc);
    if (compare == nullptr)
        return;
    // The comparison is on the 8-bit alpha, as the hardware does it.
    text += "    float alpha8 = floor(clamp(current.a, 0.0, 1.0) * 255.0 + 0.5);\n";
    text += std::string("    if (!(alpha8 ") + compare + " u_AlphaRef))\n        discard;\n";
}

} // namespace

bool PipelineKey::operator==(const PipelineKey& other) const
{
    return std::memcmp(this, &other, sizeof(*this)) == 0;
}

size_t PipelineKeyHash::operator()(const PipelineKey& key) const
{
    // FNV-1a over the key's bytes.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&key);
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof(key); ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}

PipelineKey MakePipelineKey(const DeviceState& state, const FvfLayout& layout, bool points)
{
    PipelineKey key;
    std::memset(&key, 0, sizeof(key));
    key.pretransformed = layout.pretransformed;
    key.hasNormal = layout.hasNormal;
    key.hasPointSize = layout.hasPointSize && points;
    key.hasDiffuse = layout.hasDiffuse;
    key.hasSpecular = layout.hasSpecular;
    key.texCoordCount = static_cast<uint8_t>(layout.texCoordCount);

    key.lighting = state.RenderState(D3DRS_LIGHTING) && !layout.pretransformed;
    key.specular = state.RenderState(D3DRS_SPECULARENABLE) != 0;
    if (key.lighting) {
        key.lightCount = CountDirectionalLights(state);
        key.localViewer = state.RenderState(D3DRS_LOCALVIEWER) != 0;
        key.normalizeNormals = state.RenderState(D3DRS_NORMALIZENORMALS) != 0;
        key.diffuseSource = ResolveSource(state, D3DRS_DIFFUSEMATERIALSOURCE, layout);
        key.ambientSource = ResolveSource(state, D3DRS_AMBIENTMATERIALSOURCE, layout);
        key.specularSource = ResolveSource(state, D3DRS_SPECULARMATERIALSOURCE, layout);
        key.emissiveSource = ResolveSource(state, D3DRS_EMISSIVEMATERIALSOURCE, layout);
    }
    if (points) {
        key.pointScale = state.RenderState(D3DRS_POINTSCALEENABLE) && !layout.pretransformed;
        key.pointSprite = state.RenderState(D3DRS_POINTSPRITEENABLE) != 0;
    }
    if (!layout.pretransformed)
        key.clipPlanes = static_cast<uint8_t>(state.RenderState(D3DRS_CLIPPLANEENABLE) & ((1u << kMaxClipPlanes) - 1));
    if (state.RenderState(D3DRS_ALPHATESTENABLE))
        key.alphaFunc = static_cast<uint8_t>(state.RenderState(D3DRS_ALPHAFUNC));

    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        const StageKey stageKey = MakeStageKey(state, stage, layout);
        if (stageKey.colourOp == kOpDisable)
            break;
        key.stages[stage] = stageKey;
        key.stageCount = static_cast<uint8_t>(stage + 1);
    }
    if (key.pointSprite) {
        for (StageKey& stage : key.stages)
            stage.texCoordIndex = 0;
    }
    return key;
}

PipelineKey MakeShaderPipelineKey(const DeviceState& state, bool points)
{
    // Every output a shader can write is there for the stages to read.
    FvfLayout outputs;
    outputs.valid = true;
    outputs.hasDiffuse = true;
    outputs.hasSpecular = true;
    outputs.texCoordCount = kMaxTexCoordSets;
    const PipelineKey full = MakePipelineKey(state, outputs, points);
    // Only what the pixel stages read, so that vertex states make no new keys.
    PipelineKey key;
    std::memset(&key, 0, sizeof(key));
    key.hasDiffuse = full.hasDiffuse;
    key.hasSpecular = full.hasSpecular;
    key.texCoordCount = full.texCoordCount;
    key.specular = full.specular;
    key.pointSprite = full.pointSprite;
    key.alphaFunc = full.alphaFunc;
    key.stageCount = full.stageCount;
    std::memcpy(key.stages, full.stages, sizeof(key.stages));
    key.shaderInputs = 1;
    return key;
}

std::string BuildVertexShader(const PipelineKey& key)
{
    std::string text = "#version 330\n";
    text += "layout(location = 0) in vec4 a_Position;\n";
    if (key.hasNormal)
        text += "layout(location = 1) in vec3 a_Normal;\n";
    if (key.hasPointSize)
        text += "layout(location = 2) in float a_PointSize;\n";
    if (key.hasDiffuse)
        text += "layout(location = 3) in vec4 a_Diffuse;\n";
    if (key.hasSpecular)
        text += "layout(location = 4) in vec4 a_Specular;\n";
    for (int set = 0; set < key.texCoordCount; ++set) {
        text += "layout(location = " + std::to_string(kAttribTexCoord0 + set) + ") in vec2 a_TexCoord" +
                std::to_string(set) + ";\n";
    }
    // The block's members in the order of SceneUniforms.
    static_assert(kMaxLights == 8 && kMaxClipPlanes == 6, "the block's arrays are declared with these sizes");
    // A draw's own matrices in one array, so that it sets them in one call:
    // the world-view matrix's columns, then the normal matrix's.
    text += "uniform vec4 u_DrawMatrices[7];\n"
            "#define u_WorldView mat4(u_DrawMatrices[0], u_DrawMatrices[1], u_DrawMatrices[2], u_DrawMatrices[3])\n"
            "#define u_NormalMatrix mat3(u_DrawMatrices[4].xyz, u_DrawMatrices[5].xyz, u_DrawMatrices[6].xyz)\n"
            "layout(std140) uniform SceneBlock {\n"
            "    mat4 u_Projection;\n"
            "    vec4 u_Viewport;\n"
            "    vec4 u_MaterialDiffuse;\n"
            "    vec4 u_MaterialAmbient;\n"
            "    vec4 u_MaterialSpecular;\n"
            "    vec4 u_MaterialEmissive;\n"
            "    vec4 u_Ambient;\n"
            "    vec3 u_LightDirection[8];\n"
            "    vec4 u_LightDiffuse[8];\n"
            "    vec4 u_LightSpecular[8];\n"
            "    vec4 u_LightAmbient[8];\n"
            "    vec4 u_ClipPlane[6];\n"
            "    vec4 u_PointSize;\n"
            "    vec4 u_PointScale;\n"
            "    float u_MaterialPower;\n"
            "};\n"
            "out vec4 v_Diffuse;\n"
            "out vec4 v_Specular;\n";
    for (int set = 0; set < key.texCoordCount; ++set)
        text += "out vec2 v_TexCoord" + std::to_string(set) + ";\n";

    text += "void main()\n{\n";
    if (key.pretransformed) {
        // Screen pixels with centres on whole numbers; rows from the top,
        // as the picture is stored.
        text += "    float w = a_Position.w > 0.0 ? 1.0 / a_Position.w : 1.0;\n"
                "    vec2 ndc = (a_Position.xy + 0.5 - u_Viewport.xy) * 2.0 / u_Viewport.zw - 1.0;\n"
                "    gl_Position = vec4(ndc * w, a_Position.z * w, w);\n"
                "    vec4 eye = vec4(0.0, 0.0, 0.0, 1.0);\n";
    } else {
        // Row vectors: the matrices arrive untransposed. y turns over so that
        // the top row is stored first; the half-pixel moves Direct3D's pixel
        // centres onto OpenGL's.
        text += "    vec4 eye = u_WorldView * vec4(a_Position.xyz, 1.0);\n"
                "    vec4 clip = u_Projection * eye;\n"
                "    gl_Position = vec4(clip.x + clip.w / u_Viewport.z, clip.w / u_Viewport.w - clip.y, clip.z, clip.w);\n";
    }
    if (key.lighting) {
        AppendLighting(key, text);
    } else {
        text += key.hasDiffuse ? "    v_Diffuse = a_Diffuse;\n" : "    v_Diffuse = vec4(1.0);\n";
        text += key.hasSpecular ? "    v_Specular = a_Specular;\n" : "    v_Specular = vec4(0.0);\n";
    }
    AppendPointSize(key, text);
    for (DWORD plane = 0; plane < kMaxClipPlanes; ++plane) {
        if (key.clipPlanes & (1u << plane)) {
            const std::string index = std::to_string(plane);
            text += "    gl_ClipDistance[" + index + "] = dot(u_ClipPlane[" + index + "], eye);\n";
        }
    }
    for (int set = 0; set < key.texCoordCount; ++set) {
        const std::string index = std::to_string(set);
        text += "    v_TexCoord" + index + " = a_TexCoord" + index + ";\n";
    }
    text += "}\n";
    return text;
}

namespace {

// The fragment inputs: the generated vertex shader's outputs, or the
// ARB vertex program's under the same names.
std::string FragmentInputs(const PipelineKey& key)
{
    if (key.shaderInputs) {
        std::string text = "#version 330 compatibility\n"
                           "#define v_Diffuse gl_Color\n"
                           "#define v_Specular gl_SecondaryColor\n";
        for (int set = 0; set < key.texCoordCount; ++set) {
            const std::string index = std::to_string(set);
            text += "#define v_TexCoord" + index + " gl_TexCoord[" + index + "].xy\n";
        }
        return text;
    }
    std::string text = "#version 330\n"
                       "in vec4 v_Diffuse;\n"
                       "in vec4 v_Specular;\n";
    for (int set = 0; set < key.texCoordCount; ++set)
        text += "in vec2 v_TexCoord" + std::to_string(set) + ";\n";
    return text;
}

} // namespace

std::string BuildFragmentShader(const PipelineKey& key)
{
    std::string text = FragmentInputs(key);
    for (int stage = 0; stage < key.stageCount; ++stage) {
        if (key.stages[stage].samplesTexture)
            text += "uniform sampler2D u_Texture" + std::to_string(stage) + ";\n";
    }
    text += "uniform vec4 u_TextureFactor;\n"
            "uniform float u_AlphaRef;\n"
            "out vec4 o_Colour;\n"
            "void main()\n{\n"
            "    vec4 current = v_Diffuse;\n";
    for (DWORD stage = 0; stage < key.stageCount; ++stage) {
        const StageKey& stageKey = key.stages[stage];
        const std::string index = std::to_string(stage);
        if (stageKey.samplesTexture) {
            text += "    vec4 texel" + index + " = texture(u_Texture" + index + ", " +
                    TexCoordExpression(key, stageKey) + ");\n";
        }
        const std::string colour =
            OpExpression(stageKey.colourOp, stageKey.colourArg1, stageKey.colourArg2, stage, ".rgb");
        // A disabled alpha operation under an enabled colour one keeps alpha.
        const std::string alpha =
            OpExpression(stageKey.alphaOp, stageKey.alphaArg1, stageKey.alphaArg2, stage, ".a");
        text += "    current = vec4(" + colour + ", " + alpha + ");\n";
    }
    if (key.specular)
        text += "    current.rgb = min(current.rgb + v_Specular.rgb, vec3(1.0));\n";
    AppendAlphaTest(key, text);
    text += "    o_Colour = current;\n}\n";
    return text;
}
