#pragma once
// A mission: a start point in the city where it waits for the player, and a
// main script read when it starts. Each mission is described by two scripts:
// the start script "Scripts\Mission\<name>Pre.txt", read when the mission is
// created, and the main script it names, read only when the mission starts.
//
// Start script keywords, each followed by its value:
//   MissionStartPos      x y z      where the mission waits
//   StartingRadius       r          how near the player must come
//   MissionStartFile     path       the main script
//   MissionStartCinema   path       the cinema played when it begins
//   StartLocationEffect  name       the marker effect shown at the start point
// Give MissionStartPos before StartLocationEffect: the marker is placed where
// the mission waits when its keyword is read.
//
// Main script keywords:
//   Weapon       name, properties   a weapon lying in the world
//   LevelObject  name, properties   an object that goes when the mission ends
//   Car          name, properties   a car that stays in the level
//   VictorySound file               streamed once when the mission is won
//   TimeRatio    ratio              the game clock's speed while it runs
//   TimeOfDayMin, TimeOfDayMax      kept, unused
//   GameActor                       means nothing
//   UnlockMission name              created when the mission is won
//   UnlockExtra  name               granted when the mission is won
//
// The mission manager creates, starts, updates, draws and ends missions only
// through the virtual operations; the mission classes override them. The
// level owns what a mission places; the mission keeps pointers only.

#include <cstdint>
#include <string>
#include <vector>

#include "Core/DataBuffer.h"
#include "Effects/Effect.h"
#include "Game/Cinema.h"
#include "Level/LevelObject.h"
#include "platform/d3dx8/D3DX8Math.h"

class CAIControllerSet;
class CCar;
class CWeapon;
struct CCrimeRecord;
struct FSOUND_STREAM;

class CMission {
public:
    // What Update tells the mission manager.
    enum { MISSION_FAILED = -1, MISSION_RUNNING = 0, MISSION_WON = 1 };
    // Seconds a won or lost mission stays on screen before it reports.
    static constexpr float CLOSING_DELAY = 2.0f;
    static constexpr float DEFAULT_TIME_OF_DAY_MAX = 9999999.0f;

    // The time ratio is the game timer's now, and is given back at the end.
    CMission();
    // Closes the victory sound's stream.
    virtual ~CMission();
    // The marker follows this mission's own matrix: a copy would point at
    // the original's.
    CMission(const CMission&) = delete;
    CMission& operator=(const CMission&) = delete;

    // Reads the start script at `path`, offering each keyword to ParsePre. A
    // keyword no class of the mission takes, or a script that cannot be read,
    // is fatal ("Mission failed to load"), the path written to the log first.
    void LoadStartFile(const std::string& path);
    // The same for the main script and Parse, from a fresh start: no time
    // has passed and the mission is neither won, failed nor finished.
    void LoadMissionFile(const std::string& path);

    // One keyword of the start script; false, the reader untouched, when the
    // mission does not know it. Mission classes offer a keyword to their base
    // first.
    virtual bool ParsePre(CDataBuffer& reader);
    // One keyword of the main script, likewise. "GameActor" is taken alone
    // and the call goes on with the unlock keywords.
    virtual bool Parse(CDataBuffer& reader);
    // The player stands within the starting radius of the start point.
    virtual bool CanStart();
    // Once a frame while current: MISSION_RUNNING, _WON or _FAILED. The base
    // is won at once.
    virtual int Update();
    // Once per render pass while current; texts go into the main pass only
    // (DrawText), effects and arrows into both. The base draws nothing.
    virtual void Draw(ERenderPass pass);
    // The mission is over: what it placed leaves the level (its objects at
    // the level's next update; its cars when the level recycles them) and
    // the victory sound stops.
    virtual void End();
    // Each crime or menu event reported while the mission is current.
    virtual void OnEvent(const CCrimeRecord& event);

    // The steps the mission classes share. Each Place reads a copy of the
    // named prototype and its property lines and puts it into g_pLevel; a
    // copy that does not validate is fatal.
    // A car in the overflow cell of the car grid, in the world and kept from
    // recycling. The caller decides whether it is one of the spawned cars.
    CCar* PlaceCar(CDataBuffer& reader);
    // An object in the object grid's overflow cell, in the world, spawned
    // and kept from recycling.
    CLevelObject* PlaceLevelObject(CDataBuffer& reader);
    // A weapon lying in the world at its position matrix.
    CWeapon* PlaceWeapon(CDataBuffer& reader);
    // The start cinema, started on the first call and advanced by the frame
    // time while it plays. True once it had finished before this call: the
    // frame that plays it belongs to the cinema.
    bool RunStartCinema();
    // Streams the victory sound the first time it is asked.
    void PlayVictorySoundOnce();
    // Whether the closing delay after a win or loss has run out; it sets
    // the finished flag when it has.
    bool HasClosingDelayPassed();

    const std::string& GetName() const { return m_Name; }
    void SetName(const std::string& name) { m_Name = name; }
    D3DXVECTOR3 GetStartPosition() const;
    float GetStartingRadius() const { return m_fStartingRadius; }
    const std::string& GetMainScript() const { return m_MainScript; }
    const CCinemaEventSequence& GetStartCinema() const { return m_StartCinema; }
    const CEffect& GetStartEffect() const { return m_StartEffect; }
    CEffect& GetStartEffect() { return m_StartEffect; }
    const D3DXMATRIX& GetStartEffectMatrix() const { return m_matStartEffect; }
    const std::string& GetVictorySound() const { return m_VictorySound; }
    FSOUND_STREAM* GetVictoryStream() const { return m_pVictoryStream; }
    const std::vector<std::string>& GetUnlockedMissions() const { return m_UnlockedMissions; }
    const std::vector<std::string>& GetUnlockedExtras() const { return m_UnlockedExtras; }
    float GetSavedTimeRatio() const { return m_fSavedTimeRatio; }
    float GetTimeRatio() const { return m_fTimeRatio; }
    float GetTimeOfDayMin() const { return m_fTimeOfDayMin; }
    float GetTimeOfDayMax() const { return m_fTimeOfDayMax; }
    const std::vector<CLevelObject*>& GetSpawnedObjects() const { return m_SpawnedObjects; }
    const std::vector<CCar*>& GetSpawnedCars() const { return m_SpawnedCars; }
    const std::vector<CWeapon*>& GetSpawnedWeapons() const { return m_SpawnedWeapons; }
    bool IsWon() const { return m_u8Won != 0; }
    bool IsFailed() const { return m_u8Failed != 0; }
    bool IsFinished() const { return m_u8Finished != 0; }

protected:
    // Whether the start script gave everything the class needs; a start
    // script that did not is fatal like a broken one.
    virtual bool IsStartScriptComplete() const { return true; }
    // The same for the main script.
    virtual bool IsMainScriptComplete() const { return true; }
    // Queued in the main pass only, in Verdana 13: the level draws its
    // missions once per pass.
    static void DrawText(ERenderPass pass, const char* text, float x, float y, D3DCOLOR colour);

    // Observers: the level owns what the mission placed.
    std::vector<CLevelObject*> m_SpawnedObjects;
    std::vector<CCar*> m_SpawnedCars;
    std::vector<CWeapon*> m_SpawnedWeapons;
    std::vector<CAIControllerSet*> m_Agents;
    // Seconds of play since the start cinema ended, and since the win or loss.
    float m_fElapsedTime = 0.0f;
    float m_fVictoryTime = 0.0f;
    uint8_t m_u8Won = 0;
    uint8_t m_u8Failed = 0;
    uint8_t m_u8Finished = 0;

private:
    typedef bool (CMission::*KeywordParser)(CDataBuffer& reader);
    void LoadScript(const std::string& path, KeywordParser parse);
    void SetStartLocationEffect(const std::string& effectName);
    void CloseVictorySound();

    // Shown at the start point while the mission waits.
    CEffect m_StartEffect;
    D3DXMATRIX m_matStart;
    // The start matrix as it was when the marker was placed.
    D3DXMATRIX m_matStartEffect;
    // Played when the mission begins.
    CCinemaEventSequence m_StartCinema;
    std::string m_VictorySound;
    // The key the mission manager created the mission by.
    std::string m_Name;
    std::string m_MainScript;
    // Null until the victory sound has started; the mission closes it.
    FSOUND_STREAM* m_pVictoryStream = nullptr;
    std::vector<std::string> m_UnlockedMissions;
    std::vector<std::string> m_UnlockedExtras;
    float m_fStartingRadius = 0.0f;
    float m_fSavedTimeRatio;
    float m_fTimeRatio;
    float m_fTimeOfDayMin = 0.0f;
    float m_fTimeOfDayMax = DEFAULT_TIME_OF_DAY_MAX;
};
