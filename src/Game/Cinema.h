#pragma once
// The in-engine cinematics: a timed list of camera moves and turns, player
// animations and sound streams, read from a cinema script and played on the
// cinema camera. A mission owns a sequence: it creates the list, loads the
// script, starts the sequence when it wants it played, updates it once a
// frame and goes on once the sequence reports that it has finished.
//
// A script is a run of statements, each an optional time prefix and a
// command (data/README.md and the shipped scripts' opening comments give the
// grammar):
//   at 2 camera pos = xyz(0, 20, -30)
//   fade so at random(3, 4) camera lookat = xyz(0, -0.5, 1), xyz(0, 1, 0)
//   initial animation player = Idle
//   at 1.5 sound = Assets\Sounds\cinema_whoosh.wav
//   at 6 cinema end

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Effects/MinMax.h"
#include "platform/d3dx8/D3DX8Math.h"

class CCamera;
class CCinemaEventSequence;
class CDataBuffer;
class CGameActor;
struct FSOUND_STREAM;

// One entry of a sequence. Its time is drawn once in [earliest, latest]
// after the whole script is read; a fade target is an event that an earlier
// event of its kind glides or turns towards.
class CCinemaEvent {
public:
    enum Kind : int32_t {
        KIND_MOVE_CAMERA_POS = 2,
        KIND_CAMERA_LOOK_AT = 3,
        KIND_END = 4,
        KIND_SET_GAME_ACTOR_ANIMATION = 5,
        KIND_PLAY_NOISE = 6,
        KIND_END_NO_CAMERA_RESET = 7,
    };

    CCinemaEvent(const char* typeName, int32_t kind);
    virtual ~CCinemaEvent() = default;
    CCinemaEvent(const CCinemaEvent&) = delete;
    CCinemaEvent& operator=(const CCinemaEvent&) = delete;

    // Hooks around an event's life that no event needs yet.
    virtual void Prepare() {}
    virtual void Release() {}
    virtual void Run() = 0;
    // Every event may be a fade target; nothing asks yet.
    virtual bool CanFade() const = 0;
    // Stores the time range and the fade flag, then reads the rest of the
    // statement from the reader, which stands after the command words.
    virtual bool Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade) = 0;

    // The next later event of the same kind that is a fade target; set after loading.
    CCinemaEvent* m_pLinkedEvent;
    const char* m_pTypeName;
    int32_t m_iKind;
    // Seconds after the start of the sequence.
    float m_fEarliestTime;
    float m_fLatestTime;
    float m_fTime;
    uint8_t m_u8Fade;

protected:
    void StoreTimes(float earliest, float latest, uint8_t fade);
};

// "camera pos = xyz(...)": places the camera at a point drawn in the ranges
// each time it runs, and glides it towards its linked fade target.
class CCinemaEvent_MoveCameraPos : public CCinemaEvent {
public:
    explicit CCinemaEvent_MoveCameraPos(CCamera* camera);

    void Run() override;
    bool CanFade() const override { return true; }
    bool Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade) override;

    // The lowest and highest position.
    CMinMax<D3DXVECTOR3> m_Position;
    CCamera* m_pCamera;
};

// "camera lookat = xyz(direction) xyz(up)": turns the camera to face the
// direction at once, then towards its linked fade target over the time between.
class CCinemaEvent_CameraLookAt : public CCinemaEvent {
public:
    explicit CCinemaEvent_CameraLookAt(CCamera* camera);

    void Run() override;
    bool CanFade() const override { return true; }
    bool Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade) override;

    // The camera's rotation: its z axis along the direction, its y axis up.
    D3DXQUATERNION m_qOrientation;
    CCamera* m_pCamera;
};

// The two end events: each stops the sequence that loaded it.
class CCinemaEndEvent : public CCinemaEvent {
public:
    CCinemaEndEvent(const char* typeName, int32_t kind, CCinemaEventSequence* sequence);

    bool CanFade() const override { return true; }
    bool Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade) override;

    CCinemaEventSequence* m_pSequence;

protected:
    // Logs the fault when there is none.
    bool HasSequence() const;
};

// "cinema end": the sequence ends and the game camera is shown again.
class CCinemaEvent_End : public CCinemaEndEvent {
public:
    explicit CCinemaEvent_End(CCinemaEventSequence* sequence);

    void Run() override;
};

// "cinema cameranoresetend": the sequence ends and its last view stays.
class CCinemaEvent_EndNoCameraReset : public CCinemaEndEvent {
public:
    explicit CCinemaEvent_EndNoCameraReset(CCinemaEventSequence* sequence);

    void Run() override;
};

// "animation <actor> = <animation>": the actor's body plays the set from its
// start. Only "player", written so, names an actor.
class CCinemaEvent_SetGameActorAnimation : public CCinemaEvent {
public:
    CCinemaEvent_SetGameActorAnimation();

    void Run() override;
    bool CanFade() const override { return true; }
    bool Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade) override;

    std::string m_AnimationName;
    std::string m_ActorName;
    // The player when the script was loaded, or null.
    CGameActor* m_pActor;
};

// "sound = <file>": streams the file once. The streams it started are closed
// with the event, when the script is loaded again or the sequence goes.
class CCinemaEvent_PlayNoise : public CCinemaEvent {
public:
    CCinemaEvent_PlayNoise();
    ~CCinemaEvent_PlayNoise() override;

    void Run() override;
    bool CanFade() const override { return true; }
    bool Parse(CDataBuffer& reader, float earliest, float latest, uint8_t fade) override;

    std::string m_FileName;

private:
    std::vector<FSOUND_STREAM*> m_Streams;
};

// A cinema script's events in time order, played on g_CinemaCamera.
class CCinemaEventSequence {
public:
    typedef std::vector<std::unique_ptr<CCinemaEvent>> EventList;

    CCinemaEventSequence();
    virtual ~CCinemaEventSequence();
    CCinemaEventSequence(const CCinemaEventSequence&) = delete;
    CCinemaEventSequence& operator=(const CCinemaEventSequence&) = delete;

    // A new, empty list; LoadScript fills it.
    void CreateEventList();
    // Replaces the events with the script's. False, the list left empty, when
    // a "fade" lacks its "so at". A script that cannot be read or that has no
    // end event is a fatal error: the sequence would never finish.
    bool LoadScript(const std::string& path);
    // Shows the cinema camera and runs the events due at time 0. Without
    // events the sequence is finished at once and the camera is left alone.
    void Start();
    // Once a frame while running, with the frame time in seconds.
    void Update(float frameTime);
    // Stop the sequence; End also makes the game camera active again.
    void End();
    void EndNoCameraReset();

    bool IsFinished() const { return m_u8Finished != 0; }
    bool IsRunning() const { return m_u8Running != 0; }
    // Empty without a list.
    const EventList& GetEvents() const;

private:
    void ClearEvents();
    // False on a "fade" without "so at".
    bool ReadStatement(CDataBuffer& reader, const std::string& path);
    std::unique_ptr<CCinemaEvent> ReadCommand(CDataBuffer& reader);
    bool HasEndEvent() const;
    void DrawTimesAndLink();
    void RunDueEvents();
    void Stop();

    std::unique_ptr<EventList> m_pEventList;
    // The first event that has not run yet.
    size_t m_NextEvent;
    uint8_t m_u8Finished;
    uint8_t m_u8Running;
    // Seconds since the last look for due events.
    float m_fTick;
    // Seconds since Start.
    float m_fElapsed;
};
