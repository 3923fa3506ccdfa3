#include "Game/CheckPointMission.h"

void CCheckPointMission::SetPlayer(CGameActor* player)
{
    m_pPlayer = player;
    m_Racers.push_back(player);
}
