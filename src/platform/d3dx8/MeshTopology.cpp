#include "platform/d3dx8/MeshTopology.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace {

constexpr DWORD kCornersPerFace = 3;
// Past this, cell numbers are clamped: such coordinates are far outside any
// level and only need to stay apart from ordinary ones.
constexpr double kCellLimit = 4.0e18;

uint32_t FloatBits(float value)
{
    // -0 and +0 are the same place.
    if (value == 0.0f)
        value = 0.0f;
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

struct PointKey {
    int64_t x;
    int64_t y;
    int64_t z;
    bool operator==(const PointKey& other) const { return x == other.x && y == other.y && z == other.z; }
};

struct PointKeyHash {
    size_t operator()(const PointKey& key) const
    {
        uint64_t hash = 1469598103934665603ull;
        for (int64_t part : {key.x, key.y, key.z})
            hash = (hash ^ static_cast<uint64_t>(part)) * 1099511628211ull;
        return static_cast<size_t>(hash);
    }
};

int64_t CellOf(float coordinate, float cellSize)
{
    const double cell = std::floor(static_cast<double>(coordinate) / cellSize);
    return static_cast<int64_t>(std::max(-kCellLimit, std::min(kCellLimit, cell)));
}

bool Coincide(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float epsilon)
{
    return std::fabs(a.x - b.x) <= epsilon && std::fabs(a.y - b.y) <= epsilon && std::fabs(a.z - b.z) <= epsilon;
}

// Each vertex's representative: the first vertex at the same place.
std::vector<DWORD> ExactPointReps(const std::vector<D3DXVECTOR3>& positions)
{
    std::vector<DWORD> reps(positions.size());
    std::unordered_map<PointKey, DWORD, PointKeyHash> first;
    for (DWORD i = 0; i < positions.size(); ++i) {
        const D3DXVECTOR3& p = positions[i];
        const PointKey key = {FloatBits(p.x), FloatBits(p.y), FloatBits(p.z)};
        reps[i] = first.emplace(key, i).first->second;
    }
    return reps;
}

// Representatives are at least epsilon apart on some axis, so a grid of
// epsilon-sized cells holds at most one per cell and a vertex need only
// look at the 27 cells around its own.
std::vector<DWORD> NearPointReps(const std::vector<D3DXVECTOR3>& positions, float epsilon)
{
    std::vector<DWORD> reps(positions.size());
    std::unordered_map<PointKey, std::vector<DWORD>, PointKeyHash> grid;
    for (DWORD i = 0; i < positions.size(); ++i) {
        const D3DXVECTOR3& p = positions[i];
        const PointKey cell = {CellOf(p.x, epsilon), CellOf(p.y, epsilon), CellOf(p.z, epsilon)};
        DWORD rep = i;
        for (int64_t dx = -1; dx <= 1; ++dx) {
            for (int64_t dy = -1; dy <= 1; ++dy) {
                for (int64_t dz = -1; dz <= 1; ++dz) {
                    const auto found = grid.find({cell.x + dx, cell.y + dy, cell.z + dz});
                    if (found == grid.end())
                        continue;
                    for (DWORD candidate : found->second) {
                        if (candidate < rep && Coincide(positions[candidate], p, epsilon))
                            rep = candidate;
                    }
                }
            }
        }
        reps[i] = rep;
        if (rep == i)
            grid[cell].push_back(i);
    }
    return reps;
}

constexpr DWORD kNoGroup = 0xFFFFFFFF;

uint64_t EdgeKey(DWORD from, DWORD to)
{
    return (static_cast<uint64_t>(from) << 32) | to;
}

// The half-edges grouped by their two points (in that direction), each group
// in face order, with the group that runs back along each group.
struct EdgeGroups {
    std::vector<DWORD> groupOf;  // per half-edge; kNoGroup when both ends are one point
    std::vector<DWORD> reverse;  // per group; kNoGroup when nothing runs back
    std::vector<DWORD> start;    // per group its first slot in `members`, then one past the last
    std::vector<DWORD> members;  // half-edges, group after group
};

EdgeGroups GroupEdges(const std::vector<DWORD>& reps, const std::vector<DWORD>& indices)
{
    EdgeGroups groups;
    const size_t edgeCount = indices.size();
    groups.groupOf.assign(edgeCount, kNoGroup);
    std::unordered_map<uint64_t, DWORD> groupOfKey;
    groupOfKey.reserve(edgeCount);
    std::vector<uint64_t> keys;
    for (DWORD edge = 0; edge < edgeCount; ++edge) {
        const DWORD face = edge / kCornersPerFace;
        const DWORD from = reps[indices[edge]];
        const DWORD to = reps[indices[face * kCornersPerFace + (edge + 1) % kCornersPerFace]];
        if (from == to)
            continue;
        const auto inserted = groupOfKey.emplace(EdgeKey(from, to), static_cast<DWORD>(keys.size()));
        if (inserted.second)
            keys.push_back(EdgeKey(from, to));
        groups.groupOf[edge] = inserted.first->second;
    }

    const size_t groupCount = keys.size();
    groups.reverse.assign(groupCount, kNoGroup);
    for (DWORD group = 0; group < groupCount; ++group) {
        const DWORD from = static_cast<DWORD>(keys[group] >> 32);
        const DWORD to = static_cast<DWORD>(keys[group]);
        const auto found = groupOfKey.find(EdgeKey(to, from));
        if (found != groupOfKey.end())
            groups.reverse[group] = found->second;
    }

    // A counting sort keeps each group in face order.
    groups.start.assign(groupCount + 1, 0);
    for (DWORD group : groups.groupOf) {
        if (group != kNoGroup)
            ++groups.start[group + 1];
    }
    for (size_t group = 0; group < groupCount; ++group)
        groups.start[group + 1] += groups.start[group];
    std::vector<DWORD> next(groups.start.begin(), groups.start.end() - 1);
    groups.members.resize(groups.start.back());
    for (DWORD edge = 0; edge < edgeCount; ++edge) {
        if (groups.groupOf[edge] != kNoGroup)
            groups.members[next[groups.groupOf[edge]]++] = edge;
    }
    return groups;
}

} // namespace

// Each edge pairs with the first free edge of another face running back.
// Every group keeps a cursor past its leading paired edges, so a run of faces
// along one edge costs each edge a constant amount of walking: a face has at
// most one edge in a group, so the search passes at most one free edge (its
// own face's) before it finds a partner, and that edge is taken by the next
// search.
std::vector<DWORD> ComputeMeshAdjacency(const std::vector<D3DXVECTOR3>& positions, const std::vector<DWORD>& indices,
                                        float epsilon)
{
    const std::vector<DWORD> reps = epsilon > 0.0f ? NearPointReps(positions, epsilon) : ExactPointReps(positions);
    const EdgeGroups groups = GroupEdges(reps, indices);
    const size_t edgeCount = indices.size();
    std::vector<DWORD> adjacency(edgeCount, D3DX_NO_NEIGHBOUR);
    std::vector<bool> paired(edgeCount, false);
    std::vector<DWORD> firstFree(groups.start.begin(), groups.start.end() - 1);
    for (DWORD edge = 0; edge < edgeCount; ++edge) {
        const DWORD group = groups.groupOf[edge];
        if (paired[edge] || group == kNoGroup || groups.reverse[group] == kNoGroup)
            continue;
        const DWORD back = groups.reverse[group];
        const DWORD end = groups.start[back + 1];
        DWORD& slot = firstFree[back];
        while (slot < end && paired[groups.members[slot]])
            ++slot;
        const DWORD face = edge / kCornersPerFace;
        for (DWORD candidate = slot; candidate < end; ++candidate) {
            const DWORD other = groups.members[candidate];
            const DWORD otherFace = other / kCornersPerFace;
            if (paired[other] || otherFace == face)
                continue;
            paired[edge] = paired[other] = true;
            adjacency[edge] = otherFace;
            adjacency[other] = face;
            break;
        }
    }
    return adjacency;
}

bool SortsByAttribute(DWORD flags)
{
    return (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
}

MeshOrder PlanMeshOrder(const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes, DWORD vertexCount,
                        DWORD flags)
{
    MeshOrder order;
    order.faceOrder.resize(attributes.size());
    for (DWORD face = 0; face < attributes.size(); ++face)
        order.faceOrder[face] = face;
    if (SortsByAttribute(flags)) {
        std::stable_sort(order.faceOrder.begin(), order.faceOrder.end(),
                         [&attributes](DWORD a, DWORD b) { return attributes[a] < attributes[b]; });
    }

    const bool compacts = (SortsByAttribute(flags) || (flags & D3DXMESHOPT_COMPACT) != 0) &&
                          (flags & D3DXMESHOPT_IGNOREVERTS) == 0;
    if (!compacts) {
        order.vertexOrder.resize(vertexCount);
        for (DWORD vertex = 0; vertex < vertexCount; ++vertex)
            order.vertexOrder[vertex] = vertex;
        return order;
    }
    std::vector<bool> used(vertexCount, false);
    for (DWORD face : order.faceOrder) {
        for (DWORD corner = 0; corner < kCornersPerFace; ++corner) {
            const DWORD vertex = indices[face * kCornersPerFace + corner];
            if (used[vertex])
                continue;
            used[vertex] = true;
            order.vertexOrder.push_back(vertex);
        }
    }
    return order;
}

std::vector<DWORD> InvertOrder(const std::vector<DWORD>& order, size_t oldCount)
{
    std::vector<DWORD> inverse(oldCount, D3DX_NO_NEIGHBOUR);
    for (DWORD position = 0; position < order.size(); ++position)
        inverse[order[position]] = position;
    return inverse;
}

std::vector<D3DXATTRIBUTERANGE> BuildAttributeTable(const std::vector<DWORD>& indices,
                                                    const std::vector<DWORD>& attributes)
{
    std::vector<D3DXATTRIBUTERANGE> table;
    DWORD lowest = 0;
    DWORD highest = 0;
    for (DWORD face = 0; face < attributes.size(); ++face) {
        if (table.empty() || table.back().AttribId != attributes[face]) {
            if (!table.empty())
                table.back().VertexCount = highest - lowest + 1;
            table.push_back({attributes[face], face, 0, 0, 0});
            lowest = indices[face * kCornersPerFace];
            highest = lowest;
        }
        D3DXATTRIBUTERANGE& range = table.back();
        ++range.FaceCount;
        for (DWORD corner = 0; corner < kCornersPerFace; ++corner) {
            const DWORD vertex = indices[face * kCornersPerFace + corner];
            lowest = std::min(lowest, vertex);
            highest = std::max(highest, vertex);
        }
        range.VertexStart = lowest;
    }
    if (!table.empty())
        table.back().VertexCount = highest - lowest + 1;
    return table;
}
