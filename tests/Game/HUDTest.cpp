#include "Game/HUD.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/DataBuffer.h"
#include "Core/Window.h"
#include "Display/DisplayFixture.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/ScriptFolderFixture.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/LevelFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "Physics/Physics.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/novodex/NxActor.h"
#include "support/FatalTrap.h"

namespace {

const char* const HUD_SCRIPT = "Scripts/HUD.txt";

// The textures "Dial" and "Frame" filed.
class HUDTest : public ScriptFolderFixture {
protected:
    HUDTest()
    {
        File(new CTexture(), "Dial");
        File(new CTexture(), "Frame");
    }
};

// The mark's position is written from the minimap's corner; the needle keeps
// its turning point unless the script moves it; the conversation window's
// words go to its own reader, up to the next element or the end; an element
// the HUD lacks and a word it does not know are passed over and logged; the
// last block of an element stands.
TEST_F(HUDTest, LoadReadsEachElementsTextureFrameAndColour)
{
    m_Dir.Write(HUD_SCRIPT, "HUDObject RPM Texture Dial Position 0.02 0.76 Scale 0.8 0.8 Color 0xE0FFFFFF\n"
                            "hudobject mph texture Dial\n"
                            "ConversationInterface OutputWindow Position 9 9 Color 5 0 0 0 InputWindow Scale 2 2\n"
                            "HUDObject MapNorth Texture Frame Position 0.78 0.02 Scale 1 1 Color 4294967295\n"
                            "HUDObject Position Position 0.0875 0.1 Color b1111\n"
                            "HUDObject Compass Texture Dial Position 5 5\n"
                            "HUDObject RPM Color 0x80FF0000\n"
                            "HUDObject CheckPointDot Scale 2 2 Texture Dial\n"
                            "ConversationInterface InputWindow Position 0.5 0.5\n");
    CGameActor player;
    CHUD hud;
    EXPECT_EQ(D3DXVECTOR2(64, 64), hud.GetElement(CHUD::HUD_NEEDLE).m_vPosition);
    hud.Load(&player);
    EXPECT_EQ(&player, hud.GetPlayer());

    const HUDObject& rpm = hud.GetElement(CHUD::HUD_RPM);
    EXPECT_EQ(Filed<CTexture>("Dial"), rpm.m_pTexture);
    EXPECT_EQ(D3DXVECTOR2(0.02f, 0.76f), rpm.m_vPosition);
    EXPECT_EQ(D3DXVECTOR2(0.8f, 0.8f), rpm.m_vScale);
    EXPECT_EQ(0x80FF0000u, rpm.m_Color);
    const HUDObject& mph = hud.GetElement(CHUD::HUD_MPH);
    EXPECT_EQ(Filed<CTexture>("Dial"), mph.m_pTexture);
    EXPECT_EQ(D3DXVECTOR2(0, 0), mph.m_vPosition) << "the conversation window's words are not the dial's";
    EXPECT_EQ(0u, mph.m_Color);

    const HUDObject& frame = hud.GetElement(CHUD::HUD_MAP_NORTH);
    EXPECT_EQ(Filed<CTexture>("Frame"), frame.m_pTexture);
    EXPECT_EQ(0xFFFFFFFFu, frame.m_Color);
    const HUDObject& mark = hud.GetElement(CHUD::HUD_POSITION);
    EXPECT_EQ(D3DXVECTOR2(0.78f + 0.0875f, 0.02f + 0.1f), mark.m_vPosition);
    EXPECT_EQ(0xFu, mark.m_Color);
    EXPECT_EQ(nullptr, mark.m_pTexture);
    EXPECT_EQ(D3DXVECTOR2(64, 64), hud.GetElement(CHUD::HUD_NEEDLE).m_vPosition);
    EXPECT_EQ(nullptr, hud.GetElement(CHUD::HUD_MAP).m_pTexture);
    const HUDObject& dot = hud.GetElement(CHUD::HUD_CHECKPOINT_DOT);
    EXPECT_EQ(D3DXVECTOR2(2, 2), dot.m_vScale);
    EXPECT_EQ(nullptr, dot.m_pTexture) << "a texture after the scale is out of its order";

    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("no HUD element Compass")) << log;
    EXPECT_NE(std::string::npos, log.find("unknown word Texture passed over")) << log;
    EXPECT_EQ(std::string::npos, log.find("unknown word Position")) << "the window read its own words\n" << log;
    EXPECT_EQ(std::string::npos, log.find("unknown word InputWindow")) << log;
    EXPECT_EQ(D3DXVECTOR2(0.5f, 0.5f), hud.m_ConversationWindow.m_InputWindow.m_vPosition);
}

TEST_F(HUDTest, AMissingScriptOrTextureStopsTheGame)
{
    CHUD hud;
    EXPECT_FATAL(hud.Load(nullptr), "Unable to initialize data buffer\nin Scripts\\HUD.txt");
    m_Dir.Write(HUD_SCRIPT, "HUDObject WarningStar Texture Star\n");
    EXPECT_FATAL(hud.Load(nullptr), "Unable to find asset \"Star\" of type <CTexture>\nin Scripts\\HUD.txt");
}

// The look of the tests' HUD: both dials, the needle turning about the
// dial's middle, and the rightmost star.
const char* const DRAWN_HUD = "HUDObject RPM Texture Dial Position 0.02 0.76 Scale 0.8 0.8 Color 0xE0FFFFFF\n"
                              "HUDObject MPH Texture Dial Position 0.2 0.76 Scale 0.8 0.8 Color 0xE0FFFFFF\n"
                              "HUDObject Needle Texture Needle Position 51.2 51.2 Scale 0.8 0.8 Color 0xFFFF3030\n"
                              "HUDObject WarningStar Texture Star Position 0.955 0.3 Scale 1 1 Color 0xFFFFD020\n";
const char* const DRAWN_TEXTURES[] = {"Dial", "Needle", "Star", "Icon"};
const uint32_t TEXTURE_SIDE = 8;
const D3DCOLOR WHITE = 0xFFFFFFFF;
const float DEGREES = 0.01745328f;

std::vector<SpriteDraw> s_Sprites;

void RecordSprite(const SpriteDraw& draw)
{
    s_Sprites.push_back(draw);
}

// The HUD of DRAWN_HUD on a device of state only, with a player on foot,
// every sprite recorded and the text master taking text.
class HUDDrawTest : public HUDTest {
protected:
    void SetUp() override
    {
        g_hWnd = nullptr;
        D3D8Platform::UseStateOnlyDevices();
        ASSERT_TRUE(g_Display.Create());
        const std::vector<uint32_t> white(TEXTURE_SIDE * TEXTURE_SIDE, WHITE);
        for (const char* name : DRAWN_TEXTURES) {
            const std::string file = std::string(name) + ".bmp";
            ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), file, TEXTURE_SIDE, TEXTURE_SIDE, white));
            auto* texture = new CTexture();
            ASSERT_TRUE(texture->CreateNamed(name, file));
            g_AssetManager.AddAsset(texture);
        }
        m_Dir.Write(HUD_SCRIPT, DRAWN_HUD);
        m_HUD.Load(&m_Player);
        m_HUD.m_bVisible = 1;
        g_TextMaster.Enable();
        s_Sprites.clear();
        SetSpriteDrawObserver(RecordSprite);
    }

    void TearDown() override
    {
        SetSpriteDrawObserver(nullptr);
        g_CarEditMode = 0;
        g_TextMaster.Reset();
        CTexture::ReleaseAllTextures();
        g_Display.Shutdown();
        D3D8Platform::ResetTestHooks();
    }

    static std::string TextureName(const IDirect3DTexture8* texture)
    {
        for (const char* name : DRAWN_TEXTURES) {
            if (Filed<CTexture>(name)->GetTexture() == texture)
                return name;
        }
        return texture == nullptr ? "none" : "unknown";
    }

    static std::string Describe(const std::string& texture, const D3DXVECTOR2& position, const D3DXVECTOR2& scale,
                                float rotation, const D3DXVECTOR2& centre, D3DCOLOR colour)
    {
        char text[160];
        std::snprintf(text, sizeof(text), "%s at (%.4g, %.4g) scale (%.3g, %.3g) turned %.4g about (%.3g, %.3g) %08X",
                      texture.c_str(), position.x, position.y, scale.x, scale.y, rotation, centre.x, centre.y,
                      colour);
        return text;
    }

    // Each sprite drawn since the last call, described.
    static std::vector<std::string> TakeSprites()
    {
        std::vector<std::string> sprites;
        for (const SpriteDraw& draw : s_Sprites)
            sprites.push_back(Describe(TextureName(draw.m_pTexture), draw.m_vPosition, draw.m_vScale,
                                       draw.m_fRotation, draw.m_vCentre, draw.m_Colour) +
                              (draw.m_bPixels ? " in pixels" : ""));
        s_Sprites.clear();
        return sprites;
    }

    static std::string Star(float x)
    {
        return Describe("Star", D3DXVECTOR2(x, 0.3f), D3DXVECTOR2(1, 1), 0, D3DXVECTOR2(0, 0), 0xFFFFD020);
    }
    static std::string Icon()
    {
        return Describe("Icon", D3DXVECTOR2(0.8475f, 0.03f), D3DXVECTOR2(1, 1), 0, D3DXVECTOR2(0, 0), WHITE);
    }
    // A dial at its corner, then the needle over it turned by `degrees`.
    static std::vector<std::string> Dial(float x, float degrees)
    {
        const D3DXVECTOR2 corner(x, 0.76f);
        return {Describe("Dial", corner, D3DXVECTOR2(0.8f, 0.8f), 0, D3DXVECTOR2(0, 0), 0xE0FFFFFF),
                Describe("Needle", corner, D3DXVECTOR2(0.8f, 0.8f), degrees * DEGREES, D3DXVECTOR2(51.2f, 51.2f),
                         0xFFFF3030)};
    }

    // The queued strings, described, the queue emptied.
    static std::vector<std::string> TakeTexts()
    {
        const CFont2D* verdana13 = g_TextMaster.GetFont(g_FontVerdana13);
        std::vector<std::string> texts;
        for (uint32_t i = 0; i < g_TextMaster.GetQueueCount(); ++i) {
            const CQueuedText& queued = g_TextMaster.GetQueue()[i];
            texts.push_back(Text(queued.m_pPrepared->m_Text, queued.m_X, queued.m_Y, queued.m_Colour,
                                 queued.m_pPrepared->m_pFont == verdana13 ? 13 : 8) +
                            (queued.m_Limit == -1 ? "" : " limited"));
        }
        g_TextMaster.Clear(CTextMaster::CLEAR_PREPARED);
        return texts;
    }
    static std::string Text(const std::string& text, float x, float y, D3DCOLOR colour, int font)
    {
        char place[80];
        std::snprintf(place, sizeof(place), " at (%.4g, %.4g) %08X Verdana %d", x, y, colour, font);
        return "\"" + text + "\"" + place;
    }
    // The game timer's text, whatever its time.
    static std::string Time()
    {
        g_GameTimer.DrawTime(0.023f, 0.0f);
        return TakeTexts().at(0);
    }

    void Seat()
    {
        m_Car.m_Engine.m_fEngineSpeed = 5500.0f;
        m_Car.m_Engine.m_iGear = 2;
        m_Player.m_pCar = &m_Car;
    }
    void Arm(float ammunition)
    {
        auto weapon = std::make_unique<CWeapon>();
        weapon->m_fAmmunition = ammunition;
        weapon->m_pHUDIcon = Filed<CTexture>("Icon")->GetTexture();
        m_Player.PickUpWeapon(std::move(weapon));
    }

    CGameActor m_Player;
    CCar m_Car;
    CHUD m_HUD;
};

TEST_F(HUDDrawTest, ThePassDrawsTheTimeStatusStarsAndDialsThatItsFlagsShow)
{
    const std::string time = Time();
    const std::string health = Text("Health 57", 0.8075f, 0, 0xFFFF0000, 13);
    m_Player.m_fCurrentLife = 57.9f;

    // On foot, empty-handed: the time, the health and the truncated stars,
    // the first at the script's corner and each next one further left.
    m_Player.m_fWantedLevel = 2.9f;
    m_HUD.Draw();
    EXPECT_EQ((std::vector<std::string>{Star(0.955f), Star(0.895f)}), TakeSprites());
    EXPECT_EQ((std::vector<std::string>{time, health}), TakeTexts());

    m_Player.m_fWantedLevel = 0.5f;
    m_HUD.Draw();
    EXPECT_TRUE(TakeSprites().empty());

    // The most there is: ten stars.
    m_Player.m_fWantedLevel = 10.0f;
    m_HUD.Draw();
    std::vector<std::string> stars;
    for (int star = 0; star < 10; ++star)
        stars.push_back(Star(0.955f - 0.06f * star));
    EXPECT_EQ(stars, TakeSprites());
    TakeTexts();

    // Armed: the icon, then the stars; the ammunition after the health.
    m_Player.m_fWantedLevel = 1.0f;
    Arm(12.7f);
    m_HUD.Draw();
    EXPECT_EQ((std::vector<std::string>{Icon(), Star(0.955f)}), TakeSprites());
    EXPECT_EQ((std::vector<std::string>{time, health, Text("12", 0.8475f, 0.06f, WHITE, 13)}), TakeTexts());

    // Seated: the dials after the status, each with its needle, and the gear.
    Seat();
    m_HUD.Draw();
    std::vector<std::string> seated = {Icon(), Star(0.955f)};
    for (const std::vector<std::string>& dial : {Dial(0.02f, 40 - 5500 * 0.02f), Dial(0.2f, 40)})
        seated.insert(seated.end(), dial.begin(), dial.end());
    EXPECT_EQ(seated, TakeSprites());
    const std::string gear = Text("3", 0.1885f, 0.89f, 0xFFFFFF00, 13);
    EXPECT_EQ((std::vector<std::string>{time, health, Text("12", 0.8475f, 0.06f, WHITE, 13), gear}), TakeTexts());

    // Each part only under its flag.
    m_HUD.m_bShowTime = 0;
    m_HUD.m_bShowStatus = 0;
    m_HUD.Draw();
    EXPECT_EQ(std::vector<std::string>(seated.begin() + 2, seated.end()), TakeSprites());
    EXPECT_EQ(std::vector<std::string>{gear}, TakeTexts());
    m_HUD.m_bShowNeedles = 0;
    m_HUD.Draw();
    EXPECT_TRUE(TakeSprites().empty());
    EXPECT_TRUE(TakeTexts().empty());
}

// Values set from outside (the console, a mission) that no int holds, or
// that are not numbers, show at their limits; no more stars than ten.
TEST_F(HUDDrawTest, ValuesBeyondTheirRangeShowAtTheirLimits)
{
    m_HUD.m_bShowTime = 0;
    m_Player.m_fCurrentLife = 1e30f;
    m_Player.m_fWantedLevel = 1e9f;
    Arm(std::nanf(""));
    m_HUD.Draw();
    EXPECT_EQ(11u, TakeSprites().size()) << "the icon and ten stars";
    EXPECT_EQ((std::vector<std::string>{Text("Health 2147483647", 0.8075f, 0, 0xFFFF0000, 13),
                                        Text("0", 0.8475f, 0.06f, WHITE, 13)}),
              TakeTexts());
    m_Player.m_fCurrentLife = -1e30f;
    m_Player.m_fWantedLevel = -5.0f;
    m_HUD.Draw();
    EXPECT_EQ(1u, TakeSprites().size()) << "the icon alone";
    EXPECT_EQ(Text("Health -2147483648", 0.8075f, 0, 0xFFFF0000, 13), TakeTexts().at(0));
}

// The car editor shows the tuning and its label and nothing else; a hidden
// HUD shows nothing; the markers last one frame either way.
TEST_F(HUDDrawTest, TheCarEditorAndAHiddenHUDDrawOnlyWhatTheyShow)
{
    m_Player.m_fWantedLevel = 3.0f;
    Seat();
    Arm(5.0f);
    const D3DXVECTOR3 point(10, 2, -30);
    m_HUD.AddMapMarker(point, 0xFF00FF00);
    ASSERT_EQ(1u, m_HUD.GetMapMarkers().size());
    EXPECT_EQ(10.0f, m_HUD.GetMapMarkers()[0].x);
    EXPECT_EQ(-30.0f, m_HUD.GetMapMarkers()[0].y) << "the world's z";
    EXPECT_EQ(0xFF00FF00u, m_HUD.GetMapMarkers()[0].colour);

    g_CarEditMode = 1;
    m_HUD.Draw();
    EXPECT_TRUE(TakeSprites().empty());
    char tuning[400];
    m_Car.FormatTuning(tuning, sizeof(tuning));
    EXPECT_EQ((std::vector<std::string>{Text(tuning, 0.5885f, 0, WHITE, 8),
                                        Text("Car Editor Mode", 0.4075f, 0, WHITE, 8)}),
              TakeTexts());
    EXPECT_TRUE(m_HUD.GetMapMarkers().empty());
    m_Player.m_pCar = nullptr;
    m_HUD.Draw();
    EXPECT_EQ(std::vector<std::string>{Text("Car Editor Mode", 0.4075f, 0, WHITE, 8)}, TakeTexts());
    g_CarEditMode = 0;

    m_HUD.m_bVisible = 0;
    m_HUD.AddMapMarker(point, 0xFF00FF00);
    m_HUD.Draw();
    EXPECT_TRUE(TakeSprites().empty());
    EXPECT_TRUE(TakeTexts().empty());
    EXPECT_TRUE(m_HUD.GetMapMarkers().empty()) << "markers added while hidden do not pile up";
}

// Death opens "Game Over Screen" once, over a paused level with the menu's
// cursor and input; this frame's HUD is still drawn. Without the screen the
// HUD only hides.
TEST_F(HUDDrawTest, DeathOpensTheGameOverScreenOnceAndHidesTheHUD)
{
    CLevel level;
    level.SetState(CLevel::STATE_PLAYING);
    g_pLevel = &level;
    const CInGameMouse savedMouse = g_InGameMouse;
    m_Player.m_fCurrentLife = 0.0f;
    const size_t stack = g_MenuManager.GetStackSize();
    const int context = g_InputManager.GetCurrentContext();

    m_HUD.Draw();
    EXPECT_EQ(0, m_HUD.m_bVisible);
    EXPECT_EQ(stack, g_MenuManager.GetStackSize());
    EXPECT_EQ(context, g_InputManager.GetCurrentContext());
    EXPECT_EQ(CLevel::STATE_PLAYING, level.GetState());
    const std::vector<std::string> texts = TakeTexts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(Text("Health 0", 0.8075f, 0, 0xFFFF0000, 13), texts[1]) << "the pass went on";

    File(new CTexture(), "arrowdown");
    File(new CTexture(), "arrowup");
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    const std::string mouse = "Mouse Pointer Asset_Type Game Texture arrowdown Texture arrowup\n";
    reader.Tokenise(mouse.data(), mouse.size());
    g_InGameMouse = CInGameMouse();
    ASSERT_TRUE(g_InGameMouse.Load(reader));
    g_InGameMouse.SetVisible(false);
    auto* screen = new CSingleScreen();
    screen->m_Name = "Game Over Screen";
    g_AssetManager.AddAsset(screen);
    const std::string menus = "SingleScreen \"Game Over Screen\"\n";
    reader.Clear();
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(menus.data(), menus.size());
    g_MenuManager.Load(reader);

    m_HUD.m_bVisible = 1;
    m_HUD.Draw();
    m_HUD.Draw();
    EXPECT_EQ(0, m_HUD.m_bVisible);
    EXPECT_EQ(screen, g_MenuManager.GetCurrentScreen());
    EXPECT_EQ(stack + 2, g_MenuManager.GetStackSize()) << "the load's own entry and one push";
    EXPECT_TRUE(g_InGameMouse.IsVisible());
    EXPECT_EQ(Filed<CTexture>("arrowup"), g_InGameMouse.GetTexture());
    EXPECT_EQ(CInputManager::CONTEXT_MENU, g_InputManager.GetCurrentContext());
    EXPECT_EQ(CLevel::STATE_PAUSED, level.GetState());

    g_pLevel = nullptr;
    g_InGameMouse = savedMouse;
    g_InputManager.Reset();
}

// A car body to measure the speed by.
class PhysicsHUDTest : public ScriptFolderFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_Physics.Init());
        g_Physics.CreateBoxActor(true, &m_Car.m_PhysicsObject.m_pActor);
        ASSERT_NE(nullptr, m_Car.m_PhysicsObject.m_pActor);
        m_Dir.Write(HUD_SCRIPT, "HUDObject RPM\n");
    }
    void TearDown() override
    {
        m_Car.ReleasePhysics();
        g_Physics.Shutdown();
    }

    CGameActor m_Player;
    CCar m_Car;
};

TEST_F(PhysicsHUDTest, TheNeedlesTurnWithTheEnginesRevolutionsAndTheBodysSpeed)
{
    const float metresPerSecondPerMph = 1.0f / 2.237f;
    struct Case {
        bool player;
        bool seated;
        float rpm;
        float mph;
        float rpmAngle;
        float mphAngle;
    };
    const Case cases[] = {
        {true, true, 12000, 0, (40 - 220) * DEGREES, 40 * DEGREES}, // the tachometer stops at 11000
        {true, true, 5500, 55, -70 * DEGREES, -70 * DEGREES},
        {true, true, 0, 110, 40 * DEGREES, -180 * DEGREES},
        {true, false, 5500, 55, 0.698f, 0.698f}, // on foot
        {false, true, 5500, 55, 0.698f, 0.698f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rpm << " rpm, " << c.mph << " mph, player " << c.player
                                          << ", seated " << c.seated);
        CHUD hud;
        hud.Load(c.player ? &m_Player : nullptr);
        m_Player.m_pCar = c.seated ? &m_Car : nullptr;
        m_Car.m_Engine.m_fEngineSpeed = c.rpm;
        m_Car.m_PhysicsObject.m_pActor->setLinearVelocity(NxVec3(0, 0, c.mph * metresPerSecondPerMph));
        hud.UpdateNeedleAngles();
        EXPECT_NEAR(c.rpmAngle, hud.GetElement(CHUD::HUD_RPM).m_fAngle, 1e-5f);
        EXPECT_NEAR(c.mphAngle, hud.GetElement(CHUD::HUD_MPH).m_fAngle, 1e-4f);
    }
}

// The minimap's layout from the player's placement and body, with the
// minimap's corner at (0.78, 0.02).
class PhysicsMiniMapTest : public PhysicsHUDTest {
protected:
    void SetUp() override
    {
        PhysicsHUDTest::SetUp();
        g_Physics.CreateBoxActor(true, &m_Player.m_PhysicsObject.m_pActor);
        ASSERT_NE(nullptr, m_Player.m_PhysicsObject.m_pActor);
        m_Dir.Write(HUD_SCRIPT, "HUDObject MapNorth Position 0.78 0.02 Scale 1 1\n");
        m_HUD.Load(&m_Player);
    }
    void TearDown() override
    {
        m_Player.ReleasePhysics();
        PhysicsHUDTest::TearDown();
    }

    // The player at (x, z) facing along (facingX, facingZ), on foot.
    void Place(float x, float z, float facingX, float facingZ)
    {
        D3DXMATRIX& placement = m_Player.m_Model.m_matScaledObject;
        D3DXMatrixIdentity(&placement);
        placement._31 = facingX;
        placement._33 = facingZ;
        placement._41 = x;
        placement._43 = z;
        m_Player.m_pCar = nullptr;
    }
    void SetSpeed(NxActor* body, float speed) { body->setLinearVelocity(NxVec3(speed, 0, 0)); }
    float Zoom() const { return m_HUD.GetElement(CHUD::HUD_MAP).m_vScale.x; }

    CHUD m_HUD;
};

// Slow, the map shows the most; fast, the least: miles an hour in a car, the
// body's own units on foot.
TEST_F(PhysicsMiniMapTest, TheZoomFallsFromThreeToOneWithSpeed)
{
    const float metresPerSecondPerMph = 1.0f / 2.237f;
    struct Case {
        bool seated;
        float speed;
        float zoom;
    };
    const Case cases[] = {
        {true, 0, 3}, {true, 20, 3}, {true, 55, 2}, {true, 90, 1}, {true, 150, 1},
        {false, 10, 3}, {false, 55, 2}, {false, 100, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.speed << (c.seated ? " mph" : " units on foot"));
        Place(0, 0, 0, 1);
        SetSpeed(m_Car.m_PhysicsObject.m_pActor, c.seated ? c.speed * metresPerSecondPerMph : 500.0f);
        SetSpeed(m_Player.m_PhysicsObject.m_pActor, c.seated ? 500.0f : c.speed);
        m_Player.m_pCar = c.seated ? &m_Car : nullptr;
        m_HUD.LayOutMiniMap();
        EXPECT_NEAR(c.zoom, Zoom(), 1e-4f);
        EXPECT_EQ(Zoom(), m_HUD.GetElement(CHUD::HUD_MAP).m_vScale.y);
    }
}

// The heading from the placement's forward row; the map turns the other way
// round from +z, so that the way the player faces is up.
TEST_F(PhysicsMiniMapTest, TheHeadingComesFromThePlacementSeatedOrNot)
{
    const float pi = 3.14159265f;
    struct Case {
        float x, z;
        float heading;
    };
    const Case cases[] = {
        {0, 1, 1.570795f}, {0, -1, 4.712389f}, {0, 0, 1.570795f}, {1, 0, 0}, {-1, 1, 3 * pi / 4}, {1, -1, -pi / 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "facing (" << c.x << ", " << c.z << ")");
        Place(0, 0, c.x, c.z);
        m_HUD.LayOutMiniMap();
        EXPECT_NEAR(c.heading, m_HUD.GetElement(CHUD::HUD_POSITION).m_fAngle, 1e-5f);
        EXPECT_NEAR(c.heading - 1.570795f, m_HUD.GetElement(CHUD::HUD_MAP_NORTH).m_fAngle, 1e-5f);
    }
    Place(0, 0, 0, 1);
    m_HUD.LayOutMiniMap();
    EXPECT_EQ(0.0f, m_HUD.GetElement(CHUD::HUD_MAP_NORTH).m_fAngle) << "+z up, unturned";

    // Seated, the player sits in the seat's placement and follows its turn.
    D3DXMATRIX seat;
    D3DXMatrixRotationY(&seat, pi / 2);
    seat._41 = 30;
    seat._43 = 40;
    D3DXMatrixIdentity(&m_Player.m_Model.m_matObject);
    m_Player.m_Model.m_pParentMatrix = &seat;
    m_Player.m_Model.UpdateWorldMatrix();
    m_Player.m_pCar = &m_Car;
    m_HUD.LayOutMiniMap();
    m_Player.m_Model.m_pParentMatrix = nullptr;
    EXPECT_NEAR(0.0f, m_HUD.GetElement(CHUD::HUD_POSITION).m_fAngle, 1e-5f) << "the seat faces +x";
}

// Markers become screen points about the map's middle, (0.78 + 0.1, 0.02 +
// 0.1333) less half a dot, turned with the map; the far ones on its rim.
TEST_F(PhysicsMiniMapTest, MarkersTurnWithTheMapAndStopAtItsRim)
{
    const float middleX = 0.78f + 0.1f - 0.00625f;
    const float middleY = 0.02f + 0.133333f - 0.0083333f;
    const float perUnit = 256 * 0.0007142857f; // pixels a unit at zoom 1
    struct Case {
        float facingX, facingZ;
        float markerX, markerZ;
        float pixelsX, pixelsY; // from the middle, in 640 x 480 pixels
    };
    const Case cases[] = {
        {0, 1, 100, 210, 0, -10 * perUnit},   // ahead: straight up
        {1, 0, 110, 200, 0, -10 * perUnit},   // ahead facing +x: up too
        {1, 0, 100, 190, 10 * perUnit, 0},    // on the right facing +x
        {0, 1, 600, 200, 60, 0},              // 500 away: on the rim
        {0, 1, 100, -300, 0, 60},             // behind, 500 away
    };
    SetSpeed(m_Player.m_PhysicsObject.m_pActor, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "facing (" << c.facingX << ", " << c.facingZ << "), marker at ("
                                          << c.markerX << ", " << c.markerZ << ")");
        Place(100, 200, c.facingX, c.facingZ);
        m_HUD.AddMapMarker(D3DXVECTOR3(c.markerX, 7, c.markerZ), 0xFF00FF00);
        m_HUD.LayOutMiniMap();
        ASSERT_EQ(1u, m_HUD.GetMapMarkers().size());
        const MapMarker& marker = m_HUD.GetMapMarkers()[0];
        EXPECT_NEAR(middleX + c.pixelsX / 640, marker.x, 1e-5f);
        EXPECT_NEAR(middleY + c.pixelsY / 480, marker.y, 1e-5f);
        EXPECT_EQ(0xFF00FF00u, marker.colour);
        m_HUD.Draw(); // hidden: only empties the list
    }
}

// A level whose terrain's corner is the shipped one, (-768, -768), and the
// player in it with a body.
class PhysicsMiniMapLevelTest : public LevelFixture {
protected:
    PhysicsMiniMapLevelTest() { m_vTerrainOrigin = D3DXVECTOR3(-768.0f, 0.0f, -768.0f); }
    void SetUp() override
    {
        StartPhysics();
        LevelFixture::SetUp();
        LoadLevel("Terrain Ground\n");
        g_Physics.CreateBoxActor(true, &m_Player.m_PhysicsObject.m_pActor);
        ASSERT_NE(nullptr, m_Player.m_PhysicsObject.m_pActor);
        m_Dir.Write(HUD_SCRIPT, "HUDObject MapNorth Position 0.78 0.02\n");
        m_HUD.Load(&m_Player);
    }
    void TearDown() override
    {
        m_Player.ReleasePhysics();
        LevelFixture::TearDown();
    }

    CGameActor m_Player;
    CHUD m_HUD;
};

// The map picture's place in the 128-pixel target puts the player's point of
// it (512 pixels for 2800 units from the terrain's corner) in the middle.
TEST_F(PhysicsMiniMapLevelTest, TheMapPicturePutsThePlayerInTheMiddle)
{
    const float pixelsPerUnit = 512 * 0.00035714285f;
    struct Case {
        float x, z;
        float speed;
        float zoom;
    };
    const Case cases[] = {{-768, -768, 0, 3}, {0, 0, 0, 3}, {0, 0, 100, 1}, {280, -140, 55, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "at (" << c.x << ", " << c.z << "), speed " << c.speed);
        D3DXMatrixTranslation(&m_Player.m_Model.m_matScaledObject, c.x, 3, c.z);
        m_Player.m_PhysicsObject.m_pActor->setLinearVelocity(NxVec3(0, 0, c.speed));
        m_HUD.LayOutMiniMap();
        const HUDObject& map = m_HUD.GetElement(CHUD::HUD_MAP);
        EXPECT_NEAR(c.zoom, map.m_vScale.x, 1e-4f);
        EXPECT_NEAR(64 - (c.x + 768) * c.zoom * pixelsPerUnit, map.m_vPosition.x, 1e-3f);
        EXPECT_NEAR(64 - (c.z + 768) * c.zoom * pixelsPerUnit, map.m_vPosition.y, 1e-3f);
    }
}

} // namespace
