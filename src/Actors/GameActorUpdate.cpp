#include "Actors/GameActor.h"

// The player's own step (walking, aiming, getting into cars) comes with the
// actor in play; until then the level's calls leave the actor as it is.
void CGameActor::Update()
{
}

void CGameActor::UpdateOnFoot()
{
}

void CGameActor::JumpOutWay()
{
}

void CGameActor::UpdateAnimation()
{
}

bool CGameActor::TakeDamage(const CDamageInfo& damage, NxContactPair* pPair)
{
    return CCollidableObject::TakeDamage(damage, pPair);
}

bool CGameActor::OnContact(CCollidableObject* pOther, NxContactPair* pPair)
{
    return CCollidableObject::OnContact(pOther, pPair);
}
