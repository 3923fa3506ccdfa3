#include "Game/Mission.h"

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Display/TextMaster.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Sound/Sound.h"

namespace {

const char* const FAILED_TO_LOAD = "Mission failed to load";
const char* const INVALID_WEAPON = "Invalid Weapon Specification.";
// Cars share the level objects' text.
const char* const INVALID_OBJECT = "Invalid LevelObject Specification.";
const int32_t ALL_CHARACTERS = -1;

const char* const KEYWORD_START_POS = "MissionStartPos";
const char* const KEYWORD_STARTING_RADIUS = "StartingRadius";
const char* const KEYWORD_START_FILE = "MissionStartFile";
const char* const KEYWORD_START_CINEMA = "MissionStartCinema";
const char* const KEYWORD_START_EFFECT = "StartLocationEffect";

const char* const KEYWORD_WEAPON = "Weapon";
const char* const KEYWORD_LEVEL_OBJECT = "LevelObject";
const char* const KEYWORD_CAR = "Car";
const char* const KEYWORD_VICTORY_SOUND = "VictorySound";
const char* const KEYWORD_TIME_RATIO = "TimeRatio";
const char* const KEYWORD_TIME_OF_DAY_MIN = "TimeOfDayMin";
const char* const KEYWORD_TIME_OF_DAY_MAX = "TimeOfDayMax";
const char* const KEYWORD_GAME_ACTOR = "GameActor";
const char* const KEYWORD_UNLOCK_MISSION = "UnlockMission";
const char* const KEYWORD_UNLOCK_EXTRA = "UnlockExtra";

// The path goes to the log before the message box, as for every mission script.
[[noreturn]] void FailToLoad(const std::string& path)
{
    g_Log.Write(path);
    FatalError("%s", FAILED_TO_LOAD);
}

} // namespace

CMission::CMission()
    : m_fSavedTimeRatio(g_GameTimer.GetTimeRatio()), m_fTimeRatio(g_GameTimer.GetTimeRatio())
{
    D3DXMatrixIdentity(&m_matStart);
    D3DXMatrixIdentity(&m_matStartEffect);
}

CMission::~CMission()
{
    CloseVictorySound();
}

void CMission::LoadStartFile(const std::string& path)
{
    LoadScript(path, &CMission::ParsePre);
}

void CMission::LoadMissionFile(const std::string& path)
{
    m_fElapsedTime = 0.0f;
    m_fVictoryTime = 0.0f;
    m_u8Won = 0;
    m_u8Failed = 0;
    m_u8Finished = 0;
    LoadScript(path, &CMission::Parse);
}

// `parse` is called through the mission's own class.
void CMission::LoadScript(const std::string& path, KeywordParser parse)
{
    const CScriptFileScope scope(path);
    CDataBuffer reader;
    if (!reader.Init(path, SCRIPT_SEPARATORS))
        FailToLoad(path);
    while (!reader.IsEndOfBuffer()) {
        // A keyword taken as the last token may leave nothing for the next.
        if ((this->*parse)(reader) || reader.IsEndOfBuffer())
            continue;
        // A script of nothing but comments still holds one empty token.
        if (!reader.PeekString().empty())
            FailToLoad(path);
        reader.NextToken();
    }
    const bool complete = parse == &CMission::ParsePre ? IsStartScriptComplete() : IsMainScriptComplete();
    if (!complete)
        FailToLoad(path);
}

bool CMission::ParsePre(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_START_POS)) {
        const D3DXVECTOR3 position = reader.GetVector3();
        D3DXMatrixTranslation(&m_matStart, position.x, position.y, position.z);
    } else if (reader.Match(KEYWORD_STARTING_RADIUS)) {
        m_fStartingRadius = reader.GetFloat();
    } else if (reader.Match(KEYWORD_START_FILE)) {
        m_MainScript = reader.GetString();
    } else if (reader.Match(KEYWORD_START_CINEMA)) {
        m_StartCinema.CreateEventList();
        m_StartCinema.LoadScript(reader.GetString());
    } else if (reader.Match(KEYWORD_START_EFFECT)) {
        SetStartLocationEffect(reader.GetString());
    } else {
        return false;
    }
    return true;
}

bool CMission::Parse(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_WEAPON)) {
        m_SpawnedWeapons.push_back(PlaceWeapon(reader));
    } else if (reader.Match(KEYWORD_LEVEL_OBJECT)) {
        m_SpawnedObjects.push_back(PlaceLevelObject(reader));
    } else if (reader.Match(KEYWORD_CAR)) {
        // A scripted car stays in the level after the mission.
        PlaceCar(reader);
    } else if (reader.Match(KEYWORD_VICTORY_SOUND)) {
        m_VictorySound = reader.GetString();
    } else if (reader.Match(KEYWORD_TIME_RATIO)) {
        m_fTimeRatio = reader.GetFloat();
    } else if (reader.Match(KEYWORD_TIME_OF_DAY_MIN)) {
        m_fTimeOfDayMin = reader.GetFloat();
    } else if (reader.Match(KEYWORD_TIME_OF_DAY_MAX)) {
        m_fTimeOfDayMax = reader.GetFloat();
    } else {
        // "GameActor" means nothing; the word after it may still unlock.
        reader.Match(KEYWORD_GAME_ACTOR);
        if (reader.Match(KEYWORD_UNLOCK_MISSION))
            m_UnlockedMissions.push_back(reader.GetString());
        else if (reader.Match(KEYWORD_UNLOCK_EXTRA))
            m_UnlockedExtras.push_back(reader.GetString());
        else
            return false;
    }
    return true;
}

bool CMission::CanStart()
{
    if (g_PlayerActor == nullptr)
        return false;
    return g_PlayerActor->IsWithinRange(GetStartPosition(), m_fStartingRadius);
}

int CMission::Update()
{
    return MISSION_WON;
}

void CMission::Draw(ERenderPass)
{
}

void CMission::End()
{
    for (CLevelObject* object : m_SpawnedObjects)
        object->m_u8Removed = 1;
    m_SpawnedObjects.clear();
    for (CCar* car : m_SpawnedCars)
        car->m_bRecyclable = true;
    m_SpawnedCars.clear();
    m_SpawnedWeapons.clear();
    m_Agents.clear();
    CloseVictorySound();
}

void CMission::OnEvent(const CCrimeRecord&)
{
}

// Into the overflow cell, which no viewer activates: the car is put into
// the world here and leaves it only once the mission lets it be recycled.
CCar* CMission::PlaceCar(CDataBuffer& reader)
{
    CCar* car = CLevel::ReadInstance<CCar>(reader, INVALID_OBJECT).release();
    g_pLevel->GetCarGrid().AddToOverflow(car);
    g_pLevel->GetActiveCars().push_back(car);
    car->m_bRecyclable = false;
    car->m_bRemoved = false;
    car->m_bInWorld = true;
    car->Reset();
    car->CreatePhysics();
    return car;
}

CLevelObject* CMission::PlaceLevelObject(CDataBuffer& reader)
{
    CLevelObject* object = CLevel::ReadInstance<CLevelObject>(reader, INVALID_OBJECT).release();
    g_pLevel->GetObjectGrid().AddMissionObject(object);
    g_pLevel->GetActiveObjects().push_back(object);
    object->m_u8Removed = 0;
    object->m_u8InWorld = 1;
    object->m_u8MayBeRecycled = 0;
    object->Spawn();
    object->CreatePhysics();
    return object;
}

CWeapon* CMission::PlaceWeapon(CDataBuffer& reader)
{
    std::unique_ptr<CWeapon> weapon = CLevel::ReadInstance<CWeapon>(reader, INVALID_WEAPON);
    weapon->ApplyPosMatrix();
    g_pLevel->GetWeapons().push_back(std::move(weapon));
    return g_pLevel->GetWeapons().back().get();
}

bool CMission::RunStartCinema()
{
    if (m_StartCinema.IsFinished())
        return true;
    if (!m_StartCinema.IsRunning())
        m_StartCinema.Start();
    m_StartCinema.Update(g_FrameTimer.GetFrameTime());
    return false;
}

void CMission::PlayVictorySoundOnce()
{
    if (m_pVictoryStream != nullptr || m_VictorySound.empty())
        return;
    m_pVictoryStream = g_Sound.PlayStream(m_VictorySound.c_str(), nullptr, nullptr);
}

bool CMission::HasClosingDelayPassed()
{
    if (m_fVictoryTime < CLOSING_DELAY)
        return false;
    m_u8Finished = 1;
    return true;
}

D3DXVECTOR3 CMission::GetStartPosition() const
{
    return D3DXVECTOR3(m_matStart._41, m_matStart._42, m_matStart._43);
}

void CMission::DrawText(ERenderPass pass, const char* text, float x, float y, D3DCOLOR colour)
{
    if (pass != RENDER_PASS_MAIN)
        return;
    g_TextMaster.TextOut(text, x, y, colour, &g_FontVerdana13, ALL_CHARACTERS, false);
}

// A missing effect is fatal in the asset manager.
void CMission::SetStartLocationEffect(const std::string& effectName)
{
    CEffect* prototype = nullptr;
    g_AssetManager.GetAsset(effectName, prototype, true);
    m_StartEffect = *prototype;
    m_matStartEffect = m_matStart;
    m_StartEffect.SetMatrix(&m_matStartEffect);
    m_StartEffect.Start();
}

void CMission::CloseVictorySound()
{
    if (m_pVictoryStream == nullptr)
        return;
    g_Sound.CloseStream(m_pVictoryStream);
    m_pVictoryStream = nullptr;
}
