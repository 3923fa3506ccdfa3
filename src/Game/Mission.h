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

#include <string>

#include "Core/DataBuffer.h"
#include "Effects/Effect.h"
#include "platform/d3dx8/D3DX8Math.h"

class CMission {
public:
    CMission();
    virtual ~CMission() = default;
    // The marker follows this mission's own matrix: a copy would point at
    // the original's.
    CMission(const CMission&) = delete;
    CMission& operator=(const CMission&) = delete;

    // Reads the start script at `path`, offering each keyword to ParsePre. A
    // keyword no class of the mission takes, or a script that cannot be read,
    // is fatal ("Mission failed to load"), the path written to the log first.
    void LoadStartFile(const std::string& path);

    // One keyword of the start script; false, the reader untouched, when the
    // mission does not know it. Mission classes offer a keyword to their base
    // first.
    virtual bool ParsePre(CDataBuffer& reader);

    const std::string& GetName() const { return m_Name; }
    void SetName(const std::string& name) { m_Name = name; }
    D3DXVECTOR3 GetStartPosition() const;
    float GetStartingRadius() const { return m_fStartingRadius; }
    const std::string& GetMainScript() const { return m_MainScript; }
    const std::string& GetStartCinema() const { return m_StartCinema; }
    const CEffect& GetStartEffect() const { return m_StartEffect; }
    const D3DXMATRIX& GetStartEffectMatrix() const { return m_matStartEffect; }

private:
    void SetStartLocationEffect(const std::string& effectName);

    // Shown at the start point while the mission waits.
    CEffect m_StartEffect;
    D3DXMATRIX m_matStart;
    // The start matrix as it was when the marker was placed.
    D3DXMATRIX m_matStartEffect;
    // The cinema script played when the mission begins; read then.
    std::string m_StartCinema;
    // The key the mission manager created the mission by.
    std::string m_Name;
    std::string m_MainScript;
    float m_fStartingRadius = 0.0f;
};
