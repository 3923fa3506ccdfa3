#include "Level/TrafficLights.h"

#include <string>

#include "Core/Clock.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Core/StepTrace.h"
#include "Display/ComplexObject.h"
#include "Level/Node.h"

namespace {

const char* const KEYWORD_NUMBER_OF_LIGHTS = "NumberOfLights";
const char* const KEYWORD_POSITION = "Position";
const char* const KEYWORD_NUMBER_OF_GROUPS = "NumberOfLightGroups";
const char* const KEYWORD_GROUP = "Group";
const char* const KEYWORD_NUMBER_OF_NODES = "NumNodesInGroup";
const char* const KEYWORD_CONNECTED_NODES = "ConnectedNodes";
const char* const KEYWORD_TIME = "TimeForLightChange";

// The lamps' colour groups in a lamp's complex object.
const int SLOT_GREEN = 1;
const int SLOT_AMBER = 2;
const int SLOT_RED = 3;

const D3DCOLORVALUE LAMP_AMBIENT = {0.1f, 0.1f, 0.1f, 1.0f};
const D3DCOLORVALUE LAMP_SPECULAR = {0.0f, 0.0f, 0.0f, 1.0f};
const float LAMP_POWER = 3.0f;
// Diffuse and emissive alike, in the order of CTrafficLights::LampMaterial.
const D3DCOLORVALUE LAMP_COLOURS[CTrafficLights::LAMP_MATERIAL_COUNT] = {
    {0.0f, 1.0f, 0.0f, 1.0f},
    {1.0f, 1.0f, 0.0f, 1.0f},
    {1.0f, 0.0f, 0.0f, 1.0f},
    {0.0f, 0.0f, 0.0f, 1.0f},
};

bool StartsGroup(const CDataBuffer& reader)
{
    const std::string token = reader.PeekString();
    return IsEqualNoCase(token.c_str(), KEYWORD_GROUP) || IsEqualNoCase(token.c_str(), KEYWORD_NUMBER_OF_NODES);
}

} // namespace

void CTrafficLights::Init()
{
    Init(g_RoadNodes);
}

void CTrafficLights::Init(const CRoadNodeList& roads)
{
    Load(roads);
    SetUpMaterials();
    for (Light& light : m_Lights)
        ResetGroup(light);
}

void CTrafficLights::Load(const CRoadNodeList& roads)
{
    CScriptFile reader(SCRIPT_FILE, "Unable to initialize data buffer for Traffic Lights");
    m_Lights.clear();
    if (!reader.Match(KEYWORD_NUMBER_OF_LIGHTS))
        return;
    const int32_t count = reader.GetInteger();
    if (count <= 0)
        return;
    // A count beyond the file gives the lights present.
    for (int32_t light = 0; light < count && !reader.IsEndOfBuffer(); ++light)
        ReadLight(reader, roads);
    if (!reader.IsEndOfBuffer())
        UnknownScriptToken(SCRIPT_FILE, reader);
}

// The group count is what was read: a light cycles only through groups it has.
void CTrafficLights::ReadLight(CDataBuffer& reader, const CRoadNodeList& roads)
{
    Light light;
    if (reader.Match(KEYWORD_POSITION))
        light.m_vPosition = reader.GetVector3();
    if (!reader.Match(KEYWORD_NUMBER_OF_GROUPS))
        UnknownScriptToken(SCRIPT_FILE, reader);
    const int32_t groups = reader.GetInteger();
    for (int32_t group = 0; group < groups && StartsGroup(reader); ++group)
        ReadGroup(reader, roads, light);
    if (light.m_Groups.empty())
        FatalError("Traffic light %zu has no light groups", m_Lights.size());
    light.m_GroupCount = static_cast<int32_t>(light.m_Groups.size());
    m_Lights.push_back(std::move(light));
}

void CTrafficLights::ReadGroup(CDataBuffer& reader, const CRoadNodeList& roads, Light& light)
{
    const std::string where = "light " + std::to_string(m_Lights.size()) + " group " +
                              std::to_string(light.m_Groups.size());
    Group group;
    if (reader.Match(KEYWORD_GROUP))
        SkipIntegerToken(reader);
    if (!reader.Match(KEYWORD_NUMBER_OF_NODES))
        UnknownScriptToken(SCRIPT_FILE, reader);
    const int32_t count = reader.GetInteger();
    std::vector<int32_t> indices;
    if (reader.Match(KEYWORD_CONNECTED_NODES))
        ReadIndexList(reader, count, SCRIPT_FILE, where, indices);
    else
        LogShortIndexList(SCRIPT_FILE, where, 0, count);
    for (const int32_t index : indices) {
        cRoadnode* node = index >= 0 ? roads.GetNode(static_cast<size_t>(index)) : nullptr;
        if (node == nullptr) {
            g_Log.Write(std::string("Road node out of range in ") + SCRIPT_FILE + ", " + where + ": " +
                        std::to_string(index) + ", left out");
            continue;
        }
        group.m_Nodes.push_back(node);
    }
    if (reader.Match(KEYWORD_TIME))
        group.m_fDuration = reader.GetFloat();
    light.m_Groups.push_back(std::move(group));
}

void CTrafficLights::SetUpMaterials()
{
    for (int lamp = 0; lamp < LAMP_MATERIAL_COUNT; ++lamp) {
        D3DMATERIAL8& material = m_Materials[lamp];
        material.Diffuse = LAMP_COLOURS[lamp];
        material.Emissive = LAMP_COLOURS[lamp];
        material.Ambient = LAMP_AMBIENT;
        material.Specular = LAMP_SPECULAR;
        material.Power = LAMP_POWER;
    }
}

// Lamps are left alone: at start-up none are registered yet.
void CTrafficLights::ResetGroup(Light& light)
{
    for (const Group& group : light.m_Groups)
        SetNodes(group, cRoadnode::LIGHT_STOP);
    SetNodes(light.m_Groups[0], cRoadnode::LIGHT_GO);
    light.m_fCountdown = light.m_Groups[0].m_fDuration;
    light.m_CurrentGroup = 0;
}

void CTrafficLights::Update()
{
    TraceStep("CTrafficLights::Update");
    for (Light& light : m_Lights)
        UpdateGroup(light);
}

void CTrafficLights::UpdateGroup(Light& light)
{
    light.m_fCountdown -= g_FrameTimer.GetFrameTime();
    Group& current = light.m_Groups[light.m_CurrentGroup];
    if (light.m_fCountdown <= 0.0f) {
        SetNodes(current, cRoadnode::LIGHT_STOP);
        ShowOnLamps(current, LAMP_OFF, LAMP_OFF, LAMP_RED);
        light.m_CurrentGroup = (light.m_CurrentGroup + 1) % light.m_GroupCount;
        Group& next = light.m_Groups[light.m_CurrentGroup];
        SetNodes(next, cRoadnode::LIGHT_GO);
        ShowOnLamps(next, LAMP_GREEN, LAMP_OFF, LAMP_OFF);
        // The overshoot below 0 is dropped.
        light.m_fCountdown = next.m_fDuration;
        return;
    }
    if (light.m_fCountdown < AMBER_TIME) {
        SetNodes(current, cRoadnode::LIGHT_AMBER);
        ShowOnLamps(current, LAMP_OFF, LAMP_AMBER, LAMP_OFF);
    }
}

void CTrafficLights::AddLamp(CComplexObject* lamp, int light, int group)
{
    if (lamp == nullptr || light < 0 || static_cast<size_t>(light) >= m_Lights.size())
        return;
    Light& target = m_Lights[light];
    if (group < 0 || group >= target.m_GroupCount)
        return;
    target.m_Groups[group].m_Lamps.push_back(lamp);
    if (group == target.m_CurrentGroup)
        ShowOnLamp(lamp, LAMP_GREEN, LAMP_OFF, LAMP_OFF);
    else
        ShowOnLamp(lamp, LAMP_OFF, LAMP_OFF, LAMP_RED);
}

void CTrafficLights::ForgetLamps()
{
    for (Light& light : m_Lights)
        for (Group& group : light.m_Groups)
            std::vector<CComplexObject*>().swap(group.m_Lamps);
}

void CTrafficLights::SetNodes(const Group& group, int state)
{
    for (cRoadnode* node : group.m_Nodes)
        node->SetLightState(state);
}

void CTrafficLights::ShowOnLamps(const Group& group, LampMaterial green, LampMaterial amber, LampMaterial red) const
{
    for (CComplexObject* lamp : group.m_Lamps)
        ShowOnLamp(lamp, green, amber, red);
}

void CTrafficLights::ShowOnLamp(CComplexObject* lamp, LampMaterial green, LampMaterial amber, LampMaterial red) const
{
    lamp->SetColour(SLOT_GREEN, &m_Materials[green], true);
    lamp->SetColour(SLOT_AMBER, &m_Materials[amber], true);
    lamp->SetColour(SLOT_RED, &m_Materials[red], true);
}
