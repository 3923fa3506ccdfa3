#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

// A block "Widget <name>" with an optional "Size" and the base properties;
// it needs a name and an asset type.
class CWidget : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CWidget";
    const char* GetClassName() const override { return CLASS_NAME; }

    bool Load(CDataBuffer& reader) override
    {
        if (!reader.Match("Widget"))
            return false;
        m_Name = reader.GetString();
        while (!reader.IsEndOfBuffer() && ReadProperty(reader)) {
        }
        return Validate();
    }
    bool ReadProperty(CDataBuffer& reader) override
    {
        if (reader.Match("Size")) {
            m_Size = reader.GetInteger();
            return true;
        }
        return CAsset::ReadProperty(reader);
    }

    int m_Size = 0;
};

// A second class that accepts every block.
class CGadget : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CGadget";
    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override
    {
        if (!reader.Match("Gadget"))
            return false;
        m_Name = reader.GetString();
        return true;
    }
};

CWidget* MakeWidget(const std::string& name, int size)
{
    CWidget* widget = new CWidget();
    widget->m_Name = name;
    widget->m_Size = size;
    return widget;
}

TEST(CAssetManagerTest, LookupsAreExactAndReturnTheFirstFiled)
{
    CAssetManager store;
    store.AddAsset(MakeWidget("Lizard", 1));
    store.AddAsset(MakeWidget("Lizard", 2));
    store.AddAsset(MakeWidget("Other", 3));
    EXPECT_EQ(1u, store.GetTypeListCount());

    CWidget* found = nullptr;
    store.GetAsset("Lizard", found, true);
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(1, found->m_Size);

    store.GetAsset("lizard", found, false);
    EXPECT_EQ(nullptr, found) << "names compare case-sensitively";
    store.GetAssetByUpperName("LIZARD", found, false);
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(1, found->m_Size);

    CGadget* gadget = reinterpret_cast<CGadget*>(1);
    store.GetAsset("Lizard", gadget, false);
    EXPECT_EQ(nullptr, gadget) << "a class with nothing filed gives null without mustExist";
}

TEST(CAssetManagerTest, RequiredLookupsThatMissAreFatal)
{
    CAssetManager store;
    CGadget* gadget = nullptr;
    EXPECT_FATAL(store.GetAsset("x", gadget, true), "No assets of type <CGadget> are currently stored");

    store.AddAsset(MakeWidget("Lizard", 1));
    CWidget* widget = nullptr;
    EXPECT_FATAL(store.GetAsset("Missing", widget, true), "Unable to find asset \"Missing\" of type <CWidget>");
    EXPECT_FATAL(store.GetAssetByUpperName("lizard", widget, true),
                 "Unable to find asset \"lizard\" of type <CWidget>");
}

TEST(CAssetManagerTest, ClearDeletesEveryAsset)
{
    CAssetManager store;
    store.AddAsset(MakeWidget("A", 1));
    store.AddAsset(new CGadget());
    EXPECT_EQ(2u, store.GetTypeListCount());
    store.Clear();
    EXPECT_EQ(0u, store.GetTypeListCount());
    CWidget* widget = nullptr;
    store.GetAsset("A", widget, false);
    EXPECT_EQ(nullptr, widget);
}

class LoadAssetsFromScriptTest : public ::testing::Test {
protected:
    void TearDown() override { g_AssetManager.Clear(); }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
};

TEST_F(LoadAssetsFromScriptTest, ReadsEveryBlockWithTheBaseProperties)
{
    m_Dir.Write("Scripts/Widgets.txt", "; two widgets\n"
                                       "Widget: Big\n  Asset_Type: menu\n  Size: 12\n"
                                       "Widget: Small\n  Asset_Type: Game\n  *break\n"
                                       "Widget: Third\n  Asset_Type: Level\n");
    LoadAssetsFromScript<CWidget>("scripts\\WIDGETS.txt");

    CWidget* big = nullptr;
    g_AssetManager.GetAsset("Big", big, true);
    EXPECT_EQ(12, big->m_Size);
    EXPECT_EQ(ASSET_TYPE_MENU, big->GetAssetType()) << "the type name ignores case";
    CWidget* third = nullptr;
    g_AssetManager.GetAsset("Third", third, true);
    EXPECT_EQ(ASSET_TYPE_LEVEL, third->GetAssetType());
}

TEST_F(LoadAssetsFromScriptTest, BadScriptsAreFatal)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"Widget: A\n Asset_Type: NULL\n",
         "Unknown Asset Type: <NULL>. Forget to add it to ASSET_TYPES in Asset.h?\nin Scripts\\Bad.txt"},
        {"Widget: A\n Asset_Type: Vehicle\n",
         "Unknown Asset Type: <Vehicle>. Forget to add it to ASSET_TYPES in Asset.h?\nin Scripts\\Bad.txt"},
        {"Widget: A\n Size: 3\n", "Unable to intialize object A from: Scripts\\Bad.txt of type CWidget"},
        {"; nothing but a comment\n", "Unable to intialize object  from: Scripts\\Bad.txt of type CWidget"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        m_Dir.Write("Scripts/Bad.txt", c.text);
        EXPECT_FATAL(LoadAssetsFromScript<CWidget>("Scripts\\Bad.txt"), c.message);
        g_AssetManager.Clear();
    }
    EXPECT_FATAL(LoadAssetsFromScript<CWidget>("Scripts\\Missing.txt"),
                 "Unable to initialize data buffer\nin Scripts\\Missing.txt");
}

} // namespace

TEST(EnumTableTest, NamesAreLookedUpExactlyWithinTheCount)
{
    const EnumName table[] = {{"NONE", 0}, {"DIRECTFIRE", 1}, {"ROCKET", 3}, {"BOMB", 4}};
    const size_t count = sizeof(table) / sizeof(table[0]);
    const struct {
        const char* name;
        size_t count;
        int value;
        bool found;
    } cases[] = {
        {"ROCKET", count, 3, true},  {"NONE", count, 0, true},   {"rocket", count, 0, false},
        {"ROCKETS", count, 0, false}, {"", count, 0, false},      {"BOMB", 3, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value, FindEnumValue(c.name, table, c.count));
        EXPECT_EQ(c.found, FindEnumRow(c.name, table, c.count) != nullptr);
    }
}
