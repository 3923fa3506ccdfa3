#include "Effects/ScriptTokens.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// The bound of the two formatted "Unexpected" messages, their end included.
const size_t MESSAGE_BUFFER = 256;
const size_t XYZ_COMPONENTS = 3;
const size_t RGBA_CHANNELS = 4;
const size_t MATRIX_COMPONENTS = 16;
const size_t MINIMUM_SCRIPT_TOKENS = 2;
const char QUOTE = '"';
const char SLASH = '/';
const char NEWLINE = '\n';
const char* const UNHANDLED = "Unhandled exception in CParticleEmitter::Compile.";

// Tested in this order; longer keywords stand before the shorter ones they contain.
const ScriptKeyword PARTICLE_KEYWORD_ROWS[] = {
    {"PARTICLESYSTEM", TOKEN_PARTICLESYSTEM, false},
    {"EVENTSEQUENCE", TOKEN_EVENTSEQUENCE, false},
    {"RANDOM", TOKEN_RANDOM, false},
    {"XYZ", TOKEN_XYZ, false},
    {"RGBA", TOKEN_RGBA, false},
    {"FADE", TOKEN_FADE, false},
    {"INITIAL", TOKEN_INITIAL, false},
    {"FINAL", TOKEN_FINAL, false},
    {"TEXTURE", TOKEN_TEXTURE, false},
    {"SO", TOKEN_SO, true},
    {"AT", TOKEN_AT, true},
    {"D3DBLEND_", TOKEN_BLEND_MODE, false},
    {"SOURCEBLENDMODE", TOKEN_BLEND_PROPERTY, false},
    {"DESTBLENDMODE", TOKEN_BLEND_PROPERTY, false},
    {"LIFETIME", TOKEN_NUMERIC_PROPERTY, false},
    {"EMITRATE", TOKEN_NUMERIC_PROPERTY, false},
    {"NUMPARTICLES", TOKEN_NUMERIC_PROPERTY, false},
    {"LOOPS", TOKEN_NUMERIC_PROPERTY, false},
    {"SPAWNDIR", TOKEN_VECTOR_PROPERTY, false},
    {"GRAVITY", TOKEN_VECTOR_PROPERTY, false},
    {"EMITRADIUS", TOKEN_VECTOR_PROPERTY, false},
    {"MATRIXORIENTATION", TOKEN_MATRIXORIENTATION, false},
    {"MATRIX", TOKEN_MATRIX, false},
    {"POSITION", TOKEN_POSITION, false},
    {"SIZE", TOKEN_SIZE, false},
    {"EVENTTIMER", TOKEN_EVENTTIMER, false},
    {"VELOCITY", TOKEN_VELOCITY, false},
    {"PARTICLEPOS", TOKEN_PARTICLEPOS, false},
    {"COLOR", TOKEN_COLOR, false},
};

const ScriptKeyword EFFECT_KEYWORD_ROWS[] = {
    {"EFFECTSYSTEM", TOKEN_EFFECTSYSTEM, false},
    {"EVENTSEQUENCE", TOKEN_EVENTSEQUENCE, false},
    {"RANDOM", TOKEN_RANDOM, false},
    {"XYZ", TOKEN_XYZ, false},
    {"FADE", TOKEN_FADE, false},
    {"INITIAL", TOKEN_INITIAL, false},
    {"FINAL", TOKEN_FINAL, false},
    {"SO", TOKEN_SO, true},
    {"AT", TOKEN_AT, true},
    {"LOOPS", TOKEN_EFFECT_LOOPS, false},
    {"MATRIXORIENTATION", TOKEN_MATRIXORIENTATION, false},
    {"SIZE", TOKEN_EFFECT_SIZE, false},
    {"MESHNUM", TOKEN_MESHNUM, false},
    {"SPRITENUM", TOKEN_SPRITENUM, false},
    {"PARTICLENUM", TOKEN_PARTICLENUM, false},
    {"LASERNUM", TOKEN_LASERNUM, false},
    {"ENDSVEL", TOKEN_ENDSVEL, false},
    {"STARTSVEL", TOKEN_STARTSVEL, false},
    {"LIFETIME", TOKEN_EFFECT_LIFETIME, false},
    {"MESH", TOKEN_MESH, false},
    {"SPRITE", TOKEN_SPRITE, false},
    {"PARTICLE", TOKEN_PARTICLE, false},
    {"LASER", TOKEN_LASER, false},
    {"EFFECT", TOKEN_EFFECT, false},
    {"ASSET", TOKEN_ASSET, false},
    {"POS", TOKEN_POS, false},
    {"MATRIXTYPE", TOKEN_MATRIXTYPE, false},
    {"ISDARK", TOKEN_ISDARK, false},
    {"MATRIX", TOKEN_MATRIX, false},
    {"ZORDERMODE", TOKEN_ZORDERMODE, false},
    {"NOWRITE", TOKEN_NOWRITE, false},
    {"WRITE", TOKEN_WRITE, false},
    {"JUSTEMITTER", TOKEN_JUSTEMITTER, false},
    {"FOLLOW", TOKEN_FOLLOW, false},
    {"START", TOKEN_START, false},
    {"STOP", TOKEN_STOP, false},
    {"ALPHA", TOKEN_ALPHA, false},
    {"EVENTTIMER", TOKEN_EFFECT_EVENTTIMER, false},
    {"COLOR", TOKEN_COLOR, false},
    {"RGBA", TOKEN_RGBA, false},
    {"TEXTURESET", TOKEN_TEXTURESET, false},
};

// In the order of their Direct3D values, from 1.
const char* const BLEND_MODE_NAMES[] = {
    "D3DBLEND_ZERO",         "D3DBLEND_ONE",         "D3DBLEND_SRCCOLOR",  "D3DBLEND_INVSRCCOLOR",
    "D3DBLEND_SRCALPHA",     "D3DBLEND_INVSRCALPHA", "D3DBLEND_DESTALPHA", "D3DBLEND_INVDESTALPHA",
    "D3DBLEND_DESTCOLOR",    "D3DBLEND_INVDESTCOLOR", "D3DBLEND_SRCALPHASAT",
};

bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The characters that are tokens by themselves (a lone "/" is handled apart).
bool IsPunctuation(char c)
{
    return c == '(' || c == ')' || c == ',' || c == '{' || c == '}';
}

int PunctuationKind(char c)
{
    switch (c) {
    case '=':
        return TOKEN_EQUALS;
    case ',':
        return TOKEN_COMMA;
    case '(':
        return TOKEN_OPEN_PAREN;
    case ')':
        return TOKEN_CLOSE_PAREN;
    case '{':
        return TOKEN_OPEN_BRACE;
    case '}':
        return TOKEN_CLOSE_BRACE;
    default:
        return 0;
    }
}

// The four states of the splitter.
class CScriptSplitter {
public:
    CScriptSplitter(const ScriptKeywordTable& keywords, CScriptTokenList& out) : m_Keywords(keywords), m_Out(out)
    {
    }

    void Split(const std::string& text)
    {
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            // The character after a newline starts the next line.
            if (i > 0 && text[i - 1] == NEWLINE)
                ++m_uLine;
            const bool comment = c == SLASH && i + 1 < text.size() && text[i + 1] == SLASH;
            switch (m_State) {
            case STATE_BETWEEN:
            case STATE_WORD:
                SplitAt(c, comment);
                break;
            case STATE_QUOTED:
                Append(c);
                if (c == QUOTE)
                    EndToken(STATE_BETWEEN);
                break;
            case STATE_COMMENT:
                if (c == NEWLINE)
                    m_State = STATE_BETWEEN;
                break;
            }
        }
        EndToken(STATE_BETWEEN);
    }

private:
    enum State { STATE_BETWEEN, STATE_WORD, STATE_QUOTED, STATE_COMMENT };

    // Between tokens and inside a word alike: a separator ends what is pending.
    void SplitAt(char c, bool comment)
    {
        if (IsBlank(c)) {
            EndToken(STATE_BETWEEN);
        } else if (comment) {
            EndToken(STATE_COMMENT);
        } else if (c == QUOTE) {
            EndToken(STATE_QUOTED);
            Append(c);
        } else if (IsPunctuation(c) || c == SLASH) {
            EndToken(STATE_BETWEEN);
            Append(c);
            EndToken(STATE_BETWEEN);
        } else {
            Append(c);
            m_State = STATE_WORD;
        }
    }

    void Append(char c)
    {
        if (m_Pending.empty())
            m_uPendingLine = m_uLine;
        m_Pending += c;
    }

    void EndToken(State next)
    {
        m_State = next;
        if (m_Pending.empty())
            return;
        CScriptToken token;
        token.m_Text.swap(m_Pending);
        token.m_Kind = ClassifyScriptToken(token.m_Text, m_Keywords);
        token.m_uLine = m_uPendingLine;
        m_Out.push_back(std::move(token));
        m_Pending.clear();
    }

    const ScriptKeywordTable& m_Keywords;
    CScriptTokenList& m_Out;
    State m_State = STATE_BETWEEN;
    std::string m_Pending;
    uint32_t m_uLine = 1;
    uint32_t m_uPendingLine = 1;
};

// The length of the longest leading decimal number of `text`: an optional
// sign, digits with at most one point, then an exponent only when it has digits.
size_t LeadingNumberLength(const std::string& text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    size_t exponent = i;
    if (exponent < text.size() && (text[exponent] == 'e' || text[exponent] == 'E')) {
        ++exponent;
        if (exponent < text.size() && (text[exponent] == '-' || text[exponent] == '+'))
            ++exponent;
        const size_t exponentDigits = exponent;
        while (exponent < text.size() && IsDigit(text[exponent]))
            ++exponent;
        if (exponent > exponentDigits)
            i = exponent;
    }
    return i;
}

void ExpectKind(const CTokenCursor& cursor, int kind, const char* message)
{
    if (cursor.Kind() != kind)
        ThrowScriptError(message);
}

// The cursor's token must be of `kind`; it is passed over.
void TakeKind(CTokenCursor& cursor, int kind, const char* message)
{
    ExpectKind(cursor, kind, message);
    cursor.Next();
}

struct VectorForm {
    int m_Keyword;
    const char* m_ExpectKeyword;
    const char* m_ExpectOpen;
    const char* m_ExpectComma;
    const char* m_ExpectClose;
};

const VectorForm XYZ_FORM = {TOKEN_XYZ, "Expecting XYZ(...)!", "Expecting ( after XYZ!",
                             "Vector components must be seperated by a comma.", "Expecting ) to close vector."};
const VectorForm RGBA_FORM = {TOKEN_RGBA, "Expecting RGBA(...)!", "Expecting ( after RGBA!",
                              "Color components must be seperated by a comma.", "Expecting ) to close vector."};
const VectorForm MATRIX_FORM = {TOKEN_MATRIX, "Expecting Mat(...)!", "Expecting ( after Matrix!",
                                "Matrix components must be seperated by a comma.", "Expecting ) to close Matrix."};

// KEYWORD ( c0 , c1 , ... ): `count` components, each read by `readComponent(i)`.
template <class ReadComponent>
void ParseVectorForm(CTokenCursor& cursor, const VectorForm& form, size_t count, ReadComponent readComponent)
{
    TakeKind(cursor, form.m_Keyword, form.m_ExpectKeyword);
    TakeKind(cursor, TOKEN_OPEN_PAREN, form.m_ExpectOpen);
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            TakeKind(cursor, TOKEN_COMMA, form.m_ExpectComma);
        readComponent(i);
    }
    TakeKind(cursor, TOKEN_CLOSE_PAREN, form.m_ExpectClose);
}

// A vector form of number-or-Random components, read into the range's
// minimum and maximum component by component.
template <class T>
CMinMax<T> ParseRangeForm(CTokenCursor& cursor, const VectorForm& form, size_t count)
{
    CMinMax<T> range;
    ParseVectorForm(cursor, form, count, [&](size_t i) {
        const CMinMax<float> component = ParseNumberOrRandom(cursor);
        static_cast<float*>(range.m_Min)[i] = component.m_Min;
        static_cast<float*>(range.m_Max)[i] = component.m_Max;
    });
    return range;
}

void TakePropertyEquals(CTokenCursor& cursor)
{
    TakeKind(cursor, TOKEN_EQUALS, "Expecting = after property.");
}

} // namespace

const ScriptKeywordTable PARTICLE_KEYWORDS = {PARTICLE_KEYWORD_ROWS,
                                              sizeof(PARTICLE_KEYWORD_ROWS) / sizeof(PARTICLE_KEYWORD_ROWS[0])};
const ScriptKeywordTable EFFECT_KEYWORDS = {EFFECT_KEYWORD_ROWS,
                                            sizeof(EFFECT_KEYWORD_ROWS) / sizeof(EFFECT_KEYWORD_ROWS[0])};

CScriptTokenList TokenizeScript(const std::string& text, const ScriptKeywordTable& keywords)
{
    CScriptTokenList tokens;
    CScriptSplitter(keywords, tokens).Split(text);
    return tokens;
}

int ClassifyScriptToken(std::string& text, const ScriptKeywordTable& keywords)
{
    if (text.empty())
        return TOKEN_WORD;
    const char first = text[0];
    if (IsDigit(first) || first == '-')
        return TOKEN_NUMBER;
    if (first == QUOTE)
        return TOKEN_QUOTED;
    if (const int kind = PunctuationKind(first))
        return kind;

    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (size_t row = 0; row < keywords.m_Count; ++row) {
        const ScriptKeyword& keyword = keywords.m_Rows[row];
        const bool match =
            keyword.m_bWholeWord ? text == keyword.m_Word : text.find(keyword.m_Word) != std::string::npos;
        if (match)
            return keyword.m_Kind;
    }
    return TOKEN_WORD;
}

void ThrowScriptError(const char* message)
{
    throw CScriptError(message);
}

void ThrowScriptErrorWith(const char* format, const std::string& text)
{
    char message[MESSAGE_BUFFER];
    std::snprintf(message, sizeof(message), format, text.c_str());
    throw CScriptError(message);
}

const CScriptToken& CTokenCursor::Get() const
{
    if (AtEnd())
        ThrowScriptError("Unexpected end-of-file.");
    return m_Tokens[m_Index];
}

void CTokenCursor::Next()
{
    if (AtEnd())
        ThrowScriptError("Unexpected end-of-file.");
    ++m_Index;
}

uint32_t CTokenCursor::Line() const
{
    if (m_Tokens.empty())
        return 0;
    return m_Tokens[AtEnd() ? m_Tokens.size() - 1 : m_Index].m_uLine;
}

CScriptCompileResult CompileScript(const std::string& script, const ScriptKeywordTable& keywords,
                                   const ScriptParser& parse)
{
    CScriptCompileResult result;
    CScriptTokenList tokens;
    CTokenCursor cursor(tokens);
    const auto fail = [&](const char* message) {
        result.m_bCompiled = false;
        result.m_Message = message;
        result.m_uLine = cursor.Line();
    };
    try {
        tokens = TokenizeScript(script, keywords);
        parse(tokens, cursor);
    } catch (const CScriptError& error) {
        fail(error.what());
    } catch (const std::bad_alloc&) {
        fail(UNHANDLED);
    } catch (const std::length_error&) {
        fail(UNHANDLED);
    }
    return result;
}

float ScriptNumberValue(const std::string& text)
{
    const size_t length = LeadingNumberLength(text);
    if (length == 0)
        return 0.0f;
    return std::strtof(text.substr(0, length).c_str(), nullptr);
}

std::string RemoveQuotes(const std::string& text)
{
    std::string name;
    name.reserve(text.size());
    for (char c : text) {
        if (c != QUOTE)
            name += c;
    }
    return name;
}

float ParseNumber(CTokenCursor& cursor)
{
    ExpectKind(cursor, TOKEN_NUMBER, "Expecting a number value.");
    const float value = ScriptNumberValue(cursor.Text());
    cursor.Next();
    return value;
}

CMinMax<float> ParseNumberOrRandom(CTokenCursor& cursor)
{
    if (cursor.Kind() == TOKEN_NUMBER) {
        const float value = ParseNumber(cursor);
        return CMinMax<float>(value, value);
    }
    ExpectKind(cursor, TOKEN_RANDOM, "Expecting either Random(...) or a number value.");
    cursor.Next();
    TakeKind(cursor, TOKEN_OPEN_PAREN, "Expecting opening paren after Random keyword.");
    ExpectKind(cursor, TOKEN_NUMBER, "Expecting first number within Random(...).");
    CMinMax<float> range;
    range.m_Min = ParseNumber(cursor);
    TakeKind(cursor, TOKEN_COMMA, "Expecting comma within Random(...).");
    ExpectKind(cursor, TOKEN_NUMBER, "Expecting second number within Random(...).");
    range.m_Max = ParseNumber(cursor);
    TakeKind(cursor, TOKEN_CLOSE_PAREN, "Missing close paren on Random(...).");
    return range;
}

CMinMax<D3DXVECTOR3> ParseXYZ(CTokenCursor& cursor)
{
    return ParseRangeForm<D3DXVECTOR3>(cursor, XYZ_FORM, XYZ_COMPONENTS);
}

CMinMax<D3DXCOLOR> ParseRGBA(CTokenCursor& cursor)
{
    return ParseRangeForm<D3DXCOLOR>(cursor, RGBA_FORM, RGBA_CHANNELS);
}

D3DXMATRIX ParseMat(CTokenCursor& cursor)
{
    D3DXMATRIX matrix;
    ParseVectorForm(cursor, MATRIX_FORM, MATRIX_COMPONENTS,
                    [&](size_t i) { static_cast<float*>(matrix)[i] = ParseNumber(cursor); });
    return matrix;
}

std::string ParseScriptHeader(const CScriptTokenList& tokens, CTokenCursor& cursor, int keywordKind,
                              const char* wrongKeyword)
{
    if (tokens.size() < MINIMUM_SCRIPT_TOKENS)
        ThrowScriptError("This script is too small to be valid.");
    TakeKind(cursor, keywordKind, wrongKeyword);
    ExpectKind(cursor, TOKEN_QUOTED, "Must name particle system");
    const std::string name = RemoveQuotes(cursor.Text());
    cursor.Next();
    TakeKind(cursor, TOKEN_NUMBER, "Must have version number");
    TakeKind(cursor, TOKEN_OPEN_BRACE, "Missing opening brace for ParticleSystem block");
    return name;
}

void TakeEqualsSign(CTokenCursor& cursor)
{
    TakeKind(cursor, TOKEN_EQUALS, "Expected equals sign!");
}

CMinMax<float> ParsePropertyNumber(CTokenCursor& cursor)
{
    TakePropertyEquals(cursor);
    return ParseNumberOrRandom(cursor);
}

CMinMax<D3DXVECTOR3> ParsePropertyXYZ(CTokenCursor& cursor)
{
    TakePropertyEquals(cursor);
    return ParseXYZ(cursor);
}

CMinMax<D3DXCOLOR> ParsePropertyRGBA(CTokenCursor& cursor)
{
    TakePropertyEquals(cursor);
    return ParseRGBA(cursor);
}

int ParseBlendMode(CTokenCursor& cursor)
{
    ExpectKind(cursor, TOKEN_BLEND_MODE, "Expecting alpha blend mode (D3DBLEND_ZERO, D3DBLEND_ONE, etc.).");
    const size_t count = sizeof(BLEND_MODE_NAMES) / sizeof(BLEND_MODE_NAMES[0]);
    for (size_t i = 0; i < count; ++i) {
        if (cursor.Text() == BLEND_MODE_NAMES[i]) {
            cursor.Next();
            return static_cast<int>(i) + 1;
        }
    }
    ThrowScriptError("Invalid alpha blending mode!");
}

CTimeSpecifier ParseTimeSpecifier(CTokenCursor& cursor, float initialTime, float finalTime)
{
    CTimeSpecifier time;
    if (cursor.Kind() == TOKEN_FADE) {
        cursor.Next();
        TakeKind(cursor, TOKEN_SO, "Expecting \"so\" after \"fade\".");
        time.m_bFade = true;
    }
    switch (cursor.Kind()) {
    case TOKEN_AT:
        cursor.Next();
        time.m_Time = ParseNumberOrRandom(cursor);
        return time;
    case TOKEN_INITIAL:
        if (time.m_bFade)
            ThrowScriptError("Cannot use \"fade so\" modifier on \"initial\" times.");
        cursor.Next();
        time.m_Time = CMinMax<float>(initialTime, initialTime);
        return time;
    case TOKEN_FINAL:
        cursor.Next();
        time.m_Time = CMinMax<float>(finalTime, finalTime);
        return time;
    default:
        ThrowScriptError("Expected time specifier: \"[fade so] at\", \"initial\", or \"[fade so] final\"");
    }
}
