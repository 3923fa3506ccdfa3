#include "Effects/EffectAssets.h"

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/AnimSequence.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "Effects/ParticleSystem.h"
#include "support/ScriptText.h"

namespace {

const uint32_t SEED = 77;

template <class T>
T* File(T* asset, const char* name)
{
    asset->m_Name = name;
    g_AssetManager.AddAsset(asset);
    return asset;
}

void FileParticleSystem(const char* name, const std::string& sequence)
{
    auto* system = new CParticleEmitter();
    ASSERT_TRUE(system->Compile("ParticleSystem \"" + std::string(name) + "\" 1 { EventSequence \"s\" {" + sequence +
                                "} }"))
        << system->GetStatus();
    File(system, name);
}

} // namespace

EffectAssetsTest::EffectAssetsTest()
{
    g_RandomTable.Fill(SEED);
    File(new CTexture(), "Blank");
    File(new CDisplayMesh(), "Box");
    auto* flash = new C3DAnimSequence();
    EXPECT_TRUE(LoadFrom(*flash, "3DAnimSeq Flash\n Asset_Type Game\n AnimFrame Blank\n Time 10\n"));
    g_AssetManager.AddAsset(flash);
    FileParticleSystem("Stream", "NumParticles = 20 EmitRate = 100 Lifetime = 0.5");
    FileParticleSystem("Burst", "NumParticles = 5 Loops = 1 EmitRate = 1000 Lifetime = 0.5");
}

EffectAssetsTest::~EffectAssetsTest()
{
    g_AssetManager.Clear();
}

std::string EffectAssetsTest::Script(const std::string& body)
{
    return "EffectSystem \"Test\" 1.0\n{\n" + body + "\n}\n";
}

void EffectAssetsTest::Compile(CEffect& effect, const std::string& body)
{
    ASSERT_TRUE(effect.Compile(Script(body))) << effect.GetStatus() << "\n" << body;
}

void EffectAssetsTest::Run(CEffect& effect, int frames, float seconds)
{
    for (int frame = 0; frame < frames; ++frame)
        effect.Update(seconds);
}
