#pragma once
// The physics SDK's scalar types and limits.

#include <cstdint>

typedef float NxReal;
typedef float NxF32;
typedef uint8_t NxU8;
typedef uint16_t NxU16;
typedef uint32_t NxU32;
typedef int32_t NxI32;

// Shapes collide and rays filter by one of 32 groups.
typedef NxU16 NxCollisionGroup;
// Actors pair up their contact reports by group.
typedef NxU16 NxActorGroup;
typedef NxU16 NxMaterialIndex;

#define NX_MAX_F32 3.4028235e38f
#define NX_MAX_REAL NX_MAX_F32

// Groups a 32-bit ray mask can name.
enum { NX_NUM_COLLISION_GROUPS = 32 };
