#pragma once
// The shipped game's scripts, read from the staged game folder by the game's
// own loaders, as start-up reads them.

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
