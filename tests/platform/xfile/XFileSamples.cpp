#include "platform/xfile/XFileSamples.h"

const char CUBE_X[] = R"(xof 0302txt 0032
template Vector {
 <3D82AB5E-62DA-11cf-AB39-0020AF71E433>
 FLOAT x;
 FLOAT y;
 FLOAT z;
}

Material Red {
 1.000000;0.000000;0.000000;1.000000;;
 8.000000;
 1.000000;1.000000;1.000000;;
 0.000000;0.000000;0.000000;;
}

Mesh Cube {
 8;
 -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, 1.0;1.0;-1.0;, -1.0;1.0;-1.0;,
 -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, 1.0;1.0;1.0;, -1.0;1.0;1.0;;
 6;
 4;0,3,2,1;,
 4;4,5,6,7;,
 4;0,1,5,4;,
 4;1,2,6,5;,
 4;2,3,7,6;,
 4;3,0,4,7;;

 MeshNormals {
  6;
  0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;, -1.0;0.0;0.0;;
  6;
  4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
 }

 MeshTextureCoords {
  8;
  0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;;
 }

 MeshMaterialList {
  2;
  6;
  0,0,1,1,1,1;;
  {Red}
  Material {
   0.0;0.0;1.0;0.5;;
   0.0;
   0.0;0.0;0.0;;
   0.25;0.25;0.25;;
   TextureFilename {
    "Assets\Textures\Test1.png";
   }
  }
 }
}
)";

const char FRAMES_X[] = R"(xof 0303txt 0032
Frame Root {
 FrameTransformMatrix {
  1.0,0.0,0.0,0.0,
  0.0,1.0,0.0,0.0,
  0.0,0.0,1.0,0.0,
  10.0,20.0,30.0,1.0;;
 }
 Frame Arm {
  FrameTransformMatrix {
   2.0,0.0,0.0,0.0, 0.0,2.0,0.0,0.0, 0.0,0.0,2.0,0.0, 0.0,0.0,0.0,1.0;;
  }
  Frame Hand {
  }
 }
 Frame {
 }
}
Frame Second {
}
)";

const char ANIMATION_X[] = R"(xof 0303txt 0032
AnimationSet Walk {
 Animation WalkBone {
  {Bone}
  AnimationKey {
   0;
   2;
   0;4;1.0,0.5,0.0,0.0;;,
   1000;4;0.0,0.0,1.0,0.0;;;
  }
  AnimationKey {
   1;
   1;
   0;3;1.0,2.0,1.0;;;
  }
  AnimationKey {
   2;
   2;
   0;3;0.0,0.0,0.0;;,
   500;3;1.0,2.0,3.0;;;
  }
  AnimationOptions {
   0;
   1;
  }
 }
 Animation {
  { Bone }
  AnimationKey {
   4;
   1;
   250;16;1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,5.0,6.0,7.0,1.0;;;
  }
 }
}
Frame Bone {
}
)";

const char SKIN_X[] = R"(xof 0303txt 0032
Frame Bone {
}
Mesh Skinned {
 3;
 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
 1;
 3;0,1,2;;
 XSkinMeshHeader {
  2;
  3;
  1;
 }
 SkinWeights {
  "Bone";
  2;
  0,
  2;
  0.25,
  1.0;
  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,-1.0,-2.0,-3.0,1.0;;
 }
}
)";
