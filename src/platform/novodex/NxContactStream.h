#pragma once
// The contacts of one actor pair: shape pairs, each with patches of points
// that share a normal. A stream is read with NxContactStreamIterator:
//
//     NxContactStreamIterator it(pair.stream);
//     while (it.goNextPair())
//         while (it.goNextPatch())
//             while (it.goNextPoint())
//                 use(it.getShape(0), it.getPoint());
//
// The getters read the pair, patch or point the last goNext... stepped onto.

#include <cstddef>
#include <vector>

#include "platform/novodex/NxVec3.h"

class NxShape;
class NxContactBuffer;

enum NxShapePairStreamFlags {
    // A shape of the pair is gone or unknown: pass the pair over.
    NX_SF_IS_INVALID = 1 << 0,
};

// A view of consecutive shape pairs in a buffer.
struct NxConstContactStream {
    const NxContactBuffer* buffer = nullptr;
    NxU32 firstShapePair = 0;
    NxU32 shapePairCount = 0;
};

// Flat storage of the contact streams of a whole step, reused step after step.
class NxContactBuffer {
public:
    struct ShapePair {
        NxShape* shapes[2];
        NxU32 flags;
        NxU32 firstPatch;
        NxU32 patchCount;
    };
    struct Patch {
        NxVec3 normal;
        NxU32 firstPoint;
        NxU32 pointCount;
    };
    struct Point {
        NxVec3 position;
        NxReal separation;
    };

    void clear();
    // Room for `shapePairs` shape pairs with a patch each and a full manifold
    // of points in it.
    void reserve(size_t shapePairs);
    // Each call adds to the last shape pair or patch begun.
    void beginShapePair(NxShape* shape0, NxShape* shape1, NxU32 flags);
    void beginPatch(const NxVec3& normal);
    void addPoint(const NxVec3& position, NxReal separation);

    NxU32 getNbShapePairs() const { return static_cast<NxU32>(m_ShapePairs.size()); }
    // The shape pairs from `first` to the last one added.
    NxConstContactStream getStreamFrom(NxU32 first) const;

    const ShapePair& getShapePair(NxU32 index) const { return m_ShapePairs[index]; }
    const Patch& getPatch(NxU32 index) const { return m_Patches[index]; }
    const Point& getPoint(NxU32 index) const { return m_Points[index]; }

private:
    std::vector<ShapePair> m_ShapePairs;
    std::vector<Patch> m_Patches;
    std::vector<Point> m_Points;
};

class NxContactStreamIterator {
public:
    explicit NxContactStreamIterator(const NxConstContactStream& stream) : m_Stream(stream) {}

    // Each goNext... steps to the next item (the first on the first call)
    // and is false when there is none left.
    bool goNextPair();
    bool goNextPatch();
    bool goNextPoint();

    NxU32 getNbPairs() const { return m_Stream.shapePairCount; }
    NxShape* getShape(NxU32 index) const;
    NxU32 getShapeFlags() const;
    NxU32 getNbPatches() const;
    NxU32 getNbPatchesRemaining() const;
    const NxVec3& getPatchNormal() const;
    NxU32 getNbPatchPoints() const;
    NxU32 getNbPointsRemaining() const;
    const NxVec3& getPoint() const;
    NxReal getSeparation() const;

private:
    const NxContactBuffer::ShapePair& currentPair() const;
    const NxContactBuffer::Patch& currentPatch() const;

    NxConstContactStream m_Stream;
    // Counts of items stepped onto in the current parent; 0 before the first.
    NxU32 m_PairsVisited = 0;
    NxU32 m_PatchesVisited = 0;
    NxU32 m_PointsVisited = 0;
};
