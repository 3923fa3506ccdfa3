#pragma once
// Destroy a number of named targets within a time limit. Its start script
// takes the keywords every mission takes.

#include "Game/Mission.h"

class DestructionMission : public CMission {};
