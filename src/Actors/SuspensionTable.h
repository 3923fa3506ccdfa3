#pragma once
// The suspensions of a car kind: one contact spring per suspension, and the
// tyre materials made from them at load, two per (tyre type, suspension)
// pair. A car kind's prototype makes the table; its copies share it. In the
// car's block:
//
//   NumberOfSuspension <n>  then n entries, each
//       SuspensionSpring <s>   SuspensionDamper <d>   SuspensionTarget <t>
//   (each optional, in that order; a missing one is 0)

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/novodex/NxMaterial.h"

class CDataBuffer;

class CSuspensionTable {
public:
    // Reads the count and the entries after "NumberOfSuspension", replacing
    // the ones there were. `carName` names the car in script errors.
    void Read(CDataBuffer& reader, const std::string& carName);

    uint32_t GetCount() const { return static_cast<uint32_t>(m_Springs.size()); }
    // Where the pair of tyre type `type` (its place in the car's list) and
    // suspension `suspension` begins in the material list.
    size_t GetMaterialPosition(uint32_t type, uint32_t suspension) const
    {
        return 2 * (static_cast<size_t>(type) * GetCount() + suspension);
    }
    // The first material of that pair: the one a tyre grips with; 0, the
    // default material, when there is none.
    NxMaterialIndex GetTireMaterial(uint32_t type, uint32_t suspension) const;

    std::vector<NxSpringDesc> m_Springs;
    std::vector<NxMaterialIndex> m_Materials;
};
