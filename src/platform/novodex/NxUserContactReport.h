#pragma once
// Contact reports: after each simulation step, every touching actor pair
// whose actor groups ask for it is handed to the scene's report inside
// fetchResults, on the calling thread.

#include "platform/novodex/NxContactStream.h"

class NxActor;

enum NxContactPairFlag {
    NX_NOTIFY_ON_START_TOUCH = 1 << 1,
    NX_NOTIFY_ON_TOUCH = 1 << 3,
};

class NxContactPair {
public:
    NxActor* actors[2] = {nullptr, nullptr};
    // Patch normals point from actors[1] towards actors[0].
    NxConstContactStream stream;
};

class NxUserContactReport {
public:
    virtual ~NxUserContactReport() = default;
    // `events`: NX_NOTIFY_ON_START_TOUCH for a pair that was not touching
    // after the previous step, and NX_NOTIFY_ON_TOUCH, each when the pair's
    // groups ask for it.
    virtual void onContactNotify(NxContactPair& pair, NxU32 events) = 0;
};
