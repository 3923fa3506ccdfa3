#pragma once
// A kind of tyre: the wheel meshes it may wear and the material its tyres
// grip with. "Scripts\TireTypes.txt" holds one "TireType" block each:
//
//   TireType Street
//       Asset_Type            Game
//       NumMeshes             1
//       Meshes                Wheel
//       Mass                  20
//       DynamicFrictionSlide  1.0
//       StaticFrictionSlide   1.2
//       DynamicFrictionRoll   1.0
//       StaticFrictionRoll    1.0
//       Restitution           0
//
// Each mesh name is a ComplexObject. A car picks one of its tyre types and
// one of that type's meshes for all its wheels; its tyre materials start
// from the type's material (CCar::CreateMaterials).

#include <cstdint>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/novodex/NxMaterial.h"

class CTireType : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CTireType";
    static constexpr const char* BLOCK_KEYWORD = "TireType";

    CTireType();

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;

    // One mesh is taken without a random draw; of several, one draw picks.
    // A type without meshes is a fatal error naming it.
    const std::string& PickMesh() const;

    const std::vector<std::string>& GetMeshNames() const { return m_MeshNames; }
    uint32_t GetMeshCount() const { return m_uMeshCount; }
    float GetMass() const { return m_fMass; }
    const NxMaterial& GetMaterial() const { return m_Material; }

private:
    void ReadMeshNames(CDataBuffer& reader);

    // "NumMeshes" sets the count; "Meshes" then reads that many names.
    uint32_t m_uMeshCount = 0;
    std::vector<std::string> m_MeshNames;
    float m_fMass = 0.0f;
    // The sliding frictions are the material's plain ones, the rolling
    // frictions its "V" ones. The record's other words have no counterpart
    // in our physics layer. Its spring stays null here: the car gives each
    // of its suspensions one.
    NxMaterial m_Material;
};
