#pragma once
// The whole physics SDK.

#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"
#include "platform/novodex/NxCapsuleShape.h"
#include "platform/novodex/NxContactStream.h"
#include "platform/novodex/NxJoint.h"
#include "platform/novodex/NxMat34.h"
#include "platform/novodex/NxMaterial.h"
#include "platform/novodex/NxPhysicsSDK.h"
#include "platform/novodex/NxRay.h"
#include "platform/novodex/NxRevoluteJoint.h"
#include "platform/novodex/NxScene.h"
#include "platform/novodex/NxShape.h"
#include "platform/novodex/NxSphereShape.h"
#include "platform/novodex/NxTriangleMesh.h"
#include "platform/novodex/NxTriangleMeshShape.h"
#include "platform/novodex/NxUserContactReport.h"
