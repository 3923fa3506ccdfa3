#pragma once
// The world container: one asset per level ("Level" blocks of
// "Scripts\Levels.txt", a name and the path of its level script), reached
// through g_pLevel. LoadScript builds the world from the script, as copies of
// named prototypes, and can run again on the same level: it empties
// everything first. The level owns what the script placed; its two sector
// grids stream the cars and level objects in and out around the viewer, and
// its update is the only place where anything leaves the level's lists
// (others raise a flag; the next update unlinks).

#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AI/AIPool.h"
#include "Actors/CarColorTable.h"
#include "Actors/ProjectilePool.h"
#include "Core/Asset.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/StdInterface.h"
#include "Game/PhoneDirectory.h"
#include "Level/CarGrid.h"
#include "Level/LevelObject.h"
#include "Level/ObjectGrid.h"
#include "platform/d3dx8/D3DX8Math.h"

class CAIControllerSet;
class CBuildingObject;
class CCar;
class CGameActor;
class CLensFlare;
class CLevelObject;
class CSkyBox;
class CTerrain;
class CWeapon;
class CWaterPlane;

// What the nearest-object queries fill: {squared distance, object}, nearest
// first. The caller owns it and may reserve its room.
typedef std::vector<std::pair<float, CCar*>> CNearCarList;
typedef std::vector<std::pair<float, CGameActor*>> CNearActorList;

class CLevel : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CLevel";
    static constexpr const char* BLOCK_KEYWORD = "level";
    // The first update after a load places the object grid at once.
    static constexpr float OBJECT_GRID_TIMER_AT_LOAD = 5.0f;
    // The object grid is placed once this many seconds have passed.
    static constexpr float OBJECT_GRID_PERIOD = 1.0f;
    enum { STATE_PAUSED = 0, STATE_PLAYING = 1 };
    // The developer overlay the DEBUGMODE word picks: one drawing per value.
    enum {
        DEBUG_COLLISION_TREES = 1,
        DEBUG_NODE_GRAPHS = 2,
        DEBUG_BOX_SHAPES = 4,
        DEBUG_PHYSICS_ACTORS = 8,
    };

    CLevel();
    // Frees what the level owns. It runs at exit after the player, the sound
    // and the physics are gone (the game's shut-down did the full reset), so
    // it calls no other global.
    ~CLevel() override;
    CLevel(const CLevel&) = delete;
    CLevel& operator=(const CLevel&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }

    // Back to the empty level: the world deleted, the player on foot.
    bool Init() override;
    bool Shutdown() override;
    // The asset block; no validation.
    bool Load(CDataBuffer& reader) override;
    // "Src": the level script, read now and parsed at each LoadScript.
    bool ReadProperty(CDataBuffer& reader) override;
    void ResetKeepName();
    // Empties the level and builds it from its script.
    void LoadScript();

    // One frame of the whole world.
    void Update();
    // Two of its steps, which the AI benchmark times on their own: every
    // active car drives, every agent runs; what is flagged is unlinked.
    void UpdateCars();
    void UpdateAgents();

    // Queries and spawning.
    CCar* FindClosestCar(const D3DXVECTOR3& point, float boundSq) const;
    int FindNearestCars(CNearCarList& list, int most, const D3DXVECTOR3& point, float boundSq) const;
    // Over the agents of g_pLevel.
    static int FindNearestActors(CNearActorList& list, int most, const D3DXVECTOR3& point, float boundSq,
                                 bool includeInCars);
    void GatherAgentsInRadius(const D3DXVECTOR3& point, float radius);
    // Null when `n` is not below the number of agents.
    CAIControllerSet* GetAgent(int n) const;
    CAIControllerSet* AddAgent();
    // Unlinks the agent and deletes it when the level made it; false when
    // the level did not (the caller keeps it). Not from inside an agent's update.
    bool RemoveAgent(CAIControllerSet* agent);
    CCar* AddCar(CCar* car);
    // Into the car grid's cell of its spawn matrix; in the world at once when
    // that cell was active in the last update.
    CCar* AddCarToGrid(CCar* car);
    CProjectile* SpawnProjectile(const CProjectile& prototype);
    void SetState(int state);

    // A copy of the prototype named by the next token, given the property
    // lines that follow; `failure` is fatal when the copy does not validate
    // and a missing prototype is fatal in the asset manager. The level
    // script and the missions' main scripts place their instances so.
    template <class T>
    static std::unique_ptr<T> ReadInstance(CDataBuffer& reader, const char* failure)
    {
        T* prototype = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), prototype, true);
        std::unique_ptr<T> instance(new T(*prototype));
        while (!reader.IsEndOfBuffer() && instance->ReadProperty(reader)) {
        }
        if (!instance->Validate())
            FatalError("%s", failure);
        return instance;
    }

    // Drawing, in the order the screen state calls it each frame. The
    // queueing runs once per pass, after the pass's view is set on the device.
    void QueueRender(ERenderPass pass);
    // Into g_RenderReflection, only when the last main pass drew water.
    void RenderReflection();
    // The main view; the scene was begun by the screen state.
    void Render();
    void RenderLensFlares();
    void DrawDebug();
    // Once per level, as play starts: a frame that is never shown, with every
    // effect going off in front of the camera, so that the device has built
    // the programs for those draws before the first shot of play needs them
    // (building one costs a frame).
    void WarmUpEffectDraws();
    // The mirror through the first water plane; false without water planes.
    bool GetMirrorPlane(D3DXPLANE& mirror) const;
    // The reflection of the active camera's view in that mirror.
    bool GetMirroredView(D3DXMATRIX& view) const;
    // The mirror lowered a little: the reflection keeps only what lies above it.
    bool GetReflectionClipPlane(D3DXPLANE& clip) const;
    // Whether this frame has a reflection pass: the last main pass showed water.
    bool DrawsReflection() const { return m_iWaterCount != 0 && !m_WaterPlanes.empty(); }

    const std::string& GetScriptPath() const { return m_ScriptPath; }
    CSkyBox* GetSkyBox() const { return m_pSkyBox; }
    CTerrain* GetTerrain() const { return m_pTerrain; }
    CPhoneDirectory& GetPhoneDirectory() { return m_PhoneDirectory; }
    int GetState() const { return m_iState; }
    int GetPreviousState() const { return m_iPreviousState; }
    int GetWaterCount() const { return m_iWaterCount; }
    const std::vector<std::unique_ptr<CLensFlare>>& GetLensFlares() const { return m_LensFlares; }
    CObjectGrid& GetObjectGrid() { return m_ObjectGrid; }
    CCarGrid& GetCarGrid() { return m_CarGrid; }
    const CAIPool& GetAIPool() const { return m_AIPool; }
    CAIPool& GetAIPool() { return m_AIPool; }
    float GetObjectGridTimer() const { return m_fObjectGridTimer; }
    void SetObjectGridTimer(float seconds) { m_fObjectGridTimer = seconds; }
    const std::vector<std::unique_ptr<CWaterPlane>>& GetWaterPlanes() const { return m_WaterPlanes; }
    std::list<CLevelObject*>& GetActiveObjects() { return m_ActiveObjects; }
    const std::vector<CLevelObject*>& GetMovableObjects() const { return m_MovableObjects; }
    CLevelObject* GetSunObject() const { return m_pSunObject; }
    const std::vector<std::unique_ptr<CBuildingObject>>& GetBuildings() const { return m_Buildings; }
    std::list<CCar*>& GetActiveCars() { return m_ActiveCars; }
    std::list<std::unique_ptr<CWeapon>>& GetWeapons() { return m_Weapons; }
    std::list<CAIControllerSet*>& GetAgents() { return m_Agents; }
    const std::vector<CAIControllerSet*>& GetGatheredAgents() const { return m_GatheredAgents; }
    CProjectilePool& GetProjectiles() { return m_Projectiles; }
    const CCarColorTable& GetCarColors() const { return m_CarColors; }

private:
    void ParseScript(CDataBuffer& reader);
    // One entry of the script; false for an unknown keyword.
    bool ReadEntry(CDataBuffer& reader);
    void ReadTerrain(CDataBuffer& reader);
    void ReadWaterPlane(CDataBuffer& reader);
    void ReadSunObject(CDataBuffer& reader);
    void ReadLensFlare(CDataBuffer& reader);
    void ReadWeapon(CDataBuffer& reader);
    void ReadPlayerStart(CDataBuffer& reader);
    void SetUpPopulation();
    std::string SpawnNodeFileName() const;

    void TakePlayerOutOfCar();

    void UpdateWeapons();
    void UpdateLevelObjects();
    void UpdatePlayState();
    static void PlaceCursorAtAim();

    // Only the main pass counts toward an agent's time out of sight. With a
    // `cullViewProj` (the mirror's, with its `clip` plane) the actors that
    // view cannot see are left out.
    void DrawActors(ERenderPass pass, const D3DXMATRIX* cullViewProj, const D3DXPLANE* clip);
    void DrawFlares(const D3DXMATRIX& view, int width, int height);
    bool IsWaterInView(const D3DXMATRIX& viewProjection) const;
    // The screen heights between which the water planes in view lie (the
    // whole screen when one reaches behind the eye); `low` above `high`
    // when none is in view.
    void GetWaterScreenHeights(const D3DXMATRIX& viewProjection, float& low, float& high) const;
    void DrawCollisionTrees() const;
    void DrawBoxShapes() const;
    static void DrawPhysicsActors();

    std::string m_ScriptPath;
    CDataBuffer m_ScriptReader;
    // Prototypes, not copies: the asset manager owns them.
    CSkyBox* m_pSkyBox = nullptr;
    CTerrain* m_pTerrain = nullptr;
    CPhoneDirectory m_PhoneDirectory;
    int m_iState = STATE_PAUSED;
    int m_iPreviousState = STATE_PAUSED;
    // Water planes drawn in the last main pass; 0 when none was on screen.
    int m_iWaterCount = 0;
    bool m_bEffectDrawsWarm = false;
    std::vector<std::unique_ptr<CLensFlare>> m_LensFlares;
    CObjectGrid m_ObjectGrid;
    CCarGrid m_CarGrid;
    CAIPool m_AIPool;
    float m_fObjectGridTimer = OBJECT_GRID_TIMER_AT_LOAD;
    std::vector<std::unique_ptr<CWaterPlane>> m_WaterPlanes;
    // Owned by the object grid, except the sun.
    std::list<CLevelObject*> m_ActiveObjects;
    std::vector<CLevelObject*> m_MovableObjects;
    // The last "SunObject"; every one placed is kept for the reset to delete.
    CLevelObject* m_pSunObject = nullptr;
    std::vector<std::unique_ptr<CLevelObject>> m_SunObjects;
    std::vector<std::unique_ptr<CBuildingObject>> m_Buildings;
    // Owned by the car grid.
    std::list<CCar*> m_ActiveCars;
    // Lying in the world until the player picks one up.
    std::list<std::unique_ptr<CWeapon>> m_Weapons;
    std::list<CAIControllerSet*> m_Agents;
    // What AddAgent made; the pool keeps its own.
    std::vector<std::unique_ptr<CAIControllerSet>> m_AddedAgents;
    std::vector<CAIControllerSet*> m_GatheredAgents;
    CProjectilePool m_Projectiles;
    // Read at every load; current while the level is.
    CCarColorTable m_CarColors;
};

extern CLevel* g_pLevel;
