#include "platform/d3d8/GlRenderer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/d3d8/D3DTexture.h"
#include "platform/d3dx8/ArbVertexProgram.h"

namespace {

constexpr size_t kStreamBufferSize = 4 * 1024 * 1024;
constexpr size_t kIndexStreamBufferSize = 1024 * 1024;
constexpr size_t kSceneBufferSize = 256 * 1024;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;
constexpr float kColourScale = 1.0f / 255.0f;

// A program's own uniform values that change together; each has a version,
// and a program uploads a group when its copy of the version is older.
enum UniformGroup {
    kGroupWorldView,
    kGroupTextureFactor,
    kGroupAlphaRef,
    kGroupCount,
};

void ColourToFloats(D3DCOLOR colour, float* out)
{
    out[0] = ((colour >> 16) & 0xFF) * kColourScale;
    out[1] = ((colour >> 8) & 0xFF) * kColourScale;
    out[2] = (colour & 0xFF) * kColourScale;
    out[3] = ((colour >> 24) & 0xFF) * kColourScale;
}

void ColourValueToFloats(const D3DCOLORVALUE& colour, float* out)
{
    out[0] = colour.r;
    out[1] = colour.g;
    out[2] = colour.b;
    out[3] = colour.a;
}

// Row-vector products: (a b)[i][j] = sum over k of a[i][k] b[k][j].
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX result;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            result.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                             a.m[i][3] * b.m[3][j];
        }
    }
    return result;
}

// The transposed inverse of the upper 3 x 3 part: what normals are
// multiplied by. A singular matrix gives zero normals.
void NormalMatrix(const D3DMATRIX& m, float* out)
{
    const float c00 = m.m[1][1] * m.m[2][2] - m.m[1][2] * m.m[2][1];
    const float c01 = m.m[1][2] * m.m[2][0] - m.m[1][0] * m.m[2][2];
    const float c02 = m.m[1][0] * m.m[2][1] - m.m[1][1] * m.m[2][0];
    const float c10 = m.m[0][2] * m.m[2][1] - m.m[0][1] * m.m[2][2];
    const float c11 = m.m[0][0] * m.m[2][2] - m.m[0][2] * m.m[2][0];
    const float c12 = m.m[0][1] * m.m[2][0] - m.m[0][0] * m.m[2][1];
    const float c20 = m.m[0][1] * m.m[1][2] - m.m[0][2] * m.m[1][1];
    const float c21 = m.m[0][2] * m.m[1][0] - m.m[0][0] * m.m[1][2];
    const float c22 = m.m[0][0] * m.m[1][1] - m.m[0][1] * m.m[1][0];
    const float determinant = m.m[0][0] * c00 + m.m[0][1] * c01 + m.m[0][2] * c02;
    const float scale = determinant != 0.0f ? 1.0f / determinant : 0.0f;
    // Cofactor matrix / determinant is the inverse's transpose.
    const float cofactors[9] = {c00, c01, c02, c10, c11, c12, c20, c21, c22};
    for (int i = 0; i < 9; ++i)
        out[i] = cofactors[i] * scale;
}

// The general inverse; false for a singular matrix.
bool Invert(const D3DMATRIX& matrix, D3DMATRIX& inverse)
{
    const float* m = &matrix.m[0][0];
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
             m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
             m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
             m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
              m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
             m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
             m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
             m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
              m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
             m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
              m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
              m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
             m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    const float determinant = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (determinant == 0.0f)
        return false;
    float* out = &inverse.m[0][0];
    for (int i = 0; i < 16; ++i)
        out[i] = inv[i] / determinant;
    return true;
}

GLenum GlBlend(DWORD blend)
{
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

GLenum GlBlendEquation(DWORD op)
{
    switch (op) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum GlCompare(DWORD func)
{
    switch (func) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum GlStencilOp(DWORD op)
{
    switch (op) {
    case D3DSTENCILOP_ZERO:
        return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
        return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
        return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
        return GL_DECR;
    case D3DSTENCILOP_INVERT:
        return GL_INVERT;
    case D3DSTENCILOP_INCR:
        return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLenum GlAddress(DWORD address)
{
    switch (address) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE:
        return GL_MIRROR_CLAMP_TO_EDGE;
    default:
        return GL_REPEAT;
    }
}

GLenum GlMinFilter(DWORD minFilter, DWORD mipFilter)
{
    const bool linear = minFilter >= D3DTEXF_LINEAR;
    switch (mipFilter) {
    case D3DTEXF_POINT:
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_NONE:
        return linear ? GL_LINEAR : GL_NEAREST;
    default:
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
}

GLenum GlPrimitive(D3DPRIMITIVETYPE type)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return GL_TRIANGLES;
    }
}

GLuint CompileShader(GLenum kind, const std::string& source)
{
    const GLuint shader = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE)
        return shader;
    char log[2048] = {};
    glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
    std::fprintf(stderr, "Direct3D stand-in: shader does not compile:\n%s\n%s\n", log, text);
    glDeleteShader(shader);
    return 0;
}

// Writes `data` into a streaming buffer at the next multiple of `alignment`,
// starting the buffer afresh when it is full; returns the byte offset.
size_t WriteStream(GLuint buffer, size_t& capacity, size_t& offset, const void* data, size_t size, size_t alignment)
{
    size_t start = (offset + alignment - 1) / alignment * alignment;
    if (start + size > capacity) {
        capacity = std::max(capacity, size);
        glNamedBufferData(buffer, static_cast<GLsizeiptr>(capacity), nullptr, GL_STREAM_DRAW);
        start = 0;
    }
    void* target = glMapNamedBufferRange(buffer, static_cast<GLintptr>(start), static_cast<GLsizeiptr>(size),
                                         GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
    if (target != nullptr) {
        std::memcpy(target, data, size);
        glUnmapNamedBuffer(buffer);
    }
    offset = start + size;
    return start;
}

} // namespace

// Values computed from the shadow state once per change, shared by every
// program: each program's own uniforms, and the scene block, with whether
// the uniform buffer has it yet.
struct GlRenderer::Derived {
    uint64_t versions[kGroupCount];
    // The world-view matrix's four rows, then the normal matrix's three
    // columns each padded to four floats: u_DrawMatrices.
    float drawMatrices[7][4];
    float textureFactor[4];
    float alphaRef;
    SceneUniforms scene;
    bool sceneChanged;
};

struct GlRenderer::Program {
    PipelineKey key;
    GLuint program = 0;
    uint64_t uploaded[kGroupCount] = {};
    GLint drawMatrices = -1;
    GLint textureFactor = -1;
    GLint alphaRef = -1;
};

GlRenderer::GlRenderer() : m_Derived(std::make_unique<Derived>())
{
    std::memset(m_Derived.get(), 0, sizeof(Derived));
    for (uint64_t& version : m_Derived->versions)
        version = 1;
    m_Derived->sceneChanged = true;

    m_Arb.genPrograms = reinterpret_cast<PFNGLGENPROGRAMSARBPROC>(SDL_GL_GetProcAddress("glGenProgramsARB"));
    m_Arb.deletePrograms = reinterpret_cast<PFNGLDELETEPROGRAMSARBPROC>(SDL_GL_GetProcAddress("glDeleteProgramsARB"));
    m_Arb.bindProgram = reinterpret_cast<PFNGLBINDPROGRAMARBPROC>(SDL_GL_GetProcAddress("glBindProgramARB"));
    m_Arb.programString = reinterpret_cast<PFNGLPROGRAMSTRINGARBPROC>(SDL_GL_GetProcAddress("glProgramStringARB"));
    m_Arb.envParameter =
        reinterpret_cast<PFNGLPROGRAMENVPARAMETER4FVARBPROC>(SDL_GL_GetProcAddress("glProgramEnvParameter4fvARB"));

    glCreateVertexArrays(1, &m_VertexArray);
    glBindVertexArray(m_VertexArray);
    glCreateFramebuffers(1, &m_DrawFramebuffer);
    glCreateFramebuffers(1, &m_ReadFramebuffer);
    glCreateFramebuffers(1, &m_FrontFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_DrawFramebuffer);

    glCreateTextures(GL_TEXTURE_2D, 1, &m_WhiteTexture);
    glTextureStorage2D(m_WhiteTexture, 1, GL_RGBA8, 1, 1);
    glTextureSubImage2D(m_WhiteTexture, 0, 0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &kOpaqueWhite);

    glCreateSamplers(kMaxTextureStages, m_Samplers);
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage)
        glBindSampler(stage, m_Samplers[stage]);

    glCreateBuffers(1, &m_StreamBuffer);
    m_StreamCapacity = kStreamBufferSize;
    glNamedBufferData(m_StreamBuffer, m_StreamCapacity, nullptr, GL_STREAM_DRAW);
    glCreateBuffers(1, &m_IndexStreamBuffer);
    m_IndexStreamCapacity = kIndexStreamBufferSize;
    glNamedBufferData(m_IndexStreamBuffer, m_IndexStreamCapacity, nullptr, GL_STREAM_DRAW);
    glCreateBuffers(1, &m_SceneBuffer);
    m_SceneCapacity = kSceneBufferSize;
    glNamedBufferData(m_SceneBuffer, m_SceneCapacity, nullptr, GL_STREAM_DRAW);
    GLint alignment = 0;
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &alignment);
    m_SceneAlignment = std::max<size_t>(static_cast<size_t>(alignment), sizeof(float));

    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glDepthRange(0.0, 1.0);
    glEnable(GL_PROGRAM_POINT_SIZE);
    // Sprite coordinates start at the low rows, which hold the top of the picture.
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    glFrontFace(GL_CCW);
    glDisable(GL_DITHER);
    glDisable(GL_SCISSOR_TEST);
}

GlRenderer::~GlRenderer()
{
    if (!ContextAlive())
        return;
    glUseProgram(0);
    for (auto& entry : m_Programs) {
        if (entry.second->program != 0)
            glDeleteProgram(entry.second->program);
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    const GLuint framebuffers[] = {m_DrawFramebuffer, m_ReadFramebuffer, m_FrontFramebuffer};
    glDeleteFramebuffers(3, framebuffers);
    const GLuint textures[] = {m_WhiteTexture, m_FrontTexture};
    glDeleteTextures(2, textures);
    glDeleteSamplers(kMaxTextureStages, m_Samplers);
    const GLuint buffers[] = {m_StreamBuffer, m_IndexStreamBuffer, m_SceneBuffer};
    glDeleteBuffers(3, buffers);
    glBindVertexArray(0);
    glDeleteVertexArrays(1, &m_VertexArray);
}

bool GlRenderer::ContextAlive() const
{
    // At exit the window's context goes before late releases arrive.
    return SDL_GL_GetCurrentContext() != nullptr;
}

// ---------------------------------------------------------------------------
// Resource objects.

GLuint GlRenderer::CreateTexture(const FormatInfo& format, UINT width, UINT height, UINT levels)
{
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, static_cast<GLsizei>(levels), format.internalFormat, static_cast<GLsizei>(width),
                       static_cast<GLsizei>(height));
    glTextureParameteri(texture, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels) - 1);
    return texture;
}

void GlRenderer::DeleteTexture(GLuint texture)
{
    for (GLuint& bound : m_BoundTextures) {
        if (bound == texture)
            bound = 0;
    }
    if (ContextAlive())
        glDeleteTextures(1, &texture);
}

void GlRenderer::UploadTexture(GLuint texture, int level, const FormatInfo& format, const RECT& rect,
                               const uint8_t* pixels, UINT pitch)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / format.bytesPerPixel));
    glTextureSubImage2D(texture, level, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                        format.pixelFormat, format.pixelType, pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void GlRenderer::ReadTexture(GLuint texture, int level, const FormatInfo& format, const RECT& rect,
                             uint8_t* pixels, UINT pitch) const
{
    const GLsizei width = rect.right - rect.left;
    const GLsizei height = rect.bottom - rect.top;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(pitch / format.bytesPerPixel));
    const GLsizei size = static_cast<GLsizei>(pitch * (height - 1) + width * format.bytesPerPixel);
    glGetTextureSubImage(texture, level, rect.left, rect.top, 0, width, height, 1, format.pixelFormat,
                         format.pixelType, size, pixels);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

GLuint GlRenderer::CreateDepthStencil(UINT width, UINT height)
{
    GLuint renderbuffer = 0;
    glCreateRenderbuffers(1, &renderbuffer);
    glNamedRenderbufferStorage(renderbuffer, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width),
                               static_cast<GLsizei>(height));
    return renderbuffer;
}

void GlRenderer::DeleteRenderbuffer(GLuint renderbuffer)
{
    if (ContextAlive())
        glDeleteRenderbuffers(1, &renderbuffer);
}

GLuint GlRenderer::CreateBuffer(UINT size, bool dynamic)
{
    GLuint buffer = 0;
    glCreateBuffers(1, &buffer);
    glNamedBufferData(buffer, size, nullptr, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    return buffer;
}

void GlRenderer::DeleteBuffer(GLuint buffer)
{
    if (m_AttribBuffer == buffer)
        m_AttribBuffer = 0;
    if (m_BoundIndexBuffer == buffer)
        m_BoundIndexBuffer = 0;
    if (ContextAlive())
        glDeleteBuffers(1, &buffer);
}

void GlRenderer::UploadBuffer(GLuint buffer, UINT offset, UINT size, const void* data, bool whole, bool dynamic)
{
    if (whole) {
        glNamedBufferData(buffer, size, data, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        return;
    }
    glNamedBufferSubData(buffer, offset, size, data);
}

// ---------------------------------------------------------------------------
// Targets, clearing, presenting.

void GlRenderer::SetTargets(GLuint colourTexture, int level, UINT width, UINT height, GLuint depthStencil)
{
    glNamedFramebufferTexture(m_DrawFramebuffer, GL_COLOR_ATTACHMENT0, colourTexture, level);
    glNamedFramebufferRenderbuffer(m_DrawFramebuffer, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthStencil);
    m_TargetWidth = std::max<UINT>(width, 1);
    m_TargetHeight = std::max<UINT>(height, 1);
    glViewport(0, 0, static_cast<GLsizei>(m_TargetWidth), static_cast<GLsizei>(m_TargetHeight));
    float* viewport = m_Derived->scene.viewport;
    viewport[0] = 0.0f;
    viewport[1] = 0.0f;
    viewport[2] = static_cast<float>(m_TargetWidth);
    viewport[3] = static_cast<float>(m_TargetHeight);
    m_Derived->sceneChanged = true;
}

void GlRenderer::Clear(DeviceState& state, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour,
                       float z, DWORD stencil)
{
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET) {
        float rgba[4];
        ColourToFloats(colour, rgba);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        glDepthMask(GL_TRUE);
        glClearDepth(std::min(std::max(z, 0.0f), 1.0f));
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_STENCIL) {
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil & 0xFF));
        bits |= GL_STENCIL_BUFFER_BIT;
    }
    // Clearing ignores the render states; those it changed go out again.
    state.MarkDirty(kDirtyRaster | kDirtyDepth | kDirtyStencil);
    if (bits == 0)
        return;
    if (count == 0 || rects == nullptr) {
        glClear(bits);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < count; ++i) {
        const LONG left = std::max<LONG>(rects[i].x1, 0);
        const LONG top = std::max<LONG>(rects[i].y1, 0);
        const LONG right = std::min<LONG>(rects[i].x2, static_cast<LONG>(m_TargetWidth));
        const LONG bottom = std::min<LONG>(rects[i].y2, static_cast<LONG>(m_TargetHeight));
        if (right <= left || bottom <= top)
            continue;
        glScissor(left, top, right - left, bottom - top);
        glClear(bits);
    }
    glDisable(GL_SCISSOR_TEST);
}

// The copy takes the back buffer's own format: a blit between formats costs
// a conversion of every pixel, every frame.
void GlRenderer::EnsureFront(const FormatInfo& format, int width, int height)
{
    if (m_FrontTexture != 0 && m_FrontInternalFormat == format.internalFormat && m_FrontWidth == width &&
        m_FrontHeight == height)
        return;
    if (m_FrontTexture != 0)
        glDeleteTextures(1, &m_FrontTexture);
    glCreateTextures(GL_TEXTURE_2D, 1, &m_FrontTexture);
    glTextureStorage2D(m_FrontTexture, 1, format.internalFormat, width, height);
    glNamedFramebufferTexture(m_FrontFramebuffer, GL_COLOR_ATTACHMENT0, m_FrontTexture, 0);
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glClearNamedFramebufferfv(m_FrontFramebuffer, GL_COLOR, 0, black);
    m_FrontInternalFormat = format.internalFormat;
    m_FrontWidth = width;
    m_FrontHeight = height;
}

void GlRenderer::Present(GLuint backBuffer, const FormatInfo& backFormat, UINT width, UINT height,
                         SDL_Window* window, int clientWidth, int clientHeight)
{
    if (clientWidth <= 0 || clientHeight <= 0)
        return;
    EnsureFront(backFormat, clientWidth, clientHeight);
    glNamedFramebufferTexture(m_ReadFramebuffer, GL_COLOR_ATTACHMENT0, backBuffer, 0);
    const bool sameSize = static_cast<int>(width) == clientWidth && static_cast<int>(height) == clientHeight;
    glBlitNamedFramebuffer(m_ReadFramebuffer, m_FrontFramebuffer, 0, 0, static_cast<GLint>(width),
                           static_cast<GLint>(height), 0, 0, clientWidth, clientHeight, GL_COLOR_BUFFER_BIT,
                           sameSize ? GL_NEAREST : GL_LINEAR);
    glNamedFramebufferTexture(m_ReadFramebuffer, GL_COLOR_ATTACHMENT0, 0, 0);
    if (window == nullptr)
        return;
    // The window's rows go bottom up and its client area sits at the bottom
    // left of a drawable that may be larger.
    glBlitNamedFramebuffer(m_FrontFramebuffer, 0, 0, 0, clientWidth, clientHeight, 0, clientHeight, clientWidth,
                           0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    SDL_GL_SwapWindow(window);
}

GLenum GlRenderer::FrontStorageFormat() const
{
    if (m_FrontTexture == 0)
        return 0;
    GLint internalFormat = 0;
    glGetTextureLevelParameteriv(m_FrontTexture, 0, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
    return static_cast<GLenum>(internalFormat);
}

void GlRenderer::ReadFront(const RECT& rect, uint8_t* pixels, UINT pitch) const
{
    static const FormatInfo* const kFrontFormat = FindSurfaceFormat(D3DFMT_A8R8G8B8);
    if (m_FrontTexture == 0)
        return;
    ReadTexture(m_FrontTexture, 0, *kFrontFormat, rect, pixels, pitch);
}

void GlRenderer::EndFrame()
{
    glUseProgram(0);
    m_BoundProgram = 0;
    UseVertexProgram(0);
}

// ---------------------------------------------------------------------------
// Fixed state.

void GlRenderer::ApplyBlend(const DeviceState& state)
{
    if (!state.RenderState(D3DRS_ALPHABLENDENABLE)) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    const DWORD source = state.RenderState(D3DRS_SRCBLEND);
    GLenum glSource = GlBlend(source);
    GLenum glDest = GlBlend(state.RenderState(D3DRS_DESTBLEND));
    // The two "both" factors set source and destination at once.
    if (source == D3DBLEND_BOTHSRCALPHA) {
        glSource = GL_SRC_ALPHA;
        glDest = GL_ONE_MINUS_SRC_ALPHA;
    } else if (source == D3DBLEND_BOTHINVSRCALPHA) {
        glSource = GL_ONE_MINUS_SRC_ALPHA;
        glDest = GL_SRC_ALPHA;
    }
    glBlendFunc(glSource, glDest);
    glBlendEquation(GlBlendEquation(state.RenderState(D3DRS_BLENDOP)));
}

void GlRenderer::ApplyDepth(const DeviceState& state)
{
    if (state.RenderState(D3DRS_ZENABLE) == D3DZB_FALSE) {
        glDisable(GL_DEPTH_TEST);
        return;
    }
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GlCompare(state.RenderState(D3DRS_ZFUNC)));
    glDepthMask(state.RenderState(D3DRS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);
}

void GlRenderer::ApplyStencil(const DeviceState& state)
{
    if (!state.RenderState(D3DRS_STENCILENABLE)) {
        glDisable(GL_STENCIL_TEST);
        return;
    }
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GlCompare(state.RenderState(D3DRS_STENCILFUNC)),
                  static_cast<GLint>(state.RenderState(D3DRS_STENCILREF) & 0xFF),
                  state.RenderState(D3DRS_STENCILMASK));
    const DWORD fail = state.RenderState(D3DRS_STENCILFAIL);
    const DWORD depthFail = state.RenderState(D3DRS_STENCILZFAIL);
    const DWORD pass = state.RenderState(D3DRS_STENCILPASS);
    glStencilOp(GlStencilOp(fail), GlStencilOp(depthFail), GlStencilOp(pass));
    // Operations that all keep the value write nothing, whatever the mask
    // says; a mask of 0 tells the rasteriser so, and it then tests before
    // shading rather than shading every pixel of a draw the test will mask
    // (the water over its mark).
    const bool keeps = fail == D3DSTENCILOP_KEEP && depthFail == D3DSTENCILOP_KEEP && pass == D3DSTENCILOP_KEEP;
    glStencilMask(keeps ? 0u : state.RenderState(D3DRS_STENCILWRITEMASK));
}

void GlRenderer::ApplyRaster(const DeviceState& state)
{
    // Rows are stored top first, which mirrors the picture in GL's window
    // coordinates: Direct3D's clockwise triangles are GL's counter-clockwise
    // (front) ones.
    switch (state.RenderState(D3DRS_CULLMODE)) {
    case D3DCULL_NONE:
        glDisable(GL_CULL_FACE);
        break;
    case D3DCULL_CW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        break;
    default:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    }
    switch (state.RenderState(D3DRS_FILLMODE)) {
    case D3DFILL_POINT:
        glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
        break;
    case D3DFILL_WIREFRAME:
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        break;
    default:
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        break;
    }
    const DWORD mask = state.RenderState(D3DRS_COLORWRITEENABLE);
    glColorMask((mask & D3DCOLORWRITEENABLE_RED) != 0, (mask & D3DCOLORWRITEENABLE_GREEN) != 0,
                (mask & D3DCOLORWRITEENABLE_BLUE) != 0, (mask & D3DCOLORWRITEENABLE_ALPHA) != 0);
}

void GlRenderer::ApplySamplers(const DeviceState& state)
{
    const uint32_t stages = state.DirtySamplerStages();
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        if ((stages & (1u << stage)) == 0)
            continue;
        const GLuint sampler = m_Samplers[stage];
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GlAddress(state.StageState(stage, D3DTSS_ADDRESSU)));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GlAddress(state.StageState(stage, D3DTSS_ADDRESSV)));
        float border[4];
        ColourToFloats(state.StageState(stage, D3DTSS_BORDERCOLOR), border);
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                            state.StageState(stage, D3DTSS_MAGFILTER) >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                            GlMinFilter(state.StageState(stage, D3DTSS_MINFILTER),
                                        state.StageState(stage, D3DTSS_MIPFILTER)));
    }
}

// ---------------------------------------------------------------------------
// Uniform values.

void GlRenderer::UpdateDerived(const DeviceState& state, uint32_t dirty)
{
    Derived& derived = *m_Derived;
    SceneUniforms& scene = derived.scene;
    const D3DMATRIX& view = state.Transform(TransformSlot::View);
    if (dirty & (kDirtyWorld | kDirtyView)) {
        const D3DMATRIX worldView = Multiply(state.Transform(TransformSlot::World), view);
        std::memcpy(derived.drawMatrices, &worldView, sizeof(worldView));
        float normal[9];
        NormalMatrix(worldView, normal);
        for (int column = 0; column < 3; ++column)
            std::memcpy(derived.drawMatrices[4 + column], &normal[column * 3], 3 * sizeof(float));
        ++derived.versions[kGroupWorldView];
    }
    if (dirty & kDirtyProjection) {
        std::memcpy(scene.projection, &state.Transform(TransformSlot::Projection), sizeof(scene.projection));
        derived.sceneChanged = true;
    }
    if (dirty & kDirtyMaterial) {
        const D3DMATERIAL8& material = state.Material();
        ColourValueToFloats(material.Diffuse, scene.materialDiffuse);
        ColourValueToFloats(material.Ambient, scene.materialAmbient);
        ColourValueToFloats(material.Specular, scene.materialSpecular);
        ColourValueToFloats(material.Emissive, scene.materialEmissive);
        scene.materialPower = material.Power;
        derived.sceneChanged = true;
    }
    if (dirty & (kDirtyLighting | kDirtyView)) {
        ColourToFloats(state.RenderState(D3DRS_AMBIENT), scene.ambient);
        // Enabled directional lights in index order, their directions turned
        // into view space and reversed to point at the light.
        int count = 0;
        for (DWORD index = 0; index < kMaxLights; ++index) {
            const LightSlot* slot = state.Light(index);
            if (!slot->enabled || slot->light.Type != D3DLIGHT_DIRECTIONAL)
                continue;
            const D3DLIGHT8& light = slot->light;
            const D3DVECTOR& d = light.Direction;
            float x = d.x * view._11 + d.y * view._21 + d.z * view._31;
            float y = d.x * view._12 + d.y * view._22 + d.z * view._32;
            float z = d.x * view._13 + d.y * view._23 + d.z * view._33;
            const float length = std::sqrt(x * x + y * y + z * z);
            const float scale = length > 0.0f ? -1.0f / length : 0.0f;
            scene.lightDirection[count][0] = x * scale;
            scene.lightDirection[count][1] = y * scale;
            scene.lightDirection[count][2] = z * scale;
            ColourValueToFloats(light.Diffuse, scene.lightDiffuse[count]);
            ColourValueToFloats(light.Specular, scene.lightSpecular[count]);
            ColourValueToFloats(light.Ambient, scene.lightAmbient[count]);
            ++count;
        }
        derived.sceneChanged = true;
    }
    if (dirty & kDirtyTextureFactor) {
        ColourToFloats(state.RenderState(D3DRS_TEXTUREFACTOR), derived.textureFactor);
        ++derived.versions[kGroupTextureFactor];
    }
    if (dirty & kDirtyAlphaRef) {
        derived.alphaRef = static_cast<float>(state.RenderState(D3DRS_ALPHAREF) & 0xFF);
        ++derived.versions[kGroupAlphaRef];
    }
    if (dirty & kDirtyPointSize) {
        scene.pointSize[0] = state.RenderStateFloat(D3DRS_POINTSIZE);
        scene.pointSize[1] = state.RenderStateFloat(D3DRS_POINTSIZE_MIN);
        scene.pointSize[2] = state.RenderStateFloat(D3DRS_POINTSIZE_MAX);
        scene.pointScale[0] = state.RenderStateFloat(D3DRS_POINTSCALE_A);
        scene.pointScale[1] = state.RenderStateFloat(D3DRS_POINTSCALE_B);
        scene.pointScale[2] = state.RenderStateFloat(D3DRS_POINTSCALE_C);
        derived.sceneChanged = true;
    }
    if (dirty & (kDirtyClipPlanes | kDirtyView)) {
        // World-space planes into view space: p' = inverse(view) p.
        D3DMATRIX inverse;
        if (!Invert(view, inverse))
            inverse = IdentityMatrix();
        for (DWORD index = 0; index < kMaxClipPlanes; ++index) {
            const float* p = state.ClipPlane(index);
            for (int i = 0; i < 4; ++i) {
                scene.clipPlanes[index][i] = inverse.m[i][0] * p[0] + inverse.m[i][1] * p[1] +
                                             inverse.m[i][2] * p[2] + inverse.m[i][3] * p[3];
            }
        }
        derived.sceneChanged = true;
    }
}

// A changed scene block goes once for all programs into the next free span
// of a streaming buffer, never over one that queued draws may still read. A
// block that is still there from a little earlier (objects with two
// materials drawn in turn) is bound again instead of written again.
void GlRenderer::UploadScene()
{
    Derived& derived = *m_Derived;
    if (!derived.sceneChanged)
        return;
    derived.sceneChanged = false;
    for (const SceneSlot& slot : m_SceneSlots) {
        if (slot.used && std::memcmp(&slot.scene, &derived.scene, sizeof(SceneUniforms)) == 0) {
            BindScene(slot.offset);
            return;
        }
    }
    const size_t previousEnd = m_SceneOffset;
    const size_t offset = WriteStream(m_SceneBuffer, m_SceneCapacity, m_SceneOffset, &derived.scene,
                                      sizeof(SceneUniforms), m_SceneAlignment);
    if (offset < previousEnd) {
        // The buffer started afresh: the blocks written before are gone.
        for (SceneSlot& slot : m_SceneSlots)
            slot.used = false;
    }
    SceneSlot& slot = m_SceneSlots[m_NextSceneSlot];
    m_NextSceneSlot = (m_NextSceneSlot + 1) % kSceneSlots;
    slot.scene = derived.scene;
    slot.offset = offset;
    slot.used = true;
    BindScene(offset);
}

void GlRenderer::BindScene(size_t offset)
{
    if (offset == m_BoundSceneOffset)
        return;
    glBindBufferRange(GL_UNIFORM_BUFFER, kSceneBlockBinding, m_SceneBuffer, static_cast<GLintptr>(offset),
                      sizeof(SceneUniforms));
    m_BoundSceneOffset = offset;
}

void GlRenderer::UploadUniforms(Program& program)
{
    const Derived& derived = *m_Derived;
    uint64_t* uploaded = program.uploaded;
    if (uploaded[kGroupWorldView] != derived.versions[kGroupWorldView]) {
        glUniform4fv(program.drawMatrices, 7, &derived.drawMatrices[0][0]);
        uploaded[kGroupWorldView] = derived.versions[kGroupWorldView];
    }
    if (uploaded[kGroupTextureFactor] != derived.versions[kGroupTextureFactor]) {
        glUniform4fv(program.textureFactor, 1, derived.textureFactor);
        uploaded[kGroupTextureFactor] = derived.versions[kGroupTextureFactor];
    }
    if (uploaded[kGroupAlphaRef] != derived.versions[kGroupAlphaRef]) {
        glUniform1f(program.alphaRef, derived.alphaRef);
        uploaded[kGroupAlphaRef] = derived.versions[kGroupAlphaRef];
    }
}

// ---------------------------------------------------------------------------
// Programs.

GlRenderer::Program* GlRenderer::BuildProgram(const PipelineKey& key)
{
    auto program = std::make_unique<Program>();
    program->key = key;
    // Under a vertex shader the ARB program does the vertices.
    const bool ownVertices = !key.shaderInputs;
    const GLuint vertexShader = ownVertices ? CompileShader(GL_VERTEX_SHADER, BuildVertexShader(key)) : 0;
    const GLuint fragmentShader = CompileShader(GL_FRAGMENT_SHADER, BuildFragmentShader(key));
    if ((vertexShader != 0 || !ownVertices) && fragmentShader != 0) {
        const GLuint id = glCreateProgram();
        if (vertexShader != 0)
            glAttachShader(id, vertexShader);
        glAttachShader(id, fragmentShader);
        glLinkProgram(id);
        GLint linked = GL_FALSE;
        glGetProgramiv(id, GL_LINK_STATUS, &linked);
        if (linked == GL_TRUE) {
            program->program = id;
        } else {
            std::fprintf(stderr, "Direct3D stand-in: shaders do not link\n");
            glDeleteProgram(id);
        }
    }
    if (vertexShader != 0)
        glDeleteShader(vertexShader);
    if (fragmentShader != 0)
        glDeleteShader(fragmentShader);

    const GLuint id = program->program;
    if (id != 0) {
        program->drawMatrices = glGetUniformLocation(id, "u_DrawMatrices");
        const GLuint sceneBlock = glGetUniformBlockIndex(id, "SceneBlock");
        if (sceneBlock != GL_INVALID_INDEX)
            glUniformBlockBinding(id, sceneBlock, kSceneBlockBinding);
        program->textureFactor = glGetUniformLocation(id, "u_TextureFactor");
        program->alphaRef = glGetUniformLocation(id, "u_AlphaRef");
        glUseProgram(id);
        m_BoundProgram = id;
        for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
            const std::string name = "u_Texture" + std::to_string(stage);
            const GLint location = glGetUniformLocation(id, name.c_str());
            if (location >= 0)
                glUniform1i(location, static_cast<GLint>(stage));
        }
    }
    Program* result = program.get();
    m_Programs.emplace(key, std::move(program));
    return result;
}

GlRenderer::Program* GlRenderer::SelectProgram(const DeviceState& state, const DrawCall& call)
{
    const bool points = call.type == D3DPT_POINTLIST;
    const bool keyMayDiffer = (state.Dirty() & kDirtyProgram) != 0 || points != m_LastDrawWasPoints ||
                              m_Program == nullptr || m_ProgramLayout != call.layout;
    if (keyMayDiffer) {
        const PipelineKey key = MakePipelineKey(state, *call.layout, points);
        auto found = m_Programs.find(key);
        m_Program = found != m_Programs.end() ? found->second.get() : BuildProgram(key);
        m_LastDrawWasPoints = points;
        m_ProgramLayout = call.layout;
    }
    UseVertexProgram(0);
    return UseProgram(m_Program);
}

GlRenderer::Program* GlRenderer::SelectShaderProgram(const DeviceState& state, const DrawCall& call)
{
    const PipelineKey key = MakeShaderPipelineKey(state, call.type == D3DPT_POINTLIST);
    auto found = m_Programs.find(key);
    Program* program = found != m_Programs.end() ? found->second.get() : BuildProgram(key);
    // The next fixed-function draw looks its key up again.
    m_Program = nullptr;
    m_ProgramLayout = nullptr;
    UseVertexProgram(call.vertexProgram);
    const float viewport[2] = {1.0f / static_cast<float>(m_TargetWidth), 1.0f / static_cast<float>(m_TargetHeight)};
    if (viewport[0] != m_ProgramViewport[0] || viewport[1] != m_ProgramViewport[1]) {
        const float parameter[4] = {viewport[0], viewport[1], 0.0f, 0.0f};
        m_Arb.envParameter(GL_VERTEX_PROGRAM_ARB, kArbViewportRegister, parameter);
        m_ProgramViewport[0] = viewport[0];
        m_ProgramViewport[1] = viewport[1];
    }
    return UseProgram(program);
}

GlRenderer::Program* GlRenderer::UseProgram(Program* program)
{
    if (program->program == 0)
        return nullptr;
    if (m_BoundProgram != program->program) {
        glUseProgram(program->program);
        m_BoundProgram = program->program;
    }
    if (m_PointSprite != (program->key.pointSprite != 0)) {
        m_PointSprite = program->key.pointSprite != 0;
        if (m_PointSprite)
            glEnable(GL_POINT_SPRITE);
        else
            glDisable(GL_POINT_SPRITE);
    }
    SetClipDistances(program->key.clipPlanes);
    return program;
}

void GlRenderer::UseVertexProgram(GLuint program)
{
    if (program == m_VertexProgram)
        return;
    if (program == 0) {
        glDisable(GL_VERTEX_PROGRAM_ARB);
    } else {
        if (m_VertexProgram == 0)
            glEnable(GL_VERTEX_PROGRAM_ARB);
        m_Arb.bindProgram(GL_VERTEX_PROGRAM_ARB, program);
    }
    m_VertexProgram = program;
}

bool GlRenderer::ArbEntryPoints::Loaded() const
{
    return genPrograms && deletePrograms && bindProgram && programString && envParameter;
}

GLuint GlRenderer::CreateVertexProgram(const std::string& text)
{
    if (!m_Arb.Loaded()) {
        std::fprintf(stderr, "Direct3D stand-in: no ARB_vertex_program for vertex shaders\n");
        return 0;
    }
    GLuint program = 0;
    m_Arb.genPrograms(1, &program);
    m_Arb.bindProgram(GL_VERTEX_PROGRAM_ARB, program);
    while (glGetError() != GL_NO_ERROR) {
    }
    m_Arb.programString(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, static_cast<GLsizei>(text.size()),
                       text.c_str());
    const bool loaded = glGetError() == GL_NO_ERROR;
    m_Arb.bindProgram(GL_VERTEX_PROGRAM_ARB, m_VertexProgram);
    if (loaded)
        return program;
    std::fprintf(stderr, "Direct3D stand-in: vertex program refused: %s\n",
                 reinterpret_cast<const char*>(glGetString(GL_PROGRAM_ERROR_STRING_ARB)));
    m_Arb.deletePrograms(1, &program);
    return 0;
}

void GlRenderer::DeleteVertexProgram(GLuint program)
{
    if (program == m_VertexProgram)
        UseVertexProgram(0);
    if (ContextAlive())
        m_Arb.deletePrograms(1, &program);
}

void GlRenderer::UploadShaderConstants(DWORD first, DWORD count, const float* values)
{
    constexpr int kFloatsPerRegister = 4;
    for (DWORD i = 0; i < count; ++i)
        m_Arb.envParameter(GL_VERTEX_PROGRAM_ARB, first + i, values + i * kFloatsPerRegister);
}

void GlRenderer::SetClipDistances(uint8_t mask)
{
    if (mask == m_ClipDistances)
        return;
    for (DWORD plane = 0; plane < kMaxClipPlanes; ++plane) {
        const uint8_t bit = static_cast<uint8_t>(1u << plane);
        if ((mask & bit) == (m_ClipDistances & bit))
            continue;
        if (mask & bit)
            glEnable(GL_CLIP_DISTANCE0 + plane);
        else
            glDisable(GL_CLIP_DISTANCE0 + plane);
    }
    m_ClipDistances = mask;
}

// ---------------------------------------------------------------------------
// Drawing.

void GlRenderer::BindTextures(const DeviceState& state, const PipelineKey& key)
{
    for (DWORD stage = 0; stage < key.stageCount; ++stage) {
        if (!key.stages[stage].samplesTexture)
            continue;
        const D3DTexture* texture = state.Texture(stage);
        const GLuint id = texture != nullptr && texture->GlTexture() != 0 ? texture->GlTexture() : m_WhiteTexture;
        if (m_BoundTextures[stage] == id)
            continue;
        glBindTextureUnit(stage, id);
        m_BoundTextures[stage] = id;
    }
}

void GlRenderer::BindVertices(const DrawCall& call, GLuint buffer)
{
    if (m_AttribBuffer == buffer && m_AttribStride == call.stride && m_AttribLayout == call.layout &&
        m_AttribDeclaration == nullptr)
        return;
    const FvfLayout& layout = *call.layout;
    const GLsizei stride = static_cast<GLsizei>(call.stride);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    uint32_t enabled = 1u << kAttribPosition;
    glVertexAttribPointer(kAttribPosition, layout.pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    const auto offset = [](UINT bytes) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(bytes)); };
    if (layout.hasNormal) {
        glVertexAttribPointer(kAttribNormal, 3, GL_FLOAT, GL_FALSE, stride, offset(layout.normalOffset));
        enabled |= 1u << kAttribNormal;
    }
    if (layout.hasPointSize) {
        glVertexAttribPointer(kAttribPointSize, 1, GL_FLOAT, GL_FALSE, stride, offset(layout.pointSizeOffset));
        enabled |= 1u << kAttribPointSize;
    }
    // D3DCOLOR is B, G, R, A in memory: GL_BGRA reads it as it is.
    if (layout.hasDiffuse) {
        glVertexAttribPointer(kAttribDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset(layout.diffuseOffset));
        enabled |= 1u << kAttribDiffuse;
    }
    if (layout.hasSpecular) {
        glVertexAttribPointer(kAttribSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              offset(layout.specularOffset));
        enabled |= 1u << kAttribSpecular;
    }
    for (UINT set = 0; set < layout.texCoordCount; ++set) {
        glVertexAttribPointer(kAttribTexCoord0 + set, 2, GL_FLOAT, GL_FALSE, stride,
                              offset(layout.texCoordOffset + set * 2 * sizeof(float)));
        enabled |= 1u << (kAttribTexCoord0 + set);
    }
    EnableAttribs(enabled);
    m_AttribBuffer = buffer;
    m_AttribStride = call.stride;
    m_AttribLayout = call.layout;
    m_AttribDeclaration = nullptr;
}

// Each element feeds the generic attribute of its input register, which the
// ARB program reads as vertex.attrib[n].
void GlRenderer::BindShaderVertices(const DrawCall& call, GLuint buffer)
{
    if (m_AttribBuffer == buffer && m_AttribStride == call.stride && m_AttribDeclaration == call.declaration)
        return;
    const GLsizei stride = static_cast<GLsizei>(call.stride);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    uint32_t enabled = 0;
    for (const ShaderInputElement& element : call.declaration->elements) {
        const void* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(element.offset));
        switch (element.type) {
        case D3DVSDT_FLOAT2:
            glVertexAttribPointer(element.inputRegister, 2, GL_FLOAT, GL_FALSE, stride, offset);
            break;
        case D3DVSDT_FLOAT3:
            glVertexAttribPointer(element.inputRegister, 3, GL_FLOAT, GL_FALSE, stride, offset);
            break;
        default:
            // B, G, R, A in memory arrive as (R, G, B, A) in [0, 1].
            glVertexAttribPointer(element.inputRegister, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset);
            break;
        }
        enabled |= 1u << element.inputRegister;
    }
    EnableAttribs(enabled);
    m_AttribBuffer = buffer;
    m_AttribStride = call.stride;
    m_AttribLayout = nullptr;
    m_AttribDeclaration = call.declaration;
}

void GlRenderer::EnableAttribs(uint32_t enabled)
{
    const uint32_t changed = enabled ^ m_EnabledAttribs;
    for (unsigned location = 0; location < kShaderInputRegisters; ++location) {
        if ((changed & (1u << location)) == 0)
            continue;
        if (enabled & (1u << location))
            glEnableVertexAttribArray(location);
        else
            glDisableVertexAttribArray(location);
    }
    m_EnabledAttribs = enabled;
}

void GlRenderer::Draw(DeviceState& state, const DrawCall& call)
{
    const uint32_t dirty = state.Dirty();
    if (dirty & kDirtyBlend)
        ApplyBlend(state);
    if (dirty & kDirtyDepth)
        ApplyDepth(state);
    if (dirty & kDirtyStencil)
        ApplyStencil(state);
    if (dirty & kDirtyRaster)
        ApplyRaster(state);
    if (dirty & kDirtySamplers)
        ApplySamplers(state);
    UpdateDerived(state, dirty);
    Program* program = call.declaration != nullptr ? SelectShaderProgram(state, call) : SelectProgram(state, call);
    state.ClearDirty();
    if (program == nullptr)
        return;
    UploadScene();
    UploadUniforms(*program);
    BindTextures(state, program->key);

    const GLenum mode = GlPrimitive(call.type);
    GLuint vertexBuffer = call.vertexBuffer;
    GLint first = call.firstVertex;
    GLint baseVertex = call.baseVertex;
    if (call.userVertices != nullptr) {
        const size_t offset = WriteStream(m_StreamBuffer, m_StreamCapacity, m_StreamOffset, call.userVertices,
                                          call.userVertexBytes, call.stride);
        vertexBuffer = m_StreamBuffer;
        first = static_cast<GLint>(offset / call.stride);
        baseVertex += first;
    }
    if (call.declaration != nullptr)
        BindShaderVertices(call, vertexBuffer);
    else
        BindVertices(call, vertexBuffer);
    if (!call.indexed) {
        glDrawArrays(mode, first, call.count);
        return;
    }
    GLuint indexBuffer = call.indexBuffer;
    size_t indexOffset = call.indexOffset;
    if (call.userIndices != nullptr) {
        const size_t indexSize = call.indexType == GL_UNSIGNED_INT ? 4 : 2;
        indexOffset = WriteStream(m_IndexStreamBuffer, m_IndexStreamCapacity, m_IndexStreamOffset, call.userIndices,
                                  call.userIndexBytes, indexSize);
        indexBuffer = m_IndexStreamBuffer;
    }
    if (m_BoundIndexBuffer != indexBuffer) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
        m_BoundIndexBuffer = indexBuffer;
    }
    glDrawElementsBaseVertex(mode, call.count, call.indexType,
                             reinterpret_cast<const void*>(static_cast<uintptr_t>(indexOffset)), baseVertex);
}
