#pragma once
// A game folder as the working directory, the log open in it, and assets
// filed by name without files behind them; the store is emptied afterwards.

#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "support/TempDir.h"

class ScriptFolderFixture : public ::testing::Test {
protected:
    ScriptFolderFixture();
    ~ScriptFolderFixture() override;

    // `asset`, named `name`, handed to the asset store.
    static void File(CAsset* asset, const char* name);
    // An effect of no systems, as a mission's start marker.
    static void FileEmptyEffect(const char* name);
    template <class T>
    static const T* Filed(const char* name)
    {
        T* asset = nullptr;
        g_AssetManager.GetAsset(name, asset, true);
        return asset;
    }
    // Closes the log and gives what it holds.
    std::string ReadLog() const;

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
};
