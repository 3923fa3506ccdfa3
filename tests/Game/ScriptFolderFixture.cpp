#include "Game/ScriptFolderFixture.h"

#include "Core/Log.h"

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

std::string ScriptFolderFixture::ReadLog() const
{
    g_Log.Shutdown();
    return m_Dir.Read("log.txt");
}
