#pragma once
// The GUID that COM-style interfaces (DirectInput, DirectX File) are created
// and compared by.

#include <cstring>

#include "platform/win32/Win32Types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

typedef const GUID& REFGUID;
typedef const GUID& REFIID;

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

inline bool operator==(REFGUID a, REFGUID b)
{
    return IsEqualGUID(a, b);
}

inline bool operator!=(REFGUID a, REFGUID b)
{
    return !IsEqualGUID(a, b);
}
