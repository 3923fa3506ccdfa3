#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/d3dx8/D3DX8SkinMesh.h"

class IDirectXFileData;
struct cMeshBlock;

// One frame of an animated mesh's tree. The tree lives in a flat array in
// pre-order (a frame, its children's subtree, then its next siblings), and
// the links are indices into that array (-1 for none), so copying the array
// copies the tree whatever the frames are called.
struct cFrame {
    std::string m_Name;
    // One entry per Mesh object under the frame; all are the asset's one
    // mesh block (observers).
    std::vector<const cMeshBlock*> m_Meshes;
    // The frame's world matrix, computed each draw.
    D3DXMATRIX m_matCombined;
    // The animated local transform; reset to the file's before each step.
    D3DXMATRIX m_matTransform;
    // FrameTransformMatrix as the file gives it (identity when absent).
    D3DXMATRIX m_matFileTransform;
    // The frame in the model's own space, kept by UpdateModelMatrices: what
    // is held in a hand follows it between draws.
    D3DXMATRIX m_matModel;
    int m_Parent = -1;
    int m_FirstChild = -1;
    int m_NextSibling = -1;
};

// The skinned mesh one animated mesh holds, shared by every copy: copies
// animate their own frames but draw the same buffers with the same palette.
struct cMeshBlock {
    cMeshBlock() = default;
    ~cMeshBlock();
    cMeshBlock(const cMeshBlock&) = delete;
    cMeshBlock& operator=(const cMeshBlock&) = delete;
    // Back to empty, releasing the D3DX objects.
    void Clear();

    // The .X Mesh object's name.
    std::string m_Name;
    // The indexed blended mesh the skinning shader draws (48-byte vertices).
    ID3DXMesh* m_Mesh = nullptr;
    // Null for a mesh without bones.
    ID3DXSkinMesh* m_SkinMesh = nullptr;
    std::vector<D3DMATERIAL8> m_Materials;
    // Observers: the texture assets own them.
    std::vector<IDirect3DTexture8*> m_Textures;
    DWORD m_NumBones = 0;
    std::vector<std::string> m_BoneNames;
    std::vector<D3DXMATRIX> m_BoneOffsets;
    // The palette uploaded for a draw.
    std::vector<D3DXMATRIX> m_BoneMatrices;
};

// An animated (skinned) mesh: one .X file's frame tree and its skinned mesh,
// drawn through the "IndexedSkinnedMesh" vertex shader with a palette of
// bone matrices. "Scripts\AninimatedMeshes.txt" holds one block each:
//
//   AnimMesh LizardMesh
//       Src     Assets\Meshes\lizard.x
//
// Animated objects (cObject) hold copies and animate the copies' frames.
class cMesh : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "cMesh";
    // The frame a file's top-level mesh hangs from.
    static constexpr const char* ROOT_FRAME_NAME = "%ROOT%";
    static constexpr const char* NO_NAME = "$NoName$";

    cMesh();
    ~cMesh() override = default;
    // A copy shares the mesh block and owns its frames and bone links.
    cMesh(const cMesh& other);
    cMesh& operator=(const cMesh& other);

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }
    // After a mesh file that did not load: that file.
    std::string GetLoadFailure() const override;

    // Reads the frames and the skinned mesh of a text .X file. False when
    // the file cannot be read, or its mesh cannot be loaded or made ready to
    // draw (too many bones, a failed conversion).
    bool LoadX(const std::string& fileName);

    // The first frame of that exact name; null when there is none.
    cFrame* FindFrame(const char* name);
    const cFrame* FindFrame(const char* name) const;
    // Points every bone at the combined matrix of the frame of its name.
    void LinkBones();
    // The combined matrices of the frame at `index`, its siblings and
    // their subtrees; `animated` picks the animated transforms over the file's.
    void UpdateFrameMatrices(int index, const D3DXMATRIX& parent, bool animated);
    // Every frame's model-space matrix from an identity root; `animated` as above.
    void UpdateModelMatrices(bool animated);
    void ComputeBoneMatrices();
    // Every frame back to its file transform.
    void ResetFrameTransforms();

    // Draws the skinned mesh with the frame tree placed at `world`, in the
    // given colours (a material's diffuse and emissive) or the first
    // material's. False when there is nothing to draw.
    bool Render(const D3DXMATRIX& world, bool animated);
    bool RenderWithColours(const D3DXMATRIX& world, bool animated, const D3DCOLORVALUE& diffuse,
                           const D3DCOLORVALUE& emissive);

    std::vector<cFrame>& GetFrames() { return m_Frames; }
    const std::vector<cFrame>& GetFrames() const { return m_Frames; }
    // Null before a load.
    const cMeshBlock* GetMeshBlock() const { return m_pBlock.get(); }
    // The frame whose combined matrix bone `bone` follows; null when none.
    const D3DXMATRIX* GetBoneFrameMatrix(DWORD bone) const;

private:
    struct ParseFrame;
    struct ParseState;

    void ParseObject(IDirectXFileData& data, ParseFrame& parent, ParseState& state);
    void ParseChildren(IDirectXFileData& data, ParseFrame& parent, ParseState& state);
    bool LoadMeshObject(IDirectXFileData& data, const std::string& name, const std::string& frameName);
    bool ConvertSkinMesh(const std::string& frameName);
    void FlattenTree(ParseFrame& root);
    bool DrawSkinned(const D3DXMATRIX& world, bool animated, const D3DCOLORVALUE& diffuse,
                     const D3DCOLORVALUE& emissive);

    std::shared_ptr<cMeshBlock> m_pBlock;
    std::vector<cFrame> m_Frames;
    // Per bone, an observer of a frame's combined matrix in m_Frames.
    std::vector<const D3DXMATRIX*> m_BoneFrames;
    bool m_bSourceFailed = false;
    std::string m_SourceFile;
};
