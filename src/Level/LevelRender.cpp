// The level's three drawing steps of a frame: the queueing (once per pass),
// the mirrored view into the reflection texture, and the main view with the
// water drawn only where the stencil marks it.

#include "Level/Level.h"

#include <algorithm>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/Weapon.h"
#include "Collision/CollisionObject.h"
#include "Core/Game.h"
#include "Core/StepTrace.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/Occ_HOM.h"
#include "Display/RenderQueue.h"
#include "Display/RenderStates.h"
#include "Display/SkyBox.h"
#include "Core/AssetManager.h"
#include "Effects/Effect.h"
#include "Effects/LensFlare.h"
#include "Game/CellPhone.h"
#include "Game/HUD.h"
#include "Game/MissionManager.h"
#include "Level/BuildingObject.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/Terrain.h"
#include "Level/WaterGrid.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxScene.h"

namespace {

const int REFLECTION_SIZE = 256;
// Geometry up to this far above the water is clipped out of the reflection.
const float CLIP_ABOVE_WATER = 0.1f;
const UINT PARTICLE_VERTEX_STRIDE = 20;
const DWORD STENCIL_MARK = 1;
const DWORD STENCIL_ALL_BITS = 0xFFFFFFFF;
const DWORD WATER_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// An actor is culled by a cube about its origin this far out at least (its
// collision radius when larger): a figure's reach whether it stands or lies.
const float ACTOR_MIN_REACH = 2.0f;

void Check(HRESULT result, const char* text)
{
    CheckD3DResult(result, __FILE__, __LINE__, text);
}

void SetWorldIdentity(IDirect3DDevice8* device)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
}

// Every state block may reset the clip plane, so each one is followed by this.
void SetClipPlane(IDirect3DDevice8* device, const D3DXPLANE& plane)
{
    Check(device->SetClipPlane(0, &plane.a), "g_Display.GetD3DDevice()->SetClipPlane(0,(f32*)&Plane.a)");
    Check(device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0),
          "g_Display.GetD3DDevice()->SetRenderState(D3DRS_CLIPPLANEENABLE,D3DCLIPPLANE0)");
}

// The view times the device's projection.
D3DXMATRIX ViewProjection(const D3DXMATRIX& view)
{
    D3DXMATRIX projection;
    g_Display.GetD3DDevice()->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMATRIX viewProjection;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    return viewProjection;
}

void StoreCullViewProj(const D3DXMATRIX& view)
{
    g_CullViewProj = ViewProjection(view);
}

// The cells the pass's view (the mirror's, or the camera's) cannot see are
// left out.
void DrawTerrainAroundCamera(const CTerrain* terrain, const CTerrain::Culling* culling = nullptr)
{
    CTerrain::Cell cell;
    if (terrain != nullptr && terrain->GetCell(g_pActiveCamera->GetPosition(), cell))
        terrain->Render(cell, culling);
}

// True when no part of the actor can show through `viewProjection` above `clip`.
bool IsActorOutsideView(const CGameActor& actor, const D3DXMATRIX& viewProjection, const D3DXPLANE* clip)
{
    const float reach = std::max(actor.m_CollisionObject.GetScaledRadius(), ACTOR_MIN_REACH);
    const D3DXVECTOR3 lo(-reach, -reach, -reach);
    const D3DXVECTOR3 hi(reach, reach, reach);
    const D3DXMATRIX& world = actor.m_Model.m_matWorld;
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, world._41, world._42, world._43);
    const COccBoxRecord box = {&lo, &hi, &at};
    return IsBoxOutsideView(box, viewProjection, clip);
}

void DrawParticles(IDirect3DDevice8* device, const D3DXPLANE* clip)
{
    SetWorldIdentity(device);
    CStateBlocks::ApplyParticle();
    if (clip != nullptr)
        SetClipPlane(device, *clip);
    device->SetStreamSource(0, g_vbParticles, PARTICLE_VERTEX_STRIDE);
    g_RenderQueue.DrawParticles2();
    g_RenderQueue.DrawParticles1();
    CStateBlocks::ApplyParticleBlack();
    if (clip != nullptr)
        SetClipPlane(device, *clip);
    SetWorldIdentity(device);
    g_RenderQueue.DrawParticles2Black();
    g_RenderQueue.DrawParticles1Black();
}

// The water and the sprites share these: textures mirrored at their edges,
// unlit (the quads carry no normals, so light would leave them black),
// two-sided, tested against the depth but never writing it.
void ApplyUnlitQuadStates(IDirect3DDevice8* device)
{
    CStateBlocks::ApplyTransObject3D();
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
    device->SetVertexShader(WATER_FVF);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
}

// The water shows only where the mask holds its mark.
void ApplyWaterStates(IDirect3DDevice8* device)
{
    ApplyUnlitQuadStates(device);
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILREF, STENCIL_MARK);
    device->SetRenderState(D3DRS_STENCILMASK, STENCIL_ALL_BITS);
    device->SetRenderState(D3DRS_STENCILWRITEMASK, STENCIL_ALL_BITS);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
}

// The mask: the water planes mark the stencil and leave the colour as it is.
void ApplyWaterMaskStates(IDirect3DDevice8* device)
{
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILREF, STENCIL_MARK);
    device->SetRenderState(D3DRS_STENCILMASK, STENCIL_ALL_BITS);
    device->SetRenderState(D3DRS_STENCILWRITEMASK, STENCIL_ALL_BITS);
    device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

// A release cannot fail: the text only names it in the log.
void ReleaseSurface(IDirect3DSurface8*& surface)
{
    if (surface == nullptr)
        return;
    surface->Release();
    surface = nullptr;
}

} // namespace

bool CLevel::GetMirrorPlane(D3DXPLANE& mirror) const
{
    if (m_WaterPlanes.empty())
        return false;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 point = m_WaterPlanes.front()->GetPosition();
    D3DXPlaneFromPointNormal(&mirror, &point, &up);
    return true;
}

bool CLevel::GetReflectionClipPlane(D3DXPLANE& clip) const
{
    if (!GetMirrorPlane(clip))
        return false;
    clip.d -= CLIP_ABOVE_WATER;
    return true;
}

// Any water plane whose mesh reaches into the main view. A plane the view
// cannot see marks no pixel, so its frame needs no reflection.
bool CLevel::IsWaterInView(const D3DXMATRIX& viewProjection) const
{
    for (const std::unique_ptr<CWaterPlane>& water : m_WaterPlanes)
        if (water->IsInView(viewProjection))
            return true;
    return false;
}

void CLevel::GetWaterScreenHeights(const D3DXMATRIX& viewProjection, float& low, float& high) const
{
    low = 1.0f;
    high = -1.0f;
    for (const std::unique_ptr<CWaterPlane>& water : m_WaterPlanes) {
        float planeLow = 0.0f;
        float planeHigh = 0.0f;
        if (!water->IsInView(viewProjection))
            continue;
        if (!water->GetScreenHeights(viewProjection, planeLow, planeHigh)) {
            low = -1.0f;
            high = 1.0f;
            return;
        }
        low = std::min(low, planeLow);
        high = std::max(high, planeHigh);
    }
}

bool CLevel::GetMirroredView(D3DXMATRIX& view) const
{
    D3DXPLANE mirror;
    if (!GetMirrorPlane(mirror))
        return false;
    D3DXMATRIX reflect;
    D3DXMatrixReflect(&reflect, &mirror);
    D3DXMatrixMultiply(&view, &reflect, &g_pActiveCamera->GetViewMatrix());
    return true;
}

void CLevel::QueueRender(ERenderPass pass)
{
    TraceStep("CLevel::QueueRender");
    D3DXMATRIX view;
    g_Display.GetD3DDevice()->GetTransform(D3DTS_VIEW, &view);
    StoreCullViewProj(view);
    // Under the water nothing is mirrored.
    D3DXPLANE clip;
    const bool mirrored = pass == RENDER_PASS_REFLECTION && GetReflectionClipPlane(clip);
    SetCullClipPlane(mirrored ? &clip : nullptr);
    for (CCar* car : m_ActiveCars)
        car->Draw();
    for (CLevelObject* object : m_ActiveObjects)
        object->QueueRender(pass);
    for (const std::unique_ptr<CBuildingObject>& building : m_Buildings)
        building->QueueRender(pass);
    for (const std::unique_ptr<CWeapon>& weapon : m_Weapons)
        weapon->Draw();
    m_Projectiles.Draw();
    g_MissionManager.Draw(pass);
}

void CLevel::DrawActors(ERenderPass pass, const D3DXMATRIX* cullViewProj, const D3DXPLANE* clip)
{
    const auto culled = [&](const CGameActor* actor) {
        return cullViewProj != nullptr && actor != nullptr && IsActorOutsideView(*actor, *cullViewProj, clip);
    };
    for (CAIControllerSet* agent : m_Agents)
        if (!culled(agent->GetActor()))
            agent->Draw(pass == RENDER_PASS_MAIN);
    if (g_PlayerActor != nullptr && !culled(g_PlayerActor))
        g_PlayerActor->Draw();
    g_RenderQueue.DrawOpaque();
    g_RenderQueue.DrawOpaqueCars();
}

void CLevel::DrawFlares(const D3DXMATRIX& view, int width, int height)
{
    CStateBlocks::ApplySunFlare();
    SetWorldIdentity(g_Display.GetD3DDevice());
    D3DXMATRIX projection;
    g_Display.GetD3DDevice()->GetTransform(D3DTS_PROJECTION, &projection);
    for (const std::unique_ptr<CLensFlare>& flare : m_LensFlares)
        flare->Render(projection, view, flare->m_vPosition, width, height, 0);
}

void CLevel::RenderReflection()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    D3DXPLANE mirror;
    // Without a target there is nothing to draw into; without water no
    // mirror; without a camera no view to mirror.
    if (m_iWaterCount == 0 || g_RenderReflection == nullptr || device == nullptr || g_pActiveCamera == nullptr ||
        !GetMirrorPlane(mirror))
        return;
    TraceStep("CLevel::RenderReflection");
    IDirect3DSurface8* oldDepth = nullptr;
    IDirect3DSurface8* oldTarget = nullptr;
    IDirect3DSurface8* target = nullptr;
    Check(device->GetDepthStencilSurface(&oldDepth), "pD3DDevice->GetDepthStencilSurface( &pOldDepthSurf)");
    Check(device->GetRenderTarget(&oldTarget), "pD3DDevice->GetRenderTarget(&pOldRenderTarget)");
    Check(g_RenderReflection->GetSurfaceLevel(0, &target),
          "g_RenderReflection->GetSurfaceLevel( 0,&pMiniMapRenderTargetSurf)");
    Check(device->SetRenderTarget(target, oldDepth), "pD3DDevice->SetRenderTarget( pMiniMapRenderTargetSurf,pOldDepthSurf )");
    Check(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0),
          "pD3DDevice->Clear( 0,NULL,D3DCLEAR_TARGET|D3DCLEAR_ZBUFFER,0x00000000,1.0f,0 )");
    Check(device->BeginScene(), "pD3DDevice->BeginScene()");

    D3DXMATRIX mirroredView;
    GetMirroredView(mirroredView);
    D3DXPLANE clip;
    GetReflectionClipPlane(clip);
    SetClipPlane(device, clip);

    if (m_pSkyBox != nullptr) {
        CStateBlocks::ApplySkyBox();
        SetClipPlane(device, clip);
        Check(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE),
              "g_Display.GetD3DDevice()->SetRenderState(D3DRS_CULLMODE,D3DCULL_NONE)");
        m_pSkyBox->Render(mirroredView);
    }
    DrawFlares(mirroredView, REFLECTION_SIZE, REFLECTION_SIZE);
    SetClipPlane(device, clip);

    device->SetTransform(D3DTS_VIEW, &mirroredView);
    StoreCullViewProj(mirroredView);

    CStateBlocks::ApplyObject3D();
    SetClipPlane(device, clip);
    // The mirror turns the winding over.
    Check(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW),
          "g_Display.GetD3DDevice()->SetRenderState(D3DRS_CULLMODE,D3DCULL_CW)");
    SetClipPlane(device, clip);
    DrawActors(RENDER_PASS_REFLECTION, &g_CullViewProj, &clip);
    const CTerrain::Culling mirrorSees = {g_CullViewProj, &clip};
    DrawTerrainAroundCamera(m_pTerrain, &mirrorSees);

    DrawParticles(device, &clip);

    CStateBlocks::ApplyTransObject3D();
    SetClipPlane(device, clip);
    g_RenderQueue.DrawTransparent();

    Check(device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0),
          "g_Display.GetD3DDevice()->SetRenderState(D3DRS_CLIPPLANEENABLE,0)");
    Check(device->EndScene(), "pD3DDevice->EndScene()");
    Check(device->SetRenderTarget(oldTarget, oldDepth), "pD3DDevice->SetRenderTarget( pOldRenderTarget,pOldDepthSurf )");
    ReleaseSurface(target);
    ReleaseSurface(oldTarget);
    ReleaseSurface(oldDepth);
}

void CLevel::Render()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || g_pActiveCamera == nullptr)
        return;
    TraceStep("CLevel::Render");
    const D3DXMATRIX& view = g_pActiveCamera->GetViewMatrix();
    if (m_pSkyBox != nullptr) {
        CStateBlocks::ApplySkyBox();
        m_pSkyBox->Render(view);
        const CDisplayMode& mode = g_Display.GetCurrentMode();
        DrawFlares(view, mode.Width, mode.Height);
    }
    device->SetTransform(D3DTS_VIEW, &view);

    CStateBlocks::ApplyObject3D();
    DrawActors(RENDER_PASS_MAIN, nullptr, nullptr);
    const D3DXMATRIX viewProjection = ViewProjection(view);
    const CTerrain::Culling cameraSees = {viewProjection, nullptr};
    DrawTerrainAroundCamera(m_pTerrain, &cameraSees);

    ApplyWaterMaskStates(device);
    m_iWaterCount = 0;
    CTerrain::Cell cell;
    if (m_pTerrain != nullptr && m_pTerrain->GetCell(g_pActiveCamera->GetPosition(), cell))
        m_iWaterCount = m_pTerrain->RenderCellObjects(cell);
    if (m_iWaterCount != 0 && !IsWaterInView(viewProjection))
        m_iWaterCount = 0;
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);

    DrawDebug();
    DrawParticles(device, nullptr);

    ApplyWaterStates(device);
    g_WaterGrid.UpdateRipples();
    if (m_iWaterCount != 0) {
        float low = -1.0f;
        float high = 1.0f;
        GetWaterScreenHeights(viewProjection, low, high);
        g_WaterGrid.Render(low, high);
    }

    // The effects' flashes and puffs show wherever they are, not only over
    // the water: the mask's test stays off for them.
    ApplyUnlitQuadStates(device);
    g_RenderQueue.DrawSprites();
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);

    CStateBlocks::ApplyTransObject3D();
    g_RenderQueue.DrawTransparent();

    CStateBlocks::ApplyObject2D();
    RenderLensFlares();
    g_CellPhone.Draw();
    g_HUD.Draw();
}

namespace {

// Long enough for every effect's particles and sprites to be out; the
// steps are a frame's.
const int WARM_UP_STEPS = 30;
const float WARM_UP_STEP_SECONDS = 1.0f / 30.0f;
// How far in front of the camera the effects go off: the device builds part
// of a program only for draws that reach the screen.
const float WARM_UP_DISTANCE = 10.0f;

// A running copy of every effect at `at`, some way into its course.
std::vector<std::unique_ptr<CEffect>> RunningEffectCopies(const D3DXMATRIX& at)
{
    std::vector<std::unique_ptr<CEffect>> effects;
    CAssetManager::TypeList* prototypes = g_AssetManager.FindTypeList(CEffect::CLASS_NAME);
    if (prototypes == nullptr)
        return effects;
    for (const std::unique_ptr<CAsset>& asset : prototypes->m_Assets) {
        const CEffect* prototype = dynamic_cast<const CEffect*>(asset.get());
        if (prototype == nullptr)
            continue;
        auto effect = std::make_unique<CEffect>();
        *effect = *prototype;
        effect->SetMatrix(&at);
        effect->Start();
        for (int step = 0; step < WARM_UP_STEPS; ++step)
            effect->Update(WARM_UP_STEP_SECONDS);
        effects.push_back(std::move(effect));
    }
    return effects;
}

// The pass's queue under `view`, the effects in it.
void QueuePass(CLevel& level, ERenderPass pass, const D3DXMATRIX& view,
               const std::vector<std::unique_ptr<CEffect>>& effects)
{
    g_Display.GetD3DDevice()->SetTransform(D3DTS_VIEW, &view);
    g_RenderQueue.Clear();
    level.QueueRender(pass);
    for (const std::unique_ptr<CEffect>& effect : effects)
        effect->Render();
}

} // namespace

void CLevel::WarmUpEffectDraws()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (m_bEffectDrawsWarm || device == nullptr || g_pActiveCamera == nullptr)
        return;
    m_bEffectDrawsWarm = true;
    // The camera looks along its view matrix's third column.
    const D3DXMATRIX& view = g_pActiveCamera->GetViewMatrix();
    const D3DXVECTOR3 ahead = g_pActiveCamera->GetPosition() + D3DXVECTOR3(view._13, view._23, view._33) * WARM_UP_DISTANCE;
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, ahead.x, ahead.y, ahead.z);
    const std::vector<std::unique_ptr<CEffect>> effects = RunningEffectCopies(at);

    // A whole frame as play draws it, never presented: the effects meet the
    // very states that play gives them. The mirror is drawn whether or not
    // the water is in view now.
    D3DXMATRIX mirrored;
    if (!m_WaterPlanes.empty() && GetMirroredView(mirrored)) {
        const int waterCount = m_iWaterCount;
        m_iWaterCount = 1;
        QueuePass(*this, RENDER_PASS_REFLECTION, mirrored, effects);
        RenderReflection();
        m_iWaterCount = waterCount;
    }
    QueuePass(*this, RENDER_PASS_MAIN, view, effects);
    if (g_Display.BeginScene()) {
        Render();
        g_Display.EndScene();
    }
    g_RenderQueue.Clear();
}

void CLevel::RenderLensFlares()
{
    CStateBlocks::ApplySunFlare();
    SetWorldIdentity(g_Display.GetD3DDevice());
    for (const std::unique_ptr<CLensFlare>& flare : m_LensFlares)
        flare->UpdateAndRender();
}

void CLevel::DrawCollisionTrees() const
{
    for (CLevelObject* object : m_ActiveObjects)
        object->m_CollisionObject.DebugDraw();
    for (CCar* car : m_ActiveCars)
        car->m_CollisionObject.DebugDraw();
    for (CProjectile* projectile : m_Projectiles.GetLive())
        projectile->m_CollisionObject.DebugDraw();
    for (CAIControllerSet* agent : m_Agents)
        if (agent->GetActor() != nullptr && agent->GetCar() == nullptr)
            agent->GetActor()->m_CollisionObject.DebugDraw();
    if (g_PlayerActor != nullptr)
        g_PlayerActor->m_CollisionObject.DebugDraw();
}

void CLevel::DrawBoxShapes() const
{
    for (CLevelObject* object : m_ActiveObjects)
        object->DebugDrawBoxShapes();
    for (CCar* car : m_ActiveCars)
        car->DebugDrawBoxShapes();
    for (const std::unique_ptr<CWaterPlane>& water : m_WaterPlanes)
        water->DebugDrawBoxShapes();
    for (CProjectile* projectile : m_Projectiles.GetLive())
        projectile->DebugDrawBoxShapes();
    for (CAIControllerSet* agent : m_Agents)
        if (agent->GetActor() != nullptr && agent->GetCar() == nullptr)
            agent->GetActor()->DebugDrawBoxShapes();
    if (g_PlayerActor != nullptr)
        g_PlayerActor->DebugDrawBoxShapes();
}

void CLevel::DrawPhysicsActors()
{
    const NxScene* scene = g_Physics.GetScene();
    if (scene == nullptr)
        return;
    for (NxU32 index = 0; index < scene->getNbActors(); ++index)
        DebugDrawActorShapes(scene->getActor(index));
}

void CLevel::DrawDebug()
{
    const uint32_t flags = g_Game.m_DebugFlags;
    if (flags == 0)
        return;
    CStateBlocks::ApplyLine();
    if (flags == DEBUG_COLLISION_TREES)
        DrawCollisionTrees();
    if (flags == DEBUG_PHYSICS_ACTORS)
        DrawPhysicsActors();
    if (flags == DEBUG_BOX_SHAPES)
        DrawBoxShapes();
    if (flags == DEBUG_NODE_GRAPHS) {
        g_Display.GetD3DDevice()->SetRenderState(D3DRS_ZENABLE, TRUE);
        g_RoadNodes.DrawDebug();
        g_SidewalkNodes.DrawDebug();
    }
}
