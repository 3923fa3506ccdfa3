#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Texture.h"
#include "Input/Controller.h"
#include "Input/InGameMouse.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

// The texture assets the cursor script names, without images: choosing a
// cursor needs only their names.
CTexture* NamedTexture(const char* name)
{
    CTexture* texture = new CTexture();
    texture->m_Name = name;
    return texture;
}

// A driver whose axis values the test sets.
class CFakeDriver : public CController {
public:
    bool Start() override { return true; }
    void Update() override {}
    const float* GetCursorPosition() const override { return m_Cursor; }
    float GetCursorX() const override { return 0.0f; }
    float GetCursorY() const override { return 0.0f; }
    const uint8_t* GetActionCounters() const override { return m_States; }
    const float* GetAxisValues() const override { return m_Axes; }
    const D3DXMATRIX* GetCameraMatrix() const override { return nullptr; }
    CCamera* GetCamera() const override { return nullptr; }
    void SetCursorPosition(const float* /*position*/) override {}
    CInGameMouse* GetCursor() const override { return nullptr; }

    float m_Axes[4] = {};
    float m_Cursor[2] = {};
    uint8_t m_States[77] = {};
};

class CInGameMouseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_AssetManager.AddAsset(NamedTexture("arrowup"));
        g_AssetManager.AddAsset(NamedTexture("arrowtarget"));
    }
    void TearDown() override { g_AssetManager.Clear(); }

    bool LoadFrom(CInGameMouse& mouse, const std::string& script)
    {
        CDataBuffer reader;
        reader.SetSeparators(SCRIPT_SEPARATORS);
        reader.Tokenise(script.data(), script.size());
        return mouse.Load(reader);
    }
};

TEST_F(CInGameMouseTest, TheShippedCursorsLoadIntoTheDefaultPrototype)
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    LoadAssetsFromScript<CInGameMouse>("Scripts\\Mouses.txt");
    CInGameMouse* prototype = nullptr;
    g_AssetManager.GetAsset("default", prototype, true);
    ASSERT_EQ(2u, prototype->GetTextures().size());

    CInGameMouse cursor = *prototype;
    EXPECT_TRUE(cursor.SetCursor("arrowup"));
    EXPECT_EQ("arrowup", cursor.GetTexture()->m_Name);
    EXPECT_TRUE(cursor.SetCursor("arrowtarget"));
    EXPECT_EQ("arrowtarget", cursor.GetTexture()->m_Name);
    EXPECT_FALSE(cursor.IsFullScreen());
}

TEST_F(CInGameMouseTest, TexturesAreChosenByTheirExactNames)
{
    CInGameMouse mouse;
    ASSERT_TRUE(LoadFrom(mouse, "Mouse m\nAsset_Type Game\nTexture arrowup\nTexture arrowtarget\n"));
    EXPECT_FALSE(LoadFrom(mouse, "Mouse m\nAsset_Type Game\n")) << "already loaded";
    EXPECT_EQ(nullptr, mouse.GetTexture());

    EXPECT_TRUE(mouse.SelectTexture("arrowtarget", true));
    EXPECT_TRUE(mouse.IsFullScreen());
    CTexture* target = mouse.GetTexture();
    EXPECT_FALSE(mouse.SetCursor("ArrowUp"));
    EXPECT_FALSE(mouse.SetCursor("arrow"));
    EXPECT_EQ(target, mouse.GetTexture());
    EXPECT_FALSE(mouse.IsFullScreen());

    EXPECT_FALSE(mouse.SetTexture(nullptr, true));
    EXPECT_EQ(target, mouse.GetTexture()) << "a null texture keeps the current one";
    EXPECT_TRUE(mouse.SetTexture(mouse.GetTextures()[0], false));
    EXPECT_EQ("arrowup", mouse.GetTexture()->m_Name);

    CInGameMouse missing;
    EXPECT_FATAL(LoadFrom(missing, "Mouse m\nAsset_Type Game\nTexture nosuch\n"),
                 "Unable to find asset \"nosuch\" of type <CTexture>");
}

TEST_F(CInGameMouseTest, MovesByItsDriversCountsOverTheScreenAfterTheFirstUpdate)
{
    CInGameMouse mouse;
    CFakeDriver driver;
    driver.m_Axes[0] = 64.0f;
    driver.m_Axes[1] = -48.0f;
    mouse.Update();
    EXPECT_EQ(0.5f, mouse.GetPosition()[0]) << "no driver, no movement";

    mouse.SetDriver(&driver);
    mouse.Update();
    EXPECT_EQ(0.5f, mouse.GetPosition()[0]) << "the first update only starts the cursor";
    EXPECT_EQ(0.5f, mouse.GetPosition()[1]);

    mouse.Update();
    EXPECT_FLOAT_EQ(0.6f, mouse.GetPosition()[0]) << "64 counts on 640 pixels";
    EXPECT_FLOAT_EQ(0.4f, mouse.GetPosition()[1]) << "48 counts on 480 pixels";

    mouse.SetFollowing(false);
    mouse.Update();
    EXPECT_FLOAT_EQ(0.6f, mouse.GetPosition()[0]);
}

TEST_F(CInGameMouseTest, TheScreenEdgesCountAsOutside)
{
    const struct {
        float x, y;
        bool inside;
    } cases[] = {
        {0.5f, 0.5f, true},  {0.0f, 0.5f, false},  {1.0f, 0.5f, false}, {0.5f, 0.0f, false},
        {0.5f, 1.0f, false}, {0.001f, 0.999f, true}, {-0.2f, 1.3f, false},
    };
    CInGameMouse mouse;
    for (const auto& entry : cases) {
        const float position[2] = {entry.x, entry.y};
        mouse.SetPosition(position);
        mouse.ClampToScreen();
        EXPECT_EQ(entry.inside, mouse.IsVisible()) << entry.x << "," << entry.y;
        EXPECT_EQ(!entry.inside, mouse.IsWindowsCursorShown()) << entry.x << "," << entry.y;
        EXPECT_EQ(entry.x, mouse.GetPosition()[0]) << "the position is not clamped";
    }
}

} // namespace
