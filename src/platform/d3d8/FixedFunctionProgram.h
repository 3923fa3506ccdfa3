#pragma once
// Direct3D's fixed-function pipeline as generated GLSL: a key holds every
// state that changes the shaders' code (vertex format, lighting, material
// sources, point sprites, clip planes, alpha test, texture stage operations),
// and each distinct key gets its own vertex and fragment shader. Values that
// only change numbers (matrices, colours, reference values) are uniforms:
// the world-view and normal matrices, which change with nearly every draw,
// in one array of each program's own, set in one call; what changes with
// the scene (projection, viewport, material, lights, point sizes, clip
// planes) in one uniform block that every program shares.
//
// Under a vertex shader (an ARB vertex program) only the fragment shader is
// generated: a program without a vertex shader leaves vertices to the
// enabled ARB program, and the fragment shader reads what that program
// writes through the compatibility inputs (gl_Color, gl_TexCoord[n]). So both
// paths share one pixel pipeline.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3d8/DeviceState.h"
#include "platform/d3d8/FvfLayout.h"

// Where a lit colour's material comes from.
enum ColourSource : uint8_t {
    kSourceMaterial = 0,
    kSourceDiffuse = 1,
    kSourceSpecular = 2,
};

// Stage operations and arguments as the shaders know them.
enum StageOp : uint8_t {
    kOpDisable = 0,
    kOpSelectArg1,
    kOpSelectArg2,
    kOpModulate,
};

enum StageArg : uint8_t {
    kArgDiffuse = 0,
    kArgCurrent,
    kArgTexture,
    kArgTextureFactor,
    kArgSpecular,
};

struct StageKey {
    uint8_t colourOp;
    uint8_t colourArg1;
    uint8_t colourArg2;
    uint8_t alphaOp;
    uint8_t alphaArg1;
    uint8_t alphaArg2;
    uint8_t texCoordIndex; // the vertex's coordinate set, or 0xFF for none
    uint8_t samplesTexture;
};

// All members are bytes, so two keys compare and hash as memory.
struct PipelineKey {
    uint8_t pretransformed;
    uint8_t hasNormal;
    uint8_t hasPointSize;
    uint8_t hasDiffuse;
    uint8_t hasSpecular;
    uint8_t texCoordCount;
    uint8_t lighting;
    uint8_t lightCount;        // enabled directional lights
    uint8_t specular;
    uint8_t localViewer;
    uint8_t normalizeNormals;
    uint8_t diffuseSource;
    uint8_t ambientSource;
    uint8_t specularSource;
    uint8_t emissiveSource;
    uint8_t pointScale;
    uint8_t pointSprite;
    uint8_t clipPlanes;        // bit i: plane i
    uint8_t alphaFunc;         // a D3DCMPFUNC, 0 without alpha testing
    uint8_t stageCount;        // stages before the first disabled one
    uint8_t shaderInputs;      // a vertex shader feeds the pixel stages
    StageKey stages[kMaxTextureStages];

    bool operator==(const PipelineKey& other) const;
};

struct PipelineKeyHash {
    size_t operator()(const PipelineKey& key) const;
};

// The key of a draw with `layout` under `state`; `points` for point lists,
// the only primitives that point sizes and sprites change.
PipelineKey MakePipelineKey(const DeviceState& state, const FvfLayout& layout, bool points);

// The key of a draw through a vertex shader: only the pixel stages, fed by
// the shader's oD0, oD1 and oT0-oT7.
PipelineKey MakeShaderPipelineKey(const DeviceState& state, bool points);

// The shared block as the vertex shaders declare it ("SceneBlock", std140):
// vectors of four floats, a vec3 array's elements padded to four.
struct SceneUniforms {
    float projection[16];
    float viewport[4];       // x, y, width, height in pixels
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialSpecular[4];
    float materialEmissive[4];
    float ambient[4];
    float lightDirection[kMaxLights][4]; // towards the light, in view space
    float lightDiffuse[kMaxLights][4];
    float lightSpecular[kMaxLights][4];
    float lightAmbient[kMaxLights][4];
    float clipPlanes[kMaxClipPlanes][4]; // in view space
    float pointSize[4];      // size, minimum, maximum
    float pointScale[4];     // A, B, C
    float materialPower;
    float padding[3];
};

// The uniform buffer binding the block is read from.
constexpr unsigned kSceneBlockBinding = 0;

std::string BuildVertexShader(const PipelineKey& key);
std::string BuildFragmentShader(const PipelineKey& key);

// Vertex attribute locations, one per FVF component.
enum AttributeLocation : unsigned {
    kAttribPosition = 0,
    kAttribNormal = 1,
    kAttribPointSize = 2,
    kAttribDiffuse = 3,
    kAttribSpecular = 4,
    kAttribTexCoord0 = 5,
};
