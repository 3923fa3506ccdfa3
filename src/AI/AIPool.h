#pragma once
// The level's population pool: pooled cars with their drivers, pedestrians
// and police cars, spawned around the viewer by sector and recycled. Until
// the population step exists the pool keeps what it was asked to hold (for
// the level's set-up to be checked) and spawns no agent.

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx8/D3DX8Math.h"

class CAIControllerSet;
class CCar;
class CSidewalkNodeList;

class CAIPool {
public:
    // One set-up call as it was made.
    struct Request {
        std::string m_Operation;
        std::string m_Actor;
        std::string m_Car;
        int m_iCount = 0;
    };

    void Clear();
    void Update(const D3DXVECTOR3& viewer, std::list<CAIControllerSet*>& agents, std::list<CCar*>& activeCars);
    void CreateSidewalkSpawnNodes(const CSidewalkNodeList& nodes);
    void LoadSpawnNodes(const std::string& fileName);
    bool AddCar(const std::string& driver, const std::string& car, int position);
    bool AddPedestrian(const std::string& actor, const D3DXVECTOR3* pPosition);
    void AddCopCars(const std::string& driver, const std::string& car, int count);
    // The pool owns these cars from now on.
    void AddPooledCar(std::unique_ptr<CCar> car);
    void AddPooledCopCar(std::unique_ptr<CCar> car);
    size_t GetPooledCarCount() const { return m_PooledCars.size(); }
    size_t GetPooledCopCarCount() const { return m_PooledCopCars.size(); }

    const std::vector<Request>& GetRequests() const { return m_Requests; }

private:
    std::vector<Request> m_Requests;
    std::vector<std::unique_ptr<CCar>> m_PooledCars;
    std::vector<std::unique_ptr<CCar>> m_PooledCopCars;
};
