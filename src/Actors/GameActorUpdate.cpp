#include "Actors/GameActor.h"

// The player's own step (walking, aiming, getting into cars) comes with the
// actor in play; until then the level's calls leave the actor as it is.
void CGameActor::Update()
{
}

void CGameActor::UpdateAnimation()
{
}
