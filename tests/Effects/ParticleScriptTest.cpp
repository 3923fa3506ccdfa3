#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Effects/ParticleSystem.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

const uint32_t SEED = 99;
const char* const COMPILED = "0 error(s), you're good to go!";

// A system of one sequence whose block holds `body`.
std::string Script(const std::string& body)
{
    return "ParticleSystem \"Test\" 1.0\n{\n EventSequence \"Seq\"\n {\n" + body + "\n }\n}\n";
}

struct MessageCase {
    std::string script;
    const char* message;
};

const std::vector<MessageCase>& MessageCases()
{
    static const std::string sixteen = "1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1";
    static const std::vector<MessageCase> cases = {
        {"", "This script is too small to be valid."},
        {"ParticleSystem", "This script is too small to be valid."},
        {"Effect \"x\" 1 { }", "First word must be ParticleSystem"},
        {"ParticleSystem x 1 { }", "Must name particle system"},
        {"ParticleSystem \"x\" { }", "Must have version number"},
        {"ParticleSystem \"x\" 1 EventSequence", "Missing opening brace for ParticleSystem block"},
        {"ParticleSystem \"x\" 1 {", "Unexpected end-of-file."},
        {"ParticleSystem \"x\" 1 { bogus }", "Unexpected \"BOGUS\" in Particle System Block!"},
        {"ParticleSystem \"x\" 1 { EventSequence \"s\" { } Position = XYZ(0, 0, 0) }",
         "Cannot specify any particle system properties after specifying sequences."},
        {"ParticleSystem \"x\" 1 { Position XYZ(0, 0, 0) }", "Expected equals sign!"},
        {"ParticleSystem \"x\" 1 { EventSequence s { } }", "Must name particle sequence block!"},
        {"ParticleSystem \"x\" 1 { EventSequence \"s\" Lifetime }",
         "Expected opening brace for particle sequence block!"},
        {Script("at 0 Size = 1 Lifetime = 2"), "Cannot specify any sequence properties after specifying events."},
        {Script("Texture = Puff"), "Expected filename after texture sequence property."},
        {Script("Lifetime 2"), "Expected equals sign!"},
        {Script("at 0 Size 2"), "Expecting = after property."},
        {Script("at 0 Size=2 at 1 Size = 1"), "Expecting = after property."},
        {Script("fade so at 1 EventTimer = 0"), "Fading is not supported on this event."},
        {Script("at 0 Lifetime = 1"), "Unknown event type, or there was an error creating this event."},
        {Script("Size = 1"), "Unexpected \"SIZE\" in Sequence Block!"},
        {Script("NumParticles = 10001"), "Particle count must be between 0 and 10000."},
        {Script("NumParticles = Random(5, -1)"), "Particle count must be between 0 and 10000."},
        {Script("NumParticles = -0.5"), "Particle count must be between 0 and 10000."},
        {Script("Loops = 3e9"), "Loop count out of range."},
        {Script("fade at 1 Size = 1"), "Expecting \"so\" after \"fade\"."},
        {Script("fade so initial Size = 1"), "Cannot use \"fade so\" modifier on \"initial\" times."},
        {Script("fade so Size = 1"),
         "Expected time specifier: \"[fade so] at\", \"initial\", or \"[fade so] final\""},
        {Script("Lifetime = Random 1, 2)"), "Expecting opening paren after Random keyword."},
        {Script("Lifetime = Random(x, 2)"), "Expecting first number within Random(...)."},
        {Script("Lifetime = Random(1 2)"), "Expecting comma within Random(...)."},
        {Script("Lifetime = Random(1, )"), "Expecting second number within Random(...)."},
        {Script("Lifetime = Random(1, 2"), "Missing close paren on Random(...)."},
        {Script("Lifetime = soon"), "Expecting either Random(...) or a number value."},
        {Script("Gravity = (1, 2, 3)"), "Expecting XYZ(...)!"},
        {Script("Gravity = XYZ 1, 2, 3)"), "Expecting ( after XYZ!"},
        {Script("Gravity = XYZ(1 2, 3)"), "Vector components must be seperated by a comma."},
        {Script("Gravity = XYZ(1, 2, 3 4)"), "Expecting ) to close vector."},
        {Script("at 0 Color = (1, 1, 1, 1)"), "Expecting RGBA(...)!"},
        {Script("at 0 Color = RGBA 1"), "Expecting ( after RGBA!"},
        {Script("at 0 Color = RGBA(1, 1 1, 1)"), "Color components must be seperated by a comma."},
        {Script("at 0 Color = RGBA(1, 1, 1, 1, 1)"), "Expecting ) to close vector."},
        {Script("MatrixOrientation = XYZ(1, 2, 3)"), "Expecting Mat(...)!"},
        {Script("MatrixOrientation = Matrix 1"), "Expecting ( after Matrix!"},
        {Script("MatrixOrientation = Matrix(1 0)"), "Matrix components must be seperated by a comma."},
        {Script("MatrixOrientation = Matrix(" + sixteen + ", 1)"), "Expecting ) to close Matrix."},
        {Script("MatrixOrientation = Matrix(1, Random(0, 1))"), "Expecting a number value."},
        {Script("SourceBlendMode = ONE"),
         "Expecting alpha blend mode (D3DBLEND_ZERO, D3DBLEND_ONE, etc.)."},
        {Script("DestBlendMode = D3DBLEND_TWO"), "Invalid alpha blending mode!"},
        {"ParticleSystem \"x\" 1 { EventSequence \"s\" { at 0 Size = 1", "Unexpected end-of-file."},
    };
    return cases;
}

class ParticleScriptTest : public ::testing::Test {
protected:
    ParticleScriptTest() : m_Cwd(m_Dir.Path())
    {
        g_RandomTable.Fill(SEED);
        g_Log.Open("log.txt");
    }
    ~ParticleScriptTest() override
    {
        g_Log.Shutdown();
        g_AssetManager.Clear();
    }

    // A loaded "ParticleSystem" block named Test whose script is `script`.
    bool LoadBlock(CParticleEmitter& emitter, const std::string& script)
    {
        m_Dir.Write("Scripts/Particles/Test.txt", script);
        m_Dir.Write("Scripts/Systems.txt", "ParticleSystem Test\n Asset_Type Game\n"
                                           " Script Scripts\\Particles\\Test.txt\n");
        CDataBuffer reader;
        if (!reader.Init("Scripts\\Systems.txt", SCRIPT_SEPARATORS))
            return false;
        return emitter.Load(reader);
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
};

TEST_F(ParticleScriptTest, EveryErrorStopsTheCompileWithItsMessageAndClearsTheSystem)
{
    for (const MessageCase& test : MessageCases()) {
        CParticleEmitter emitter;
        emitter.m_vPosition = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
        EXPECT_FALSE(emitter.Compile(test.script)) << test.script;
        EXPECT_EQ(test.message, emitter.GetStatus()) << test.script;
        EXPECT_TRUE(emitter.GetSequences().empty()) << test.script;
        EXPECT_EQ("", emitter.GetSystemName()) << test.script;
        EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), emitter.m_vPosition) << test.script;
    }
}

TEST_F(ParticleScriptTest, PropertiesTakeTheirValues)
{
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile("particlesystem \"Fountain\" 2\n"
                                "{\n"
                                "  position = xyz(1, 2, 3)\n"
                                "  eventsequence \"Jet\"\n"
                                "  {\n"
                                "    numparticles = Random(10, 20.9) // the maximum, truncated\n"
                                "    loops = 2.7\n"
                                "    emitrate = Random(5, 6)\n"
                                "    sourceblendmode = D3DBLEND_ONE\n"
                                "    destblendmode = D3DBLEND_SRCALPHASAT\n"
                                "    emitradius = XYZ(-1, 0, Random(0, 2))\n"
                                "    matrixorientation = Matrix(1,0,0,0, 0,1,0,0, 0,0,1,0, 4,5,6,1)\n"
                                "  }\n"
                                "  EventSequence \"Second\" { }\n"
                                "}\n"
                                "anything ( after the block"));
    EXPECT_EQ(COMPILED, emitter.GetStatus());
    EXPECT_EQ("Fountain", emitter.GetSystemName());
    EXPECT_EQ(D3DXVECTOR3(1.0f, 2.0f, 3.0f), emitter.m_vPosition);
    ASSERT_EQ(2u, emitter.GetSequences().size());
    const CParticleEventSequence& jet = emitter.GetSequences()[0];
    EXPECT_EQ("Jet", jet.m_Name);
    EXPECT_EQ(20, jet.m_iNumParticles);
    EXPECT_EQ(20, jet.GetPoolCount()) << "the pool is made when the compile ends";
    EXPECT_EQ(2, jet.m_iLoops);
    EXPECT_EQ(5.0f, jet.m_EmitRate.m_Min);
    EXPECT_EQ(6.0f, jet.m_EmitRate.m_Max);
    EXPECT_EQ(2, jet.m_iSourceBlend);
    EXPECT_EQ(11, jet.m_iDestBlend);
    EXPECT_EQ(2.0f, jet.m_EmitRadius.m_Max.z);
    EXPECT_EQ(5.0f, jet.m_matLocal._42);
    const CParticleEventSequence& second = emitter.GetSequences()[1];
    EXPECT_EQ(CParticleEventSequence::DEFAULT_PARTICLE_COUNT, second.GetPoolCount());
    EXPECT_EQ(CParticleEventSequence::UNLIMITED_LOOPS, second.m_iLoops);
}

TEST_F(ParticleScriptTest, FinalIsTheLifetimeWrittenAboveIt)
{
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(Script("final Size = 1")));
    EXPECT_EQ(0.0f, emitter.GetSequences()[0].GetEvents()->m_Size[0].m_fTime) << "no Lifetime yet";

    ASSERT_TRUE(emitter.Compile(
        Script("Lifetime = Random(1, 3)\nfinal Size = 1\nfade so final Color = RGBA(1, 1, 1, 0)")));
    const CParticleEventLists& events = *emitter.GetSequences()[0].GetEvents();
    EXPECT_EQ(3.0f, events.m_Size[0].m_fTime);
    EXPECT_TRUE(events.m_Color[0].m_bFade);
}

TEST_F(ParticleScriptTest, EventsAreSortedByTimeKeepingScriptOrderAtEqualTimes)
{
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(Script("at 2 Size = 3\nat 1 Size = 1\nat 1 Size = 2\nat Random(0.5, 1.5) Size = 4")));
    const std::vector<CParticleEventSize_Inline>& sizes = emitter.GetSequences()[0].GetEvents()->m_Size;
    ASSERT_EQ(4u, sizes.size());
    for (size_t i = 1; i < sizes.size(); ++i)
        EXPECT_LE(sizes[i - 1].m_fTime, sizes[i].m_fTime);
    std::vector<float> atOne;
    for (const CParticleEventSize_Inline& event : sizes) {
        if (event.m_fTime == 1.0f)
            atOne.push_back(event.m_Value.m_Min);
    }
    EXPECT_EQ((std::vector<float>{1.0f, 2.0f}), atOne);
}

TEST_F(ParticleScriptTest, AMissingTextureIsFatal)
{
    CParticleEmitter emitter;
    EXPECT_FATAL(emitter.Compile(Script("Texture = \"Nowhere\"")),
                 "No assets of type <CTexture> are currently stored");
}

TEST_F(ParticleScriptTest, LoadingReadsTheBlockAndCompilesItsScriptOnce)
{
    CParticleEmitter emitter;
    ASSERT_TRUE(LoadBlock(emitter, Script("Lifetime = 1")));
    EXPECT_EQ("Test", emitter.GetName());
    EXPECT_EQ("Scripts\\Particles\\Test.txt", emitter.GetScriptFile());
    EXPECT_TRUE(emitter.IsInitialised());
    EXPECT_TRUE(emitter.IsReady());
    EXPECT_FALSE(emitter.IsActive()) << "a prototype is never started";
    EXPECT_FALSE(LoadBlock(emitter, Script("Lifetime = 1"))) << "the same object loads once";
}

TEST_F(ParticleScriptTest, AnUnreadableOrUnnamedScriptFailsTheLoad)
{
    CParticleEmitter missing;
    m_Dir.Write("Scripts/Systems.txt", "ParticleSystem Gone\n Asset_Type Game\n Script Scripts\\None.txt\n");
    CDataBuffer reader;
    ASSERT_TRUE(reader.Init("Scripts\\Systems.txt", SCRIPT_SEPARATORS));
    EXPECT_FALSE(missing.Load(reader));
    EXPECT_FALSE(missing.IsInitialised());
    EXPECT_EQ("Unable to read the particle script file.", missing.GetStatus());

    CParticleEmitter unnamed;
    m_Dir.Write("Scripts/Systems.txt", "ParticleSystem NoScript\n Asset_Type Game\n");
    CDataBuffer noScript;
    ASSERT_TRUE(noScript.Init("Scripts\\Systems.txt", SCRIPT_SEPARATORS));
    EXPECT_FALSE(unnamed.Load(noScript)) << "a block without a script does not validate";
}

} // namespace
