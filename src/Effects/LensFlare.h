#pragma once
// A lens flare: a light (in practice the sun) drawn as screen-space quads,
// its spots. Spot 0 is the light's own disc at the light's point on the
// screen; the others are ghosts strung along the line from the light through
// the centre of the screen. The ghosts fade while scenery hides the light
// (a physics ray from the camera); everything fades as the light leaves the
// screen. "Scripts\LensFlares.txt" holds one "LensFlare" block each:
//
//   LensFlare Sun
//       Asset_Type      Game
//       Pos             0 4000 10000
//       LensFlareSpot   Texture FlareDisc  Size 0.2  LinePos 1  Color 1 1 0.9 1  DoneSpot
//       LensFlareSpot   Texture FlareRing  Size 0.1  LinePos 0.5  Color 0.6 0.8 1 0.5  DoneSpot
//
// The level places copies and draws them: the disc in each of its passes
// (Render), the ghosts once a frame after the scene (UpdateAndRender).

#include <cstdint>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

// One corner of a flare quad, in screen pixels.
struct LENSFLARE_VERTEX {
    float x, y, z;
    float rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(LENSFLARE_VERTEX) == 28, "the flare's vertex stride");
const DWORD D3DFVF_LENSFLARE = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class CLensFlareSpot : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CLensFlareSpot";

    const char* GetClassName() const override { return CLASS_NAME; }
    // A "LensFlareSpot" block, its colour given as 0 to 255.
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;
    // "Texture", "Size", "LinePos" and "Color" (four numbers divided by
    // `colourScale`); false for any other word, which is left unread.
    bool ReadSpotProperty(CDataBuffer& reader, float colourScale);

    // Observer: the texture asset owns it.
    IDirect3DTexture8* m_pTexture = nullptr;
    // The quad's side as a fraction of the viewport width.
    float m_fSize = 0.0f;
    // Along the line from the screen centre (0) to the light (1); negative
    // values lie beyond the centre.
    float m_fLinePos = 0.0f;
    D3DXCOLOR m_Color = D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f);
};

class CLensFlare : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CLensFlare";
    // Pixels outside the screen over which the intensity falls to the minimum.
    static constexpr float FADE_DISTANCE = 300.0f;
    static constexpr int QUAD_VERTICES = 6;

    CLensFlare() = default;
    // Everything, the fading state and the spots too; the copy draws from a
    // vertex scratch of its own.
    CLensFlare(const CLensFlare& other) = default;
    CLensFlare& operator=(const CLensFlare& other) = default;
    ~CLensFlare() override = default;

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    // "LensFlareSpot" followed by an inline spot (colour 0 to 1) up to
    // "DoneSpot" or the first word a spot does not know; "MaxIntensity",
    // "MinIntensity", "Pos".
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;

    // The disc, when the light stands in front of the camera and its quad
    // overlaps a width x height viewport; the level calls it in each pass.
    // The last argument is not used.
    void Render(const D3DXMATRIX& projection, const D3DXMATRIX& view, const D3DXVECTOR3& light, int width,
                int height, int unused);
    // Once a frame: fades by whether the light is hidden from the active
    // camera, then draws the ghosts; nothing while the light is behind it.
    void UpdateAndRender();

    float GetVisibility() const { return m_fVisibility; }
    float GetGhostScale() const { return m_fGhostScale; }
    const std::vector<CLensFlareSpot>& GetSpots() const { return m_Spots; }

    // The light's world position; the game timer moves it with the sun.
    D3DXVECTOR3 m_vPosition = D3DXVECTOR3(0.0f, 0.0f, 10000.0f);
    float m_fMinIntensity = 0.0f;
    float m_fMaxIntensity = 1.0f;

protected:
    // Sets the spot's texture and draws its two triangles (six vertices).
    virtual void DrawSpot(IDirect3DDevice8& device, const CLensFlareSpot& spot, const LENSFLARE_VERTEX* quad);

private:
    // The light's pixel on a width x height viewport; false behind the camera.
    static bool ProjectLight(const D3DXVECTOR3& light, const D3DXMATRIX& view, const D3DXMATRIX& projection,
                             int width, int height, int& x, int& y);
    float BaseIntensity(int x, int y, int width, int height) const;
    bool IsLightHidden(const D3DXVECTOR3& eye) const;
    void Fade(bool hidden, float seconds);
    // Spot `index`'s six vertices in the scratch, centred on (cx, cy) with
    // half side r, its alpha scaled by `intensity`.
    LENSFLARE_VERTEX* WriteQuad(size_t index, float cx, float cy, float r, float intensity);

    // Between hidden (0) and seen (1), following the occlusion ray.
    float m_fVisibility = 1.0f;
    // 0.8 to 1: the ghosts shrink while the light is hidden.
    float m_fGhostScale = 1.0f;
    std::vector<LENSFLARE_VERTEX> m_Vertices;
    std::vector<CLensFlareSpot> m_Spots;
};
