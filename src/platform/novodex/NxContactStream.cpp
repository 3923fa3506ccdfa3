#include "platform/novodex/NxContactStream.h"

#include "platform/novodex/NxShape.h"

namespace {

// Bullet keeps at most four points in a manifold.
const size_t POINTS_PER_MANIFOLD = 4;

} // namespace

void NxContactBuffer::clear()
{
    m_ShapePairs.clear();
    m_Patches.clear();
    m_Points.clear();
}

void NxContactBuffer::reserve(size_t shapePairs)
{
    m_ShapePairs.reserve(shapePairs);
    m_Patches.reserve(shapePairs);
    m_Points.reserve(shapePairs * POINTS_PER_MANIFOLD);
}

void NxContactBuffer::beginShapePair(NxShape* shape0, NxShape* shape1, NxU32 flags)
{
    m_ShapePairs.push_back({{shape0, shape1}, flags, static_cast<NxU32>(m_Patches.size()), 0});
}

void NxContactBuffer::beginPatch(const NxVec3& normal)
{
    if (m_ShapePairs.empty())
        return;
    m_Patches.push_back({normal, static_cast<NxU32>(m_Points.size()), 0});
    ++m_ShapePairs.back().patchCount;
}

void NxContactBuffer::addPoint(const NxVec3& position, NxReal separation)
{
    if (m_Patches.empty())
        return;
    m_Points.push_back({position, separation});
    ++m_Patches.back().pointCount;
}

NxConstContactStream NxContactBuffer::getStreamFrom(NxU32 first) const
{
    NxConstContactStream stream;
    stream.buffer = this;
    stream.firstShapePair = first;
    stream.shapePairCount = first < getNbShapePairs() ? getNbShapePairs() - first : 0;
    return stream;
}

bool NxContactStreamIterator::goNextPair()
{
    if (m_Stream.buffer == nullptr || m_PairsVisited >= m_Stream.shapePairCount)
        return false;
    ++m_PairsVisited;
    m_PatchesVisited = 0;
    m_PointsVisited = 0;
    return true;
}

bool NxContactStreamIterator::goNextPatch()
{
    if (m_PairsVisited == 0 || m_PatchesVisited >= currentPair().patchCount)
        return false;
    ++m_PatchesVisited;
    m_PointsVisited = 0;
    return true;
}

bool NxContactStreamIterator::goNextPoint()
{
    if (m_PatchesVisited == 0 || m_PointsVisited >= currentPatch().pointCount)
        return false;
    ++m_PointsVisited;
    return true;
}

const NxContactBuffer::ShapePair& NxContactStreamIterator::currentPair() const
{
    return m_Stream.buffer->getShapePair(m_Stream.firstShapePair + m_PairsVisited - 1);
}

const NxContactBuffer::Patch& NxContactStreamIterator::currentPatch() const
{
    return m_Stream.buffer->getPatch(currentPair().firstPatch + m_PatchesVisited - 1);
}

NxShape* NxContactStreamIterator::getShape(NxU32 index) const
{
    return index < 2 ? currentPair().shapes[index] : nullptr;
}

NxU32 NxContactStreamIterator::getShapeFlags() const
{
    const NxContactBuffer::ShapePair& pair = currentPair();
    NxU32 flags = pair.flags;
    // A shape released by an earlier report of this walk is on its way out.
    for (const NxShape* shape : pair.shapes)
        if (shape == nullptr || shape->isReleasePending())
            flags |= NX_SF_IS_INVALID;
    return flags;
}

NxU32 NxContactStreamIterator::getNbPatches() const
{
    return currentPair().patchCount;
}

NxU32 NxContactStreamIterator::getNbPatchesRemaining() const
{
    return currentPair().patchCount - m_PatchesVisited;
}

const NxVec3& NxContactStreamIterator::getPatchNormal() const
{
    return currentPatch().normal;
}

NxU32 NxContactStreamIterator::getNbPatchPoints() const
{
    return currentPatch().pointCount;
}

NxU32 NxContactStreamIterator::getNbPointsRemaining() const
{
    return currentPatch().pointCount - m_PointsVisited;
}

const NxVec3& NxContactStreamIterator::getPoint() const
{
    return m_Stream.buffer->getPoint(currentPatch().firstPoint + m_PointsVisited - 1).position;
}

NxReal NxContactStreamIterator::getSeparation() const
{
    return m_Stream.buffer->getPoint(currentPatch().firstPoint + m_PointsVisited - 1).separation;
}
