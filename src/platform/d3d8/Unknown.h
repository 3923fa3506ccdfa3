#pragma once
// The COM base every DirectX interface derives from: reference counting only.
// An object deletes itself when its count drops to zero; nobody deletes an
// interface pointer directly.

#include "platform/win32/Win32Types.h"

typedef uint32_t ULONG;

class IUnknown {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};
