#pragma once
// The shipped game's scripts, read from the staged game folder by the game's
// own loaders, as start-up reads them.

#include <cstdint>

// The animated meshes, their animation sets and the animated objects (the
// lizard-man). The loaders read textures, so a display must exist.
void LoadCharacterScripts();

// The textures and the seven menu scripts, in start-up's order. Textures are
// made, so a display must exist.
void LoadMenuScripts();

// The effects and the sprite sequences, particle systems and meshes they
// name. The textures must be loaded already.
void LoadEffectScripts();

// Everything the shipped cars stand on (sounds, textures, particle systems,
// meshes, effects, complex objects, tyre types), then the cars. Cars made
// after g_Physics.Init get their tyre materials from its SDK.
void LoadCarScripts();

// The shipped cars loaded onto the flat ground of the game's scene, with the
// random table filled from `seed` and frames of `frameMilliseconds`; false
// when the physics or its ground cannot be made.
bool StartCarGround(uint32_t seed, uint32_t frameMilliseconds);
// The scene, the assets and the frame clock of StartCarGround, gone.
void EndCarGround();

// Every asset script as start-up reads it, the road and sidewalk graphs,
// the traffic lights and the level "Modern" built from its script, as
// g_pLevel. A display and the physics must exist.
void LoadShippedTown();
// The level shut down and every asset and texture released.
void EndShippedTown();

// The shipped car kinds: the population pool's names, and the truck an extra
// parks.
inline const char* const SHIPPED_CARS[] = {"Sedan",    "Porch",  "Truck",      "Hatch", "Ghetto",
                                           "Lowrider", "CopCar", "DeliveryRDS"};
