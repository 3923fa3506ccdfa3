#pragma once

#include <string>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

// The sky: six face textures on a cube centred on the eye, so that the sky
// never comes nearer however far the camera travels. "Scripts\Skybox.txt"
// holds one "Skybox" block each:
//
//   Skybox Dusk
//       Asset_Type  Level
//       Size        10.0
//       Top         DuskTop
//       Bottom      DuskBottom
//       ...         (Left, Right, Front, Back: each a texture asset)
//
// The level draws it first, under the SkyBox state block, which turns off
// the z test: whatever is drawn later covers it at any distance.
class CSkyBox : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CSkyBox";

    enum Face {
        FACE_TOP = 0,
        FACE_BOTTOM = 1,
        FACE_LEFT = 2,
        FACE_RIGHT = 3,
        FACE_FRONT = 4,
        FACE_BACK = 5,
        FACE_COUNT = 6,
    };

    CSkyBox();
    ~CSkyBox() override;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;

    // Draws the cube around the eye of `view`: the view's turn applies, its
    // position does not.
    void Render(const D3DXMATRIX& view) const;

    float GetSize() const { return m_fSize; }
    const std::string& GetFaceName(Face face) const { return m_FaceNames[face]; }
    IDirect3DTexture8* GetFaceTexture(Face face) const { return m_pFaceTextures[face]; }

private:
    bool ResolveTextures();
    float HalfTexel() const;

    float m_fSize;
    // Observers: the texture assets own them.
    IDirect3DTexture8* m_pFaceTextures[FACE_COUNT];
    std::string m_FaceNames[FACE_COUNT];
};
