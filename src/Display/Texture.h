#pragma once

#include <cstdint>
#include <string>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"

// The texture asset: an image file loaded once into an A8R8G8B8 texture in
// the managed pool (so it survives a display reset), optionally with magenta
// made transparent. "Scripts\Textures.txt" holds one "Texture" block each:
//
//   Texture arrowup
//       ImageFilename   Assets\Images\arrowup.png
//       ColorKey        False
//
// A device that needs power-of-two or square textures gets the image in the
// top-left corner of a texture of the size it takes.
class CTexture : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CTexture";

    CTexture();
    ~CTexture() override;
    // The texture is counted once: a copy would release it twice.
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Shutdown() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;

    // Loads the image file into a new texture on g_Display's device; false
    // when no texture can be made of it. An unreadable file is fatal.
    bool CreateFromFile();
    // A texture no script names: `name`, from `imageFilename`. An image that
    // cannot be read leaves it without a texture (false), never fatal.
    bool CreateNamed(const std::string& name, const std::string& imageFilename);

    IDirect3DTexture8* GetTexture() const { return m_pTexture; }
    const std::string& GetImageFilename() const { return m_ImageFilename; }
    const std::string& GetPaletteFilename() const { return m_PaletteFilename; }
    uint16_t GetWidth() const { return m_Width; }
    uint16_t GetHeight() const { return m_Height; }
    bool HasColorKey() const { return m_bColorKey; }

    // Releases the Direct3D texture of every texture asset, so that the
    // device can go before the assets do.
    static void ReleaseAllTextures();

private:
    IDirect3DTexture8* m_pTexture;
    std::string m_ImageFilename;
    std::string m_PaletteFilename;
    uint16_t m_Width;
    uint16_t m_Height;
    bool m_bColorKey;
};
