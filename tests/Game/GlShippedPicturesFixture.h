#pragma once
// A GL display with the state blocks and every shipped texture filed, as the
// game has them when its HUD and phone draw; all of it goes again after.

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "support/TempDir.h"

class GlShippedPicturesFixture : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(CStateBlocks::CreateAll());
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
    }

    void TearDown() override
    {
        g_TextMaster.Reset();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlDisplayFixture::TearDown();
    }
};
