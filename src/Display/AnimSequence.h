#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

// One picture of a sequence: a rectangle of a texture shown for a time.
class C3DAnimFrame {
public:
    virtual ~C3DAnimFrame() = default;

    // Observer: the texture asset owns it.
    IDirect3DTexture8* m_pTexture = nullptr;
    // A frame that names no rectangle shows the whole texture.
    float m_fMinU = 0.0f;
    float m_fMinV = 0.0f;
    float m_fMaxU = 1.0f;
    float m_fMaxV = 1.0f;
    // Seconds.
    float m_fTime = 0.0f;
};

// A textured quad animated by time. "Scripts\3DAnimSeqs.txt" holds one
// "3DAnimSeq" block each; the frame keywords belong to the "AnimFrame"
// above them:
//
//   3DAnimSeq Spark
//       Asset_Type  Game
//       AnimFrame   SparkSheet   ; a texture asset
//           Time    0.1
//           MinU 0.0  MinV 0.0  MaxU 0.25  MaxV 1.0
//       AnimFrame   SparkSheet
//           ...
class C3DAnimSequence : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "C3DAnimSequence";

    C3DAnimSequence();
    // Frames are owned here; sprites point at the prototype instead of copying it.
    C3DAnimSequence(const C3DAnimSequence&) = delete;
    C3DAnimSequence& operator=(const C3DAnimSequence&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override { return true; }
    bool Shutdown() override { return true; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;

    // The first frame still showing at `t` seconds; the frame count once the
    // sequence is over.
    size_t FindFrame(float t) const;
    // Draws the frame of `t` on the current world transform, faded by
    // `alpha` (clamped to 0..1). Nothing once the sequence is over.
    void Draw(float t, float alpha) const;

    float GetTotalTime() const { return m_fTotalTime; }
    size_t GetFrameCount() const { return m_Frames.size(); }
    const C3DAnimFrame& GetFrame(size_t index) const { return *m_Frames[index]; }

    // The quad's vertex alpha for a fade value.
    static uint8_t AlphaToByte(float alpha);

private:
    bool ReadFrameProperty(CDataBuffer& reader);

    float m_fTotalTime;
    std::vector<std::unique_ptr<C3DAnimFrame>> m_Frames;
    // The last frame added, which the frame keywords write; null before the first.
    C3DAnimFrame* m_pCurrentFrame;
};

// A camera-facing quad of an effect that plays a sequence, grows or shrinks
// and fades. The effect writes the public fields and updates it; the render
// queue draws it under the TransObject3D state block.
class C3DSprite {
public:
    virtual ~C3DSprite() = default;

    // The time loops; size and alpha move at their rates, unclamped. A
    // sprite without a sequence stands still.
    void Update(float seconds);
    void Draw() const;
    // Where Draw puts the quad's centre.
    D3DXVECTOR3 GetPlace() const;

    // Owned by the effect's holder. Null places the sprite at m_vPosition;
    // with a matrix, m_vPosition is an offset within its frame.
    const D3DXMATRIX* m_pMatrix = nullptr;
    // Per second.
    float m_fSizeRate = 0.0f;
    float m_fAlphaRate = 0.0f;
    float m_fAlpha = 1.0f;
    uint8_t m_u8Active = 0;
    // Half the quad's edge.
    float m_fSize = 1.0f;
    D3DXVECTOR3 m_vPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    // Seconds into the sequence.
    float m_fAnimTime = 0.0f;
    // Observer: the asset store owns it.
    const C3DAnimSequence* m_pSequence = nullptr;
};
