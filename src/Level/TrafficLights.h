#pragma once
// Every traffic light of the city. A light cycles through its groups in
// order: one group is green (its road nodes read "go") while the others are
// red ("stop"), and the green group turns amber for its last two seconds.
// The lamps are complex objects (of level objects) whose colour groups 1, 2
// and 3 are the green, amber and red lamps.
//
// "Scripts\Levels\ModernTrafficLights.txt":
//   NumberOfLights <n>               ; 0 (or no such line) loads nothing
//   ; then per light:
//   Position <x> <y> <z>             ; optional
//   NumberOfLightGroups <m>
//   ; then per group:
//   Group <number>                   ; optional label; groups count from 0 in order
//   NumNodesInGroup <k>
//   ConnectedNodes <k road-node indices>
//   TimeForLightChange <seconds>     ; green and amber together; 10 when absent

#include <cstdint>
#include <vector>

#include "Core/DataBuffer.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

class cRoadnode;
class CComplexObject;
class CRoadNodeList;

class CTrafficLights {
public:
    static constexpr const char* SCRIPT_FILE = "Scripts\\Levels\\ModernTrafficLights.txt";
    static constexpr float AMBER_TIME = 2.0f;
    static constexpr float DEFAULT_GROUP_TIME = 10.0f;

    enum LampMaterial {
        LAMP_GREEN,
        LAMP_AMBER,
        LAMP_RED,
        LAMP_OFF,
        LAMP_MATERIAL_COUNT,
    };

    struct Group {
        std::vector<cRoadnode*> m_Nodes;
        std::vector<CComplexObject*> m_Lamps; // observers: the level objects own them
        float m_fDuration = DEFAULT_GROUP_TIME; // seconds of green, amber included
    };

    struct Light {
        std::vector<Group> m_Groups;
        D3DXVECTOR3 m_vPosition{0.0f, 0.0f, 0.0f};
        int32_t m_CurrentGroup = 0;
        int32_t m_GroupCount = 0;
        float m_fCountdown = DEFAULT_GROUP_TIME; // seconds left for the current group
    };

    CTrafficLights() = default;
    CTrafficLights(const CTrafficLights&) = delete;
    CTrafficLights& operator=(const CTrafficLights&) = delete;

    // On g_RoadNodes, once at start-up.
    void Init();
    // The lights over `roads`, whose nodes they take by index.
    void Init(const CRoadNodeList& roads);
    // Every light's cycle, by the frame time.
    void Update();
    // A level object's lamp for a light's group; it shows the group's state
    // at once. A null lamp or an index out of range is ignored.
    void AddLamp(CComplexObject* lamp, int light, int group);
    // The level's reset: the lamps go with the level objects.
    void ForgetLamps();

    size_t GetLightCount() const { return m_Lights.size(); }
    const Light& GetLight(size_t index) const { return m_Lights[index]; }
    const D3DMATERIAL8& GetMaterial(LampMaterial material) const { return m_Materials[material]; }

private:
    void Load(const CRoadNodeList& roads);
    void ReadLight(CDataBuffer& reader, const CRoadNodeList& roads);
    void ReadGroup(CDataBuffer& reader, const CRoadNodeList& roads, Light& light);
    void SetUpMaterials();
    void ResetGroup(Light& light);
    void UpdateGroup(Light& light);
    static void SetNodes(const Group& group, int state);
    void ShowOnLamps(const Group& group, LampMaterial green, LampMaterial amber, LampMaterial red) const;
    void ShowOnLamp(CComplexObject* lamp, LampMaterial green, LampMaterial amber, LampMaterial red) const;

    D3DMATERIAL8 m_Materials[LAMP_MATERIAL_COUNT] = {};
    std::vector<Light> m_Lights;
};

extern CTrafficLights g_TrafficLights;
