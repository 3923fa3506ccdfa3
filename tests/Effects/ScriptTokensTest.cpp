#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Effects/ScriptTokens.h"

namespace {

const uint32_t SEED = 1234;

struct Expected {
    const char* text;
    int kind;
};

struct SplitCase {
    const char* name;
    const ScriptKeywordTable* keywords;
    const char* script;
    std::vector<Expected> tokens;
};

const std::vector<SplitCase>& SplitCases()
{
    static const std::vector<SplitCase> cases = {
        {"a word before a comment", &PARTICLE_KEYWORDS, "Gravity// up\nLoops",
         {{"GRAVITY", TOKEN_VECTOR_PROPERTY}, {"LOOPS", TOKEN_NUMERIC_PROPERTY}}},
        {"= without blanks stays in the word", &PARTICLE_KEYWORDS, "SIZE=2 = 2",
         {{"SIZE=2", TOKEN_SIZE}, {"=", TOKEN_EQUALS}, {"2", TOKEN_NUMBER}}},
        {"spacings of a vector", &PARTICLE_KEYWORDS, "XYZ (1,2 ,3)XYZ( 1 , 2,3 )",
         {{"XYZ", TOKEN_XYZ}, {"(", TOKEN_OPEN_PAREN}, {"1", TOKEN_NUMBER}, {",", TOKEN_COMMA},
          {"2", TOKEN_NUMBER}, {",", TOKEN_COMMA}, {"3", TOKEN_NUMBER}, {")", TOKEN_CLOSE_PAREN},
          {"XYZ", TOKEN_XYZ}, {"(", TOKEN_OPEN_PAREN}, {"1", TOKEN_NUMBER}, {",", TOKEN_COMMA},
          {"2", TOKEN_NUMBER}, {",", TOKEN_COMMA}, {"3", TOKEN_NUMBER}, {")", TOKEN_CLOSE_PAREN}}},
        {"lower case is upper-cased", &PARTICLE_KEYWORDS, "fade so final color = random",
         {{"FADE", TOKEN_FADE}, {"SO", TOKEN_SO}, {"FINAL", TOKEN_FINAL}, {"COLOR", TOKEN_COLOR},
          {"=", TOKEN_EQUALS}, {"RANDOM", TOKEN_RANDOM}}},
        {"SO and AT only as whole words", &PARTICLE_KEYWORDS, "at SOME ATLAS",
         {{"AT", TOKEN_AT}, {"SOME", TOKEN_WORD}, {"ATLAS", TOKEN_WORD}}},
        {"quotes keep their text", &PARTICLE_KEYWORDS, "name\"My // Puff\"x{}",
         {{"NAME", TOKEN_WORD}, {"\"My // Puff\"", TOKEN_QUOTED}, {"X", TOKEN_WORD}, {"{", TOKEN_OPEN_BRACE},
          {"}", TOKEN_CLOSE_BRACE}}},
        {"an unclosed quote runs to the end", &PARTICLE_KEYWORDS, "\"open", {{"\"open", TOKEN_QUOTED}}},
        {"a lone slash is a token", &PARTICLE_KEYWORDS, "a/b /", {{"A", TOKEN_WORD}, {"/", TOKEN_WORD},
                                                                  {"B", TOKEN_WORD}, {"/", TOKEN_WORD}}},
        {"numbers start with a digit or a minus", &PARTICLE_KEYWORDS, "- -x 7up .5",
         {{"-", TOKEN_NUMBER}, {"-x", TOKEN_NUMBER}, {"7up", TOKEN_NUMBER}, {".5", TOKEN_WORD}}},
        {"containment, longest first", &PARTICLE_KEYWORDS,
         "MatrixOrientation Matrix( D3DBLEND_ONE SourceBlendMode NumParticlesX ParticlePos Textures",
         {{"MATRIXORIENTATION", TOKEN_MATRIXORIENTATION}, {"MATRIX", TOKEN_MATRIX}, {"(", TOKEN_OPEN_PAREN},
          {"D3DBLEND_ONE", TOKEN_BLEND_MODE}, {"SOURCEBLENDMODE", TOKEN_BLEND_PROPERTY},
          {"NUMPARTICLESX", TOKEN_NUMERIC_PROPERTY}, {"PARTICLEPOS", TOKEN_PARTICLEPOS},
          {"TEXTURES", TOKEN_TEXTURE}}},
        {"the particle words", &PARTICLE_KEYWORDS,
         "ParticleSystem EventSequence Position EmitRadius Velocity EventTimer initial RGBA",
         {{"PARTICLESYSTEM", TOKEN_PARTICLESYSTEM}, {"EVENTSEQUENCE", TOKEN_EVENTSEQUENCE},
          {"POSITION", TOKEN_POSITION}, {"EMITRADIUS", TOKEN_VECTOR_PROPERTY}, {"VELOCITY", TOKEN_VELOCITY},
          {"EVENTTIMER", TOKEN_EVENTTIMER}, {"INITIAL", TOKEN_INITIAL}, {"RGBA", TOKEN_RGBA}}},
        {"the effect table", &EFFECT_KEYWORDS,
         "MESHES MeshNum ParticleNum Particle NoWrite Write ZOrderMode EffectSystem size EventTimer "
         "Lifetime Loops MatrixType Matrix D3DBLEND_ONE",
         {{"MESHES", TOKEN_MESH}, {"MESHNUM", TOKEN_MESHNUM}, {"PARTICLENUM", TOKEN_PARTICLENUM},
          {"PARTICLE", TOKEN_PARTICLE}, {"NOWRITE", TOKEN_NOWRITE}, {"WRITE", TOKEN_WRITE},
          {"ZORDERMODE", TOKEN_ZORDERMODE}, {"EFFECTSYSTEM", TOKEN_EFFECTSYSTEM}, {"SIZE", TOKEN_EFFECT_SIZE},
          {"EVENTTIMER", TOKEN_EFFECT_EVENTTIMER}, {"LIFETIME", TOKEN_EFFECT_LIFETIME},
          {"LOOPS", TOKEN_EFFECT_LOOPS}, {"MATRIXTYPE", TOKEN_MATRIXTYPE}, {"MATRIX", TOKEN_MATRIX},
          {"D3DBLEND_ONE", TOKEN_WORD}}},
        {"only a comment", &PARTICLE_KEYWORDS, "// nothing here", {}},
    };
    return cases;
}

TEST(ScriptTokensTest, SplitsAndClassifiesAsTheLanguageSays)
{
    for (const SplitCase& test : SplitCases()) {
        const CScriptTokenList tokens = TokenizeScript(test.script, *test.keywords);
        ASSERT_EQ(test.tokens.size(), tokens.size()) << test.name;
        for (size_t i = 0; i < tokens.size(); ++i) {
            EXPECT_EQ(test.tokens[i].text, tokens[i].m_Text) << test.name << ", token " << i;
            EXPECT_EQ(test.tokens[i].kind, tokens[i].m_Kind) << test.name << ", token " << i;
        }
    }
}

TEST(ScriptTokensTest, EveryTokenKnowsItsLine)
{
    const CScriptTokenList tokens =
        TokenizeScript("A // note\n\n  \"two\nlines\" B\nC(", PARTICLE_KEYWORDS);
    const uint32_t lines[] = {1, 3, 4, 5, 5};
    ASSERT_EQ(sizeof(lines) / sizeof(lines[0]), tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i)
        EXPECT_EQ(lines[i], tokens[i].m_uLine) << tokens[i].m_Text;
}

// Both compilers run through here, so they turn the same failures into a
// message; a fatal error is no script failure and passes on.
TEST(ScriptTokensTest, ACompileEndsWithTheFirstFailureAndTheLineItStoodOn)
{
    const char* const unhandled = "Unhandled exception in CParticleEmitter::Compile.";
    const struct {
        const char* what;
        std::function<void()> raise;
        const char* message;
    } cases[] = {
        {"a script error", [] { ThrowScriptError("Must have version number"); }, "Must have version number"},
        {"no memory", [] { throw std::bad_alloc(); }, unhandled},
        {"a size past its limit", [] { throw std::length_error("vector"); }, unhandled},
    };
    for (const auto& c : cases) {
        const CScriptCompileResult result =
            CompileScript("A\nB C", PARTICLE_KEYWORDS, [&](const CScriptTokenList&, CTokenCursor& cursor) {
                cursor.Next();
                c.raise();
            });
        EXPECT_FALSE(result.m_bCompiled) << c.what;
        EXPECT_EQ(c.message, result.m_Message) << c.what;
        EXPECT_EQ(2u, result.m_uLine) << c.what;
    }
    EXPECT_TRUE(CompileScript("A", PARTICLE_KEYWORDS, [](const CScriptTokenList&, CTokenCursor&) {}).m_bCompiled);
    EXPECT_THROW(CompileScript("A", PARTICLE_KEYWORDS,
                               [](const CScriptTokenList&, CTokenCursor&) { throw std::runtime_error("fatal"); }),
                 std::runtime_error);
}

TEST(ScriptTokensTest, ANumberIsItsLongestLeadingDecimalNumber)
{
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"-", 0.0f},     {"1.5", 1.5f}, {"-2.5e2x", -250.0f}, {"3e", 3.0f},  {"1.2.3", 1.2f},
        {"0x10", 0.0f},  {"7up", 7.0f}, {"-.5", -0.5f},       {"2e-1", 0.2f}, {"5.", 5.0f},
    };
    for (const auto& test : cases)
        EXPECT_FLOAT_EQ(test.value, ScriptNumberValue(test.text)) << test.text;
}

// The value of each parser on a token list of its own.
class ScriptParserTest : public ::testing::Test {
protected:
    CTokenCursor& Cursor(const std::string& text)
    {
        m_Tokens = TokenizeScript(text, PARTICLE_KEYWORDS);
        m_pCursor.reset(new CTokenCursor(m_Tokens));
        return *m_pCursor;
    }

    CScriptTokenList m_Tokens;
    std::unique_ptr<CTokenCursor> m_pCursor;
};

TEST_F(ScriptParserTest, ValueFormsReadTheirComponentsInOrder)
{
    const CMinMax<D3DXVECTOR3> xyz = ParseXYZ(Cursor("XYZ(1, Random(-2, 3), 4) next"));
    EXPECT_EQ(D3DXVECTOR3(1.0f, -2.0f, 4.0f), xyz.m_Min);
    EXPECT_EQ(D3DXVECTOR3(1.0f, 3.0f, 4.0f), xyz.m_Max);
    EXPECT_EQ("NEXT", m_pCursor->Text()) << "the cursor stops after the form";

    const CMinMax<D3DXCOLOR> rgba = ParsePropertyRGBA(Cursor("= RGBA(0.1, 0.2, Random(0.3, 0.5), 1)"));
    EXPECT_EQ(D3DXCOLOR(0.1f, 0.2f, 0.3f, 1.0f), rgba.m_Min);
    EXPECT_EQ(D3DXCOLOR(0.1f, 0.2f, 0.5f, 1.0f), rgba.m_Max);
    EXPECT_TRUE(m_pCursor->AtEnd()) << "a form may end the script";

    const D3DXMATRIX m = ParseMat(Cursor("Matrix(1,2,3,4, 5,6,7,8, 9,10,11,12, 13,14,15,16)"));
    EXPECT_EQ(2.0f, m._12);
    EXPECT_EQ(5.0f, m._21);
    EXPECT_EQ(16.0f, m._44);

    EXPECT_EQ(1, ParseBlendMode(Cursor("D3DBLEND_ZERO")));
    EXPECT_EQ(5, ParseBlendMode(Cursor("d3dblend_srcalpha")));
    EXPECT_EQ(11, ParseBlendMode(Cursor("D3DBLEND_SRCALPHASAT")));
}

TEST_F(ScriptParserTest, TimeSpecifiersTakeTheInitialAndFinalTimesGiven)
{
    const CTimeSpecifier initial = ParseTimeSpecifier(Cursor("initial"), 0.5f, 3.0f);
    EXPECT_EQ(0.5f, initial.m_Time.m_Min);
    EXPECT_EQ(0.5f, initial.m_Time.m_Max);
    EXPECT_FALSE(initial.m_bFade);

    const CTimeSpecifier final = ParseTimeSpecifier(Cursor("fade so final"), 0.5f, 3.0f);
    EXPECT_EQ(3.0f, final.m_Time.m_Min);
    EXPECT_TRUE(final.m_bFade);

    const CTimeSpecifier at = ParseTimeSpecifier(Cursor("AT Random(1, 2)"), 0.0f, 3.0f);
    EXPECT_EQ(1.0f, at.m_Time.m_Min);
    EXPECT_EQ(2.0f, at.m_Time.m_Max);
}

TEST_F(ScriptParserTest, RunningOffTheEndIsAnUnexpectedEndOfFile)
{
    CTokenCursor& cursor = Cursor("Random(1,");
    try {
        ParseNumberOrRandom(cursor);
        ADD_FAILURE() << "read past the end";
    } catch (const CScriptError& error) {
        EXPECT_STREQ("Unexpected end-of-file.", error.what());
    }
    CTokenCursor& last = Cursor("}");
    last.Next();
    EXPECT_TRUE(last.AtEnd()) << "stepping off the last token is allowed";
    EXPECT_THROW(last.Next(), CScriptError);
    EXPECT_THROW(last.Get(), CScriptError);
}

TEST(ScriptTokensTest, UnexpectedWordsAreCutTo255Characters)
{
    try {
        ThrowScriptErrorWith("Unexpected \"%s\" in Sequence Block!", std::string(400, 'W'));
    } catch (const CScriptError& error) {
        const std::string message = error.what();
        EXPECT_EQ(255u, message.size());
        EXPECT_EQ("Unexpected \"WWW", message.substr(0, 15));
    }
}

TEST(DrawRangeTest, DrawsFromTheTableOnlyForARisingRange)
{
    g_RandomTable.Fill(SEED);
    const int32_t first = g_RandomTable.Next();
    const int32_t second = g_RandomTable.Next();

    g_RandomTable.Fill(SEED);
    EXPECT_EQ(2.0f, DrawRange(2.0f, 2.0f));
    EXPECT_EQ(3.0f, DrawRange(3.0f, 1.0f)) << "a falling range is its minimum";
    EXPECT_FLOAT_EQ(1.0f + first / 32767.0f * 2.0f, DrawRange(1.0f, 3.0f)) << "no draw was used before";
    const CMinMax<D3DXVECTOR3> range(D3DXVECTOR3(0.0f, 5.0f, 0.0f), D3DXVECTOR3(0.0f, 5.0f, 10.0f));
    EXPECT_FLOAT_EQ(second / 32767.0f * 10.0f, DrawRange(range).z) << "only the z axis drew";
}

} // namespace
