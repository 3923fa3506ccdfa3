#include "platform/xfile/XFileTypes.h"

namespace {

struct TemplateName {
    const char* name;
    XFileTemplate type;
};

const TemplateName TEMPLATE_NAMES[] = {
    {"Header", XFileTemplate::Header},
    {"Frame", XFileTemplate::Frame},
    {"FrameTransformMatrix", XFileTemplate::FrameTransformMatrix},
    {"Mesh", XFileTemplate::Mesh},
    {"MeshNormals", XFileTemplate::MeshNormals},
    {"MeshTextureCoords", XFileTemplate::MeshTextureCoords},
    {"MeshMaterialList", XFileTemplate::MeshMaterialList},
    {"Material", XFileTemplate::Material},
    {"TextureFilename", XFileTemplate::TextureFilename},
    {"MeshVertexColors", XFileTemplate::MeshVertexColors},
    {"MeshFaceWraps", XFileTemplate::MeshFaceWraps},
    {"XSkinMeshHeader", XFileTemplate::XSkinMeshHeader},
    {"SkinWeights", XFileTemplate::SkinWeights},
    {"AnimationSet", XFileTemplate::AnimationSet},
    {"Animation", XFileTemplate::Animation},
    {"AnimationKey", XFileTemplate::AnimationKey},
    {"AnimationOptions", XFileTemplate::AnimationOptions},
};

} // namespace

XFileTemplate XFileTemplateFromName(std::string_view typeName)
{
    for (const TemplateName& entry : TEMPLATE_NAMES) {
        if (typeName == entry.name)
            return entry.type;
    }
    return XFileTemplate::Unknown;
}
