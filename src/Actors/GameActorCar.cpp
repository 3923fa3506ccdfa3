#include "Actors/GameActor.h"

// Getting into and out of cars comes with the actor in play.
void CGameActor::EnterCar(CCar*)
{
}

void CGameActor::ExitCar()
{
}

void CGameActor::UpdateInCar()
{
}
