#pragma once

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/AnimatedMesh.h"
#include "Display/Animation.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

// An animated object: its own copies of an animated mesh and of its
// animation sets, one set playing at a time on the mesh's frames, drawn at
// the object's own matrices. Every game actor's body is one.
// "Scripts\AnimatedMeshObject.txt" holds one block each:
//
//   AnimObject LizardObj
//       AnimMesh        LizardMesh
//       AnimationSet    LizardAnims  AnimationSubSet Idle
//       CorrectionMatrix 1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1
class cObject : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "cObject";

    cObject();
    ~cObject() override = default;
    // Copies bind their tracks to their own frames.
    cObject(const cObject& other);
    cObject& operator=(const cObject& other);

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    // Plays the set of that name from its start; no such set leaves the
    // object without one. The second argument is not used.
    bool SetAnimation(const char* name, int unused = 0);
    // Null without a set.
    const char* GetAnimationName() const;
    bool IsAnimationFinished() const;
    // Advances the animation by `seconds` and poses the frames; false
    // without a set (the frames then keep their file transforms).
    bool Update(float seconds, bool interpolate);

    // Null is ignored.
    void SetPosition(const D3DXVECTOR3* position);
    // Turns the object about `axis` through its own position.
    void RotateAboutAxis(const D3DXVECTOR3& axis, float angle);
    void UpdateWorldMatrix();
    // Each frame's place in the model (cFrame::m_matModel) as the next draw
    // poses it; times the world matrix it is where that frame is drawn.
    void UpdateModelMatrices();

    bool Render();
    // Draws in a material's diffuse and emissive colours instead of the mesh's.
    bool RenderWithColours(const D3DMATERIAL8& colours);

    cMesh& GetMesh() { return m_Mesh; }
    const cMesh& GetMesh() const { return m_Mesh; }
    cAnimation& GetAnimation() { return m_Animation; }
    const cAnimationSet* GetCurrentSet() const { return m_pCurrentSet; }
    float GetAnimationTime() const { return m_fAnimationTime; }
    // Seconds into the current set, as Update counts them.
    void SetAnimationTime(float seconds) { m_fAnimationTime = seconds; }

    // Observer: the holder of the parent keeps it alive while set.
    const D3DXMATRIX* m_pParentMatrix = nullptr;
    D3DXMATRIX m_matWorld;
    D3DXMATRIX m_matScaledObject;
    D3DXMATRIX m_matCorrection;
    D3DXMATRIX m_matObject;
    float m_fScale = 1.0f;
    D3DXVECTOR3 m_vPosition;
    D3DXVECTOR3 m_vFacing;

private:
    void CopyFrom(const cObject& other);
    void RefreshPositionAndFacing();

    cMesh m_Mesh;
    cAnimation m_Animation;
    // Observer into m_Animation's sets; null = none.
    cAnimationSet* m_pCurrentSet = nullptr;
    float m_fAnimationTime = 0.0f;
};

// The animated meshes, their animation sets, then the animated objects made
// of them. The meshes' textures are made, so a display must exist.
void LoadAnimatedObjectScripts();
