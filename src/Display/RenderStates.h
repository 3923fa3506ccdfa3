#pragma once

#include <cstdint>

#include "platform/d3dx8/D3DX8Math.h"

// The named state blocks: each kind of thing the game draws is drawn under
// one pixel block and one vertex block, built once per device (and after
// every reset) and applied in one call. A handle of 0 is a block that does
// not exist; applying it does nothing.
extern uint32_t g_u32StateBlockDefault_Pixel;
extern uint32_t g_u32StateBlockDefault_Vertex;
extern uint32_t g_u32StateBlockFont_Pixel;
extern uint32_t g_u32StateBlockFont_Vertex;
extern uint32_t g_u32StateBlockSunFlare_Pixel;
extern uint32_t g_u32StateBlockSunFlare_Vertex;
extern uint32_t g_u32StateBlockParticle_Pixel;
extern uint32_t g_u32StateBlockParticle_Vertex;
extern uint32_t g_u32StateBlockParticleBlack_Pixel;
extern uint32_t g_u32StateBlockParticleBlack_Vertex;
extern uint32_t g_u32StateBlockLine_Pixel;
extern uint32_t g_u32StateBlockLine_Vertex;
extern uint32_t g_u32StateBlockObject2D_Pixel;
extern uint32_t g_u32StateBlockObject2D_Vertex;
extern uint32_t g_u32StateBlockObject3D_Pixel;
extern uint32_t g_u32StateBlockObject3D_Vertex;
extern uint32_t g_u32StateBlockCar_Pixel;
extern uint32_t g_u32StateBlockCar_Vertex;
extern uint32_t g_u32StateBlockTransObject3D_Pixel;
extern uint32_t g_u32StateBlockTransObject3D_Vertex;
extern uint32_t g_u32StateBlockSkyBox_Pixel;
extern uint32_t g_u32StateBlockSkyBox_Vertex;
extern uint32_t g_u32StateBlockAnimatedMesh_Pixel;
extern uint32_t g_u32StateBlockAnimatedMesh_Vertex;

// The projection of the default view, which the cameras and the water read.
extern D3DXMATRIX g_matProjection;

// The operations on the named blocks, all on g_Display's device. Every
// device call that builds or deletes a block is logged, and the first one
// that fails ends the operation with false.
class CStateBlocks {
public:
    // The default view and projection, the Default block, each named block
    // followed by the Default state again, then the default light.
    static bool CreateAll();
    // Stops at the first failed deletion; every deleted handle becomes 0.
    static bool DeleteAll();

    static bool CreateDefault();
    static bool CreateFont();
    static bool CreateSunFlare();
    static bool CreateParticle();
    static bool CreateParticleBlack();
    static bool CreateLine();
    static bool CreateObject2D();
    static bool CreateObject3D();
    static bool CreateCar();
    static bool CreateTransObject3D();
    static bool CreateSkyBox();
    static bool CreateAnimatedMesh();

    static bool ApplyDefault();
    static bool ApplyObject3D();
    static bool ApplyTransObject3D();
    static bool ApplyObject2D();
    static bool ApplyFont();
    static bool ApplySkyBox();
    static bool ApplyParticle();
    static bool ApplyParticleBlack();
    static bool ApplyLine();
    static bool ApplySunFlare();
};

// The view from (0, 0, -3) at the origin and a perspective whose near plane
// has the current mode's shape.
bool SetupDefaultViewProjection();
// Light 0: a white directional light, enabled.
bool SetupDefaultLight();
