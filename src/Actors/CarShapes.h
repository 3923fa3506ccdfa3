#pragma once
// What every shape of a car is made with: the body's boxes, gas tanks, tyre
// capsules and doors.

#include "platform/novodex/NxSimpleTypes.h"

inline constexpr NxU32 CAR_SHAPE_FLAGS = 8;
