#include "Actors/ProjectilePool.h"

#include <algorithm>

#include "Core/StepTrace.h"

CProjectilePool* CProjectilePool::s_pCurrent = nullptr;

CProjectilePool::~CProjectilePool()
{
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

CProjectile* CProjectilePool::Spawn(const CProjectile& prototype)
{
    if (m_Free.empty()) {
        // Every list of slots gets room for all of them as the pool grows.
        m_Storage.push_back(std::make_unique<CProjectile>());
        m_Free.reserve(m_Storage.capacity());
        m_Live.reserve(m_Storage.capacity());
        m_RayQueue.reserve(m_Storage.capacity());
        m_Free.push_back(m_Storage.back().get());
    }
    // A slot that last held this kind of shot has the room for its copy
    // (effects, particles): the oldest such, else the oldest free one.
    auto slot = std::find_if(m_Free.begin(), m_Free.end(),
                             [&](const CProjectile* free) { return free->GetSpawnedFrom() == &prototype; });
    if (slot == m_Free.end())
        slot = m_Free.begin();
    CProjectile* projectile = *slot;
    m_Free.erase(slot);
    m_Live.push_back(projectile);
    *projectile = prototype;
    projectile->SetSpawnedFrom(&prototype);
    return projectile;
}

void CProjectilePool::Update()
{
    TraceStep("CProjectilePool::Update");
    m_RayQueue.clear();
    // Kept in order; the finished are unlinked as the walk passes them.
    size_t kept = 0;
    for (size_t i = 0; i < m_Live.size(); ++i) {
        CProjectile* projectile = m_Live[i];
        if (projectile->IsFinished()) {
            Free(*projectile);
            continue;
        }
        projectile->Update();
        if (projectile->IsAlive() && projectile->m_u8ProjectileType == PROJECTILE_TYPE_DIRECTFIRE)
            m_RayQueue.push_back(projectile);
        m_Live[kept++] = projectile;
    }
    m_Live.resize(kept);
}

void CProjectilePool::CastHitRays()
{
    TraceStep("CProjectilePool::CastHitRays");
    for (CProjectile* projectile : m_RayQueue)
        projectile->RayCastHit();
    m_RayQueue.clear();
}

void CProjectilePool::Draw()
{
    for (CProjectile* projectile : m_Live)
        projectile->Draw();
}

void CProjectilePool::Reset()
{
    for (CProjectile* projectile : m_Live) {
        projectile->AdvanceGeneration();
        Free(*projectile);
    }
    m_Live.clear();
    m_RayQueue.clear();
}

void CProjectilePool::Free(CProjectile& projectile)
{
    projectile.Shutdown();
    m_Free.push_back(&projectile);
}
