#include "Game/HUD.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Core/StepTrace.h"
#include "Display/Display.h"
#include "Display/Font2D.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/Terrain.h"
#include "Menu/MenuManager.h"
#include "platform/d3dx8/D3DX8Texture.h"
#include "platform/novodex/NxActor.h"

namespace {

const char* const HUD_SCRIPT = "Scripts\\HUD.txt";
const char* const KEYWORD_HUD_OBJECT = "HUDObject";
const char* const KEYWORD_CONVERSATION = "ConversationInterface";
const char* const KEYWORD_TEXTURE = "Texture";
const char* const KEYWORD_POSITION = "Position";
const char* const KEYWORD_SCALE = "Scale";
const char* const KEYWORD_COLOR = "Color";

// In the order of CHUD::Element.
const char* const ELEMENT_NAMES[] = {
    "RPM", "MPH", "Needle", "Map", "Position", "CheckPointDot", "WarningStar", "MapNorth", "MapAlpha",
};
static_assert(std::size(ELEMENT_NAMES) == CHUD::HUD_ELEMENT_COUNT, "one name per element");

// The needle turns about the middle of its 128-pixel dial.
const D3DXVECTOR2 NEEDLE_PIVOT(64.0f, 64.0f);

// The missions' markers of a busy frame fit without growing the list.
const size_t MARKERS_RESERVED = 64;

const char* const GAME_OVER_SCREEN = "Game Over Screen";

const int32_t ALL_CHARACTERS = -1;
const bool QUEUED = false;
const D3DCOLOR WHITE = 0xFFFFFFFF;

const float CAR_EDITOR_X = 0.4075f;
const float CAR_EDITOR_Y = 0.0f;
const char* const CAR_EDITOR_TEXT = "Car Editor Mode";

const float TIME_X = 0.023f;
const float TIME_Y = 0.0f;

const float HEALTH_X = 0.8075f;
const float HEALTH_Y = 0.0f;
const D3DCOLOR HEALTH_COLOUR = 0xFFFF0000;
const float AMMUNITION_X = 0.8475f;
const float AMMUNITION_Y = 0.06f;
const D3DXVECTOR2 WEAPON_ICON_POSITION(0.8475f, 0.03f);
const D3DXVECTOR2 WEAPON_ICON_SCALE(1.0f, 1.0f);
// Each next star stands this fraction of the screen's width further left.
const float STAR_SPACING = 0.06f;
// The most a wanted value comes to.
const int32_t MAX_STARS = 10;

const float GEAR_X = 0.1885f;
const float GEAR_Y = 0.89f;
const D3DCOLOR GEAR_COLOUR = 0xFFFFFF00;

// The dials turn from 40 degrees at rest, 0.02 degrees per revolution a
// minute and 2 degrees per mile an hour, up to 11000 revolutions a minute.
const float DEGREES_TO_RADIANS = 0.01745328f;
const float NEEDLE_REST_DEGREES = 40.0f;
const float NEEDLE_AT_REST = 0.698f;
const float MAX_ENGINE_SPEED = 11000.0f;
const float DEGREES_PER_RPM = 0.02f;
const float DEGREES_PER_MPH = 2.0f;
const float METRES_PER_SECOND_TO_MPH = 2.237f;

// The minimap. Its targets are 128 pixels square, the map turns about their
// middle and shows what lies within 60 pixels of it.
const UINT MINIMAP_SIZE = 128;
const float MINIMAP_CENTRE = 64.0f;
const float MINIMAP_RIM = 60.0f;
// The zoom: 3 at 20 and below, 1 at 90 and above.
const float ZOOM_SLOWEST = 20.0f;
const float ZOOM_PER_SPEED = 0.014285714f;
const float ZOOM_MIN = 1.0f;
const float ZOOM_MAX = 3.0f;
// Radians of the heading along -z and +z, and the map's turn for +z up.
const float HEADING_SOUTH = 4.712389f;
const float HEADING_NORTH = 1.570795f;
const float HALF_TURN = 3.14159f;
// The map picture: 512 pixels for 2800 world units; markers are measured on
// a 256-pixel scale of the same.
const float MAP_PIXELS = 512.0f;
const float MARKER_PIXELS = 256.0f;
const float PER_MAP_UNITS = 0.00035714285f;
const float PER_MARKER_UNITS = 0.0007142857f;
// Virtual pixels to screen fractions, and the offset from MapNorth's corner
// to the map's middle, less half the marker sprite.
const float PER_VIRTUAL_WIDTH = 0.0015625f;
const float PER_VIRTUAL_HEIGHT = 0.0020833334f;
const float MARKER_OFFSET_X = 0.1f - 0.00625f;
const float MARKER_OFFSET_Y = 0.133333f - 0.0083333f;

const D3DCOLOR MAP_BACKGROUND = 0xFF000000;
const D3DCOLOR MASK_BACKGROUND = 0x00000000;
const float FAR_DEPTH = 1.0f;

// The mask's quad: x, y, z, colour, u, v.
struct MaskVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
static_assert(sizeof(MaskVertex) == 24, "the layout of D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1");
const DWORD MASK_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// Four triangles of six vertices; v runs against y, so the target comes out
// upside down.
const MaskVertex MASK_STRIP[] = {
    {-1.0f, -1.0f, 1.0f, WHITE, 0.0f, 0.0f}, {1.0f, -1.0f, 1.0f, WHITE, 1.0f, 0.0f},
    {-1.0f, 1.0f, 1.0f, WHITE, 0.0f, 1.0f},  {1.0f, -1.0f, 1.0f, WHITE, 1.0f, 0.0f},
    {-1.0f, 1.0f, 1.0f, WHITE, 0.0f, 1.0f},  {1.0f, 1.0f, 1.0f, WHITE, 1.0f, 1.0f},
};
const UINT MASK_TRIANGLES = 4;

const char* const SOURCE = ".\\Game\\HUD.cpp";
const char* const CALL_CREATE_TARGET = "D3DXCreateTexture( g_Display.GetD3DDevice(),128,128,1,D3DUSAGE_RENDERTARGET,"
                                       "D3DFMT_A8R8G8B8,D3DPOOL_DEFAULT,&m_pMiniMapRenderTarget )";
const char* const CALL_CREATE_FINAL = "D3DXCreateTexture( g_Display.GetD3DDevice(),128,128,1,D3DUSAGE_RENDERTARGET,"
                                      "D3DFMT_A8R8G8B8,D3DPOOL_DEFAULT,&m_pMiniMapRenderFinal )";

// A release cannot fail; what was released is null afterwards.
template <class T>
void ReleaseAndNull(T*& object)
{
    if (object == nullptr)
        return;
    object->Release();
    object = nullptr;
}

void Check(HRESULT result, int line, const char* text)
{
    CheckD3DResult(result, SOURCE, line, text);
}

// The heading in radians from a facing's x and z: 0 along +x, a quarter
// turn along +z.
float HeadingOf(float x, float z)
{
    if (x == 0.0f)
        return z < 0.0f ? HEADING_SOUTH : HEADING_NORTH;
    const float heading = std::atan(z / x);
    return x < 0.0f ? heading + HALF_TURN : heading;
}

// The calls of one pass into a target, as the log names them.
struct TargetPassCalls {
    const char* getSurface;
    const char* setTarget;
    const char* clear;
};
const TargetPassCalls MAP_PASS_CALLS = {
    "m_pMiniMapRenderTarget->GetSurfaceLevel( 0,&pMiniMapRenderTargetSurf)",
    "pD3DDevice->SetRenderTarget( pMiniMapRenderTargetSurf,pOldDepthSurf )",
    "pD3DDevice->Clear( 0,NULL,D3DCLEAR_TARGET,0xFF000000,1.0f,0 )",
};
const TargetPassCalls MASK_PASS_CALLS = {
    "m_pMiniMapRenderFinal->GetSurfaceLevel( 0,&pMiniMapRenderFinalSurf)",
    "pD3DDevice->SetRenderTarget( pMiniMapRenderFinalSurf,pOldDepthSurf )",
    "pD3DDevice->Clear( 0,NULL,D3DCLEAR_TARGET,0x00000000,1.0f,0 )",
};

// Into `target`'s top level with the screen's depth surface, cleared, in a
// scene; false without its surface.
bool BeginTargetPass(IDirect3DDevice8* device, IDirect3DTexture8* target, IDirect3DSurface8* depth,
                     D3DCOLOR background, const TargetPassCalls& calls)
{
    IDirect3DSurface8* surface = nullptr;
    Check(target->GetSurfaceLevel(0, &surface), __LINE__, calls.getSurface);
    if (surface == nullptr)
        return false;
    Check(device->SetRenderTarget(surface, depth), __LINE__, calls.setTarget);
    ReleaseAndNull(surface);
    Check(device->Clear(0, nullptr, D3DCLEAR_TARGET, background, FAR_DEPTH, 0), __LINE__, calls.clear);
    Check(device->BeginScene(), __LINE__, "pD3DDevice->BeginScene()");
    return true;
}

// What the mask's pass changes and gives back.
struct KeptStates {
    D3DXMATRIX projection;
    DWORD cullMode = D3DCULL_CCW;
    DWORD colourOp = D3DTOP_MODULATE;
    DWORD alphaOp = D3DTOP_SELECTARG1;
};

// A stage of the mask's pass: its texture's colour, and the alpha by
// `alphaOp` of `first` (the vertex's or the stage before's) and its
// texture's; its coordinates are the vertex's only set.
void SetMaskStage(IDirect3DDevice8* device, DWORD stage, DWORD first, DWORD alphaOp)
{
    device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(stage, D3DTSS_COLORARG1, first);
    device->SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    device->SetTextureStageState(stage, D3DTSS_ALPHAOP, alphaOp);
    device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, first);
    device->SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    device->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, 0);
}

// The quad in clip space, unlit, untested, blended by its alpha: stage 0
// the mask's, stage 1 the map's colour times that alpha.
KeptStates SetMaskStates(IDirect3DDevice8* device)
{
    CStateBlocks::ApplyObject3D();
    KeptStates kept;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->GetTransform(D3DTS_PROJECTION, &kept.projection);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->GetRenderState(D3DRS_CULLMODE, &kept.cullMode);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &kept.colourOp);
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &kept.alphaOp);

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    SetMaskStage(device, 0, D3DTA_DIFFUSE, D3DTOP_SELECTARG2);
    SetMaskStage(device, 1, D3DTA_CURRENT, D3DTOP_MODULATE);
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetVertexShader(MASK_FVF);
    return kept;
}

// All but the projection, which goes back after the scene.
void RestoreStates(IDirect3DDevice8* device, const KeptStates& kept)
{
    device->SetTextureStageState(0, D3DTSS_COLOROP, kept.colourOp);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, kept.alphaOp);
    device->SetRenderState(D3DRS_CULLMODE, kept.cullMode);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

// A float's whole part as an int; out of range it stops at the ends, and
// not a number is 0.
int32_t Truncated(float value)
{
    if (std::isnan(value))
        return 0;
    const double limited = std::clamp<double>(value, INT32_MIN, INT32_MAX);
    return static_cast<int32_t>(limited);
}

IDirect3DTexture8* TextureOf(const HUDObject& element)
{
    return element.m_pTexture != nullptr ? element.m_pTexture->GetTexture() : nullptr;
}

// The length of the car body's velocity; 0 before the car has a body.
float BodySpeed(const CCar& car)
{
    const NxActor* body = car.m_PhysicsObject.m_pActor;
    return body != nullptr ? body->getLinearVelocity().magnitude() : 0.0f;
}

int FindElement(const std::string& name)
{
    for (int element = 0; element < CHUD::HUD_ELEMENT_COUNT; ++element) {
        if (IsEqualNoCase(name.c_str(), ELEMENT_NAMES[element]))
            return element;
    }
    return -1;
}

} // namespace

CHUD::CHUD()
{
    m_Elements[HUD_NEEDLE].m_vPosition = NEEDLE_PIVOT;
    m_MapMarkers.reserve(MARKERS_RESERVED);
}

void CHUD::Load(CGameActor* player)
{
    CScriptFile reader(HUD_SCRIPT);
    while (!reader.IsEndOfBuffer()) {
        if (reader.Match(KEYWORD_HUD_OBJECT)) {
            ReadElement(reader);
        } else if (reader.Match(KEYWORD_CONVERSATION)) {
            m_ConversationWindow.ReadInterface(reader);
        } else {
            // A word the HUD does not know (a property out of its order
            // among them) is passed over, so reading always ends.
            g_Log.Write(std::string(HUD_SCRIPT) + ": unknown word " + reader.PeekString() + " passed over");
            reader.NextToken();
        }
    }
    // The mark's place was written from the minimap's corner.
    m_Elements[HUD_POSITION].m_vPosition += m_Elements[HUD_MAP_NORTH].m_vPosition;
    m_pPlayer = player;
}

void CHUD::ReadElement(CDataBuffer& reader)
{
    const std::string name = reader.GetString();
    const int index = FindElement(name);
    // An element the HUD does not have still has its words read.
    HUDObject ignored;
    if (index < 0)
        g_Log.Write(std::string(HUD_SCRIPT) + ": no HUD element " + name + ", its words are passed over");
    HUDObject& element = index >= 0 ? m_Elements[index] : ignored;
    if (reader.Match(KEYWORD_TEXTURE)) {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), texture, true);
        element.m_pTexture = texture;
    }
    if (reader.Match(KEYWORD_POSITION))
        element.m_vPosition = reader.GetVector2();
    if (reader.Match(KEYWORD_SCALE))
        element.m_vScale = reader.GetVector2();
    if (reader.Match(KEYWORD_COLOR))
        element.m_Color = reader.GetInt();
}

void CHUD::AddMapMarker(const D3DXVECTOR3& worldPosition, uint32_t colour)
{
    MapMarker marker;
    marker.x = worldPosition.x;
    marker.y = worldPosition.z;
    marker.colour = colour;
    m_MapMarkers.push_back(marker);
}

void CHUD::UpdateNeedleAngles()
{
    const CCar* car = m_pPlayer != nullptr ? m_pPlayer->m_pCar : nullptr;
    if (car == nullptr) {
        m_Elements[HUD_RPM].m_fAngle = NEEDLE_AT_REST;
        m_Elements[HUD_MPH].m_fAngle = NEEDLE_AT_REST;
        return;
    }
    const float rpm = std::min(car->m_Engine.m_fEngineSpeed, MAX_ENGINE_SPEED);
    m_Elements[HUD_RPM].m_fAngle = (NEEDLE_REST_DEGREES - rpm * DEGREES_PER_RPM) * DEGREES_TO_RADIANS;
    const float mph = BodySpeed(*car) * METRES_PER_SECOND_TO_MPH;
    m_Elements[HUD_MPH].m_fAngle = (NEEDLE_REST_DEGREES - DEGREES_PER_MPH * mph) * DEGREES_TO_RADIANS;
}

void CHUD::Draw()
{
    TraceStep("CHUD::Draw");
    if (m_bVisible != 0)
        DrawShown();
    // Markers added while the HUD is hidden (the front end, a cinema, the car
    // editor) would otherwise pile up.
    m_MapMarkers.clear();
}

void CHUD::DrawShown()
{
    if (g_CarEditMode != 0) {
        DrawCarEditor();
        return;
    }
    if (m_pPlayer == nullptr)
        return;
    // The rest of this frame's HUD still shows under the screen.
    if (m_pPlayer->m_fCurrentLife <= 0.0f)
        OpenGameOverScreen();
    m_ConversationWindow.HandleInput();
    m_ConversationWindow.Advance();
    m_ConversationWindow.Draw();
    if (m_bShowTime != 0)
        g_GameTimer.DrawTime(TIME_X, TIME_Y);
    if (m_bShowMiniMap != 0)
        DrawMiniMap();
    if (m_bShowStatus != 0)
        DrawStatus();
    if (m_bShowNeedles != 0 && m_pPlayer->m_pCar != nullptr)
        DrawDials();
}

void CHUD::DrawCarEditor() const
{
    if (m_pPlayer != nullptr && m_pPlayer->m_pCar != nullptr)
        m_pPlayer->m_pCar->PrintTuning();
    g_TextMaster.TextOut(CAR_EDITOR_TEXT, CAR_EDITOR_X, CAR_EDITOR_Y, WHITE, &g_FontVerdana8, ALL_CHARACTERS, QUEUED);
}

// Without the screen the HUD only goes; either way it stays hidden until the
// menus return to play.
void CHUD::OpenGameOverScreen()
{
    m_bVisible = 0;
    g_MenuManager.OpenOverPlay(GAME_OVER_SCREEN);
}

void CHUD::DrawStatus()
{
    std::snprintf(m_HealthText, sizeof(m_HealthText), "Health %d", Truncated(m_pPlayer->m_fCurrentLife));
    g_TextMaster.TextOut(m_HealthText, HEALTH_X, HEALTH_Y, HEALTH_COLOUR, &g_FontVerdana13, ALL_CHARACTERS, QUEUED);
    if (const CWeapon* weapon = m_pPlayer->GetCurrentWeapon()) {
        std::snprintf(m_AmmunitionText, sizeof(m_AmmunitionText), "%d", Truncated(weapon->m_fAmmunition));
        g_TextMaster.TextOut(m_AmmunitionText, AMMUNITION_X, AMMUNITION_Y, WHITE, &g_FontVerdana13, ALL_CHARACTERS,
                             QUEUED);
        DrawSprite(weapon->m_pHUDIcon, WEAPON_ICON_POSITION, WEAPON_ICON_SCALE, nullptr, 0.0f, nullptr, WHITE);
    }
    DrawStars();
}

void CHUD::DrawStars() const
{
    const HUDObject& star = m_Elements[HUD_WARNING_STAR];
    const int32_t stars = std::min(Truncated(m_pPlayer->m_fWantedLevel), MAX_STARS);
    D3DXVECTOR2 position = star.m_vPosition;
    for (int32_t i = 0; i < stars; ++i) {
        DrawSprite(TextureOf(star), position, star.m_vScale, nullptr, 0.0f, nullptr, star.m_Color);
        position.x -= STAR_SPACING;
    }
}

void CHUD::DrawDials()
{
    UpdateNeedleAngles();
    DrawDial(HUD_RPM);
    DrawDial(HUD_MPH);
    // Counted from 1 on the screen; widened, as the gear is the car's to set.
    const long long gear = static_cast<long long>(m_pPlayer->m_pCar->m_Engine.m_iGear) + 1;
    std::snprintf(m_GearText, sizeof(m_GearText), "%lld", gear);
    g_TextMaster.TextOut(m_GearText, GEAR_X, GEAR_Y, GEAR_COLOUR, &g_FontVerdana13, ALL_CHARACTERS, QUEUED);
}

// The needle is drawn at the dial's corner and turned about its own
// position, which the script puts at the dial's middle.
void CHUD::DrawDial(Element dial) const
{
    const HUDObject& face = m_Elements[dial];
    const HUDObject& needle = m_Elements[HUD_NEEDLE];
    DrawSprite(TextureOf(face), face.m_vPosition, face.m_vScale, nullptr, 0.0f, nullptr, face.m_Color);
    DrawSprite(TextureOf(needle), face.m_vPosition, needle.m_vScale, nullptr, face.m_fAngle, needle.m_vPosition,
               needle.m_Color);
}

// Faster than 20 the map zooms out, down to a third of its nearest at 90:
// miles an hour in a car, the body's own units on foot.
float CHUD::MiniMapSpeed() const
{
    if (m_pPlayer->m_pCar != nullptr)
        return BodySpeed(*m_pPlayer->m_pCar) * METRES_PER_SECOND_TO_MPH;
    const NxActor* body = m_pPlayer->m_PhysicsObject.m_pActor;
    return body != nullptr ? body->getLinearVelocity().magnitude() : 0.0f;
}

void CHUD::LayOutMiniMap()
{
    if (g_pLevel != nullptr && g_pLevel->GetTerrain() != nullptr)
        m_vMapOrigin = g_pLevel->GetTerrain()->GetOrigin();
    if (m_pPlayer == nullptr)
        return;
    const float zoom =
        std::clamp(2.0f * (1.0f - (MiniMapSpeed() - ZOOM_SLOWEST) * ZOOM_PER_SPEED) + 1.0f, ZOOM_MIN, ZOOM_MAX);
    m_Elements[HUD_MAP].m_vScale = D3DXVECTOR2(zoom, zoom);

    // The placement, not the object matrix: seated, the seat turns with the car.
    const D3DXMATRIX& placement = m_pPlayer->m_Model.m_matScaledObject;
    const float heading = HeadingOf(placement._31, placement._33);
    m_Elements[HUD_POSITION].m_fAngle = heading;
    // The map turns as the markers do, so that the way the player faces is
    // up: a sprite turns clockwise on the screen, and a right turn from +z
    // (a smaller heading) must turn the map the other way.
    m_Elements[HUD_MAP_NORTH].m_fAngle = heading - HEADING_NORTH;

    const D3DXVECTOR3 player(placement._41, placement._42, placement._43);
    PlaceMarkers(heading, zoom, player);
    const float mapScale = zoom * MAP_PIXELS * PER_MAP_UNITS;
    m_Elements[HUD_MAP].m_vPosition = D3DXVECTOR2(MINIMAP_CENTRE - (player.x - m_vMapOrigin.x) * mapScale,
                                                  MINIMAP_CENTRE - (player.z - m_vMapOrigin.z) * mapScale);
}

// Each marker's world x and z become the screen point its dot is drawn at:
// turned with the map about the player, those beyond the map's edge on its rim.
void CHUD::PlaceMarkers(float heading, float zoom, const D3DXVECTOR3& player)
{
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, heading - HEADING_NORTH);
    const float markerScale = zoom * MARKER_PIXELS * PER_MARKER_UNITS;
    const D3DXVECTOR2& corner = m_Elements[HUD_MAP_NORTH].m_vPosition;
    for (MapMarker& marker : m_MapMarkers) {
        const D3DXVECTOR3 offset(marker.x - player.x, -(marker.y - player.z), 0.0f);
        D3DXVECTOR3 turned;
        D3DXVec3TransformCoord(&turned, &offset, &turn);
        D3DXVECTOR2 pixels(turned.x * markerScale, turned.y * markerScale);
        const float length = D3DXVec2Length(&pixels);
        if (length > MINIMAP_RIM)
            pixels *= MINIMAP_RIM / length;
        marker.x = pixels.x * PER_VIRTUAL_WIDTH + corner.x + MARKER_OFFSET_X;
        marker.y = pixels.y * PER_VIRTUAL_HEIGHT + corner.y + MARKER_OFFSET_Y;
    }
}

// The masked map, then the frame over it, both turned about the minimap's
// middle; the player's mark upright; the markers' dots.
void CHUD::DrawMiniMap()
{
    if (m_pMiniMapRenderFinal == nullptr || m_pMiniMapRenderTarget == nullptr)
        return;
    LayOutMiniMap();
    const HUDObject& frame = m_Elements[HUD_MAP_NORTH];
    const D3DXVECTOR2 centre(MINIMAP_CENTRE * frame.m_vScale.x, MINIMAP_CENTRE * frame.m_vScale.y);
    DrawSprite(m_pMiniMapRenderFinal, frame.m_vPosition, frame.m_vScale, nullptr, frame.m_fAngle, centre,
               frame.m_Color);
    DrawSprite(TextureOf(frame), frame.m_vPosition, frame.m_vScale, nullptr, frame.m_fAngle, centre, frame.m_Color);
    const HUDObject& mark = m_Elements[HUD_POSITION];
    DrawSprite(TextureOf(mark), mark.m_vPosition, mark.m_vScale, nullptr, 0.0f, nullptr, mark.m_Color);
    const HUDObject& dot = m_Elements[HUD_CHECKPOINT_DOT];
    for (const MapMarker& marker : m_MapMarkers) {
        const D3DXVECTOR2 point(marker.x, marker.y);
        DrawSprite(TextureOf(dot), point, dot.m_vScale, nullptr, 0.0f, nullptr, marker.colour);
    }
}

void CHUD::ReleaseMiniMapTargets()
{
    ReleaseAndNull(m_pMiniMapRenderTarget);
    ReleaseAndNull(m_pMiniMapRenderFinal);
}

void CHUD::CreateMiniMapTargets()
{
    ReleaseMiniMapTargets();
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return;
    Check(D3DXCreateTexture(device, MINIMAP_SIZE, MINIMAP_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                            D3DPOOL_DEFAULT, &m_pMiniMapRenderTarget),
          __LINE__, CALL_CREATE_TARGET);
    Check(D3DXCreateTexture(device, MINIMAP_SIZE, MINIMAP_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                            D3DPOOL_DEFAULT, &m_pMiniMapRenderFinal),
          __LINE__, CALL_CREATE_FINAL);
}

void CHUD::RenderMiniMap()
{
    TraceStep("CHUD::RenderMiniMap");
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    // A target that could not be made leaves the minimap out.
    if (device == nullptr || m_pMiniMapRenderTarget == nullptr || m_pMiniMapRenderFinal == nullptr)
        return;
    IDirect3DSurface8* oldDepth = nullptr;
    IDirect3DSurface8* oldTarget = nullptr;
    Check(device->GetDepthStencilSurface(&oldDepth), __LINE__, "pD3DDevice->GetDepthStencilSurface( &pOldDepthSurf)");
    Check(device->GetRenderTarget(&oldTarget), __LINE__, "pD3DDevice->GetRenderTarget(&pOldRenderTarget)");
    DrawMapIntoTarget(device, oldDepth);
    MaskIntoFinal(device, oldDepth);
    if (oldTarget != nullptr)
        Check(device->SetRenderTarget(oldTarget, oldDepth), __LINE__,
              "pD3DDevice->SetRenderTarget( pOldRenderTarget,pOldDepthSurf )");
    ReleaseAndNull(oldTarget);
    ReleaseAndNull(oldDepth);
}

// The map picture around the player, at the zoom, over opaque black.
void CHUD::DrawMapIntoTarget(IDirect3DDevice8* device, IDirect3DSurface8* depth)
{
    if (!BeginTargetPass(device, m_pMiniMapRenderTarget, depth, MAP_BACKGROUND, MAP_PASS_CALLS))
        return;
    const HUDObject& map = m_Elements[HUD_MAP];
    DrawSpritePixels(TextureOf(map), map.m_vPosition, map.m_vScale, nullptr, 0.0f, nullptr,
                     m_Elements[HUD_MAP_NORTH].m_Color);
    Check(device->EndScene(), __LINE__, "pD3DDevice->EndScene()");
}

// The map through the mask's alpha into the final target, upside down, so
// that +z is up in it.
void CHUD::MaskIntoFinal(IDirect3DDevice8* device, IDirect3DSurface8* depth)
{
    if (!BeginTargetPass(device, m_pMiniMapRenderFinal, depth, MASK_BACKGROUND, MASK_PASS_CALLS))
        return;
    const KeptStates kept = SetMaskStates(device);
    device->SetTexture(0, TextureOf(m_Elements[HUD_MAP_ALPHA]));
    device->SetTexture(1, m_pMiniMapRenderTarget);
    Check(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, MASK_TRIANGLES, MASK_STRIP, sizeof(MaskVertex)), __LINE__,
          "pD3DDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP,4,Verts,sizeof(VERTEX_XYZ_DIFFUSE_TEX1))");
    // The device would otherwise hold on to a target that a reset must release.
    device->SetTexture(1, nullptr);
    RestoreStates(device, kept);
    Check(device->EndScene(), __LINE__, "pD3DDevice->EndScene()");
    device->SetTransform(D3DTS_PROJECTION, &kept.projection);
}

namespace {

void ReleaseHUDMiniMap()
{
    g_HUD.ReleaseMiniMapTargets();
}

void CreateHUDMiniMap()
{
    g_HUD.CreateMiniMapTargets();
}

} // namespace

void RegisterMiniMapDeviceHooks()
{
    CDisplay::SetDeviceObjectHook(DEVICE_HOOK_MINIMAP, ReleaseHUDMiniMap, CreateHUDMiniMap);
    if (g_Display.GetD3DDevice() != nullptr)
        g_HUD.CreateMiniMapTargets();
}
