// The effect script compiler: CEffect::Compile and its grammar.

#include <algorithm>

#include "Core/AssetManager.h"
#include "Effects/Effect.h"
#include "Effects/ScriptTokens.h"
#include "platform/win32/Windows.h"

namespace {

const char* const COMPILED = "0 error(s), you're good to go!";
// The times "initial" and "final" stand for in an effect script.
const float INITIAL_TIME = 0.0f;
const float FINAL_TIME = 3.0f;

// A component number, counted from 1 and truncated, as an index: it must
// name one of the `count` components that exist.
size_t ComponentIndex(float number, size_t count)
{
    if (!(number >= 1.0f && number < static_cast<float>(count) + 1.0f))
        ThrowScriptError("Component number out of range!");
    return static_cast<size_t>(number) - 1;
}

size_t ParseComponentIndex(CTokenCursor& cursor, size_t count)
{
    return ComponentIndex(ParseNumber(cursor), count);
}

// A quoted name after "=": the asset it names, which must exist.
template <class T>
T* ParseAsset(CTokenCursor& cursor)
{
    cursor.Next();
    TakeEqualsSign(cursor);
    const std::string name = RemoveQuotes(cursor.Text());
    // A missing asset is fatal: the message names this line.
    SetScriptLine(cursor.Line());
    cursor.Next();
    T* asset = nullptr;
    g_AssetManager.GetAsset(name, asset, true);
    return asset;
}

bool StartsEvent(int kind)
{
    return kind == TOKEN_FADE || kind == TOKEN_AT || kind == TOKEN_INITIAL || kind == TOKEN_FINAL;
}

bool IsObjectWord(int kind)
{
    return kind == TOKEN_MESH || kind == TOKEN_SPRITE || kind == TOKEN_PARTICLE || kind == TOKEN_LASER ||
           kind == TOKEN_EFFECT;
}

} // namespace

// Components made before an error stay; those of an earlier compile go, and
// so do its events, which name those components.
bool CEffect::Compile(const std::string& script)
{
    m_Status = COMPILED;
    m_uErrorLine = 0;
    m_Meshes.clear();
    m_Sprites.clear();
    m_ParticleSystems.clear();
    m_pMatrixTypes.reset();
    m_pEvents.reset();
    m_uCursor = 0;
    const CScriptCompileResult result =
        CompileScript(script, EFFECT_KEYWORDS,
                      [this](const CScriptTokenList& tokens, CTokenCursor& cursor) { ParseScript(tokens, cursor); });
    if (!result.m_bCompiled) {
        m_uErrorLine = result.m_uLine;
        m_Status = result.m_Message;
        OutputDebugStringA(m_Status.c_str());
    }
    SetCompiled(result.m_bCompiled);
    return result.m_bCompiled;
}

std::string CEffect::GetLoadFailure() const
{
    if (m_u8Compiled != 0 || m_Status.empty())
        return std::string();
    return DescribeScriptFailure(m_ScriptPath, m_uErrorLine, m_Status);
}

void CEffect::ParseScript(const CScriptTokenList& tokens, CTokenCursor& cursor)
{
    m_EffectName = ParseScriptHeader(tokens, cursor, TOKEN_EFFECTSYSTEM, "First word must be EffectSystem");
    ParseEffectBlock(cursor);
}

// Up to the block's "}", or to the end of the "EventSequence" block, which is
// the last statement: one token (the block's "}") must follow it, and nothing
// after that is read.
void CEffect::ParseEffectBlock(CTokenCursor& cursor)
{
    auto events = std::make_shared<CEffectEventList>();
    while (cursor.Kind() != TOKEN_CLOSE_BRACE) {
        if (cursor.Kind() == TOKEN_EVENTSEQUENCE) {
            ParseSequenceBlock(cursor, *events);
            cursor.Next();
            break;
        }
        ParseEffectStatement(cursor);
    }

    for (std::unique_ptr<CEffectEvent>& event : *events)
        event->m_fTime = DrawRange(event->m_Time);
    // Equal times keep script order, so that runs repeat exactly.
    std::stable_sort(events->begin(), events->end(),
                     [](const std::unique_ptr<CEffectEvent>& a, const std::unique_ptr<CEffectEvent>& b) {
                         return a->m_fTime < b->m_fTime;
                     });
    LinkEffectFadePartners(*events);
    m_pEvents = std::move(events);
    m_uCursor = 0;
}

void CEffect::ParseEffectStatement(CTokenCursor& cursor)
{
    switch (cursor.Kind()) {
    case TOKEN_MESHNUM:
    case TOKEN_SPRITENUM:
    case TOKEN_PARTICLENUM:
        ParseCount(cursor);
        return;
    case TOKEN_MESH:
        ParseMeshStatement(cursor);
        return;
    case TOKEN_SPRITE:
        ParseSpriteStatement(cursor);
        return;
    case TOKEN_PARTICLE:
        ParseParticleStatement(cursor);
        return;
    default:
        ThrowScriptErrorWith("Unexpected \"%s\" in Effect System Block!", cursor.Text());
    }
}

// "MESHNUM = n", "SPRITENUM = n", "PARTICLENUM = n": a fresh array of n.
void CEffect::ParseCount(CTokenCursor& cursor)
{
    const int kind = cursor.Kind();
    cursor.Next();
    TakeEqualsSign(cursor);
    const float number = ParseNumber(cursor);
    // The game's one message for all three counts.
    if (!(number >= 1.0f && number < static_cast<float>(MAX_COMPONENTS) + 1.0f))
        ThrowScriptError("Illegal number of Meshes");
    const size_t count = static_cast<size_t>(number);
    switch (kind) {
    case TOKEN_MESHNUM:
        m_Meshes.assign(count, CEffectMesh());
        return;
    case TOKEN_SPRITENUM:
        m_Sprites.assign(count, C3DSprite());
        return;
    default:
        m_ParticleSystems.assign(count, CParticleEmitter());
        m_pMatrixTypes = std::make_shared<std::vector<int>>(count, MATRIX_NONE);
        return;
    }
}

void CEffect::ParseMeshStatement(CTokenCursor& cursor)
{
    cursor.Next();
    CEffectMesh& mesh = m_Meshes[ParseComponentIndex(cursor, m_Meshes.size())];
    switch (cursor.Kind()) {
    case TOKEN_ASSET:
        // The shared mesh asset, as it is: reloading its device mesh here
        // would blank every other user of it if the reload failed.
        mesh.m_DisplayObject.SetMesh(ParseAsset<CDisplayMesh>(cursor));
        return;
    case TOKEN_ZORDERMODE:
        cursor.Next();
        TakeEqualsSign(cursor);
        if (cursor.Kind() == TOKEN_WRITE)
            mesh.m_u8ZWrite = 1;
        else if (cursor.Kind() == TOKEN_NOWRITE)
            mesh.m_u8ZWrite = 0;
        else
            ThrowScriptError("Expected Write or NoWrite");
        cursor.Next();
        return;
    case TOKEN_POS:
    case TOKEN_MATRIXORIENTATION:
        // Left for the next statement, which reports it as unexpected.
        return;
    default:
        ThrowScriptError("Illegal Mesh operation");
    }
}

void CEffect::ParseSpriteStatement(CTokenCursor& cursor)
{
    cursor.Next();
    C3DSprite& sprite = m_Sprites[ParseComponentIndex(cursor, m_Sprites.size())];
    switch (cursor.Kind()) {
    case TOKEN_ASSET:
        sprite.m_pSequence = ParseAsset<C3DAnimSequence>(cursor);
        return;
    case TOKEN_POS:
        cursor.Next();
        TakeEqualsSign(cursor);
        sprite.m_vPosition = DrawRange(ParseXYZ(cursor));
        return;
    default:
        ThrowScriptError("Illegal Sprite operation");
    }
}

void CEffect::ParseParticleStatement(CTokenCursor& cursor)
{
    cursor.Next();
    const size_t index = ParseComponentIndex(cursor, m_ParticleSystems.size());
    CParticleEmitter& system = m_ParticleSystems[index];
    switch (cursor.Kind()) {
    case TOKEN_ASSET:
        if (const CParticleEmitter* prototype = ParseAsset<CParticleEmitter>(cursor))
            system = *prototype;
        return;
    case TOKEN_POS:
        cursor.Next();
        TakeEqualsSign(cursor);
        system.m_vPosition = DrawRange(ParseXYZ(cursor));
        return;
    case TOKEN_MATRIXTYPE:
        cursor.Next();
        TakeEqualsSign(cursor);
        if (cursor.Kind() == TOKEN_JUSTEMITTER)
            (*m_pMatrixTypes)[index] = MATRIX_EMITTER;
        else if (cursor.Kind() == TOKEN_FOLLOW)
            (*m_pMatrixTypes)[index] = MATRIX_RENDER;
        else
            ThrowScriptError("Expecting valid matrix type");
        cursor.Next();
        return;
    case TOKEN_ISDARK:
        cursor.Next();
        system.m_u8Dark = 1;
        return;
    default:
        ThrowScriptError("Illegal Particle operation");
    }
}

// "EventSequence { statements }"; the cursor is left after its "}".
void CEffect::ParseSequenceBlock(CTokenCursor& cursor, CEffectEventList& events)
{
    cursor.Next();
    if (cursor.Kind() != TOKEN_OPEN_BRACE)
        ThrowScriptError("Expected opening brace for effect sequence block!");
    cursor.Next();
    while (cursor.Kind() != TOKEN_CLOSE_BRACE)
        ParseSequenceStatement(cursor, events);
    cursor.Next();
}

// A time, then an event. A word that starts no event makes nothing and is
// read again as the start of the next statement.
void CEffect::ParseSequenceStatement(CTokenCursor& cursor, CEffectEventList& events)
{
    if (!StartsEvent(cursor.Kind()))
        ThrowScriptErrorWith("Unexpected \"%s\" in Sequence Block!", cursor.Text());
    const CTimeSpecifier time = ParseTimeSpecifier(cursor, INITIAL_TIME, FINAL_TIME);
    if (IsObjectWord(cursor.Kind())) {
        ParseComponentEvent(cursor, time, events);
        return;
    }
    if (cursor.Kind() != TOKEN_EFFECT_EVENTTIMER)
        return;
    // A timer's "fade so" is kept and changes nothing.
    auto timer = std::make_unique<CEffectEvent_EventTimer>();
    timer->Parse(0, cursor);
    timer->m_Time = time.m_Time;
    timer->m_bFade = time.m_bFade;
    events.push_back(std::move(timer));
}

void CEffect::ParseComponentEvent(CTokenCursor& cursor, const CTimeSpecifier& time, CEffectEventList& events)
{
    const int objectKind = cursor.Kind();
    cursor.Next();
    const float number = ParseNumber(cursor);
    std::unique_ptr<CEffectEvent> event = CEffectEvent::Create(objectKind, cursor.Kind());
    if (!event)
        ThrowScriptError("Unknown event type, or there was an error creating this event.");
    if (time.m_bFade && !event->CanFade())
        ThrowScriptError("Fading is not supported on this event.");

    // An effect-stop's number names nothing; every other one names a component.
    const size_t target = objectKind == TOKEN_EFFECT ? 0 : ComponentIndex(number, ComponentCount(objectKind));
    event->Parse(static_cast<int>(target), cursor);
    event->m_Time = time.m_Time;
    event->m_bFade = time.m_bFade;
    events.push_back(std::move(event));
}

size_t CEffect::ComponentCount(int objectKind) const
{
    switch (objectKind) {
    case TOKEN_MESH:
        return m_Meshes.size();
    case TOKEN_SPRITE:
        return m_Sprites.size();
    case TOKEN_PARTICLE:
        return m_ParticleSystems.size();
    default:
        return 0;
    }
}
