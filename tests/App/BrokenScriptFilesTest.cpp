// A broken file that an asset script leads to stops start-up with a message
// naming that file (and the line where its reader knows it), not only the
// asset script that named it.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Effects/Effect.h"
#include "Effects/ParticleSystem.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Level/TrafficLights.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

const char* const EFFECT_BLOCK = "EffectSystem Boom\n Asset_Type Game\n Script Scripts\\Effects\\Boom.txt\n";
const char* const PARTICLE_BLOCK = "ParticleSystem Smoke\n Asset_Type Game\n Script Scripts\\Particles\\Smoke.txt\n";
const char* const EFFECT_FAILED = "Unable to intialize object Boom from: Scripts\\EffectSystems.txt of type CEffect\n";
const char* const PARTICLE_FAILED =
    "Unable to intialize object Smoke from: Scripts\\ParticleSytems.txt of type CParticleEmitter\n";

void LoadEffects()
{
    LoadAssetsFromScript<CEffect>("Scripts\\EffectSystems.txt");
}

void LoadParticleSystems()
{
    LoadAssetsFromScript<CParticleEmitter>("Scripts\\ParticleSytems.txt");
}

void LoadTrafficLights()
{
    CRoadNodeList roads;
    CTrafficLights lights;
    lights.Init(roads);
}

void LoadLevelObjects()
{
    LoadAssetsFromScript<CLevelObject>("Scripts\\LevelObjects.txt");
}

std::string Particles(const std::string& sequence)
{
    return "ParticleSystem \"Smoke\" 1\n{\n  EventSequence \"s\"\n  {\n" + sequence + "\n  }\n}\n";
}

struct BrokenFiles {
    const char* m_What;
    std::vector<std::pair<std::string, std::string>> m_Files;
    std::function<void()> m_Load;
    std::string m_Message;
};

TEST(BrokenScriptFileTest, TheFatalMessageNamesTheInnermostFile)
{
    const std::string effectHead = "EffectSystem \"Boom\" 1.0\n{\n  MeshNum = 1\n";
    const BrokenFiles cases[] = {
        {"an effect script error",
         {{"Scripts/EffectSystems.txt", EFFECT_BLOCK}, {"Scripts/Effects/Boom.txt", effectHead + "  Mesh 1 Size\n}\n"}},
         LoadEffects,
         std::string(EFFECT_FAILED) + "in Scripts\\Effects\\Boom.txt, line 4: Illegal Mesh operation"},
        {"an effect script cut short",
         {{"Scripts/EffectSystems.txt", EFFECT_BLOCK}, {"Scripts/Effects/Boom.txt", effectHead}},
         LoadEffects,
         std::string(EFFECT_FAILED) + "in Scripts\\Effects\\Boom.txt, line 3: Unexpected end-of-file."},
        {"a missing effect script",
         {{"Scripts/EffectSystems.txt", EFFECT_BLOCK}},
         LoadEffects,
         std::string(EFFECT_FAILED) + "in Scripts\\Effects\\Boom.txt: This script is too small to be valid."},
        {"an effect script naming a missing mesh",
         {{"Scripts/EffectSystems.txt", EFFECT_BLOCK},
          {"Scripts/Effects/Boom.txt", effectHead + "  Mesh 1 Asset = \"Gone\"\n}\n"}},
         LoadEffects,
         "No assets of type <CDisplayMesh> are currently stored\nin Scripts\\Effects\\Boom.txt, line 4"},
        {"a particle script error",
         {{"Scripts/ParticleSytems.txt", PARTICLE_BLOCK},
          {"Scripts/Particles/Smoke.txt", Particles("    Lifetime = 1\n    at 0 Size 2")}},
         LoadParticleSystems,
         std::string(PARTICLE_FAILED) + "in Scripts\\Particles\\Smoke.txt, line 6: Expecting = after property."},
        {"a missing particle script",
         {{"Scripts/ParticleSytems.txt", PARTICLE_BLOCK}},
         LoadParticleSystems,
         std::string(PARTICLE_FAILED) + "in Scripts\\Particles\\Smoke.txt: Unable to read the particle script file."},
        {"a particle script naming a missing texture",
         {{"Scripts/ParticleSytems.txt", PARTICLE_BLOCK},
          {"Scripts/Particles/Smoke.txt", Particles("\n    Texture = \"Gone\"")}},
         LoadParticleSystems,
         "No assets of type <CTexture> are currently stored\nin Scripts\\Particles\\Smoke.txt, line 6"},
        {"a missing asset script",
         {},
         LoadEffects,
         "Unable to initialize data buffer\nin Scripts\\EffectSystems.txt"},
        {"a traffic-light file cut short",
         {{"Scripts/Levels/ModernTrafficLights.txt", "NumberOfLights 1\nNumberOfLightGroups 2\n"}},
         LoadTrafficLights,
         "Traffic light 0 has no light groups\nin Scripts\\Levels\\ModernTrafficLights.txt"},
        {"a missing collision file",
         {{"Scripts/LevelObjects.txt", "LevelObject Crate\n CollisionData Scripts\\Collision\\Gone.txt\n"}},
         LoadLevelObjects,
         "Unable to initialize data buffer\nin Scripts\\Collision\\Gone.txt"},
    };
    for (const BrokenFiles& c : cases) {
        SCOPED_TRACE(c.m_What);
        TempDir dir;
        ScopedWorkingDir cwd(dir.Path());
        for (const auto& file : c.m_Files)
            dir.Write(file.first, file.second);
        EXPECT_FATAL(c.m_Load(), c.m_Message);
        g_AssetManager.Clear();
    }
}

} // namespace
