#include "Display/Animation.h"

#include <cmath>
#include <cstring>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Display/AnimatedMesh.h"
#include "Display/XFileObjects.h"

namespace {

const char* const KEYWORD_ANIM_SET = "AnimSet";
const char* const KEYWORD_ANIMATION_SRC = "AnimationSrc";
const char* const KEYWORD_ANIMATED_MESH = "AnimatedMesh";
const char* const KEYWORD_LOOP = "Loop";
const char* const KEYWORD_LOOP_TIME = "LoopTime";

enum EKeyType {
    KEY_ROTATION = 0,
    KEY_SCALE = 1,
    KEY_POSITION = 2,
    KEY_MATRIX = 4,
};
const uint32_t ROTATION_VALUES = 4;
const uint32_t VECTOR_VALUES = 3;
const uint32_t MATRIX_VALUES = 16;

struct AnimationOptions {
    uint32_t m_OpenClosed;
    uint32_t m_PositionQuality;
};

// Reads an AnimationKey's packed data with every count checked against what
// is left of it.
class KeyReader {
public:
    KeyReader(const unsigned char* bytes, DWORD size) : m_pBytes(bytes), m_Left(size) {}

    bool Dword(uint32_t& value) { return Copy(&value, sizeof(value)); }
    bool Floats(float* values, uint32_t count) { return Copy(values, count * sizeof(float)); }

private:
    bool Copy(void* out, size_t size)
    {
        if (size > m_Left)
            return false;
        std::memcpy(out, m_pBytes, size);
        m_pBytes += size;
        m_Left -= size;
        return true;
    }

    const unsigned char* m_pBytes;
    size_t m_Left;
};

// One key as the file holds it: its time and its values.
struct RawKey {
    uint32_t m_Time;
    std::vector<float> m_Values;
};

bool ReadRawKeys(KeyReader& reader, uint32_t count, uint32_t valuesPerKey, std::vector<RawKey>& keys)
{
    for (uint32_t i = 0; i < count; ++i) {
        RawKey key;
        uint32_t values = 0;
        if (!reader.Dword(key.m_Time) || !reader.Dword(values) || values != valuesPerKey)
            return false;
        key.m_Values.resize(values);
        if (!reader.Floats(key.m_Values.data(), values))
            return false;
        keys.push_back(std::move(key));
    }
    return true;
}

// Per millisecond towards the next key; keys at one time count one apart.
float StepsBetween(uint32_t from, uint32_t to)
{
    const float steps = static_cast<float>(static_cast<int64_t>(to) - static_cast<int64_t>(from));
    return steps == 0.0f ? 1.0f : steps;
}

std::shared_ptr<const std::vector<cRotateKey>> RotationKeys(const std::vector<RawKey>& raw)
{
    auto keys = std::make_shared<std::vector<cRotateKey>>();
    for (const RawKey& key : raw) {
        // The file writes w, x, y, z; the inverse rotation is the one applied.
        const std::vector<float>& v = key.m_Values;
        keys->push_back({key.m_Time, D3DXQUATERNION(-v[1], -v[2], -v[3], v[0])});
    }
    return keys;
}

std::shared_ptr<const std::vector<cVectorKey>> VectorKeys(const std::vector<RawKey>& raw)
{
    auto keys = std::make_shared<std::vector<cVectorKey>>();
    for (const RawKey& key : raw)
        keys->push_back({key.m_Time, D3DXVECTOR3(key.m_Values.data()), D3DXVECTOR3(0, 0, 0)});
    for (size_t i = 0; i + 1 < keys->size(); ++i) {
        cVectorKey& key = (*keys)[i];
        const cVectorKey& next = (*keys)[i + 1];
        key.m_Delta = (next.m_Value - key.m_Value) / StepsBetween(key.m_Time, next.m_Time);
    }
    return keys;
}

std::shared_ptr<const std::vector<cMatrixKey>> MatrixKeys(const std::vector<RawKey>& raw)
{
    auto keys = std::make_shared<std::vector<cMatrixKey>>();
    for (const RawKey& key : raw)
        keys->push_back({key.m_Time, D3DXMATRIX(key.m_Values.data()), D3DXMATRIX()});
    for (size_t i = 0; i + 1 < keys->size(); ++i) {
        cMatrixKey& key = (*keys)[i];
        const cMatrixKey& next = (*keys)[i + 1];
        key.m_Delta = (next.m_Matrix - key.m_Matrix) / StepsBetween(key.m_Time, next.m_Time);
    }
    return keys;
}

// The key a time falls on: the last at or before it. A time before every
// key holds the first; `blend` tells whether there is a next key to move
// towards.
template <class Key>
size_t KeyAt(const std::vector<Key>& keys, uint32_t time, bool& blend)
{
    size_t found = 0;
    bool any = false;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].m_Time <= time) {
            found = i;
            any = true;
        }
    }
    blend = any && found + 1 < keys.size();
    return found;
}

float Elapsed(uint32_t time, uint32_t keyTime)
{
    return static_cast<float>(time - keyTime);
}

D3DXVECTOR3 VectorAt(const std::vector<cVectorKey>& keys, uint32_t time, bool interpolate)
{
    bool blend = false;
    const cVectorKey& key = keys[KeyAt(keys, time, blend)];
    if (!interpolate || !blend)
        return key.m_Value;
    return key.m_Value + key.m_Delta * Elapsed(time, key.m_Time);
}

D3DXQUATERNION RotationAt(const std::vector<cRotateKey>& keys, uint32_t time, bool interpolate)
{
    bool blend = false;
    const size_t index = KeyAt(keys, time, blend);
    const cRotateKey& key = keys[index];
    if (!interpolate || !blend || keys[index + 1].m_Time <= key.m_Time)
        return key.m_Quat;
    const cRotateKey& next = keys[index + 1];
    const float fraction = Elapsed(time, key.m_Time) / static_cast<float>(next.m_Time - key.m_Time);
    D3DXQUATERNION blended;
    D3DXQuaternionSlerp(&blended, &key.m_Quat, &next.m_Quat, fraction);
    return blended;
}

D3DXMATRIX MatrixAt(const std::vector<cMatrixKey>& keys, uint32_t time, bool interpolate)
{
    bool blend = false;
    const cMatrixKey& key = keys[KeyAt(keys, time, blend)];
    if (!interpolate || !blend)
        return key.m_Matrix;
    return key.m_Matrix + key.m_Delta * Elapsed(time, key.m_Time);
}

template <class Key>
bool HasKeys(const std::shared_ptr<const std::vector<Key>>& keys)
{
    return keys != nullptr && !keys->empty();
}

} // namespace

// --- tracks and sets

void cAnimationTrack::Apply(uint32_t time, bool interpolate) const
{
    if (m_pFrame == nullptr)
        return;
    if (HasKeys(m_RotationKeys) || HasKeys(m_ScaleKeys) || HasKeys(m_PositionKeys)) {
        D3DXMATRIX pose;
        D3DXMatrixIdentity(&pose);
        if (HasKeys(m_RotationKeys)) {
            const D3DXQUATERNION rotation = RotationAt(*m_RotationKeys, time, interpolate);
            D3DXMATRIX matrix;
            D3DXMatrixRotationQuaternion(&matrix, &rotation);
            pose *= matrix;
        }
        if (HasKeys(m_ScaleKeys)) {
            const D3DXVECTOR3 scale = VectorAt(*m_ScaleKeys, time, interpolate);
            D3DXMATRIX matrix;
            D3DXMatrixScaling(&matrix, scale.x, scale.y, scale.z);
            pose *= matrix;
        }
        if (HasKeys(m_PositionKeys)) {
            const D3DXVECTOR3 position = VectorAt(*m_PositionKeys, time, interpolate);
            D3DXMATRIX matrix;
            D3DXMatrixTranslation(&matrix, position.x, position.y, position.z);
            pose *= matrix;
        }
        m_pFrame->m_matTransform = pose;
    }
    if (HasKeys(m_MatrixKeys))
        m_pFrame->m_matTransform = MatrixAt(*m_MatrixKeys, time, interpolate);
}

void cAnimationSet::Apply(uint32_t time, bool interpolate) const
{
    for (const cAnimationTrack& track : m_Tracks) {
        if (m_Length == 0)
            track.Apply(0, false);
        else if (time >= m_Length && track.m_Closed == 0)
            track.Apply(time, false);
        else
            track.Apply(time % m_Length, interpolate);
    }
}

// --- cAnimation

cAnimation::cAnimation()
{
    cAnimation::Init();
}

bool cAnimation::Init()
{
    CStdInterface::Init();
    m_Sets.clear();
    return true;
}

bool cAnimation::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_ANIM_SET))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool cAnimation::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_LOOP))
        return ReadLoop(reader);
    if (reader.Match(KEYWORD_LOOP_TIME))
        return ReadLoopTime(reader);
    if (!reader.Match(KEYWORD_ANIMATION_SRC))
        return false;

    const std::string fileName = reader.GetString();
    if (!LoadAnimations(fileName))
        g_Log.Write("Unable to read the animation file " + fileName);
    // Without a mesh to bind to, the block ends here.
    if (!reader.Match(KEYWORD_ANIMATED_MESH))
        return false;
    cMesh* mesh = nullptr;
    g_AssetManager.GetAsset(reader.GetString(), mesh, true);
    BindToMesh(*mesh);
    return true;
}

bool cAnimation::ReadLoop(CDataBuffer& reader)
{
    const std::string name = reader.GetString();
    const bool closed = reader.GetBool();
    cAnimationSet* set = FindSetOrLog(name);
    if (set == nullptr)
        return false;
    for (cAnimationTrack& track : set->m_Tracks)
        track.m_Closed = closed ? 1 : 0;
    return true;
}

bool cAnimation::ReadLoopTime(CDataBuffer& reader)
{
    const std::string name = reader.GetString();
    const float scale = reader.GetFloat();
    cAnimationSet* set = FindSetOrLog(name);
    if (set == nullptr)
        return false;
    set->m_TimeScale = scale;
    return true;
}

bool cAnimation::LoadAnimations(const std::string& fileName)
{
    XFileObjects file;
    if (!file.Open(fileName))
        return false;
    while (IDirectXFileData* data = file.NextTopLevelObject()) {
        ParseObject(*data, -1, -1);
        data->Release();
    }
    return true;
}

// `set` and `track` index the set and track being read (-1: none yet); the
// objects below an AnimationSet or an Animation read into the new one.
void cAnimation::ParseObject(IDirectXFileData& data, int set, int track)
{
    const GUID* type = nullptr;
    if (FAILED(data.GetType(&type)))
        return;
    std::string name = XFileObjects::NameOf(data);
    if (name.empty())
        name = cMesh::NO_NAME;

    if (*type == TID_D3DRMAnimationSet) {
        cAnimationSet added;
        added.m_Name = name;
        m_Sets.push_back(std::move(added));
        set = static_cast<int>(m_Sets.size()) - 1;
        track = -1;
    } else if (*type == TID_D3DRMAnimation && set >= 0) {
        cAnimationTrack added;
        added.m_AnimationName = name;
        m_Sets[set].m_Tracks.push_back(std::move(added));
        track = static_cast<int>(m_Sets[set].m_Tracks.size()) - 1;
    } else if (track >= 0) {
        cAnimationTrack& current = m_Sets[set].m_Tracks[track];
        if (*type == TID_D3DRMAnimationKey) {
            ReadKeys(data, m_Sets[set], current);
            return;
        }
        if (*type == TID_D3DRMAnimationOptions) {
            const AnimationOptions* options = XFileObjects::DataAs<AnimationOptions>(data);
            if (options != nullptr) {
                current.m_Closed = options->m_OpenClosed == 0 ? 1 : 0;
                current.m_PositionQuality = options->m_PositionQuality != 0 ? 1 : 0;
            }
            return;
        }
        if (*type == TID_D3DRMFrame) {
            current.m_FrameName = name;
            return;
        }
    }
    XFileObjects::ForEachChild(data, [&](IDirectXFileData& child) { ParseObject(child, set, track); });
}

void cAnimation::ReadKeys(IDirectXFileData& data, cAnimationSet& set, cAnimationTrack& track)
{
    const unsigned char* bytes = nullptr;
    DWORD size = 0;
    if (!XFileObjects::DataBytes(data, bytes, size))
        return;
    KeyReader reader(bytes, size);
    uint32_t keyType = 0;
    uint32_t count = 0;
    if (!reader.Dword(keyType) || !reader.Dword(count))
        return;

    uint32_t valuesPerKey = 0;
    switch (keyType) {
    case KEY_ROTATION: valuesPerKey = ROTATION_VALUES; break;
    case KEY_SCALE:
    case KEY_POSITION: valuesPerKey = VECTOR_VALUES; break;
    case KEY_MATRIX: valuesPerKey = MATRIX_VALUES; break;
    default: return;
    }
    std::vector<RawKey> raw;
    if (!ReadRawKeys(reader, count, valuesPerKey, raw))
        return;
    for (const RawKey& key : raw) {
        if (key.m_Time > set.m_Length)
            set.m_Length = key.m_Time;
    }
    switch (keyType) {
    case KEY_ROTATION: track.m_RotationKeys = RotationKeys(raw); break;
    case KEY_SCALE: track.m_ScaleKeys = VectorKeys(raw); break;
    case KEY_POSITION: track.m_PositionKeys = VectorKeys(raw); break;
    default: track.m_MatrixKeys = MatrixKeys(raw); break;
    }
}

// A set a script names that the file lacks is most likely misspelt: say so,
// since the block ends there.
cAnimationSet* cAnimation::FindSetOrLog(const std::string& name)
{
    cAnimationSet* set = FindSet(name.c_str());
    if (set == nullptr)
        g_Log.Write("Animation set " + name + " not found in " + m_Name);
    return set;
}

cAnimationSet* cAnimation::FindSet(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (cAnimationSet& set : m_Sets) {
        if (set.m_Name == name)
            return &set;
    }
    return nullptr;
}

void cAnimation::BindToMesh(cMesh& mesh)
{
    for (cAnimationSet& set : m_Sets) {
        for (cAnimationTrack& track : set.m_Tracks)
            track.m_pFrame = mesh.FindFrame(track.m_FrameName.c_str());
    }
}
