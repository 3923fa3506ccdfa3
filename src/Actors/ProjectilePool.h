#pragma once
// The projectiles of a level: every one it ever made, reused. A weapon's shot
// takes a free projectile (the pool grows by one when none is free), the
// level steps the live ones each frame, casts the direct-fire rays at the end
// of the frame and takes finished ones back. After the first shots no
// projectile is allocated or freed.
//
// The level owns its pool and makes it current; weapons spawn from the
// current pool, and without one there is no shot.

#include <cstddef>
#include <memory>
#include <vector>

#include "Actors/Projectile.h"

class CProjectilePool {
public:
    CProjectilePool() = default;
    CProjectilePool(const CProjectilePool&) = delete;
    CProjectilePool& operator=(const CProjectilePool&) = delete;
    // Stops being current.
    ~CProjectilePool();

    // A live projectile assigned from `prototype`; the caller launches it.
    CProjectile* Spawn(const CProjectile& prototype);
    // Updates the unfinished and queues the alive direct-fire ones for their
    // ray; takes the finished ones back, so a projectile finished in an
    // update is free after the next.
    void Update();
    // The rays of this frame's queue, in the order queued.
    void CastHitRays();
    void Draw();
    // Every live projectile back to the free list, with a new generation.
    void Reset();

    size_t GetStorageSize() const { return m_Storage.size(); }
    size_t GetLiveCount() const { return m_Live.size(); }
    size_t GetFreeCount() const { return m_Free.size(); }
    const std::vector<CProjectile*>& GetLive() const { return m_Live; }

    // The pool weapons spawn from; null when there is none.
    static CProjectilePool* Current() { return s_pCurrent; }
    static void SetCurrent(CProjectilePool* pPool) { s_pCurrent = pPool; }

private:
    void Free(CProjectile& projectile);

    // Never shrinks while the pool lives, so every pointer into it stays valid.
    std::vector<std::unique_ptr<CProjectile>> m_Storage;
    std::vector<CProjectile*> m_Free;
    // In the order spawned.
    std::vector<CProjectile*> m_Live;
    std::vector<CProjectile*> m_RayQueue;

    static CProjectilePool* s_pCurrent;
};
