#pragma once
// The save point: waits at its start point and opens the save screen. Its
// start script takes the keywords every mission takes.

#include "Game/Mission.h"

class CSaveMission : public CMission {};
