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

// The plain count most objects keep: one reference at creation, and the
// object deletes itself when the last is released.
template <class Interface>
class RefCounted : public Interface {
public:
    ULONG AddRef() override { return ++m_References; }
    ULONG Release() override
    {
        const ULONG left = --m_References;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ~RefCounted() override = default;

private:
    ULONG m_References = 1;
};
