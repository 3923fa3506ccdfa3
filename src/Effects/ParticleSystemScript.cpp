// The particle script compiler: CParticleEmitter::Compile and its grammar.

#include <cmath>
#include <new>

#include "Core/FatalError.h"
#include "Effects/ParticleSystem.h"
#include "Effects/ScriptTokens.h"
#include "platform/win32/Windows.h"

namespace {

const char* const COMPILED = "0 error(s), you're good to go!";
const float INITIAL_TIME = 0.0f;
// A LOOPS value must fit a 32-bit int once truncated.
const double LOOPS_LIMIT = 2147483648.0;

bool Contains(const std::string& word, const char* keyword)
{
    return word.find(keyword) != std::string::npos;
}

int ParticleCount(float maximum)
{
    if (!(maximum >= 0.0f && maximum <= static_cast<float>(CParticleEmitter::MAX_PARTICLES)))
        ThrowScriptError("Particle count must be between 0 and 10000.");
    return static_cast<int>(maximum);
}

int LoopCount(float maximum)
{
    const double value = maximum;
    if (!(value > -LOOPS_LIMIT - 1.0 && value < LOOPS_LIMIT))
        ThrowScriptError("Loop count out of range.");
    return static_cast<int>(value);
}

// One statement of a sequence block; `hasEvents` turns true with the first event.
class CSequenceStatement {
public:
    CSequenceStatement(CTokenCursor& cursor, CParticleEventSequence& sequence, CParticleEventLists& events)
        : m_Cursor(cursor), m_Sequence(sequence), m_Events(events)
    {
    }

    void Parse()
    {
        switch (m_Cursor.Kind()) {
        case TOKEN_TEXTURE:
            ParseTexture();
            return;
        case TOKEN_BLEND_PROPERTY:
            ParseBlendProperty();
            return;
        case TOKEN_NUMERIC_PROPERTY:
            ParseNumericProperty();
            return;
        case TOKEN_VECTOR_PROPERTY:
            ParseVectorProperty();
            return;
        case TOKEN_MATRIXORIENTATION:
            BeginProperty();
            m_Sequence.m_matLocal = ParseMat(m_Cursor);
            return;
        case TOKEN_FADE:
        case TOKEN_AT:
        case TOKEN_INITIAL:
        case TOKEN_FINAL:
            ParseEvent();
            m_bHasEvents = true;
            return;
        default:
            ThrowScriptErrorWith("Unexpected \"%s\" in Sequence Block!", m_Cursor.Text());
        }
    }

private:
    // Past the property word and its "="; properties all come before the events.
    void BeginProperty()
    {
        if (m_bHasEvents)
            ThrowScriptError("Cannot specify any sequence properties after specifying events.");
        m_Cursor.Next();
        TakeEqualsSign(m_Cursor);
    }

    void ParseTexture()
    {
        BeginProperty();
        if (m_Cursor.Kind() != TOKEN_QUOTED)
            ThrowScriptError("Expected filename after texture sequence property.");
        // A missing texture is fatal: the message names this line.
        SetScriptLine(m_Cursor.Line());
        m_Sequence.SetTexture(RemoveQuotes(m_Cursor.Text()));
        m_Cursor.Next();
    }

    void ParseBlendProperty()
    {
        const bool source = Contains(m_Cursor.Text(), "SOURCEBLENDMODE");
        BeginProperty();
        (source ? m_Sequence.m_iSourceBlend : m_Sequence.m_iDestBlend) = ParseBlendMode(m_Cursor);
    }

    void ParseNumericProperty()
    {
        const std::string& word = m_Cursor.Text();
        BeginProperty();
        const CMinMax<float> value = ParseNumberOrRandom(m_Cursor);
        if (Contains(word, "EMITRATE"))
            m_Sequence.m_EmitRate = value;
        else if (Contains(word, "LIFETIME"))
            m_Sequence.m_Lifetime = value;
        else if (Contains(word, "NUMPARTICLES"))
            m_Sequence.m_iNumParticles = ParticleCount(value.m_Max);
        else
            m_Sequence.m_iLoops = LoopCount(value.m_Max);
    }

    void ParseVectorProperty()
    {
        const std::string& word = m_Cursor.Text();
        BeginProperty();
        const CMinMax<D3DXVECTOR3> value = ParseXYZ(m_Cursor);
        if (Contains(word, "SPAWNDIR"))
            m_Sequence.m_SpawnDir = value;
        else if (Contains(word, "EMITRADIUS"))
            m_Sequence.m_EmitRadius = value;
        else
            m_Sequence.m_Gravity = value;
    }

    // "final" is the sequence's LIFETIME maximum as set so far.
    void ParseEvent()
    {
        const CTimeSpecifier time = ParseTimeSpecifier(m_Cursor, INITIAL_TIME, m_Sequence.GetLifetime().m_Max);
        switch (m_Cursor.Kind()) {
        case TOKEN_SIZE:
            AddEvent(m_Events.m_Size, time, ParsePropertyNumber);
            return;
        case TOKEN_VELOCITY:
            AddEvent(m_Events.m_Velocity, time, ParsePropertyXYZ);
            return;
        case TOKEN_EVENTTIMER:
            if (time.m_bFade)
                ThrowScriptError("Fading is not supported on this event.");
            AddEvent(m_Events.m_Timer, time, ParsePropertyNumber);
            return;
        case TOKEN_COLOR:
            AddEvent(m_Events.m_Color, time, ParsePropertyRGBA);
            return;
        case TOKEN_PARTICLEPOS:
            AddEvent(m_Events.m_Position, time, ParsePropertyXYZ);
            return;
        default:
            ThrowScriptError("Unknown event type, or there was an error creating this event.");
        }
    }

    template <class Event, class ParseValue>
    void AddEvent(std::vector<Event>& list, const CTimeSpecifier& time, ParseValue parseValue)
    {
        m_Cursor.Next();
        Event event;
        event.m_Time = time.m_Time;
        event.m_bFade = time.m_bFade;
        event.m_Value = parseValue(m_Cursor);
        try {
            list.push_back(event);
        } catch (const std::bad_alloc&) {
            ThrowScriptError("Unhandled exception creating event!");
        }
    }

    CTokenCursor& m_Cursor;
    CParticleEventSequence& m_Sequence;
    CParticleEventLists& m_Events;
    bool m_bHasEvents = false;
};

} // namespace

bool CParticleEmitter::Compile(const std::string& script)
{
    m_Status = COMPILED;
    Clear();
    const CScriptCompileResult result = CompileScript(
        script, PARTICLE_KEYWORDS,
        [this](const CScriptTokenList& tokens, CTokenCursor& cursor) { ParseScript(tokens, cursor); });
    if (!result.m_bCompiled)
        Fail(result.m_Message, result.m_uLine);
    return result.m_bCompiled;
}

void CParticleEmitter::Fail(const std::string& message, uint32_t line)
{
    m_Status = message;
    m_uErrorLine = line;
    OutputDebugStringA(m_Status.c_str());
    Clear();
}

void CParticleEmitter::ParseScript(const CScriptTokenList& tokens, CTokenCursor& cursor)
{
    m_SystemName = ParseScriptHeader(tokens, cursor, TOKEN_PARTICLESYSTEM, "First word must be ParticleSystem");
    ParseSystemBlock(cursor);

    m_vPosition = DrawRange(m_PositionRange);
    for (CParticleEventSequence& sequence : m_Sequences)
        sequence.Prepare();
}

// Up to the block's "}"; whatever follows it is not read.
void CParticleEmitter::ParseSystemBlock(CTokenCursor& cursor)
{
    while (cursor.Kind() != TOKEN_CLOSE_BRACE) {
        if (cursor.Kind() == TOKEN_EVENTSEQUENCE) {
            ParseSequenceBlock(cursor);
            continue;
        }
        if (cursor.Kind() != TOKEN_POSITION)
            ThrowScriptErrorWith("Unexpected \"%s\" in Particle System Block!", cursor.Text());
        if (!m_Sequences.empty())
            ThrowScriptError("Cannot specify any particle system properties after specifying sequences.");
        cursor.Next();
        TakeEqualsSign(cursor);
        m_PositionRange = ParseXYZ(cursor);
    }
    cursor.Next();
}

void CParticleEmitter::ParseSequenceBlock(CTokenCursor& cursor)
{
    cursor.Next();
    if (cursor.Kind() != TOKEN_QUOTED)
        ThrowScriptError("Must name particle sequence block!");
    const std::string name = RemoveQuotes(cursor.Text());
    cursor.Next();
    if (cursor.Kind() != TOKEN_OPEN_BRACE)
        ThrowScriptError("Expected opening brace for particle sequence block!");
    cursor.Next();

    m_Sequences.emplace_back();
    CParticleEventSequence& sequence = m_Sequences.back();
    sequence.ClearProperties();
    sequence.m_Name = name;
    CSequenceStatement statement(cursor, sequence, sequence.CreateEvents());
    while (cursor.Kind() != TOKEN_CLOSE_BRACE)
        statement.Parse();

    sequence.DrawEventTimes();
    sequence.SortEvents();
    sequence.LinkFadeEvents();
    cursor.Next();
}
