// The HUD in the whole game on the shipped content, entered into play as New
// Game enters it (without starting the introduction) and played with SDL keys
// on a steady 16 ms frame: on foot it shows the health and the time; the
// console's SETWARNING brings stars; in a sedan the dials and the gear show,
// on foot again the gear goes; SETHEALTH 0 opens "Game Over Screen" and hides
// the HUD.

#include <cstring>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Console/Console.h"
#include "Core/Game.h"
#include "Core/StepTrace.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/HUD.h"
#include "Actors/Car.h"
#include "Level/Level.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "support/FrameTime.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/StagedPlay.h"
#include "platform/novodex/NxActor.h"

namespace {

const uint32_t FRAME_MS = 16;
// A game that never finishes its script is closed after this many frames.
const int LAST_FRAME = 3000;
// A press of F as a hand makes it.
const int PRESS_FRAMES = 6;
// Frames the HUD is watched once a stage has got where it goes.
const int WATCHED_FRAMES = 5;
// A marker this far ahead lies on the minimap's rim, 60 virtual pixels above
// its middle (MapNorth's corner, 0.78 x 0.02 of the screen, plus 64).
const float MARKER_AHEAD = 500.0f;
const D3DCOLOR MARKER_COLOUR = 0xFF00FFFF;
const float RIM_X = 0.78f * 640 + 64;
const float RIM_Y = 0.02f * 480 + 64 - 60;
// Faster than 20 mph the minimap shows more than its nearest.
const float NEAREST_ZOOM = 3.0f;
const int DRIVE_FRAMES = 600;
const float STOPPED_SPEED = 1.0f;
// South of the pond (430, 240) in the town, facing north.
const D3DXVECTOR3 SOUTH_OF_POND(430.0f, 0.2f, 180.0f);
const int SETTLE_FRAMES = 10;
const int WALK_FRAMES = 90;
const int CONSOLE_COOLDOWN_FRAMES = static_cast<int>(CConsole::TOGGLE_COOLDOWN * 1000 / FRAME_MS) + 1;

// One frame's HUD as the text pass is about to draw it.
struct HUDFrame {
    std::vector<std::string> texts;
    int stars = 0;
    int dials = 0;
    int needles = 0;
    int miniMaps = 0;
    float zoom = 0.0f;
    int wantedStars = 0; // the player's wanted value, truncated
};

struct Seen {
    HUDFrame onFoot;
    std::vector<HUDFrame> wanted; // the frames after SETWARNING
    HUDFrame seated;
    uint32_t markerPixel = 0;
    float pondRowBefore = -1.0f;
    float pondRowAfter = -1.0f;
    float walkedNorth = 0.0f;
    float drivenZoom = 0.0f;
    HUDFrame outAgain;
    bool died = false;
    std::string screenAfterDeath;
    int visibleAfterDeath = -1;
    int levelStateAfterDeath = -1;
    size_t menusPushedAtDeath = 0;
    int lastStage = 0;
};

Seen s_Seen;
HUDFrame s_Current;
HUDFrame s_Last;
// Set by a stage: the next drawn HUD's pixel on the rim is read back.
bool s_ReadRim = false;

const IDirect3DTexture8* ElementTexture(CHUD::Element element)
{
    const CTexture* texture = g_HUD.GetElement(element).m_pTexture;
    return texture != nullptr ? texture->GetTexture() : nullptr;
}

void CountSprite(const SpriteDraw& draw)
{
    if (draw.m_pTexture == nullptr)
        return;
    s_Current.stars += draw.m_pTexture == ElementTexture(CHUD::HUD_WARNING_STAR) ? 1 : 0;
    s_Current.dials += draw.m_pTexture == ElementTexture(CHUD::HUD_RPM) ? 1 : 0;
    s_Current.needles += draw.m_pTexture == ElementTexture(CHUD::HUD_NEEDLE) ? 1 : 0;
    s_Current.miniMaps += draw.m_pTexture == g_HUD.GetMiniMapFinal() ? 1 : 0;
}

// The HUD's sprites are counted from its draw; its texts are read once the
// level's render (the HUD last) is over and the menus draw.
void WatchHUD(const char* step)
{
    if (std::strcmp(step, "CHUD::Draw") == 0) {
        s_Current = HUDFrame();
        s_Current.wantedStars = static_cast<int>(g_PlayerActor->m_fWantedLevel);
        return;
    }
    if (std::strcmp(step, "CMenuManager::Draw") != 0)
        return;
    for (uint32_t i = 0; i < g_TextMaster.GetQueueCount(); ++i)
        s_Current.texts.push_back(g_TextMaster.GetQueue()[i].m_pPrepared->m_Text);
    s_Current.zoom = g_HUD.GetElement(CHUD::HUD_MAP).m_vScale.x;
    s_Last = s_Current;
    if (!s_ReadRim)
        return;
    s_ReadRim = false;
    IDirect3DSurface8* target = nullptr;
    if (FAILED(g_Display.GetD3DDevice()->GetRenderTarget(&target)))
        return;
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = ReadSurface(target, width, height);
    target->Release();
    const size_t x = static_cast<size_t>(RIM_X * width / 640);
    const size_t y = static_cast<size_t>(RIM_Y * height / 480);
    if (x < width && y < height)
        s_Seen.markerPixel = pixels[y * width + x];
}

bool Shows(const HUDFrame& frame, const std::string& text)
{
    for (const std::string& shown : frame.texts)
        if (shown == text)
            return true;
    return false;
}

bool ShowsTime(const HUDFrame& frame)
{
    for (const std::string& shown : frame.texts)
        if (shown.rfind("Time: ", 0) == 0)
            return true;
    return false;
}

std::vector<SDL_Scancode> ConsoleLines(const std::vector<const char*>& lines, bool close)
{
    std::vector<SDL_Scancode> keys = {SDL_SCANCODE_GRAVE};
    for (const char* line : lines) {
        const std::vector<SDL_Scancode> typed = LineKeys(line);
        keys.insert(keys.end(), typed.begin(), typed.end());
    }
    if (close)
        keys.push_back(SDL_SCANCODE_GRAVE);
    return keys;
}

void PressF(int frame)
{
    if (frame == 0)
        PushKey(SDL_SCANCODE_F, true);
    if (frame == PRESS_FRAMES)
        PushKey(SDL_SCANCODE_F, false);
}

bool Seated()
{
    return g_PlayerActor->m_pCar != nullptr;
}

// A mission's point far along the way the player faces.
void MarkAhead()
{
    const D3DXMATRIX& placement = g_PlayerActor->m_Model.m_matScaledObject;
    D3DXVECTOR3 facing(placement._31, 0.0f, placement._33);
    D3DXVec3Normalize(&facing, &facing);
    const D3DXVECTOR3 player(placement._41, placement._42, placement._43);
    g_HUD.AddMapMarker(player + facing * MARKER_AHEAD, MARKER_COLOUR);
}

// Stands the player at `position` facing +z, at rest.
void PlacePlayerFacingNorth(const D3DXVECTOR3& position)
{
    CGameActor& player = *g_PlayerActor;
    D3DXMatrixTranslation(&player.m_Model.m_matObject, position.x, position.y, position.z);
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
    if (NxActor* body = player.m_PhysicsObject.m_pActor)
        body->setLinearVelocity(NxVec3(0.0f, 0.0f, 0.0f));
}

// The mean row of the pond's water-blue pixels in the minimap's final
// target; -1 when none shows.
float PondRow()
{
    IDirect3DSurface8* surface = nullptr;
    if (g_HUD.GetMiniMapFinal() == nullptr || FAILED(g_HUD.GetMiniMapFinal()->GetSurfaceLevel(0, &surface)))
        return -1.0f;
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = ReadSurface(surface, width, height);
    surface->Release();
    double rows = 0.0;
    int count = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int red = (pixels[i] >> 16) & 0xFF;
        const int green = (pixels[i] >> 8) & 0xFF;
        const int blue = pixels[i] & 0xFF;
        if (blue > green + 20 && blue > red + 40) {
            rows += static_cast<double>(i / width);
            ++count;
        }
    }
    return count > 0 ? static_cast<float>(rows / count) : -1.0f;
}

float CarSpeed()
{
    const CCar* car = g_PlayerActor->m_pCar;
    const NxActor* body = car != nullptr ? car->m_PhysicsObject.m_pActor : nullptr;
    return body != nullptr ? body->getLinearVelocity().magnitude() : 0.0f;
}

const std::vector<PlayStage>& Stages()
{
    static int s_Since = 0;
    static const std::vector<SDL_Scancode> wanted = ConsoleLines({"set setwarning 4", "set spawn car sedan"}, true);
    static const std::vector<SDL_Scancode> death = ConsoleLines({"set sethealth 0"}, false);
    static const std::vector<PlayStage> stages = {
        {WATCHED_FRAMES * 2,
         [](int frame) {
             // No pooled traffic: the drive below wants the road to itself.
             if (frame == 0)
                 QuietThePool();
             s_Seen.onFoot = s_Last;
             MarkAhead();
             s_ReadRim = frame == WATCHED_FRAMES * 2 - 1;
             return frame >= WATCHED_FRAMES * 2 - 1;
         }},
        {SETTLE_FRAMES + WALK_FRAMES + 1,
         [](int frame) {
             static float s_StartZ = 0.0f;
             if (frame == 0)
                 PlacePlayerFacingNorth(SOUTH_OF_POND);
             if (frame == SETTLE_FRAMES) {
                 s_Seen.pondRowBefore = PondRow();
                 s_StartZ = g_PlayerActor->m_Model.m_matScaledObject._43;
                 PushKey(SDL_SCANCODE_W, true);
             }
             if (frame < SETTLE_FRAMES + WALK_FRAMES)
                 return false;
             PushKey(SDL_SCANCODE_W, false);
             s_Seen.pondRowAfter = PondRow();
             s_Seen.walkedNorth = g_PlayerActor->m_Model.m_matScaledObject._43 - s_StartZ;
             return true;
         }},
        {400,
         [](int frame) {
             const bool typed = TypeKeys(wanted, frame);
             if (g_PlayerActor->m_fWantedLevel > 0.0f)
                 s_Seen.wanted.push_back(s_Last);
             return typed && s_Seen.wanted.size() > WATCHED_FRAMES;
         }},
        {300,
         [](int frame) {
             PressF(frame);
             s_Since = Seated() ? s_Since + 1 : 0;
             s_Seen.seated = s_Last;
             return frame > PRESS_FRAMES && s_Since > WATCHED_FRAMES;
         }},
        {DRIVE_FRAMES,
         [](int frame) {
             if (frame == 0)
                 PushKey(SDL_SCANCODE_W, true);
             s_Seen.drivenZoom = s_Last.zoom;
             if (s_Last.zoom >= NEAREST_ZOOM && frame < DRIVE_FRAMES - 1)
                 return false;
             PushKey(SDL_SCANCODE_W, false);
             return true;
         }},
        {DRIVE_FRAMES,
         [](int frame) {
             // Braked to a stop before the player gets out.
             PushKey(SDL_SCANCODE_S, CarSpeed() > STOPPED_SPEED);
             return frame > 0 && CarSpeed() <= STOPPED_SPEED;
         }},
        {300,
         [](int frame) {
             PressF(frame);
             s_Since = Seated() ? 0 : s_Since + 1;
             s_Seen.outAgain = s_Last;
             return frame > PRESS_FRAMES && s_Since > WATCHED_FRAMES;
         }},
        {400,
         [](int frame) {
             if (frame == 0)
                 s_Seen.menusPushedAtDeath = g_MenuManager.GetStackSize();
             // The console opens again only once its cooldown since the last close is over.
             const bool typed = frame >= CONSOLE_COOLDOWN_FRAMES && TypeKeys(death, frame - CONSOLE_COOLDOWN_FRAMES);
             if (!s_Seen.died && g_HUD.m_bVisible == 0) {
                 s_Seen.died = true;
                 s_Since = 0;
             }
             if (!s_Seen.died || ++s_Since <= WATCHED_FRAMES)
                 return false;
             const CSingleScreen* screen = g_MenuManager.GetCurrentScreen();
             s_Seen.screenAfterDeath = screen != nullptr ? screen->m_Name : "";
             s_Seen.visibleAfterDeath = g_HUD.m_bVisible;
             s_Seen.levelStateAfterDeath = g_pLevel->GetState();
             s_Seen.menusPushedAtDeath = g_MenuManager.GetStackSize() - s_Seen.menusPushedAtDeath;
             return typed;
         }},
    };
    return stages;
}

TEST(GameHUDTest, HealthTimeStarsAndDialsShowAndDeathOpensTheGameOverScreen)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    g_StepTrace = WatchHUD;
    SetSpriteDrawObserver(CountSprite);
    EXPECT_EQ(0, RunGameInPlay(StagedPlay(Stages(), FRAME_MS, LAST_FRAME, s_Seen.lastStage)));
    SetSpriteDrawObserver(nullptr);
    g_StepTrace = nullptr;
    ASSERT_EQ(static_cast<int>(Stages().size()), s_Seen.lastStage) << "every stage ran to its end";

    EXPECT_TRUE(Shows(s_Seen.onFoot, "Health 100"));
    EXPECT_TRUE(ShowsTime(s_Seen.onFoot));
    EXPECT_EQ(0, s_Seen.onFoot.stars);
    EXPECT_EQ(0, s_Seen.onFoot.dials);
    EXPECT_EQ(1, s_Seen.onFoot.miniMaps);
    EXPECT_EQ(3.0f, s_Seen.onFoot.zoom) << "standing, the nearest view";
    EXPECT_TRUE(ColourNear(MARKER_COLOUR, s_Seen.markerPixel, 40)) << std::hex << s_Seen.markerPixel;
    EXPECT_GT(s_Seen.walkedNorth, 1.0f);
    EXPECT_GE(s_Seen.pondRowBefore, 0.0f) << "the pond ahead shows";
    EXPECT_LT(s_Seen.pondRowBefore, 64.0f) << "above the middle, where the player stands";
    // Walking north the pond moves down the map, as far as the player went at
    // the nearest zoom: 3 x 512 pixels for 2800 units.
    EXPECT_NEAR(s_Seen.walkedNorth * NEAREST_ZOOM * 512 / 2800, s_Seen.pondRowAfter - s_Seen.pondRowBefore, 1.0f);
    EXPECT_EQ(1, s_Seen.seated.miniMaps);
    EXPECT_LT(s_Seen.drivenZoom, NEAREST_ZOOM) << "driving fast, the minimap shows more";

    // A star for each whole wanted level: 4 as set, 3 once the crime
    // manager's ebb has taken the value below 4 (in its first frame).
    ASSERT_FALSE(s_Seen.wanted.empty());
    for (const HUDFrame& frame : s_Seen.wanted)
        EXPECT_EQ(frame.wantedStars, frame.stars);
    EXPECT_GE(s_Seen.wanted.back().stars, 3);
    EXPECT_LE(s_Seen.wanted.back().stars, 4);

    EXPECT_EQ(2, s_Seen.seated.dials);
    EXPECT_EQ(2, s_Seen.seated.needles);
    EXPECT_TRUE(Shows(s_Seen.seated, "1")) << "the gear";
    EXPECT_EQ(0, s_Seen.outAgain.dials);
    EXPECT_FALSE(Shows(s_Seen.outAgain, "1"));
    EXPECT_TRUE(Shows(s_Seen.outAgain, "Health 100"));

    EXPECT_TRUE(s_Seen.died);
    EXPECT_EQ("Game Over Screen", s_Seen.screenAfterDeath);
    EXPECT_EQ(0, s_Seen.visibleAfterDeath) << "and it stays hidden";
    EXPECT_EQ(1u, s_Seen.menusPushedAtDeath) << "pushed once";
    EXPECT_EQ(static_cast<int>(CLevel::STATE_PAUSED), s_Seen.levelStateAfterDeath);
}

} // namespace
