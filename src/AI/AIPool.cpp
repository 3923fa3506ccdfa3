#include "AI/AIPool.h"

#include "Actors/Car.h"
#include "Core/StepTrace.h"

void CAIPool::Clear()
{
    m_Requests.clear();
    m_PooledCars.clear();
    m_PooledCopCars.clear();
}

void CAIPool::AddPooledCar(std::unique_ptr<CCar> car)
{
    m_PooledCars.push_back(std::move(car));
}

void CAIPool::AddPooledCopCar(std::unique_ptr<CCar> car)
{
    m_PooledCopCars.push_back(std::move(car));
}

void CAIPool::Update(const D3DXVECTOR3&, std::list<CAIControllerSet*>&, std::list<CCar*>&)
{
    TraceStep("CAIPool::Update");
}

void CAIPool::CreateSidewalkSpawnNodes(const CSidewalkNodeList&)
{
    m_Requests.push_back({"CreateSidewalkSpawnNodes", "", "", 0});
}

void CAIPool::LoadSpawnNodes(const std::string& fileName)
{
    m_Requests.push_back({"LoadSpawnNodes", fileName, "", 0});
}

bool CAIPool::AddCar(const std::string& driver, const std::string& car, int position)
{
    m_Requests.push_back({"AddCar", driver, car, position});
    return true;
}

bool CAIPool::AddPedestrian(const std::string& actor, const D3DXVECTOR3*)
{
    m_Requests.push_back({"AddPedestrian", actor, "", 0});
    return true;
}

void CAIPool::AddCopCars(const std::string& driver, const std::string& car, int count)
{
    m_Requests.push_back({"AddCopCars", driver, car, count});
}
