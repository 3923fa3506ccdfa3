#pragma once
// A small level for the level's tests: a flat terrain of 2 x 2 cells (128
// units from the origin, all in one sector of the grids), a test prototype of
// each kind the level script places, and helpers that load a level from
// script text and record the frame's steps.

#include <memory>
#include <string>
#include <vector>

#include "Display/Camera.h"
#include "Display/DisplayFixture.h"
#include "Level/Level.h"

class LevelFixture : public DisplayFixture {
public:
    static constexpr float TERRAIN_SIDE = 128.0f;
    static std::vector<std::string> s_Trace;

protected:
    // A matrix of 16 numbers at (x, y, z), unturned.
    static std::string At(float x, float y, float z);

    void SetUp() override;
    void TearDown() override;
    // g_Physics with a scene; call first in SetUp.
    void StartPhysics() { m_bPhysics = true; }

    // Writes `body` as the level script `path` and loads it as g_pLevel.
    CLevel& LoadLevel(const std::string& body, const std::string& path = "Scripts\\Levels\\Test.txt");
    // The steps traced from now on.
    void StartTrace();
    // The camera the updates stream the world around.
    void PlaceViewer(float x, float z);
    // The water plane "Pond", whose surface is a cube (the mesh "Water").
    void FilePond();

    std::unique_ptr<CLevel> m_pLevel;
    CCamera m_Viewer;
    // The terrain's corner; a test moves it before SetUp.
    D3DXVECTOR3 m_vTerrainOrigin = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    // The level's pedestrians need the actor "Lizard": a test prototype with
    // a collision box unless a test files the shipped one (cleared before SetUp).
    bool m_bTestLizard = true;

private:
    void WriteTerrain();
    void FilePrototypes();

    bool m_bPhysics = false;
    CCamera* m_pSavedCamera = nullptr;
};
