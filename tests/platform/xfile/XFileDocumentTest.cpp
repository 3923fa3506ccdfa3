#include <gtest/gtest.h>

#include <string>

#include "platform/xfile/XFileDocument.h"
#include "platform/xfile/XFileSamples.h"

namespace {

std::unique_ptr<XFileDocument> ParseOrFail(const std::string& text)
{
    XFileError error;
    std::unique_ptr<XFileDocument> document = XFileDocument::Parse(text, error);
    EXPECT_TRUE(document) << "line " << error.line << ": " << error.message;
    EXPECT_EQ(DXFILE_OK, error.result);
    return document;
}

const XFileObject& ChildOfType(const XFileObject& parent, XFileTemplate type)
{
    for (size_t i = 0; i < parent.ChildCount(); ++i) {
        if (parent.Child(i).Resolved()->Template() == type)
            return *parent.Child(i).Resolved();
    }
    ADD_FAILURE() << "no child of that type under " << parent.TypeName();
    return parent;
}

TEST(XFileDocumentTest, ReadsACubeWithNormalsCoordinatesAndMaterials)
{
    const std::unique_ptr<XFileDocument> document = ParseOrFail(CUBE_X);
    ASSERT_TRUE(document);
    ASSERT_EQ(2u, document->ObjectCount());  // the template is skipped

    const XFileObject& red = document->Object(0);
    EXPECT_EQ("Material", red.TypeName());
    EXPECT_EQ("Red", red.Name());
    ASSERT_TRUE(red.As<XFileMaterial>());
    EXPECT_EQ(1.0f, red.As<XFileMaterial>()->faceColor.red);
    EXPECT_EQ(8.0f, red.As<XFileMaterial>()->power);

    const XFileObject& cube = document->Object(1);
    ASSERT_EQ(XFileTemplate::Mesh, cube.Template());
    const XFileMesh* mesh = cube.As<XFileMesh>();
    ASSERT_TRUE(mesh);
    EXPECT_FALSE(cube.As<XFileMeshNormals>());
    ASSERT_EQ(8u, mesh->vertices.size());
    EXPECT_EQ(1.0f, mesh->vertices[6].x);
    EXPECT_EQ(-1.0f, mesh->vertices[0].z);
    ASSERT_EQ(6u, mesh->faces.size());
    EXPECT_EQ((XFileMeshFace{3, 0, 4, 7}), mesh->faces[5]);
    ASSERT_EQ(3u, cube.ChildCount());

    const XFileMeshNormals* normals = ChildOfType(cube, XFileTemplate::MeshNormals).As<XFileMeshNormals>();
    ASSERT_TRUE(normals);
    EXPECT_EQ(-1.0f, normals->normals[5].x);
    EXPECT_EQ((XFileMeshFace{3, 3, 3, 3}), normals->faceNormals[3]);

    const XFileMeshTextureCoords* coords =
        ChildOfType(cube, XFileTemplate::MeshTextureCoords).As<XFileMeshTextureCoords>();
    ASSERT_TRUE(coords);
    ASSERT_EQ(8u, coords->textureCoords.size());
    EXPECT_EQ(1.0f, coords->textureCoords[2].v);

    const XFileObject& listObject = ChildOfType(cube, XFileTemplate::MeshMaterialList);
    const XFileMeshMaterialList* list = listObject.As<XFileMeshMaterialList>();
    ASSERT_TRUE(list);
    EXPECT_EQ(2u, list->nMaterials);
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1, 1, 1, 1}), list->faceIndexes);
    ASSERT_EQ(2u, listObject.ChildCount());
    const XFileObject& reference = listObject.Child(0);
    EXPECT_TRUE(reference.IsReference());
    EXPECT_EQ("Red", reference.Name());
    EXPECT_EQ(&red, reference.Resolved());

    const XFileObject& blue = listObject.Child(1);
    EXPECT_EQ("", blue.Name());
    EXPECT_EQ(0.5f, blue.As<XFileMaterial>()->faceColor.alpha);
    EXPECT_EQ(0.25f, blue.As<XFileMaterial>()->emissiveColor.green);
    const XFileTextureFilename* texture =
        ChildOfType(blue, XFileTemplate::TextureFilename).As<XFileTextureFilename>();
    ASSERT_TRUE(texture);
    EXPECT_EQ("Assets\\Textures\\Test1.png", texture->filename);
}

TEST(XFileDocumentTest, KeepsNestedFramesInFileOrderWithTheirTransforms)
{
    const std::unique_ptr<XFileDocument> document = ParseOrFail(FRAMES_X);
    ASSERT_TRUE(document);
    ASSERT_EQ(2u, document->ObjectCount());
    const XFileObject& root = document->Object(0);
    EXPECT_EQ("Root", root.Name());
    EXPECT_EQ("Second", document->Object(1).Name());
    ASSERT_EQ(3u, root.ChildCount());

    const XFileFrameTransformMatrix* rootTransform = root.Child(0).As<XFileFrameTransformMatrix>();
    ASSERT_TRUE(rootTransform);
    EXPECT_EQ(10.0f, rootTransform->frameMatrix.matrix[12]);
    EXPECT_EQ(30.0f, rootTransform->frameMatrix.matrix[14]);
    EXPECT_EQ(1.0f, rootTransform->frameMatrix.matrix[15]);

    const XFileObject& arm = root.Child(1);
    EXPECT_EQ("Arm", arm.Name());
    EXPECT_EQ(XFileTemplate::Frame, arm.Template());
    EXPECT_EQ(2.0f, arm.Child(0).As<XFileFrameTransformMatrix>()->frameMatrix.matrix[5]);
    EXPECT_EQ("Hand", arm.Child(1).Name());
    EXPECT_EQ(0u, arm.Child(1).ChildCount());
    EXPECT_EQ("", root.Child(2).Name());
    EXPECT_EQ(XFileTemplate::Frame, root.Child(2).Template());
    EXPECT_TRUE(root.PackedData().empty());
}

TEST(XFileDocumentTest, ReadsEveryKindOfAnimationKeyAndResolvesForwardReferences)
{
    const std::unique_ptr<XFileDocument> document = ParseOrFail(ANIMATION_X);
    ASSERT_TRUE(document);
    ASSERT_EQ(2u, document->ObjectCount());
    const XFileObject& set = document->Object(0);
    const XFileObject& bone = document->Object(1);
    EXPECT_EQ(XFileTemplate::AnimationSet, set.Template());
    ASSERT_EQ(2u, set.ChildCount());

    const XFileObject& walk = set.Child(0);
    EXPECT_EQ(XFileTemplate::Animation, walk.Template());
    ASSERT_EQ(5u, walk.ChildCount());
    EXPECT_EQ(&bone, walk.Child(0).Resolved());

    const XFileAnimationKey* rotation = walk.Child(1).As<XFileAnimationKey>();
    ASSERT_TRUE(rotation);
    EXPECT_EQ(XFILE_KEY_ROTATION, rotation->keyType);
    ASSERT_EQ(2u, rotation->keys.size());
    EXPECT_EQ(1000u, rotation->keys[1].time);
    EXPECT_EQ((std::vector<float>{1.0f, 0.5f, 0.0f, 0.0f}), rotation->keys[0].values);

    const XFileAnimationKey* scale = walk.Child(2).As<XFileAnimationKey>();
    EXPECT_EQ(XFILE_KEY_SCALE, scale->keyType);
    EXPECT_EQ((std::vector<float>{1.0f, 2.0f, 1.0f}), scale->keys[0].values);

    const XFileAnimationKey* position = walk.Child(3).As<XFileAnimationKey>();
    EXPECT_EQ(XFILE_KEY_POSITION, position->keyType);
    EXPECT_EQ(500u, position->keys[1].time);
    EXPECT_EQ(3.0f, position->keys[1].values[2]);

    const XFileAnimationOptions* options = walk.Child(4).As<XFileAnimationOptions>();
    ASSERT_TRUE(options);
    EXPECT_EQ(0u, options->openclosed);
    EXPECT_EQ(1u, options->positionquality);

    const XFileObject& matrixTrack = set.Child(1);
    EXPECT_EQ("", matrixTrack.Name());
    EXPECT_EQ(&bone, matrixTrack.Child(0).Resolved());
    const XFileAnimationKey* matrix = matrixTrack.Child(1).As<XFileAnimationKey>();
    EXPECT_EQ(XFILE_KEY_MATRIX, matrix->keyType);
    ASSERT_EQ(16u, matrix->keys[0].values.size());
    EXPECT_EQ(250u, matrix->keys[0].time);
    EXPECT_EQ(6.0f, matrix->keys[0].values[13]);
}

TEST(XFileDocumentTest, ReadsSkinWeights)
{
    const std::unique_ptr<XFileDocument> document = ParseOrFail(SKIN_X);
    ASSERT_TRUE(document);
    const XFileObject& mesh = document->Object(1);
    ASSERT_EQ(2u, mesh.ChildCount());
    const XFileXSkinMeshHeader* header = mesh.Child(0).As<XFileXSkinMeshHeader>();
    ASSERT_TRUE(header);
    EXPECT_EQ(2, header->nMaxSkinWeightsPerVertex);
    EXPECT_EQ(3, header->nMaxSkinWeightsPerFace);
    EXPECT_EQ(1, header->nBones);
    const XFileSkinWeights* skin = mesh.Child(1).As<XFileSkinWeights>();
    ASSERT_TRUE(skin);
    EXPECT_EQ("Bone", skin->transformNodeName);
    EXPECT_EQ((std::vector<DWORD>{0, 2}), skin->vertexIndices);
    EXPECT_EQ((std::vector<float>{0.25f, 1.0f}), skin->weights);
    EXPECT_EQ(-2.0f, skin->matrixOffset.matrix[13]);
}

// Comments of both kinds, separators where exporters put them (or not), a
// header, GUIDs, and objects of types the reader does not know, which are
// kept with their children but no data.
TEST(XFileDocumentTest, ToleratesCommentsSeparatorsAndUnknownObjects)
{
    const std::unique_ptr<XFileDocument> document = ParseOrFail(R"(xof 0303txt 0064 # after the header
// a line comment
Header { 1; 0; 1; }
Frame Root <01234567-89AB-CDEF-0123-456789ABCDEF> {   # a frame with an id
 Mesh Tri { <89ABCDEF-0123-4567-89AB-CDEF01234567>
  3;
  0 0 0   // no separators at all
  1;0;0;; 0,1,+0.0,    # commas inside a vector
  1
  3 0 1 2
  VertexDuplicationIndices { 3; 3; 0, 1, 2; "text"; Frame Inner { } }
  MeshFaceWraps { 1; 0; 1;; }
  MeshVertexColors { 1; 2; 1.0;0.5;0.25;1.0;;; }
 }
}
)");
    ASSERT_TRUE(document);
    ASSERT_EQ(2u, document->ObjectCount());
    const XFileHeader* header = document->Object(0).As<XFileHeader>();
    ASSERT_TRUE(header);
    EXPECT_EQ(1, header->major);
    EXPECT_EQ(1u, header->flags);

    const XFileObject& tri = document->Object(1).Child(0);
    const XFileMesh* mesh = tri.As<XFileMesh>();
    ASSERT_TRUE(mesh);
    ASSERT_EQ(3u, mesh->vertices.size());
    EXPECT_EQ(1.0f, mesh->vertices[1].x);
    EXPECT_EQ(1.0f, mesh->vertices[2].y);
    EXPECT_EQ((XFileMeshFace{0, 1, 2}), mesh->faces[0]);

    ASSERT_EQ(3u, tri.ChildCount());
    const XFileObject& unknown = tri.Child(0);
    EXPECT_EQ("VertexDuplicationIndices", unknown.TypeName());
    EXPECT_EQ(XFileTemplate::Unknown, unknown.Template());
    EXPECT_TRUE(unknown.PackedData().empty());
    ASSERT_EQ(1u, unknown.ChildCount());
    EXPECT_EQ("Inner", unknown.Child(0).Name());
    EXPECT_EQ(1u, tri.Child(1).As<XFileMeshFaceWraps>()->faceWrapValues[0].v);
    const XFileIndexedColor& color = tri.Child(2).As<XFileMeshVertexColors>()->vertexColors[0];
    EXPECT_EQ(2u, color.index);
    EXPECT_EQ(0.25f, color.indexColor.blue);
}

// A mesh material list may name fewer faces than the mesh has (exporters
// write "1; 1; 0;;" for one material on every face).
TEST(XFileDocumentTest, AcceptsAShortMaterialList)
{
    const std::unique_ptr<XFileDocument> document = ParseOrFail(R"(xof 0302txt 0032
Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;
 MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }
}
)");
    ASSERT_TRUE(document);
    EXPECT_EQ(1u, document->Object(0).Child(0).As<XFileMeshMaterialList>()->faceIndexes.size());
}

struct MalformedCase {
    const char* what;
    std::string text;
    HRESULT result;
};

std::string Xof(const std::string& body)
{
    return "xof 0302txt 0032\n" + body;
}

// Frames nested `depth` deep.
std::string NestedFrames(int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "Frame {\n";
    return Xof(text + std::string(static_cast<size_t>(depth), '}'));
}

// Each frame refers twice to the next one: a walk through the references
// doubles with every frame.
std::string DoublingReferences(int frames)
{
    std::string text;
    for (int i = 0; i < frames; ++i) {
        const std::string next = "F" + std::to_string(i + 1);
        text += "Frame F" + std::to_string(i) + " { {" + next + "} {" + next + "} }\n";
    }
    return Xof(text + "Frame F" + std::to_string(frames) + " { }\n");
}

const char TRIANGLE[] = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";
const char WHITE[] = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";

TEST(XFileDocumentTest, RefusesMalformedFilesWithAClearResult)
{
    const std::string cube = CUBE_X;
    const MalformedCase cases[] = {
        {"empty file", "", DXFILEERR_BADFILETYPE},
        {"not xof", "xif 0302txt 0032\nFrame { }", DXFILEERR_BADFILETYPE},
        {"binary", "xof 0302bin 0032\n", DXFILEERR_BADFILETYPE},
        {"old version", "xof 0201txt 0032\n", DXFILEERR_BADFILEVERSION},
        {"float size", "xof 0302txt 0016\n", DXFILEERR_BADFILEFLOATSIZE},
        {"huge vertex count", Xof("Mesh { 4294967295; 0;0;0;; 0;; }"), DXFILEERR_BADARRAYSIZE},
        {"count larger than data", Xof("Mesh { 100; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"),
         DXFILEERR_BADARRAYSIZE},
        {"material list one index short",
         Xof(std::string("Mesh { ") + TRIANGLE + " MeshMaterialList { 1; 2; 0;; " + WHITE + " } }"),
         DXFILEERR_BADARRAYSIZE},
        {"count smaller than data", Xof("MeshMaterialList { 1; 2; 0,0,0;; }"), DXFILEERR_BADARRAYSIZE},
        {"vertex index out of range", Xof("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"), DXFILEERR_BADVALUE},
        {"face of two corners", Xof("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"), DXFILEERR_BADARRAYSIZE},
        {"material index out of range", Xof("MeshMaterialList { 2; 1; 2;; }"), DXFILEERR_BADVALUE},
        {"materials missing",
         Xof(std::string("Mesh { ") + TRIANGLE + " MeshMaterialList { 2; 1; 1;; " + WHITE + " } }"),
         DXFILEERR_BADARRAYSIZE},
        {"normal index out of range", Xof("MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; }"), DXFILEERR_BADVALUE},
        {"normals for another face count",
         Xof(std::string("Mesh { ") + TRIANGLE + " MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }"),
         DXFILEERR_BADARRAYSIZE},
        {"texture coordinates for another vertex count",
         Xof(std::string("Mesh { ") + TRIANGLE + " MeshTextureCoords { 2; 0;0;, 1;1;; } }"), DXFILEERR_BADARRAYSIZE},
        {"skin weight on a missing vertex",
         Xof(std::string("Mesh { ") + TRIANGLE +
             " SkinWeights { \"B\"; 1; 3; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }"),
         DXFILEERR_BADVALUE},
        {"vertex colour on a missing vertex",
         Xof(std::string("Mesh { ") + TRIANGLE + " MeshVertexColors { 1; 7; 1;1;1;1;;; } }"), DXFILEERR_BADVALUE},
        {"rotation key of three values", Xof("AnimationKey { 0; 1; 0;3;1,0,0;;; }"), DXFILEERR_BADARRAYSIZE},
        {"unknown key type", Xof("AnimationKey { 7; 1; 0;3;1,0,0;;; }"), DXFILEERR_BADVALUE},
        {"word out of range", Xof("XSkinMeshHeader { 70000; 1; 1; }"), DXFILEERR_BADVALUE},
        {"float out of range", Xof("FrameTransformMatrix { 1e39,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }"),
         DXFILEERR_BADVALUE},
        {"word instead of a number", Xof("Header { 1; zero; 1; }"), DXFILEERR_PARSEERROR},
        {"string instead of a number", Xof("Header { 1; \"0\"; 1; }"), DXFILEERR_PARSEERROR},
        {"missing close brace", Xof("Frame A { Frame B { }"), DXFILEERR_PARSEERROR},
        {"extra close brace", Xof("Frame A { } }"), DXFILEERR_PARSEERROR},
        {"template not closed", Xof("template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x;"),
         DXFILEERR_PARSEERROR},
        {"string not closed", Xof("TextureFilename { \"Test1.png; }"), DXFILEERR_PARSEERROR},
        {"stray character", Xof("Frame A { ! }"), DXFILEERR_PARSEERROR},
        {"object without a brace", Xof("Frame A B C"), DXFILEERR_PARSEERROR},
        {"top-level reference", Xof("{A} Frame A { }"), DXFILEERR_PARSEERROR},
        {"unknown reference", Xof("Frame A { {B} }"), DXFILEERR_BADDATAREFERENCE},
        {"reference by id alone", Xof("Frame A { {<01234567-89AB-CDEF-0123-456789ABCDEF>} }"),
         DXFILEERR_BADDATAREFERENCE},
        {"reference to itself", Xof("Frame A { Frame B { {A} } }"), DXFILEERR_BADDATAREFERENCE},
        {"references in a ring", Xof("Frame A { {B} } Frame B { {A} }"), DXFILEERR_BADDATAREFERENCE},
        {"references doubling past the walk limit", DoublingReferences(21), DXFILEERR_BADDATAREFERENCE},
        {"frames nested too deep", NestedFrames(XFILE_MAX_DEPTH + 1), DXFILEERR_PARSEERROR},
        {"truncated in a template", cube.substr(0, 80), DXFILEERR_PARSEERROR},
        {"truncated in the vertices", cube.substr(0, cube.find("1.0;1.0;1.0;,")), DXFILEERR_BADARRAYSIZE},
        {"truncated before the last brace", cube.substr(0, cube.rfind('}')), DXFILEERR_PARSEERROR},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.what);
        XFileError error;
        EXPECT_FALSE(XFileDocument::Parse(c.text, error));
        EXPECT_EQ(c.result, error.result) << "line " << error.line << ": " << error.message;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(XFileDocumentTest, AcceptsTheDeepestNestingAndReferencesJustBelowTheLimits)
{
    EXPECT_TRUE(ParseOrFail(NestedFrames(XFILE_MAX_DEPTH)));
    EXPECT_TRUE(ParseOrFail(DoublingReferences(16)));
}

TEST(XFileDocumentTest, ReportsTheLineOfTheFault)
{
    XFileError error;
    EXPECT_FALSE(XFileDocument::Parse(Xof("Frame A {\n}\nMesh {\n 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,9;;\n}\n"),
                                      error));
    EXPECT_EQ(DXFILEERR_BADVALUE, error.result);
    EXPECT_EQ(6, error.line);
    EXPECT_EQ("face 0 uses vertex 9 of 3", error.message);
}

} // namespace
