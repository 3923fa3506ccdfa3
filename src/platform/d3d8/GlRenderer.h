#pragma once
// The OpenGL side of the device: owns every GL object the device needs for
// itself (framebuffers, the front-buffer copy, samplers, shaders, streaming
// buffers, the white texture for unbound stages), makes and deletes the GL
// objects of resources, and turns the shadow state into GL state at draw time,
// sending only what the dirty flags name.
//
// Conventions kept here: Direct3D's row vectors and clip z in [0, 1]
// (glClipControl); pictures stored top row first, so a render target's v = 0
// is its top row as in Direct3D; pixel centres at integer coordinates.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/d3d8/DeviceState.h"
#include "platform/d3d8/FixedFunctionProgram.h"
#include "platform/d3d8/FormatInfo.h"
#include "platform/d3d8/FvfLayout.h"
#include "platform/d3d8/GlHeaders.h"
#include "platform/d3d8/ShaderDeclaration.h"

struct SDL_Window;

// One draw, already validated against its buffers.
struct DrawCall {
    D3DPRIMITIVETYPE type;
    GLsizei count;                  // vertices, or indices when indexed
    // The vertex format: an FVF layout, or a shader's declaration and its
    // ARB vertex program.
    const FvfLayout* layout = nullptr;
    const ShaderDeclaration* declaration = nullptr;
    GLuint vertexProgram = 0;
    UINT stride;
    // Vertices: a buffer object and the first vertex, or user memory.
    GLuint vertexBuffer = 0;
    GLint firstVertex = 0;
    const void* userVertices = nullptr;
    size_t userVertexBytes = 0;
    // Indices, when indexed: a buffer object and a byte offset, or user memory.
    bool indexed = false;
    GLenum indexType = GL_UNSIGNED_SHORT;
    GLuint indexBuffer = 0;
    size_t indexOffset = 0;
    const void* userIndices = nullptr;
    size_t userIndexBytes = 0;
    GLint baseVertex = 0;
};

class GlRenderer {
public:
    GlRenderer();
    ~GlRenderer();

    GlRenderer(const GlRenderer&) = delete;
    GlRenderer& operator=(const GlRenderer&) = delete;

    // Textures, depth-stencil buffers and buffer objects of resources.
    GLuint CreateTexture(const FormatInfo& format, UINT width, UINT height, UINT levels);
    void DeleteTexture(GLuint texture);
    void UploadTexture(GLuint texture, int level, const FormatInfo& format, const RECT& rect,
                       const uint8_t* pixels, UINT pitch);
    void ReadTexture(GLuint texture, int level, const FormatInfo& format, const RECT& rect, uint8_t* pixels,
                     UINT pitch) const;
    GLuint CreateDepthStencil(UINT width, UINT height);
    void DeleteRenderbuffer(GLuint renderbuffer);
    GLuint CreateBuffer(UINT size, bool dynamic);
    void DeleteBuffer(GLuint buffer);
    // Whole: the data replaces the buffer's storage (a discarding lock).
    void UploadBuffer(GLuint buffer, UINT offset, UINT size, const void* data, bool whole, bool dynamic);

    // ARB vertex programs of vertex shaders; 0 when the text does not load.
    GLuint CreateVertexProgram(const std::string& text);
    void DeleteVertexProgram(GLuint program);
    // Constant registers [first, first + count) into program.env, four floats each.
    void UploadShaderConstants(DWORD first, DWORD count, const float* values);

    // Where draws and clears go: a texture level (the back buffer is a
    // texture too) and an optional depth-stencil buffer.
    void SetTargets(GLuint colourTexture, int level, UINT width, UINT height, GLuint depthStencil);
    void Clear(DeviceState& state, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
               DWORD stencil);
    void Draw(DeviceState& state, const DrawCall& call);

    // Copies the back buffer into the front-buffer copy (stretched to the
    // client area, in the back buffer's format) and from there into the
    // window, then swaps.
    void Present(GLuint backBuffer, const FormatInfo& backFormat, UINT width, UINT height, SDL_Window* window,
                 int clientWidth, int clientHeight);
    // The last presented picture: its size, the internal format OpenGL holds
    // it in (0 before the first Present), and a rectangle of it as A8R8G8B8
    // rows.
    int FrontWidth() const { return m_FrontWidth; }
    int FrontHeight() const { return m_FrontHeight; }
    GLenum FrontStorageFormat() const;
    size_t BuiltProgramCount() const { return m_Programs.size(); }
    void ReadFront(const RECT& rect, uint8_t* pixels, UINT pitch) const;

    // Leaves no program bound, so GDI's pixel drawing between frames runs
    // through the fixed pipeline.
    void EndFrame();

private:
    struct Program;
    struct Derived;
    // ARB_vertex_program's calls: an extension's, which the GL library does
    // not export, so they are looked up once.
    struct ArbEntryPoints {
        PFNGLGENPROGRAMSARBPROC genPrograms = nullptr;
        PFNGLDELETEPROGRAMSARBPROC deletePrograms = nullptr;
        PFNGLBINDPROGRAMARBPROC bindProgram = nullptr;
        PFNGLPROGRAMSTRINGARBPROC programString = nullptr;
        PFNGLPROGRAMENVPARAMETER4FVARBPROC envParameter = nullptr;
        bool Loaded() const;
    };

    void ApplyBlend(const DeviceState& state);
    void ApplyDepth(const DeviceState& state);
    void ApplyStencil(const DeviceState& state);
    void ApplyRaster(const DeviceState& state);
    void ApplySamplers(const DeviceState& state);
    void UpdateDerived(const DeviceState& state, uint32_t dirty);
    Program* SelectProgram(const DeviceState& state, const DrawCall& call);
    Program* SelectShaderProgram(const DeviceState& state, const DrawCall& call);
    Program* UseProgram(Program* program);
    void UseVertexProgram(GLuint program);
    Program* BuildProgram(const PipelineKey& key);
    void UploadScene();
    void BindScene(size_t offset);
    void UploadUniforms(Program& program);
    void BindTextures(const DeviceState& state, const PipelineKey& key);
    void BindVertices(const DrawCall& call, GLuint buffer);
    void BindShaderVertices(const DrawCall& call, GLuint buffer);
    void EnableAttribs(uint32_t enabled);
    void SetClipDistances(uint8_t mask);
    void EnsureFront(const FormatInfo& format, int width, int height);
    bool ContextAlive() const;

    GLuint m_VertexArray = 0;
    GLuint m_DrawFramebuffer = 0;
    GLuint m_ReadFramebuffer = 0;
    GLuint m_FrontFramebuffer = 0;
    GLuint m_FrontTexture = 0;
    GLenum m_FrontInternalFormat = 0;
    int m_FrontWidth = 0;
    int m_FrontHeight = 0;
    GLuint m_WhiteTexture = 0;
    GLuint m_Samplers[kMaxTextureStages] = {};
    GLuint m_StreamBuffer = 0;
    size_t m_StreamCapacity = 0;
    size_t m_StreamOffset = 0;
    GLuint m_IndexStreamBuffer = 0;
    size_t m_IndexStreamCapacity = 0;
    size_t m_IndexStreamOffset = 0;
    GLuint m_SceneBuffer = 0;           // the generated shaders' SceneBlocks, streamed
    size_t m_SceneCapacity = 0;
    size_t m_SceneOffset = 0;
    size_t m_SceneAlignment = sizeof(float);
    size_t m_BoundSceneOffset = SIZE_MAX;
    // The last blocks written into the buffer and where they are.
    struct SceneSlot {
        SceneUniforms scene;
        size_t offset;
        bool used;
    };
    static constexpr unsigned kSceneSlots = 8;
    SceneSlot m_SceneSlots[kSceneSlots] = {};
    unsigned m_NextSceneSlot = 0;

    UINT m_TargetWidth = 1;
    UINT m_TargetHeight = 1;

    std::unordered_map<PipelineKey, std::unique_ptr<Program>, PipelineKeyHash> m_Programs;
    Program* m_Program = nullptr;       // last selected
    const FvfLayout* m_ProgramLayout = nullptr;
    GLuint m_BoundProgram = 0;          // what GL has
    bool m_LastDrawWasPoints = false;
    bool m_PointSprite = false;

    std::unique_ptr<Derived> m_Derived;
    ArbEntryPoints m_Arb;

    GLuint m_BoundTextures[kMaxTextureStages] = {};
    GLuint m_AttribBuffer = 0;
    UINT m_AttribStride = 0;
    const FvfLayout* m_AttribLayout = nullptr;
    const ShaderDeclaration* m_AttribDeclaration = nullptr;
    GLuint m_VertexProgram = 0;         // the bound ARB program; 0 when disabled
    float m_ProgramViewport[2] = {};    // what program.env holds of the target size
    uint32_t m_EnabledAttribs = 0;
    GLuint m_BoundIndexBuffer = 0;
    uint8_t m_ClipDistances = 0;
};
