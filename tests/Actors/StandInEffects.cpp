#include "Actors/StandInEffects.h"

#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Effects/Effect.h"
#include "Effects/ParticleSystem.h"

void FileStandInEffects(std::initializer_list<const char*> names, const char* stopSeconds)
{
    auto* burst = new CParticleEmitter();
    ASSERT_TRUE(burst->Compile("ParticleSystem \"Burst\" 1 { EventSequence \"s\" { NumParticles = 5 Loops = 1 "
                               "EmitRate = 1000 Lifetime = 0.5 } }"))
        << burst->GetStatus();
    burst->m_Name = "Burst";
    g_AssetManager.AddAsset(burst);
    const std::string script = std::string("EffectSystem \"Test\" 1.0 { ParticleNum = 1 Particle 1 Asset = \"Burst\" "
                                           "Particle 1 MatrixType = JustEmitter EventSequence { at ") +
                               stopSeconds + " Effect 1 Stop } }";
    for (const char* name : names) {
        auto* effect = new CEffect();
        ASSERT_TRUE(effect->Compile(script)) << effect->GetStatus();
        effect->m_Name = name;
        g_AssetManager.AddAsset(effect);
    }
}
