#pragma once
// A small animated model for actor tests: a root lifted 1 m, an upper arm at
// the shoulder and a hand at the end of the arm, with empty sets of every
// name an actor plays. The dodge set lasts ARM_MODEL_DODGE_MS.

#include <cstdint>

#include "Display/AnimatedObject.h"

extern const char* const ARM_MODEL_UPPER_ARM;
extern const uint32_t ARM_MODEL_DODGE_MS;

cObject MakeArmModel();
