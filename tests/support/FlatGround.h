#pragma once
// The flat ground the car and physics tests (and the car benchmark) stand on.

// The flat ground, 200 m across at height 0 about the origin, as the game
// builds a terrain's ground; false when the scene refuses it.
bool CreateFlatGround();
