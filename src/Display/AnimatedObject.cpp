#include "Display/AnimatedObject.h"

#include <cmath>
#include <cstdint>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"

namespace {

const char* const KEYWORD_ANIM_OBJECT = "AnimObject";
const char* const KEYWORD_ANIM_MESH = "AnimMesh";
const char* const KEYWORD_ANIMATION_SET = "AnimationSet";
const char* const KEYWORD_ANIMATION_SUB_SET = "AnimationSubSet";
const char* const KEYWORD_CORRECTION_MATRIX = "CorrectionMatrix";

const float MS_PER_SECOND = 1000.0f;

// Where a set is after `seconds` at `timeScale`, in whole milliseconds. A
// time that is not a number or lies before the start is the start; one
// beyond what a key time can hold is the last such time.
uint32_t SetTimeMs(float seconds, float timeScale)
{
    const double ms = std::trunc(std::trunc(static_cast<double>(seconds) * MS_PER_SECOND) * timeScale);
    if (!(ms > 0.0))
        return 0;
    if (ms >= static_cast<double>(UINT32_MAX))
        return UINT32_MAX;
    return static_cast<uint32_t>(ms);
}

} // namespace

cObject::cObject()
{
    cObject::Init();
}

cObject::cObject(const cObject& other) : CStdInterface(other), CAsset(other)
{
    CopyFrom(other);
}

cObject& cObject::operator=(const cObject& other)
{
    if (this == &other)
        return *this;
    CStdInterface::operator=(other);
    CAsset::operator=(other);
    CopyFrom(other);
    return *this;
}

void cObject::CopyFrom(const cObject& other)
{
    m_Mesh = other.m_Mesh;
    m_Animation = other.m_Animation;
    m_fAnimationTime = other.m_fAnimationTime;
    m_pParentMatrix = other.m_pParentMatrix;
    m_matWorld = other.m_matWorld;
    m_matScaledObject = other.m_matScaledObject;
    m_matCorrection = other.m_matCorrection;
    m_matObject = other.m_matObject;
    m_fScale = other.m_fScale;
    m_vPosition = other.m_vPosition;
    m_vFacing = other.m_vFacing;

    // The same set, found at its place in this object's own list.
    m_pCurrentSet = nullptr;
    const std::vector<cAnimationSet>& sets = other.m_Animation.GetSets();
    for (size_t i = 0; i < sets.size(); ++i) {
        if (&sets[i] == other.m_pCurrentSet)
            m_pCurrentSet = &m_Animation.GetSets()[i];
    }
    m_Animation.BindToMesh(m_Mesh);
}

bool cObject::Init()
{
    CStdInterface::Init();
    m_Mesh.Init();
    m_Animation.Init();
    m_pCurrentSet = nullptr;
    m_fAnimationTime = 0.0f;
    m_pParentMatrix = nullptr;
    D3DXMatrixIdentity(&m_matWorld);
    D3DXMatrixIdentity(&m_matScaledObject);
    D3DXMatrixIdentity(&m_matCorrection);
    D3DXMatrixIdentity(&m_matObject);
    m_fScale = 1.0f;
    m_vPosition = D3DXVECTOR3(0, 0, 0);
    m_vFacing = D3DXVECTOR3(0, 0, 1);
    return true;
}

bool cObject::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_ANIM_OBJECT))
        return false;
    m_Animation.BindToMesh(m_Mesh);
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool cObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_ANIM_MESH)) {
        cMesh* mesh = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), mesh, true);
        m_Mesh = *mesh;
        return true;
    }
    if (reader.Match(KEYWORD_ANIMATION_SET)) {
        cAnimation* animation = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), animation, true);
        m_Animation = *animation;
        m_Animation.BindToMesh(m_Mesh);
        m_pCurrentSet = nullptr;
        if (reader.Match(KEYWORD_ANIMATION_SUB_SET))
            m_pCurrentSet = m_Animation.FindSet(reader.GetString().c_str());
        return true;
    }
    if (reader.Match(KEYWORD_CORRECTION_MATRIX)) {
        m_matCorrection = reader.GetMatrix();
        return true;
    }
    return false;
}

bool cObject::SetAnimation(const char* name, int /*unused*/)
{
    m_pCurrentSet = m_Animation.FindSet(name);
    m_fAnimationTime = 0.0f;
    return true;
}

const char* cObject::GetAnimationName() const
{
    return m_pCurrentSet != nullptr ? m_pCurrentSet->m_Name.c_str() : nullptr;
}

bool cObject::IsAnimationFinished() const
{
    if (m_pCurrentSet == nullptr)
        return true;
    return static_cast<float>(m_pCurrentSet->m_Length) <
           m_pCurrentSet->m_TimeScale * m_fAnimationTime * MS_PER_SECOND;
}

bool cObject::Update(float seconds, bool interpolate)
{
    m_fAnimationTime += seconds;
    if (m_pCurrentSet == nullptr)
        return false;
    m_Mesh.ResetFrameTransforms();
    m_pCurrentSet->Apply(SetTimeMs(m_fAnimationTime, m_pCurrentSet->m_TimeScale), interpolate);
    return true;
}

void cObject::SetPosition(const D3DXVECTOR3* position)
{
    if (position == nullptr)
        return;
    m_matObject._41 = position->x;
    m_matObject._42 = position->y;
    m_matObject._43 = position->z;
    RefreshPositionAndFacing();
}

void cObject::RotateAboutAxis(const D3DXVECTOR3& axis, float angle)
{
    const D3DXVECTOR3 held(m_matObject._41, m_matObject._42, m_matObject._43);
    D3DXMATRIX rotation;
    D3DXMatrixRotationAxis(&rotation, &axis, angle);
    m_matObject *= rotation;
    m_matObject._41 = held.x;
    m_matObject._42 = held.y;
    m_matObject._43 = held.z;
    RefreshPositionAndFacing();
}

void cObject::UpdateWorldMatrix()
{
    const D3DXMATRIX placed = m_pParentMatrix != nullptr ? m_matObject * *m_pParentMatrix : m_matObject;
    if (m_fScale == 1.0f) {
        m_matScaledObject = placed;
    } else {
        D3DXMATRIX scaling;
        D3DXMatrixScaling(&scaling, m_fScale, m_fScale, m_fScale);
        m_matScaledObject = scaling * placed;
    }
    m_matWorld = m_matCorrection * m_matScaledObject;
    RefreshPositionAndFacing();
}

void cObject::UpdateModelMatrices()
{
    m_Mesh.UpdateModelMatrices(m_pCurrentSet != nullptr);
}

void cObject::RefreshPositionAndFacing()
{
    m_vPosition = D3DXVECTOR3(m_matObject._41, m_matObject._42, m_matObject._43);
    m_vFacing = D3DXVECTOR3(m_matObject._31, m_matObject._32, m_matObject._33);
}

bool cObject::Render()
{
    return m_Mesh.Render(m_matWorld, m_pCurrentSet != nullptr);
}

bool cObject::RenderWithColours(const D3DMATERIAL8& colours)
{
    return m_Mesh.RenderWithColours(m_matWorld, m_pCurrentSet != nullptr, colours.Diffuse, colours.Emissive);
}

void LoadAnimatedObjectScripts()
{
    LoadAssetsFromScript<cMesh>("Scripts\\AninimatedMeshes.txt");
    LoadAssetsFromScript<cAnimation>("Scripts\\AnimationSets.txt");
    LoadAssetsFromScript<cObject>("Scripts\\AnimatedMeshObject.txt");
}
