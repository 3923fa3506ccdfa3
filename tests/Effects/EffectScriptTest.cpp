// The effect script compiler: its messages, what each statement sets, and
// loading an "EffectSystem" block.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Effects/Effect.h"
#include "Effects/EffectAssets.h"
#include "Effects/ScriptTokens.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

const char* const COMPILED = "0 error(s), you're good to go!";

struct MessageCase {
    std::string script;
    const char* message;
};

std::string Block(const std::string& body)
{
    return "EffectSystem \"x\" 1 {\n" + body + "\n}";
}

const std::vector<MessageCase>& MessageCases()
{
    static const std::vector<MessageCase> cases = {
        {"", "This script is too small to be valid."},
        {"EffectSystem", "This script is too small to be valid."},
        {"Effect \"x\" 1 { }", "First word must be EffectSystem"},
        {"EffectSystem x 1 { }", "Must name particle system"},
        {"EffectSystem \"x\" { }", "Must have version number"},
        {"EffectSystem \"x\" 1 MeshNum = 1", "Missing opening brace for ParticleSystem block"},
        {"EffectSystem \"x\" 1 {", "Unexpected end-of-file."},
        {Block("Bogus = 1"), "Unexpected \"BOGUS\" in Effect System Block!"},
        {Block("Lifetime = 1"), "Unexpected \"LIFETIME\" in Effect System Block!"},
        {Block("MeshNum 1"), "Expected equals sign!"},
        {Block("MeshNum = many"), "Expecting a number value."},
        {Block("MeshNum = 0"), "Illegal number of Meshes"},
        {Block("MeshNum = 0.9"), "Illegal number of Meshes"},
        {Block("SpriteNum = 65"), "Illegal number of Meshes"},
        {Block("ParticleNum = -1"), "Illegal number of Meshes"},
        {Block("ParticleNum = 1e30"), "Illegal number of Meshes"},
        {Block("Mesh 1 Asset = \"Box\""), "Component number out of range!"},
        {Block("MeshNum = 2 Mesh 3 ZOrderMode = Write"), "Component number out of range!"},
        {Block("MeshNum = 2 Mesh 0.5 ZOrderMode = Write"), "Component number out of range!"},
        {Block("SpriteNum = 1 Sprite Asset = \"Flash\""), "Expecting a number value."},
        {Block("MeshNum = 1 Mesh 1 Asset \"Box\""), "Expected equals sign!"},
        {Block("MeshNum = 1 Mesh 1 ZOrderMode = Sometimes"), "Expected Write or NoWrite"},
        {Block("MeshNum = 1 Mesh 1 ZOrderMode Write"), "Expected equals sign!"},
        {Block("MeshNum = 1 Mesh 1 Size = 2"), "Illegal Mesh operation"},
        {Block("MeshNum = 1 Mesh 1 Pos = XYZ(0, 0, 0)"), "Unexpected \"POS\" in Effect System Block!"},
        {Block("MeshNum = 1 Mesh 1 MatrixOrientation"), "Unexpected \"MATRIXORIENTATION\" in Effect System Block!"},
        {Block("SpriteNum = 1 Sprite 1 IsDark"), "Illegal Sprite operation"},
        {Block("SpriteNum = 1 Sprite 1 Pos = (1, 2, 3)"), "Expecting XYZ(...)!"},
        {Block("SpriteNum = 1 Sprite 1 Pos XYZ(1, 2, 3)"), "Expected equals sign!"},
        {Block("ParticleNum = 1 Particle 1 Stop"), "Illegal Particle operation"},
        {Block("ParticleNum = 1 Particle 1 MatrixType = Both"), "Expecting valid matrix type"},
        {Block("ParticleNum = 1 Particle 2 IsDark"), "Component number out of range!"},
        {Block("EventSequence at 0"), "Expected opening brace for effect sequence block!"},
        {Block("SpriteNum = 1 EventSequence { Sprite 1 Start }"), "Unexpected \"SPRITE\" in Sequence Block!"},
        {Block("SpriteNum = 1 EventSequence { at 0 Bogus }"), "Unexpected \"BOGUS\" in Sequence Block!"},
        {Block("EventSequence { at 0 Laser 1 Start }"),
         "Unknown event type, or there was an error creating this event."},
        {Block("SpriteNum = 1 EventSequence { at 0 Sprite 1 Asset }"),
         "Unknown event type, or there was an error creating this event."},
        {Block("EventSequence { fade so at 1 Effect 1 Stop }"), "Fading is not supported on this event."},
        {Block("MeshNum = 1 EventSequence { fade so at 1 Mesh 1 TextureSet = 2 }"),
         "Fading is not supported on this event."},
        {Block("SpriteNum = 1 EventSequence { at 0 Sprite 2 Start }"), "Component number out of range!"},
        {Block("EventSequence { at 0 Mesh 1 Size = 1 }"), "Component number out of range!"},
        {Block("ParticleNum = 2 EventSequence { at 0 Particle 0 Stop }"), "Component number out of range!"},
        {Block("MeshNum = 1 EventSequence { at 0 Mesh 1 Size=2 }"), "Expecting = after property."},
        {Block("EventSequence { at 0 EventTimer 1 }"), "Expecting = after property."},
        {Block("EventSequence { at 0 Sprite one Start }"), "Expecting a number value."},
        {Block("SpriteNum = 1 EventSequence { fade at 1 Sprite 1 Start }"), "Expecting \"so\" after \"fade\"."},
        {Block("SpriteNum = 1 EventSequence { fade so initial Sprite 1 Start }"),
         "Cannot use \"fade so\" modifier on \"initial\" times."},
        {Block("SpriteNum = 1 EventSequence { fade so Sprite 1 Start }"),
         "Expected time specifier: \"[fade so] at\", \"initial\", or \"[fade so] final\""},
        {Block("SpriteNum = 1 EventSequence { at Random(1 2) Sprite 1 Start }"),
         "Expecting comma within Random(...)."},
        {Block("MeshNum = 1 EventSequence { at 0 Mesh 1 Color = RGBA(1, 1, 1) }"),
         "Color components must be seperated by a comma."},
        {Block("MeshNum = 1 EventSequence { at 0 Mesh 1 Pos = XYZ(1, 2) }"),
         "Vector components must be seperated by a comma."},
        {Block("SpriteNum = 1 EventSequence { at 0 Sprite 1 Alpha = soon }"),
         "Expecting either Random(...) or a number value."},
        // The sequence block's "}" must be followed by one more token.
        {"EffectSystem \"x\" 1 { EventSequence { }", "Unexpected end-of-file."},
        {"EffectSystem \"x\" 1 { SpriteNum = 1 EventSequence { at 0 Sprite 1 Start", "Unexpected end-of-file."},
    };
    return cases;
}

class EffectScriptTest : public EffectAssetsTest {
protected:
    EffectScriptTest() : m_Cwd(m_Dir.Path()) { g_Log.Open("log.txt"); }
    ~EffectScriptTest() override { g_Log.Shutdown(); }

    // Loads the "EffectSystem" block `block` from a script file.
    bool LoadBlock(CEffect& effect, const std::string& block)
    {
        m_Dir.Write("Scripts/Effects.txt", block);
        CDataBuffer reader;
        if (!reader.Init("Scripts\\Effects.txt", SCRIPT_SEPARATORS))
            return false;
        return effect.Load(reader);
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
};

TEST_F(EffectScriptTest, EveryErrorStopsTheCompileWithItsMessage)
{
    for (const MessageCase& test : MessageCases()) {
        CEffect effect;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(effect.Compile(test.script)) << test.script;
        const std::string debugOutput = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(test.message, effect.GetStatus()) << test.script;
        EXPECT_EQ(std::string(test.message) + "\n", debugOutput) << "the debugger hears of it: " << test.script;
        EXPECT_EQ(0, effect.m_u8Compiled) << test.script;
        EXPECT_FALSE(effect.IsInitialised() || effect.IsReady()) << test.script;

        effect.Start();
        EXPECT_EQ(0, effect.m_u8Running) << "a failed compile cannot start: " << test.script;
    }
}

TEST_F(EffectScriptTest, StatementsSetTheComponentsAndTheSortedLinkedEvents)
{
    CEffect effect;
    ASSERT_TRUE(effect.Compile("effectsystem \"Fireworks\" 2 // the header\n"
                               "{\n"
                               "  MeshNum = 2.7\n"
                               "  Mesh 1 Asset = \"Box\"\n"
                               "  Mesh 1 ZOrderMode = Write\n"
                               "  Mesh 2 ZOrderMode = NoWrite\n"
                               "  SpriteNum = 1\n"
                               "  Sprite 1 Asset = \"Flash\"\n"
                               "  Sprite 1 Pos = XYZ(1, Random(2, 2), -3)\n"
                               "  ParticleNum = 3\n"
                               "  Particle 1 Asset = \"Stream\"\n"
                               "  Particle 1 Pos = XYZ(4, 5, 6)\n"
                               "  Particle 1 MatrixType = JustEmitter\n"
                               "  Particle 2 MatrixType = Follow\n"
                               "  Particle 2 IsDark\n"
                               "  EventSequence\n"
                               "  {\n"
                               "    at 2 Sprite 1 Size = 1\n"
                               "    fade so final Sprite 1 Size = 2\n"
                               "    at 1 Mesh 1 Alpha = 0.5\n"
                               "    initial Sprite 1 Start\n"
                               "    fade so at 2.5 Mesh 2 Alpha = 1\n"
                               "    fade so at 2.5 Mesh 1 Alpha = 0\n"
                               "    fade so at 2 Sprite 1 Start\n"
                               "    at 2 EventTimer = Random(0, 1)\n"
                               "    fade so at 0.5 EventTimer = 0\n"
                               "    at 1 Mesh 1 Pos = XYZ(1, 2, 3)\n"
                               "    at 1 Mesh 2 Color = RGBA(1, 0, 0, 1)\n"
                               "    at 1 Mesh 1 TextureSet = 2.9\n"
                               "    at 3 Effect 99 Stop\n"
                               "  }\n"
                               "}\n"
                               "Bogus tokens ( after the block are never read"));
    EXPECT_EQ(COMPILED, effect.GetStatus());
    EXPECT_EQ("Fireworks", effect.GetEffectName());
    EXPECT_EQ(1, effect.m_u8Compiled);

    ASSERT_EQ(2u, effect.m_Meshes.size()) << "counts are truncated";
    CDisplayMesh* box = nullptr;
    g_AssetManager.GetAsset("Box", box, true);
    EXPECT_EQ(box, effect.m_Meshes[0].m_DisplayObject.GetMesh());
    EXPECT_EQ(1, effect.m_Meshes[0].m_u8ZWrite);
    EXPECT_EQ(0, effect.m_Meshes[1].m_u8ZWrite);
    ASSERT_EQ(1u, effect.m_Sprites.size());
    EXPECT_NE(nullptr, effect.m_Sprites[0].m_pSequence);
    EXPECT_EQ(D3DXVECTOR3(1.0f, 2.0f, -3.0f), effect.m_Sprites[0].m_vPosition);
    ASSERT_EQ(3u, effect.m_ParticleSystems.size());
    EXPECT_EQ(1u, effect.m_ParticleSystems[0].GetSequences().size()) << "a copy of Stream";
    EXPECT_EQ(D3DXVECTOR3(4.0f, 5.0f, 6.0f), effect.m_ParticleSystems[0].m_vPosition);
    EXPECT_EQ(1, effect.m_ParticleSystems[1].m_u8Dark);
    EXPECT_EQ(CEffect::MATRIX_EMITTER, effect.GetMatrixType(0));
    EXPECT_EQ(CEffect::MATRIX_RENDER, effect.GetMatrixType(1));
    EXPECT_EQ(CEffect::MATRIX_NONE, effect.GetMatrixType(2));

    const CEffectEventList& events = *effect.GetEvents();
    ASSERT_EQ(13u, events.size());
    for (size_t i = 1; i < events.size(); ++i)
        EXPECT_LE(events[i - 1]->m_fTime, events[i]->m_fTime);
    EXPECT_EQ(0u, effect.GetCursor());
    // Equal times keep script order: the three events at 1 s, then the four at 2 s.
    const std::vector<int> types = {
        EFFECT_EVENT_SPRITE_START, EFFECT_EVENT_EVENT_TIMER,   EFFECT_EVENT_MESH_ALPHA,
        EFFECT_EVENT_MESH_POS,     EFFECT_EVENT_MESH_COLOR,    EFFECT_EVENT_MESH_TEXTURESET,
        EFFECT_EVENT_SPRITE_SIZE,  EFFECT_EVENT_SPRITE_START,  EFFECT_EVENT_EVENT_TIMER,
        EFFECT_EVENT_MESH_ALPHA,   EFFECT_EVENT_MESH_ALPHA,    EFFECT_EVENT_SPRITE_SIZE,
        EFFECT_EVENT_SYSTEM_STOP,
    };
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_EQ(types[i], events[i]->m_iTypeId) << i << " " << events[i]->m_pClassName;
    EXPECT_EQ(3.0f, events[11]->m_fTime) << "\"final\" is 3 seconds";

    // Partners: the next fading event of the same type on the same component.
    EXPECT_EQ(events[7].get(), events[0]->m_pFadePartner) << "a fading start still pairs";
    EXPECT_EQ(events[10].get(), events[2]->m_pFadePartner) << "mesh 1's alpha, not mesh 2's";
    EXPECT_EQ(nullptr, events[9]->m_pFadePartner);
    EXPECT_EQ(events[11].get(), events[6]->m_pFadePartner);
    EXPECT_EQ(nullptr, events[11]->m_pFadePartner);
    EXPECT_EQ(2, static_cast<const CEffectEvent_Mesh_TextureSet&>(*events[5]).m_iTextureSet);
    EXPECT_EQ(0, events[3]->m_iTarget) << "components count from 1 in scripts";
    EXPECT_EQ(1, events[4]->m_iTarget);
}

TEST_F(EffectScriptTest, ZOrderModeAndTheEndOfTheSequence)
{
    const struct {
        const char* word;
        int zWrite;
    } modes[] = {{"Write", 1}, {"nowrite", 0}, {"NOWRITE", 0}};
    for (const auto& mode : modes) {
        CEffect effect;
        Compile(effect, "MeshNum = 1 Mesh 1 ZOrderMode = Write Mesh 1 ZOrderMode = " + std::string(mode.word));
        EXPECT_EQ(mode.zWrite, effect.m_Meshes[0].m_u8ZWrite) << mode.word;
    }

    // With no sequence the effect compiles to an empty list, so that it can
    // be reset and stopped like any other.
    CEffect silent;
    Compile(silent, "SpriteNum = 1");
    ASSERT_NE(nullptr, silent.GetEvents());
    EXPECT_TRUE(silent.GetEvents()->empty());

    // The token after the sequence's "}" is passed over unread; the rest too.
    CEffect trailing;
    ASSERT_TRUE(trailing.Compile("EffectSystem \"x\" 1 { EventSequence { } Unread MeshNum = 0 }")) << trailing.GetStatus();
    EXPECT_TRUE(trailing.m_Meshes.empty());
}

TEST_F(EffectScriptTest, ARandomTimeIsDrawnOnceForEveryCopy)
{
    CEffect prototype;
    Compile(prototype, "SpriteNum = 1 Sprite 1 Asset = \"Flash\" EventSequence { at Random(1, 2) Sprite 1 Start }");
    const float time = (*prototype.GetEvents())[0]->m_fTime;
    EXPECT_GT(time, 1.0f);
    EXPECT_LT(time, 2.0f);

    CEffect first(prototype);
    CEffect second(prototype);
    EXPECT_EQ(prototype.GetEvents(), first.GetEvents()) << "copies share the event objects";
    for (CEffect* copy : {&first, &second}) {
        copy->Start();
        copy->Update(time - 0.001f);
        EXPECT_EQ(0, copy->m_Sprites[0].m_u8Active);
        copy->Update(0.002f);
        EXPECT_EQ(1, copy->m_Sprites[0].m_u8Active);
    }
}

TEST_F(EffectScriptTest, MissingAssetsAreFatal)
{
    CEffect effect;
    EXPECT_FATAL(effect.Compile(Block("MeshNum = 1 Mesh 1 Asset = \"Nowhere\"")),
                 "Unable to find asset \"Nowhere\" of type <CDisplayMesh>");
    EXPECT_FATAL(effect.Compile(Block("SpriteNum = 1 Sprite 1 Asset = \"Nowhere\"")),
                 "Unable to find asset \"Nowhere\" of type <C3DAnimSequence>");
    EXPECT_FATAL(effect.Compile(Block("ParticleNum = 1 Particle 1 Asset = \"Nowhere\"")),
                 "Unable to find asset \"Nowhere\" of type <CParticleEmitter>");
}

TEST_F(EffectScriptTest, LoadingReadsTheBlockAndCompilesItsScript)
{
    m_Dir.Write("Scripts/Effects/Test.txt", Script("SpriteNum = 1 EventSequence { initial Sprite 1 Start }"));
    CEffect effect;
    ASSERT_TRUE(LoadBlock(effect, "EffectSystem Flashy\n Asset_Type Game\n Script Scripts\\Effects\\Test.txt\n"));
    EXPECT_EQ("Flashy", effect.GetName());
    EXPECT_EQ("Test", effect.GetEffectName());
    EXPECT_EQ("Scripts\\Effects\\Test.txt", effect.GetScriptPath());
    EXPECT_TRUE(effect.IsInitialised() && effect.IsReady());
    EXPECT_EQ(0, effect.m_u8Running) << "a prototype is never started";
    EXPECT_FALSE(LoadBlock(effect, "EffectSystem Again\n Asset_Type Game\n Script Scripts\\Effects\\Test.txt\n"))
        << "one object loads once";

    CEffect copy(effect);
    EXPECT_EQ("", copy.GetName()) << "a copy is no asset";
    EXPECT_EQ("Test", copy.GetEffectName());
    EXPECT_TRUE(copy.IsInitialised() && copy.IsReady());

    CEffect noScript;
    EXPECT_FALSE(LoadBlock(noScript, "EffectSystem Bare\n Asset_Type Game\n")) << "no script, no effect";
    CEffect notAnEffect;
    EXPECT_FALSE(LoadBlock(notAnEffect, "ParticleSystem Bare\n Asset_Type Game\n Script x.txt\n"));
}

TEST_F(EffectScriptTest, AnUnreadableScriptCompilesAsEmptyText)
{
    CEffect missing;
    EXPECT_FALSE(LoadBlock(missing, "EffectSystem Gone\n Asset_Type Game\n Script Scripts\\None.txt\n"));
    EXPECT_EQ("This script is too small to be valid.", missing.GetStatus());
}

} // namespace
