// What the Direct3D stand-in costs over plain OpenGL: the same frame of 2,000
// lit, textured, indexed draws (a box each, its own world matrix, one of four
// textures, a material change every tenth draw) once through the device and
// once written directly against OpenGL with an equivalent shader, on the same
// offscreen context and into a framebuffer of the same size. The direct side
// sets every state it draws with and puts the context back as it found it,
// so the two may run interleaved. After its timed frames each run draws one
// frame of the other side and one of the device after it: a side that drew
// nothing, pictures whose lit pixels differ by more than 1 %, or GL state the
// direct side did not give back fail the run.
//
// Under Mesa's no-op driver (GALLIUM_NOOP=1) nothing is rasterised and what
// is left is each side's own cost per draw; the benchmarks then carry the
// suffix "/NoRasteriser" and run briefly, as that driver leaks memory.

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/win32/Win32Platform.h"

namespace {

constexpr int kDraws = 2000;
constexpr int kTextures = 4;
constexpr int kTextureSize = 64;
constexpr int kMaterialEvery = 10;
constexpr UINT kWidth = 640;
constexpr UINT kHeight = 480;
constexpr DWORD kFvfLit = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr D3DCOLOR kAmbient = 0x00272727;
constexpr double kMinSeconds = 1.0;
constexpr double kNoRasteriserMinSeconds = 0.2;
constexpr int kNoRasteriserRepetitions = 3;
// How far apart the two sides' counts of lit pixels may be, in per cent.
constexpr int kLitPixelTolerancePercent = 1;

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

// A unit box: four vertices per face so each face has its own normal.
void MakeBox(std::vector<LitVertex>& vertices, std::vector<uint16_t>& indices)
{
    const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int face = 0; face < 6; ++face) {
        const float* n = normals[face];
        // Two axes across the face.
        const float a[3] = {n[1] != 0 ? 1.0f : n[2], 0.0f, n[1] != 0 ? 0.0f : -n[0]};
        const float b[3] = {n[1] * 0.0f, n[1] != 0 ? 0.0f : 1.0f, n[1]};
        const uint16_t base = static_cast<uint16_t>(vertices.size());
        for (int corner = 0; corner < 4; ++corner) {
            const float s = corner & 1 ? 0.5f : -0.5f;
            const float t = corner & 2 ? -0.5f : 0.5f;
            vertices.push_back(LitVertex{n[0] * 0.5f + a[0] * s + b[0] * t, n[1] * 0.5f + a[1] * s + b[1] * t,
                                         n[2] * 0.5f + a[2] * s + b[2] * t, n[0], n[1], n[2],
                                         corner & 1 ? 1.0f : 0.0f, corner & 2 ? 1.0f : 0.0f});
        }
        const uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
        for (uint16_t index : quad)
            indices.push_back(static_cast<uint16_t>(base + index));
    }
}

struct Scene {
    std::vector<LitVertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<D3DXMATRIX> worlds;
    std::vector<uint32_t> texels[kTextures];
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DMATERIAL8 materials[2];
    D3DLIGHT8 light;

    Scene()
    {
        MakeBox(vertices, indices);
        std::srand(7);
        for (int i = 0; i < kDraws; ++i) {
            D3DXMATRIX rotation, translation;
            D3DXMatrixRotationYawPitchRoll(&rotation, i * 0.1f, i * 0.05f, 0.0f);
            D3DXMatrixTranslation(&translation, (std::rand() % 200 - 100) * 0.1f, (std::rand() % 140 - 70) * 0.1f,
                                  10.0f + (std::rand() % 200) * 0.1f);
            worlds.push_back(rotation * translation);
        }
        for (int t = 0; t < kTextures; ++t) {
            texels[t].resize(kTextureSize * kTextureSize);
            for (int i = 0; i < kTextureSize * kTextureSize; ++i)
                texels[t][i] = 0xFF000000 | ((i * 37 + t * 90) & 0xFF) << 16 | ((i * 11) & 0xFF) << 8 | (t * 60);
        }
        const D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 10), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 3, 4.0f / 3.0f, 0.1f, 1000.0f);
        std::memset(materials, 0, sizeof(materials));
        materials[0].Diffuse = {1.0f, 0.8f, 0.6f, 1.0f};
        materials[0].Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        materials[1].Diffuse = {0.6f, 0.8f, 1.0f, 1.0f};
        materials[1].Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        std::memset(&light, 0, sizeof(light));
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        light.Direction = {0.5f, -1.5f, 1.0f};
    }
};

const Scene& TheScene()
{
    static const Scene scene;
    return scene;
}

LRESULT CALLBACK BenchWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND TheWindow()
{
    static const HWND window = [] {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = BenchWindowProc;
        windowClass.lpszClassName = "KelmBenchWindow";
        RegisterClassA(&windowClass);
        RECT rect = {0, 0, static_cast<LONG>(kWidth), static_cast<LONG>(kHeight)};
        const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        AdjustWindowRect(&rect, style, FALSE);
        return CreateWindowExA(0, "KelmBenchWindow", "bench", style, CW_USEDEFAULT, CW_USEDEFAULT,
                               rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
    }();
    return window;
}

int CountLit(const uint32_t* pixels, size_t count)
{
    int lit = 0;
    for (size_t i = 0; i < count; ++i)
        lit += (pixels[i] & 0x00FFFFFF) != 0 ? 1 : 0;
    return lit;
}

// ---------------------------------------------------------------------------
// Through the stand-in, as the game's opaque batch draws.

struct D3DPath {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    IDirect3DTexture8* textures[kTextures] = {};

    bool Create()
    {
        const Scene& scene = TheScene();
        // A device that draws, whatever the benchmarks run before this one
        // asked of the stand-in (the effect and particle ones want devices
        // of state only).
        D3D8Platform::ResetTestHooks();
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_COPY;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.EnableAutoDepthStencil = TRUE;
        parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
        if (d3d == nullptr || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, TheWindow(),
                                                        D3DCREATE_MIXED_VERTEXPROCESSING, &parameters, &device)))
            return false;
        const UINT vertexBytes = static_cast<UINT>(scene.vertices.size() * sizeof(LitVertex));
        const UINT indexBytes = static_cast<UINT>(scene.indices.size() * sizeof(uint16_t));
        device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, kFvfLit, D3DPOOL_MANAGED, &vertices);
        device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices);
        BYTE* data = nullptr;
        vertices->Lock(0, 0, &data, 0);
        std::memcpy(data, scene.vertices.data(), vertexBytes);
        vertices->Unlock();
        indices->Lock(0, 0, &data, 0);
        std::memcpy(data, scene.indices.data(), indexBytes);
        indices->Unlock();
        for (int t = 0; t < kTextures; ++t) {
            device->CreateTexture(kTextureSize, kTextureSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &textures[t]);
            D3DLOCKED_RECT locked;
            textures[t]->LockRect(0, &locked, nullptr, 0);
            std::memcpy(locked.pBits, scene.texels[t].data(), scene.texels[t].size() * 4);
            textures[t]->UnlockRect(0);
        }
        // The Object3D block's states.
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, kAmbient);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device->SetTransform(D3DTS_VIEW, &scene.view);
        device->SetTransform(D3DTS_PROJECTION, &scene.projection);
        device->SetLight(0, &scene.light);
        device->LightEnable(0, TRUE);
        return true;
    }

    void Frame()
    {
        const Scene& scene = TheScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetVertexShader(kFvfLit);
        device->SetStreamSource(0, vertices, sizeof(LitVertex));
        device->SetIndices(indices, 0);
        const UINT vertexCount = static_cast<UINT>(scene.vertices.size());
        const UINT triangles = static_cast<UINT>(scene.indices.size() / 3);
        for (int i = 0; i < kDraws; ++i) {
            device->SetTexture(0, textures[i % kTextures]);
            if (i % kMaterialEvery == 0)
                device->SetMaterial(&scene.materials[(i / kMaterialEvery) & 1]);
            device->SetTransform(D3DTS_WORLD, &scene.worlds[i]);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, 0, triangles);
        }
        device->EndScene();
        glFinish();
    }

    // Pixels the frame covered.
    int LitPixels() const
    {
        IDirect3DSurface8* target = nullptr;
        device->GetRenderTarget(&target);
        D3DLOCKED_RECT locked;
        target->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        const int lit = CountLit(static_cast<const uint32_t*>(locked.pBits), kWidth * kHeight);
        target->UnlockRect();
        target->Release();
        return lit;
    }
};

// ---------------------------------------------------------------------------
// The same frame written directly against OpenGL.

const char* const kVertexShader = R"(#version 330
layout(location = 0) in vec3 a_Position;
layout(location = 1) in vec3 a_Normal;
layout(location = 5) in vec2 a_TexCoord;
uniform mat4 u_WorldView;
uniform mat4 u_Projection;
uniform vec3 u_Light;
uniform vec4 u_Diffuse;
uniform vec3 u_Ambient;
out vec4 v_Colour;
out vec2 v_TexCoord;
void main()
{
    vec4 eye = u_WorldView * vec4(a_Position, 1.0);
    gl_Position = u_Projection * eye;
    vec3 normal = normalize(mat3(u_WorldView) * a_Normal);
    float lambert = max(dot(normal, u_Light), 0.0);
    v_Colour = vec4(clamp(u_Ambient + u_Diffuse.rgb * lambert, 0.0, 1.0), u_Diffuse.a);
    v_TexCoord = a_TexCoord;
}
)";

const char* const kFragmentShader = R"(#version 330
in vec4 v_Colour;
in vec2 v_TexCoord;
uniform sampler2D u_Texture;
out vec4 o_Colour;
void main()
{
    o_Colour = texture(u_Texture, v_TexCoord) * v_Colour;
}
)";

// The fixed-function light of the device's frame as the shader takes it: the
// direction towards the light in view space, and the ambient render state
// times a material's ambient colour.
D3DXVECTOR3 TowardsLightInView(const Scene& scene)
{
    const D3DXVECTOR3 direction(scene.light.Direction.x, scene.light.Direction.y, scene.light.Direction.z);
    D3DXVECTOR3 inView;
    D3DXVec3TransformNormal(&inView, &direction, &scene.view);
    D3DXVECTOR3 towards = -inView;
    D3DXVec3Normalize(&towards, &towards);
    return towards;
}

void AmbientOf(const D3DMATERIAL8& material, float rgb[3])
{
    const float level[3] = {((kAmbient >> 16) & 0xFF) / 255.0f, ((kAmbient >> 8) & 0xFF) / 255.0f,
                            (kAmbient & 0xFF) / 255.0f};
    rgb[0] = level[0] * material.Ambient.r;
    rgb[1] = level[1] * material.Ambient.g;
    rgb[2] = level[2] * material.Ambient.b;
}

// The bindings the direct side changes and gives back; the rest of the fixed
// state goes through the attribute stack.
struct SavedBindings {
    GLint framebuffer = 0;
    GLint vertexArray = 0;
    GLint program = 0;
    GLint sampler = 0;
    GLint texture = 0;
    GLint clipOrigin = 0;
    GLint clipDepth = 0;

    void Save()
    {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetIntegerv(GL_CLIP_ORIGIN, &clipOrigin);
        glGetIntegerv(GL_CLIP_DEPTH_MODE, &clipDepth);
    }
    void Restore() const
    {
        glClipControl(static_cast<GLenum>(clipOrigin), static_cast<GLenum>(clipDepth));
        glBindTextureUnit(0, static_cast<GLuint>(texture));
        glBindSampler(0, static_cast<GLuint>(sampler));
        glBindVertexArray(static_cast<GLuint>(vertexArray));
        glUseProgram(static_cast<GLuint>(program));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
        glPopAttrib();
    }
};

struct GlPath {
    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint buffers[2] = {};
    GLuint textures[kTextures] = {};
    GLuint sampler = 0;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    GLint worldView = -1;
    GLint projection = -1;
    GLint towardsLight = -1;
    GLint diffuse = -1;
    GLint ambient = -1;

    static GLuint Compile(GLenum kind, const char* source)
    {
        const GLuint shader = glCreateShader(kind);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        return shader;
    }

    bool Create()
    {
        if (!Win32Platform::MakeGLCurrent(TheWindow()))
            return false;
        const Scene& scene = TheScene();
        program = glCreateProgram();
        glAttachShader(program, Compile(GL_VERTEX_SHADER, kVertexShader));
        glAttachShader(program, Compile(GL_FRAGMENT_SHADER, kFragmentShader));
        glLinkProgram(program);
        worldView = glGetUniformLocation(program, "u_WorldView");
        projection = glGetUniformLocation(program, "u_Projection");
        towardsLight = glGetUniformLocation(program, "u_Light");
        diffuse = glGetUniformLocation(program, "u_Diffuse");
        ambient = glGetUniformLocation(program, "u_Ambient");

        glCreateVertexArrays(1, &vertexArray);
        glCreateBuffers(2, buffers);
        glNamedBufferData(buffers[0], scene.vertices.size() * sizeof(LitVertex), scene.vertices.data(),
                          GL_STATIC_DRAW);
        glNamedBufferData(buffers[1], scene.indices.size() * sizeof(uint16_t), scene.indices.data(), GL_STATIC_DRAW);
        glVertexArrayVertexBuffer(vertexArray, 0, buffers[0], 0, sizeof(LitVertex));
        glVertexArrayElementBuffer(vertexArray, buffers[1]);
        const GLuint attributes[3] = {0, 1, 5};
        const GLint sizes[3] = {3, 3, 2};
        const GLuint offsets[3] = {0, 12, 24};
        for (int i = 0; i < 3; ++i) {
            glEnableVertexArrayAttrib(vertexArray, attributes[i]);
            glVertexArrayAttribFormat(vertexArray, attributes[i], sizes[i], GL_FLOAT, GL_FALSE, offsets[i]);
            glVertexArrayAttribBinding(vertexArray, attributes[i], 0);
        }
        glCreateTextures(GL_TEXTURE_2D, kTextures, textures);
        for (int t = 0; t < kTextures; ++t) {
            glTextureStorage2D(textures[t], 1, GL_RGBA8, kTextureSize, kTextureSize);
            glTextureSubImage2D(textures[t], 0, 0, 0, kTextureSize, kTextureSize, GL_BGRA,
                                GL_UNSIGNED_INT_8_8_8_8_REV, scene.texels[t].data());
        }
        // The device's stage 0: linear filtering, wrapped addressing.
        glCreateSamplers(1, &sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glCreateFramebuffers(1, &framebuffer);
        glCreateTextures(GL_TEXTURE_2D, 1, &colour);
        glTextureStorage2D(colour, 1, GL_RGB8, kWidth, kHeight);
        glCreateRenderbuffers(1, &depth);
        glNamedRenderbufferStorage(depth, GL_DEPTH24_STENCIL8, kWidth, kHeight);
        glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, colour, 0);
        glNamedFramebufferRenderbuffer(framebuffer, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
        return true;
    }

    // Every state the frame draws with, as the device's frame has it.
    void SetState() const
    {
        const Scene& scene = TheScene();
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
        glViewport(0, 0, kWidth, kHeight);
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_STENCIL_TEST);
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glFrontFace(GL_CCW);
        glBindSampler(0, sampler);
        glUseProgram(program);
        glBindVertexArray(vertexArray);
        glUniformMatrix4fv(projection, 1, GL_FALSE, &scene.projection._11);
        const D3DXVECTOR3 towards = TowardsLightInView(scene);
        glUniform3f(towardsLight, towards.x, towards.y, towards.z);
    }

    void Frame()
    {
        const Scene& scene = TheScene();
        SavedBindings saved;
        saved.Save();
        SetState();
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const GLsizei indexCount = static_cast<GLsizei>(scene.indices.size());
        for (int i = 0; i < kDraws; ++i) {
            glBindTextureUnit(0, textures[i % kTextures]);
            if (i % kMaterialEvery == 0) {
                const D3DMATERIAL8& material = scene.materials[(i / kMaterialEvery) & 1];
                float rgb[3];
                AmbientOf(material, rgb);
                glUniform4fv(diffuse, 1, &material.Diffuse.r);
                glUniform3fv(ambient, 1, rgb);
            }
            const D3DXMATRIX matrix = scene.worlds[i] * scene.view;
            glUniformMatrix4fv(worldView, 1, GL_FALSE, &matrix._11);
            glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr);
        }
        glFinish();
        saved.Restore();
    }

    int LitPixels() const
    {
        std::vector<uint32_t> pixels(kWidth * kHeight);
        glGetTextureImage(colour, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.size() * 4, pixels.data());
        return CountLit(pixels.data(), pixels.size());
    }
};

// The GL state the direct side touches, read back. The device sends OpenGL
// only what it changed itself, so anything the direct side left behind would
// go into the device's next frame.
struct GlStateQuery {
    enum Kind { Integers, Floats, Enabled };
    GLenum name;
    int count;
    Kind kind;
};

const GlStateQuery kGivenBack[] = {
    {GL_DRAW_FRAMEBUFFER_BINDING, 1, GlStateQuery::Integers},
    {GL_READ_FRAMEBUFFER_BINDING, 1, GlStateQuery::Integers},
    {GL_VERTEX_ARRAY_BINDING, 1, GlStateQuery::Integers},
    {GL_ARRAY_BUFFER_BINDING, 1, GlStateQuery::Integers},
    {GL_CURRENT_PROGRAM, 1, GlStateQuery::Integers},
    {GL_ACTIVE_TEXTURE, 1, GlStateQuery::Integers},
    {GL_TEXTURE_BINDING_2D, 1, GlStateQuery::Integers},
    {GL_SAMPLER_BINDING, 1, GlStateQuery::Integers},
    {GL_CLIP_ORIGIN, 1, GlStateQuery::Integers},
    {GL_CLIP_DEPTH_MODE, 1, GlStateQuery::Integers},
    {GL_VIEWPORT, 4, GlStateQuery::Integers},
    {GL_DEPTH_FUNC, 1, GlStateQuery::Integers},
    {GL_DEPTH_WRITEMASK, 1, GlStateQuery::Integers},
    {GL_COLOR_WRITEMASK, 4, GlStateQuery::Integers},
    {GL_CULL_FACE_MODE, 1, GlStateQuery::Integers},
    {GL_FRONT_FACE, 1, GlStateQuery::Integers},
    {GL_POLYGON_MODE, 2, GlStateQuery::Integers},
    {GL_COLOR_CLEAR_VALUE, 4, GlStateQuery::Floats},
    {GL_DEPTH_CLEAR_VALUE, 1, GlStateQuery::Floats},
    {GL_DEPTH_TEST, 1, GlStateQuery::Enabled},
    {GL_BLEND, 1, GlStateQuery::Enabled},
    {GL_ALPHA_TEST, 1, GlStateQuery::Enabled},
    {GL_STENCIL_TEST, 1, GlStateQuery::Enabled},
    {GL_SCISSOR_TEST, 1, GlStateQuery::Enabled},
    {GL_CULL_FACE, 1, GlStateQuery::Enabled},
};

// Every value of kGivenBack in order, floats as their bits.
std::vector<uint32_t> ReadGivenBackState()
{
    std::vector<uint32_t> values;
    for (const GlStateQuery& query : kGivenBack) {
        GLint integers[4] = {};
        GLfloat floats[4] = {};
        if (query.kind == GlStateQuery::Integers)
            glGetIntegerv(query.name, integers);
        else if (query.kind == GlStateQuery::Floats)
            glGetFloatv(query.name, floats);
        else
            integers[0] = glIsEnabled(query.name);
        for (int i = 0; i < query.count; ++i) {
            uint32_t bits = static_cast<uint32_t>(integers[i]);
            if (query.kind == GlStateQuery::Floats)
                std::memcpy(&bits, &floats[i], sizeof(bits));
            values.push_back(bits);
        }
    }
    return values;
}

bool NoRasteriser()
{
    const char* noop = std::getenv("GALLIUM_NOOP");
    return noop != nullptr && std::strcmp(noop, "0") != 0;
}

D3DPath& TheD3DPath()
{
    static D3DPath path;
    static const bool created = path.Create();
    (void)created;
    return path;
}

GlPath& TheGlPath()
{
    static GlPath path;
    static const bool created = path.Create();
    (void)created;
    return path;
}

// True when the counts of lit pixels are within the tolerance of each other.
bool LitPixelsAgree(int a, int b)
{
    const int larger = a > b ? a : b;
    const int difference = a > b ? a - b : b - a;
    return static_cast<int64_t>(difference) * 100 <= static_cast<int64_t>(larger) * kLitPixelTolerancePercent;
}

// One frame of the direct side; false (and the run fails) when it left any
// GL state it touches other than it found it.
bool DirectFrameGaveBackState(benchmark::State& state)
{
    const std::vector<uint32_t> before = ReadGivenBackState();
    TheGlPath().Frame();
    if (ReadGivenBackState() == before)
        return true;
    state.SkipWithError("the direct side did not give back the GL state it changed");
    return false;
}

// After a side's timed frames, whose last picture covered `ownLit` pixels:
// one frame of the direct side, then one of the device. Both must draw, draw
// the same scene and leave the device's picture as it was; otherwise the run
// fails instead of reporting a time. The no-op driver draws nothing, so there
// only the state is checked.
void CheckBothSidesDrew(benchmark::State& state, int ownLit, bool ownIsDevice)
{
    D3DPath& device = TheD3DPath();
    GlPath& direct = TheGlPath();
    if (!DirectFrameGaveBackState(state) || NoRasteriser())
        return;
    const int directLit = direct.LitPixels();
    device.Frame();
    const int deviceLit = device.LitPixels();
    state.counters["lit_pixels"] = ownLit;
    if (ownLit == 0 || directLit == 0 || deviceLit == 0)
        state.SkipWithError("a side drew nothing");
    else if (!LitPixelsAgree(deviceLit, directLit))
        state.SkipWithError("the two sides drew different pictures");
    else if (ownLit != (ownIsDevice ? deviceLit : directLit))
        state.SkipWithError("a side's picture changed after the other side drew");
}

void BM_LitTexturedDrawsThroughDirect3D(benchmark::State& state)
{
    D3DPath& path = TheD3DPath();
    if (path.device == nullptr) {
        state.SkipWithError("no Direct3D device");
        return;
    }
    path.Frame(); // shaders are built on first use
    for (auto _ : state)
        path.Frame();
    state.SetItemsProcessed(state.iterations() * kDraws);
    CheckBothSidesDrew(state, NoRasteriser() ? 0 : path.LitPixels(), true);
}

void BM_LitTexturedDrawsDirectlyInGl(benchmark::State& state)
{
    // The device first, so both paths share its context.
    TheD3DPath();
    GlPath& path = TheGlPath();
    if (path.program == 0) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    if (!DirectFrameGaveBackState(state))
        return;
    for (auto _ : state)
        path.Frame();
    state.SetItemsProcessed(state.iterations() * kDraws);
    CheckBothSidesDrew(state, NoRasteriser() ? 0 : path.LitPixels(), false);
}

void RegisterDrawBenchmark(const std::string& name, void (*run)(benchmark::State&))
{
    if (!NoRasteriser()) {
        benchmark::RegisterBenchmark(name.c_str(), run)->Unit(benchmark::kMillisecond)->MinTime(kMinSeconds);
        return;
    }
    benchmark::RegisterBenchmark((name + "/NoRasteriser").c_str(), run)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(kNoRasteriserMinSeconds)
        ->Repetitions(kNoRasteriserRepetitions);
}

const bool kRegistered = [] {
    RegisterDrawBenchmark("BM_LitTexturedDrawsThroughDirect3D", BM_LitTexturedDrawsThroughDirect3D);
    RegisterDrawBenchmark("BM_LitTexturedDrawsDirectlyInGl", BM_LitTexturedDrawsDirectlyInGl);
    return true;
}();

} // namespace
