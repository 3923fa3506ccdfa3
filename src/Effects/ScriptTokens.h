#pragma once
// What the effect and the particle script languages share: the splitter that
// cuts a script into tokens, the token kinds (fixed numbers, so that the two
// classifiers and the shared parsers agree), and the parsers of the value
// forms, the blend-mode names and the time specifier.
//
// Splitting: white space separates words; "//" starts a comment to the end of
// the line; "(", ")", ",", "{", "}" and a lone "/" are tokens of their own and
// end a word; a double quote starts a quoted string that keeps its quotes and
// every character up to the closing quote. "=" is NOT a separator: it is a
// token only with blanks around it ("SIZE=2" is one word).
//
// Classifying: a token starting with a digit or "-" is a number; "=", ",",
// "(", ")", "{", "}" and a quote give their kinds by the first character. Any
// other token is upper-cased in place and tested against the language's
// keyword table in order: the first keyword contained in it decides ("MESHES"
// is of the kind of "MESH"); "SO" and "AT" count only as whole two-letter
// words; no match is TOKEN_WORD.
//
// Parsing: every parser starts on the first token of its form and leaves the
// cursor on the token after it. Errors are raised as CScriptError holding the
// script's message; the compilers catch it and keep the message as status.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Effects/MinMax.h"
#include "platform/d3dx8/D3DX8Math.h"

// The token kinds. Shared kinds first; a kind that only one language's table
// yields says so. Two effect kinds share a number with a particle kind whose
// meaning differs (32), and two particle keywords have effect twins under
// other numbers (SIZE, EVENTTIMER): those effect kinds carry EFFECT_.
enum ScriptTokenKind {
    TOKEN_NUMBER = 1,
    TOKEN_EQUALS = 2,
    TOKEN_COMMA = 3,
    TOKEN_OPEN_PAREN = 4,
    TOKEN_CLOSE_PAREN = 5,
    TOKEN_OPEN_BRACE = 6,
    TOKEN_CLOSE_BRACE = 7,
    TOKEN_QUOTED = 8,
    TOKEN_PARTICLESYSTEM = 9, // particle
    TOKEN_EVENTSEQUENCE = 10,
    TOKEN_RANDOM = 11,
    TOKEN_XYZ = 12,
    TOKEN_RGBA = 13,
    TOKEN_TEXTURE = 14,     // particle
    TOKEN_BLEND_MODE = 15,  // particle: a "D3DBLEND_" name
    TOKEN_MATRIX = 16,
    TOKEN_POSITION = 17,       // particle
    TOKEN_BLEND_PROPERTY = 18, // particle: SOURCEBLENDMODE, DESTBLENDMODE
    TOKEN_FADE = 19,
    TOKEN_SO = 20,
    TOKEN_AT = 21,
    TOKEN_INITIAL = 22,
    TOKEN_FINAL = 23,
    TOKEN_EFFECT_SIZE = 24,
    TOKEN_SIZE = 27,        // particle
    TOKEN_VELOCITY = 28,    // particle
    TOKEN_EVENTTIMER = 29,  // particle
    TOKEN_COLOR = 30,
    TOKEN_PARTICLEPOS = 31, // particle
    TOKEN_NUMERIC_PROPERTY = 32, // particle: LIFETIME, EMITRATE, NUMPARTICLES, LOOPS
    TOKEN_EFFECT_LOOPS = 32,
    TOKEN_VECTOR_PROPERTY = 33, // particle: SPAWNDIR, GRAVITY, EMITRADIUS
    TOKEN_MATRIXORIENTATION = 34,
    TOKEN_EFFECTSYSTEM = 35,
    TOKEN_MESHNUM = 36,
    TOKEN_SPRITENUM = 37,
    TOKEN_PARTICLENUM = 38,
    TOKEN_LASERNUM = 39,
    TOKEN_ASSET = 40,
    TOKEN_POS = 41,
    TOKEN_MATRIXTYPE = 42,
    TOKEN_ISDARK = 43,
    TOKEN_ENDSVEL = 44,
    TOKEN_STARTSVEL = 45,
    TOKEN_EFFECT_LIFETIME = 46,
    TOKEN_JUSTEMITTER = 47,
    TOKEN_FOLLOW = 48,
    TOKEN_MESH = 49,
    TOKEN_SPRITE = 50,
    TOKEN_PARTICLE = 51,
    TOKEN_LASER = 52,
    TOKEN_EFFECT = 53,
    TOKEN_ZORDERMODE = 54,
    TOKEN_WRITE = 55,
    TOKEN_NOWRITE = 56,
    TOKEN_START = 57,
    TOKEN_STOP = 58,
    TOKEN_ALPHA = 59,
    TOKEN_TEXTURESET = 60,
    TOKEN_EFFECT_EVENTTIMER = 61,
    TOKEN_WORD = 62,
};

struct CScriptToken {
    std::string m_Text;
    int m_Kind = TOKEN_WORD;
    // The line the token starts on, from 1.
    uint32_t m_uLine = 0;
};
typedef std::vector<CScriptToken> CScriptTokenList;

// One row of a language's keyword table: the upper-case keyword, the kind it
// gives, and whether only the whole word counts (else any word containing it).
struct ScriptKeyword {
    const char* m_Word;
    int m_Kind;
    bool m_bWholeWord;
};
struct ScriptKeywordTable {
    const ScriptKeyword* m_Rows;
    size_t m_Count;
};
extern const ScriptKeywordTable PARTICLE_KEYWORDS;
extern const ScriptKeywordTable EFFECT_KEYWORDS;

// Splits and classifies a whole script.
CScriptTokenList TokenizeScript(const std::string& text, const ScriptKeywordTable& keywords);
// The kind of one token; words are upper-cased in place first.
int ClassifyScriptToken(std::string& text, const ScriptKeywordTable& keywords);

// The error every script parser raises: its text is the script message.
class CScriptError : public std::runtime_error {
public:
    explicit CScriptError(const std::string& message) : std::runtime_error(message) {}
};
// Raises `message`.
[[noreturn]] void ThrowScriptError(const char* message);
// Raises `format` (one %s) with `text`, cut to 255 characters as a whole.
[[noreturn]] void ThrowScriptErrorWith(const char* format, const std::string& text);

// The token list read front to back. Standing on the last token, Next moves
// onto the end; reading there, or moving past it, raises
// "Unexpected end-of-file.".
class CTokenCursor {
public:
    explicit CTokenCursor(const CScriptTokenList& tokens) : m_Tokens(tokens) {}

    bool AtEnd() const { return m_Index >= m_Tokens.size(); }
    const CScriptToken& Get() const;
    int Kind() const { return Get().m_Kind; }
    const std::string& Text() const { return Get().m_Text; }
    void Next();
    // The line of the current token; at the end, of the last one (0 when none).
    uint32_t Line() const;

private:
    const CScriptTokenList& m_Tokens;
    size_t m_Index = 0;
};

// How a compile ended: the first error and the line of the token the parser
// stood on when it was raised (0 when it stood on none).
struct CScriptCompileResult {
    bool m_bCompiled = true;
    std::string m_Message;
    uint32_t m_uLine = 0;
};
typedef std::function<void(const CScriptTokenList& tokens, CTokenCursor& cursor)> ScriptParser;
// Cuts `script` into tokens and runs `parse` over them from the first. Both
// script languages compile through here, so that they fail alike: a script
// error ends the compile with its message; running out of memory, or a size
// past a container's limit, with "Unhandled exception in
// CParticleEmitter::Compile.". Anything else (a fatal error) passes on.
CScriptCompileResult CompileScript(const std::string& script, const ScriptKeywordTable& keywords,
                                   const ScriptParser& parse);

// The value of a number token's text: its longest leading decimal number
// (sign, digits, point, exponent); a lone "-" is 0.
float ScriptNumberValue(const std::string& text);
// A quoted string's text without the quotes.
std::string RemoveQuotes(const std::string& text);

// A number token: "Expecting a number value.".
float ParseNumber(CTokenCursor& cursor);
// A number v as (v, v), or Random(a, b) as (a, b).
CMinMax<float> ParseNumberOrRandom(CTokenCursor& cursor);
// XYZ(x, y, z), each component a number or Random.
CMinMax<D3DXVECTOR3> ParseXYZ(CTokenCursor& cursor);
// RGBA(r, g, b, a), each channel a number or Random.
CMinMax<D3DXCOLOR> ParseRGBA(CTokenCursor& cursor);
// Matrix(16 numbers), row by row; any word of kind TOKEN_MATRIX opens it.
D3DXMATRIX ParseMat(CTokenCursor& cursor);
// The header both languages open with: the block keyword (a token of
// `keywordKind`, else `wrongKeyword`), a quoted name, a version number and
// "{". Gives the name without its quotes; the cursor is left after the "{".
// A script of fewer than two tokens is "too small to be valid".
std::string ParseScriptHeader(const CScriptTokenList& tokens, CTokenCursor& cursor, int keywordKind,
                              const char* wrongKeyword);
// The "=" of a statement: "Expected equals sign!".
void TakeEqualsSign(CTokenCursor& cursor);
// The value of a property, starting on its "=": "Expecting = after property.".
CMinMax<float> ParsePropertyNumber(CTokenCursor& cursor);
CMinMax<D3DXVECTOR3> ParsePropertyXYZ(CTokenCursor& cursor);
CMinMax<D3DXCOLOR> ParsePropertyRGBA(CTokenCursor& cursor);
// A "D3DBLEND_" name: its Direct3D value, 1 (ZERO) to 11 (SRCALPHASAT).
int ParseBlendMode(CTokenCursor& cursor);

// "[fade so] at <number or Random>", "initial" or "[fade so] final".
struct CTimeSpecifier {
    CMinMax<float> m_Time;
    bool m_bFade = false;
};
CTimeSpecifier ParseTimeSpecifier(CTokenCursor& cursor, float initialTime, float finalTime);
