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
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Level/GameTimer.h"
#include "Menu/MenuManager.h"
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

void CHUD::RenderMiniMap()
{
    TraceStep("CHUD::RenderMiniMap");
}
