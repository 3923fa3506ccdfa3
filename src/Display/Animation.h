#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3dx8/D3DX8Math.h"

class IDirectXFileData;
class cMesh;
struct cFrame;

// Key times are milliseconds.
struct cRotateKey {
    uint32_t m_Time;
    D3DXQUATERNION m_Quat;
};

// Scale and position keys. The delta is the change per millisecond towards
// the next key; the last key's is unused.
struct cVectorKey {
    uint32_t m_Time;
    D3DXVECTOR3 m_Value;
    D3DXVECTOR3 m_Delta;
};

struct cMatrixKey {
    uint32_t m_Time;
    D3DXMATRIX m_Matrix;
    D3DXMATRIX m_Delta;
};

// The keys of one animated frame. Copies of a track share its key arrays.
struct cAnimationTrack {
    // Poses the frame at `time` ms; `interpolate` blends towards the next
    // keys, else the frame takes the keys at or before the time. Nothing
    // without a frame.
    void Apply(uint32_t time, bool interpolate) const;

    std::string m_AnimationName;
    std::string m_FrameName;
    // Observer into the frames of the mesh the track is bound to; null: the
    // track does nothing.
    cFrame* m_pFrame = nullptr;
    // 1: the track loops.
    uint32_t m_Closed = 0;
    uint32_t m_PositionQuality = 1;
    std::shared_ptr<const std::vector<cRotateKey>> m_RotationKeys;
    std::shared_ptr<const std::vector<cVectorKey>> m_ScaleKeys;
    std::shared_ptr<const std::vector<cVectorKey>> m_PositionKeys;
    std::shared_ptr<const std::vector<cMatrixKey>> m_MatrixKeys;
};

struct cAnimationSet {
    // Poses every track at `time` ms into the set (see cObject::Update).
    void Apply(uint32_t time, bool interpolate) const;

    std::string m_Name;
    std::vector<cAnimationTrack> m_Tracks;
    // The largest key time of the set, in ms.
    uint32_t m_Length = 0;
    float m_TimeScale = 1.0f;
};

// The named animation sets of a .X file's animation objects.
// "Scripts\AnimationSets.txt" holds one block each:
//
//   AnimSet LizardAnims
//       AnimationSrc    Assets\Meshes\lizard_anims.x  AnimatedMesh LizardMesh
//       Loop            Walk True
//       LoopTime        Run 1.5
class cAnimation : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "cAnimation";

    cAnimation();
    ~cAnimation() override = default;
    cAnimation(const cAnimation&) = default;
    cAnimation& operator=(const cAnimation&) = default;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    // Appends the sets of a .X file's animation objects; false when the
    // file cannot be read.
    bool LoadAnimations(const std::string& fileName);
    // The first set of that exact name; null when there is none.
    cAnimationSet* FindSet(const char* name);
    // Points every track at the frame of its name in `mesh` (or at nothing).
    void BindToMesh(cMesh& mesh);

    std::vector<cAnimationSet>& GetSets() { return m_Sets; }
    const std::vector<cAnimationSet>& GetSets() const { return m_Sets; }

private:
    void ParseObject(IDirectXFileData& data, int set, int track);
    void ReadKeys(IDirectXFileData& data, cAnimationSet& set, cAnimationTrack& track);
    cAnimationSet* FindSetOrLog(const std::string& name);
    bool ReadLoop(CDataBuffer& reader);
    bool ReadLoopTime(CDataBuffer& reader);

    std::vector<cAnimationSet> m_Sets;
};
