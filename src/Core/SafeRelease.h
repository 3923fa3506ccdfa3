#pragma once

// Releases a COM-style object the holder owns one reference to, and forgets it.
template <class T>
void ReleaseAndClear(T*& object)
{
    if (object == nullptr)
        return;
    object->Release();
    object = nullptr;
}
