#include "Game/Cinema.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "Actors/GameActor.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Sound/Sound.h"

namespace {

const char* const PREFIX_AT = "at";
const char* const PREFIX_INITIAL = "initial";
const char* const PREFIX_FADE = "fade";
const char* const WORD_SO = "so";
const char* const WORD_RANDOM = "random";
const char* const WORD_XYZ = "xyz";
const char* const WORD_EQUALS = "=";

const char* const COMMAND_CAMERA = "camera";
const char* const COMMAND_CINEMA = "cinema";
const char* const COMMAND_ANIMATION = "animation";
const char* const COMMAND_SOUND = "sound";
const char* const COMMAND_WORDS[] = {COMMAND_CAMERA, COMMAND_CINEMA, COMMAND_ANIMATION, COMMAND_SOUND};

// The one actor a script can name, compared with case.
const char* const PLAYER_ACTOR = "player";

// Due events are looked for at most this often; a frame that brings the
// tick exactly to it does not look yet.
const float DUE_EVENT_CHECK_SECONDS = 0.05f;
// A glide towards a target at the same time takes this long instead.
const float SAME_TIME_GLIDE_SECONDS = 1.0f;
// Shorter direction vectors give no view frame.
const float SHORTEST_DIRECTION = 1e-6f;

// "random(a, b)" or one number for both ends.
void ReadCinemaTime(CDataBuffer& reader, float& earliest, float& latest)
{
    if (reader.Match(WORD_RANDOM)) {
        earliest = reader.GetFloat();
        latest = reader.GetFloat();
        return;
    }
    earliest = reader.GetFloat();
    latest = earliest;
}

// Reading goes on from the same token when the word is missing.
void ExpectEquals(CDataBuffer& reader, const char* complaint)
{
    if (!reader.Match(WORD_EQUALS))
        g_Log.Write(complaint);
}

// "xyz" and three coordinates, each a number or "random(a, b)".
CMinMax<D3DXVECTOR3> ReadCinemaVector(CDataBuffer& reader)
{
    if (!reader.Match(WORD_XYZ))
        g_Log.Write("xyz must come before all vectors");
    CMinMax<D3DXVECTOR3> range;
    float* lowest[] = {&range.m_Min.x, &range.m_Min.y, &range.m_Min.z};
    float* highest[] = {&range.m_Max.x, &range.m_Max.y, &range.m_Max.z};
    for (size_t axis = 0; axis < 3; ++axis)
        ReadCinemaTime(reader, *lowest[axis], *highest[axis]);
    return range;
}

bool IsCommandWord(const std::string& word)
{
    for (const char* command : COMMAND_WORDS) {
        if (IsEqualNoCase(word.c_str(), command))
            return true;
    }
    return false;
}

bool IsFiniteRotation(const D3DXQUATERNION& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

// The left-handed look-at frame: rows x, y and the direction d, with
// x = normalise(up x d) and y = d x x. False when either vector is zero or
// they are parallel: there is no such frame.
bool LookAtRotation(const D3DXVECTOR3& direction, const D3DXVECTOR3& up, D3DXQUATERNION* out)
{
    if (!(D3DXVec3Length(&direction) > SHORTEST_DIRECTION) || !(D3DXVec3Length(&up) > SHORTEST_DIRECTION))
        return false;
    D3DXVECTOR3 d;
    D3DXVECTOR3 u;
    D3DXVec3Normalize(&d, &direction);
    D3DXVec3Normalize(&u, &up);
    D3DXVECTOR3 side;
    D3DXVec3Cross(&side, &u, &d);
    if (!(D3DXVec3Length(&side) > SHORTEST_DIRECTION))
        return false;
    D3DXVECTOR3 x;
    D3DXVec3Normalize(&x, &side);
    D3DXVECTOR3 y;
    D3DXVec3Cross(&y, &d, &x);
    D3DXMATRIX rows;
    D3DXMatrixIdentity(&rows);
    SetMatrixRow(&rows, 0, x);
    SetMatrixRow(&rows, 1, y);
    SetMatrixRow(&rows, 2, d);
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationMatrix(&rotation, &rows);
    D3DXQuaternionNormalize(out, &rotation);
    return IsFiniteRotation(*out);
}

// The order of the sequence; a time that is no number goes last, so that
// the sort still sees a strict order.
float SortTime(const CCinemaEvent& event)
{
    return std::isnan(event.m_fTime) ? std::numeric_limits<float>::infinity() : event.m_fTime;
}

} // namespace

// ---------------------------------------------------------------------------

CCinemaEvent::CCinemaEvent(const char* typeName, int32_t kind)
    : m_pLinkedEvent(nullptr),
      m_pTypeName(typeName),
      m_iKind(kind),
      m_fEarliestTime(0.0f),
      m_fLatestTime(0.0f),
      m_fTime(0.0f),
      m_u8Fade(0)
{
}

void CCinemaEvent::StoreTimes(float earliest, float latest, uint8_t fade)
{
    m_fEarliestTime = earliest;
    m_fLatestTime = latest;
    m_u8Fade = fade;
}

CCinemaEvent_MoveCameraPos::CCinemaEvent_MoveCameraPos(CCamera* camera)
    : CCinemaEvent("CCinemaEvent_MoveCamera", KIND_MOVE_CAMERA_POS), m_pCamera(camera)
{
}

bool CCinemaEvent_MoveCameraPos::Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade)
{
    StoreTimes(earliest, latest, fade);
    ExpectEquals(reader, "= must come before specifing CCinemaEvent_MoveCameraPos as a vector");
    m_Position = ReadCinemaVector(reader);
    return true;
}

// A fade target is where an earlier move glides to: it does not jump there.
// The glide's speed is set so that the camera reaches the drawn target at
// the target's time; the camera then moves by it every frame.
void CCinemaEvent_MoveCameraPos::Run()
{
    if (!m_u8Fade)
        m_pCamera->SetPosition(DrawRange(m_Position));
    const CCinemaEvent_MoveCameraPos* target = static_cast<const CCinemaEvent_MoveCameraPos*>(m_pLinkedEvent);
    if (target == nullptr) {
        m_pCamera->m_Motion.m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return;
    }
    const D3DXVECTOR3 goal = DrawRange(target->m_Position);
    float seconds = target->m_fTime - m_fTime;
    if (seconds == 0.0f)
        seconds = SAME_TIME_GLIDE_SECONDS;
    m_pCamera->m_Motion.m_vVelocity = (goal - m_pCamera->GetPosition()) / seconds;
}

CCinemaEvent_CameraLookAt::CCinemaEvent_CameraLookAt(CCamera* camera)
    : CCinemaEvent("CCinemaEvent_CameraLookAt", KIND_CAMERA_LOOK_AT), m_pCamera(camera)
{
    D3DXQuaternionIdentity(&m_qOrientation);
}

// A range in a coordinate gives its upper end: a view is not drawn at random.
bool CCinemaEvent_CameraLookAt::Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade)
{
    StoreTimes(earliest, latest, fade);
    ExpectEquals(reader, "= must come before specifing CCinemaEvent_CameraLookAt");
    const D3DXVECTOR3 direction = ReadCinemaVector(reader).m_Max;
    const D3DXVECTOR3 up = ReadCinemaVector(reader).m_Max;
    D3DXQUATERNION rotation;
    if (LookAtRotation(direction, up, &rotation)) {
        m_qOrientation = rotation;
        return true;
    }
    // Without a frame the view would be no numbers at all and draw nothing.
    char line[256];
    std::snprintf(line, sizeof(line),
                  "camera lookat = xyz(%g, %g, %g), xyz(%g, %g, %g) has a zero or parallel direction and up: "
                  "the camera keeps looking along +z",
                  direction.x, direction.y, direction.z, up.x, up.y, up.z);
    g_Log.Write(line);
    return true;
}

void CCinemaEvent_CameraLookAt::Run()
{
    CCameraMotion& motion = m_pCamera->m_Motion;
    motion.SetOrientation(m_qOrientation);
    const CCinemaEvent_CameraLookAt* target = static_cast<const CCinemaEvent_CameraLookAt*>(m_pLinkedEvent);
    if (target == nullptr) {
        motion.TurnTo(m_qOrientation, 0.0f);
        return;
    }
    motion.TurnTo(target->m_qOrientation, target->m_fTime - m_fTime);
}

CCinemaEndEvent::CCinemaEndEvent(const char* typeName, int32_t kind, CCinemaEventSequence* sequence)
    : CCinemaEvent(typeName, kind), m_pSequence(sequence)
{
}

bool CCinemaEndEvent::Parse(CDataBuffer&, float earliest, float latest, uint8_t fade)
{
    StoreTimes(earliest, latest, fade);
    return true;
}

bool CCinemaEndEvent::HasSequence() const
{
    if (m_pSequence == nullptr)
        g_Log.Write(std::string("pSequence invalid value for ") + m_pTypeName);
    return m_pSequence != nullptr;
}

CCinemaEvent_End::CCinemaEvent_End(CCinemaEventSequence* sequence)
    : CCinemaEndEvent("CCinemaEvent_End", KIND_END, sequence)
{
}

void CCinemaEvent_End::Run()
{
    if (HasSequence())
        m_pSequence->End();
}

CCinemaEvent_EndNoCameraReset::CCinemaEvent_EndNoCameraReset(CCinemaEventSequence* sequence)
    : CCinemaEndEvent("CCinemaEvent_EndNoCameraReset", KIND_END_NO_CAMERA_RESET, sequence)
{
}

void CCinemaEvent_EndNoCameraReset::Run()
{
    if (HasSequence())
        m_pSequence->EndNoCameraReset();
}

CCinemaEvent_SetGameActorAnimation::CCinemaEvent_SetGameActorAnimation()
    : CCinemaEvent("CCinemaEvent_SetGameActorAnimation", KIND_SET_GAME_ACTOR_ANIMATION), m_pActor(nullptr)
{
}

bool CCinemaEvent_SetGameActorAnimation::Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade)
{
    StoreTimes(earliest, latest, fade);
    m_ActorName = reader.GetString();
    ExpectEquals(reader, "= must come before specifing CCinemaEvent_SetGameActorAnimation animation");
    m_AnimationName = reader.GetString();
    m_pActor = m_ActorName == PLAYER_ACTOR ? g_PlayerActor : nullptr;
    return true;
}

void CCinemaEvent_SetGameActorAnimation::Run()
{
    if (m_pActor == nullptr) {
        g_Log.Write("Cinema's do not currently support changing any GameActor animation besides the main players");
        return;
    }
    m_pActor->m_Model.SetAnimation(m_AnimationName.c_str());
}

CCinemaEvent_PlayNoise::CCinemaEvent_PlayNoise() : CCinemaEvent("CCinemaEvent_PlayNoise", KIND_PLAY_NOISE) {}

CCinemaEvent_PlayNoise::~CCinemaEvent_PlayNoise()
{
    for (FSOUND_STREAM* stream : m_Streams)
        g_Sound.CloseStream(stream);
}

bool CCinemaEvent_PlayNoise::Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade)
{
    StoreTimes(earliest, latest, fade);
    ExpectEquals(reader, "= must come before specifing CCinemaEvent_PlayNoise sound file");
    m_FileName = reader.GetString();
    return true;
}

void CCinemaEvent_PlayNoise::Run()
{
    if (m_FileName.empty()) {
        g_Log.Write("Null sound request to play in cinema");
        return;
    }
    if (FSOUND_STREAM* stream = g_Sound.PlayStream(m_FileName.c_str(), nullptr, nullptr))
        m_Streams.push_back(stream);
}

// ---------------------------------------------------------------------------

CCinemaEventSequence::CCinemaEventSequence()
    : m_NextEvent(0), m_u8Finished(0), m_u8Running(0), m_fTick(0.0f), m_fElapsed(0.0f)
{
}

CCinemaEventSequence::~CCinemaEventSequence() = default;

void CCinemaEventSequence::CreateEventList()
{
    m_pEventList.reset(new EventList());
    m_NextEvent = 0;
}

const CCinemaEventSequence::EventList& CCinemaEventSequence::GetEvents() const
{
    static const EventList none;
    return m_pEventList ? *m_pEventList : none;
}

void CCinemaEventSequence::ClearEvents()
{
    if (m_pEventList)
        m_pEventList->clear();
    m_NextEvent = 0;
}

bool CCinemaEventSequence::LoadScript(const std::string& path)
{
    // An owner that forgot the list still gets its cinema.
    if (!m_pEventList)
        CreateEventList();
    ClearEvents();
    const CScriptFileScope scope(path);
    CDataBuffer reader;
    if (!reader.Init(path, CINEMA_SCRIPT_SEPARATORS))
        FatalError("Cinema script not found: %s", path.c_str());
    while (!reader.IsEndOfBuffer()) {
        if (!ReadStatement(reader, path)) {
            // Half-read events have no times or links: play nothing rather than them.
            ClearEvents();
            return false;
        }
    }
    if (!HasEndEvent())
        FatalError("Cinema script %s has no end event", path.c_str());
    DrawTimesAndLink();
    return true;
}

bool CCinemaEventSequence::ReadStatement(CDataBuffer& reader, const std::string& path)
{
    float earliest = 0.0f;
    float latest = 0.0f;
    uint8_t fade = 0;
    if (reader.Match(PREFIX_FADE)) {
        if (!reader.Match(WORD_SO) || !reader.Match(PREFIX_AT)) {
            g_Log.Write("fade must be followed by so at in " + path + ": the cinema is not loaded");
            return false;
        }
        fade = 1;
        ReadCinemaTime(reader, earliest, latest);
    } else if (reader.Match(PREFIX_AT)) {
        ReadCinemaTime(reader, earliest, latest);
    } else {
        reader.Match(PREFIX_INITIAL);
    }
    if (reader.IsEndOfBuffer())
        return true;
    const std::string word = reader.PeekString();
    if (!IsCommandWord(word)) {
        // Stepped over, or the loop would read the same word for ever.
        g_Log.Write("Unknown cinema statement " + word + " in " + path);
        reader.NextToken();
        return true;
    }
    std::unique_ptr<CCinemaEvent> event = ReadCommand(reader);
    if (!event)
        return true;
    event->Parse(reader, earliest, latest, fade);
    m_pEventList->push_back(std::move(event));
    return true;
}

// A "camera" or "cinema" without a known second word makes nothing.
std::unique_ptr<CCinemaEvent> CCinemaEventSequence::ReadCommand(CDataBuffer& reader)
{
    if (reader.Match(COMMAND_CAMERA)) {
        if (reader.Match("pos"))
            return std::unique_ptr<CCinemaEvent>(new CCinemaEvent_MoveCameraPos(&g_CinemaCamera));
        if (reader.Match("lookat"))
            return std::unique_ptr<CCinemaEvent>(new CCinemaEvent_CameraLookAt(&g_CinemaCamera));
        return nullptr;
    }
    if (reader.Match(COMMAND_CINEMA)) {
        if (reader.Match("end"))
            return std::unique_ptr<CCinemaEvent>(new CCinemaEvent_End(this));
        if (reader.Match("cameranoresetend"))
            return std::unique_ptr<CCinemaEvent>(new CCinemaEvent_EndNoCameraReset(this));
        return nullptr;
    }
    if (reader.Match(COMMAND_ANIMATION))
        return std::unique_ptr<CCinemaEvent>(new CCinemaEvent_SetGameActorAnimation());
    if (reader.Match(COMMAND_SOUND))
        return std::unique_ptr<CCinemaEvent>(new CCinemaEvent_PlayNoise());
    return nullptr;
}

bool CCinemaEventSequence::HasEndEvent() const
{
    for (const std::unique_ptr<CCinemaEvent>& event : *m_pEventList) {
        if (event->m_iKind == CCinemaEvent::KIND_END || event->m_iKind == CCinemaEvent::KIND_END_NO_CAMERA_RESET)
            return true;
    }
    return false;
}

// Times are drawn in script order, then sorted (equal times keep script
// order); each event links to the next later fade target of its kind.
void CCinemaEventSequence::DrawTimesAndLink()
{
    EventList& events = *m_pEventList;
    for (std::unique_ptr<CCinemaEvent>& event : events)
        event->m_fTime = DrawRange(event->m_fEarliestTime, event->m_fLatestTime);
    std::stable_sort(events.begin(), events.end(),
                     [](const std::unique_ptr<CCinemaEvent>& a, const std::unique_ptr<CCinemaEvent>& b) {
                         return SortTime(*a) < SortTime(*b);
                     });
    const size_t kinds = CCinemaEvent::KIND_END_NO_CAMERA_RESET + 1;
    std::array<CCinemaEvent*, kinds> nextFadeTarget{};
    for (size_t index = events.size(); index-- > 0;) {
        CCinemaEvent& event = *events[index];
        event.m_pLinkedEvent = nextFadeTarget[static_cast<size_t>(event.m_iKind)];
        if (event.m_u8Fade)
            nextFadeTarget[static_cast<size_t>(event.m_iKind)] = &event;
    }
}

void CCinemaEventSequence::Start()
{
    if (!m_pEventList || m_pEventList->empty()) {
        m_u8Finished = 1;
        return;
    }
    g_pActiveCamera = &g_CinemaCamera;
    g_CinemaCamera.m_u32Mode = CCamera::MODE_CINEMA;
    g_CinemaCamera.m_Motion.m_u8Active = 1;
    m_u8Running = 1;
    m_NextEvent = 0;
    m_fTick = 0.0f;
    m_fElapsed = 0.0f;
    RunDueEvents();
}

void CCinemaEventSequence::Update(float frameTime)
{
    if (!m_u8Running)
        return;
    m_fElapsed += frameTime;
    m_fTick += frameTime;
    if (!(m_fTick > DUE_EVENT_CHECK_SECONDS))
        return;
    m_fTick = 0.0f;
    RunDueEvents();
}

// An end event inside the pass puts the clock back to 0: the pass then runs
// only what is due at 0, and the place it reached is kept all the same.
void CCinemaEventSequence::RunDueEvents()
{
    const EventList& events = *m_pEventList;
    size_t next = m_NextEvent;
    while (next < events.size() && events[next]->m_fTime <= m_fElapsed) {
        events[next]->Run();
        ++next;
    }
    m_NextEvent = next;
}

void CCinemaEventSequence::End()
{
    g_pActiveCamera = &g_GameCamera;
    Stop();
}

void CCinemaEventSequence::EndNoCameraReset()
{
    Stop();
}

void CCinemaEventSequence::Stop()
{
    m_u8Finished = 1;
    m_u8Running = 0;
    m_NextEvent = 0;
    m_fTick = 0.0f;
    m_fElapsed = 0.0f;
}
