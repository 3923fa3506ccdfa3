#include "Game/ScriptFolderFixture.h"

#include "Core/Log.h"
#include "Effects/Effect.h"

ScriptFolderFixture::ScriptFolderFixture() : m_Cwd(m_Dir.Path())
{
    g_Log.Open("log.txt");
}

ScriptFolderFixture::~ScriptFolderFixture()
{
    g_AssetManager.Clear();
    g_Log.Shutdown();
}

void ScriptFolderFixture::File(CAsset* asset, const char* name)
{
    asset->m_Name = name;
    g_AssetManager.AddAsset(asset);
}

void ScriptFolderFixture::FileEmptyEffect(const char* name)
{
    auto* effect = new CEffect();
    EXPECT_TRUE(effect->Compile(std::string("EffectSystem \"") + name + "\" 1.0\n{\n}\n")) << effect->GetStatus();
    File(effect, name);
}

std::string ScriptFolderFixture::ReadLog() const
{
    g_Log.Shutdown();
    return m_Dir.Read("log.txt");
}
