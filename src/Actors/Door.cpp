#include "Actors/Door.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"

CDoor::CDoor()
    : m_vAnchor1(0.0f, 0.0f, 0.0f),
      m_vAnchor2(0.0f, 0.0f, 0.0f),
      m_vAxis(0.0f, 0.0f, 0.0f),
      m_vNormal(0.0f, 0.0f, 0.0f),
      m_vBoxMin(0.0f, 0.0f, 0.0f),
      m_vBoxMax(0.0f, 0.0f, 0.0f)
{
}

void CDoor::ReadLine(CDataBuffer& reader)
{
    const std::string meshName = reader.GetString();
    m_vAnchor1 = reader.GetVector3();
    m_vAnchor2 = reader.GetVector3();
    m_vAxis = reader.GetVector3();
    m_vNormal = reader.GetVector3();
    m_vBoxMin = reader.GetVector3();
    m_vBoxMax = reader.GetVector3();
    m_fLowLimit = reader.GetFloat();
    m_fHighLimit = reader.GetFloat();
    m_fBreakingTorque = reader.GetFloat();
    SetBody(meshName);
}

void CDoor::SetBody(const std::string& complexObjectName)
{
    CComplexObject* mesh = nullptr;
    g_AssetManager.GetAsset(complexObjectName, mesh, true);
    m_Mesh = *mesh;
}
