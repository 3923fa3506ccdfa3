#pragma once
// What effect scripts in tests name, filed in the asset store without files
// or a device: the texture "Blank", the sprite sequence "Flash" (one frame
// of it for ten seconds), the mesh "Box" (no file: it draws nothing), and
// the particle systems "Stream" (emits for as long as it runs) and "Burst"
// (five particles once).

#include <string>

#include <gtest/gtest.h>

#include "Effects/Effect.h"

class EffectAssetsTest : public ::testing::Test {
protected:
    EffectAssetsTest();
    ~EffectAssetsTest() override;

    // An effect script whose header and block hold `body`.
    static std::string Script(const std::string& body);
    // `body` compiled into `effect`; fails the test when it does not compile.
    static void Compile(CEffect& effect, const std::string& body);
    // Updates `effect` `frames` times by `seconds`.
    static void Run(CEffect& effect, int frames, float seconds);
};
