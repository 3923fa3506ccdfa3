#pragma once
// The sector grid that streams the level's placed objects. An object stands
// in the cell of its position and in the cell of each of its extra spawn
// points, and counts those entries; clearing the grid deletes it with its
// last entry. An object a mission places has one counted entry in the
// overflow cell, which the viewer never activates; when the level unlinks
// it, that entry goes and the object with it.

#include <list>

#include "Level/LevelObject.h"
#include "Level/SectorGrid.h"

struct CObjectGridKind {
    typedef CLevelObject Entry;
    typedef std::list<CLevelObject*> ActiveList;
    static const char* const INVALID_SPACE_WARNING;
    static const char* const UPDATE_STEP;
    // Physics at the start matrix, into the active list, in the world.
    static void EnterWorld(CLevelObject* object, ActiveList& active);
    // One entry fewer; the last one shuts the object down and deletes it.
    static void Dispose(CLevelObject* object);
};

class CObjectGrid : public CSectorGrid<CObjectGridKind> {
public:
    // Into the cell of `position` (or the overflow cell), counted.
    void InsertAt(const D3DXVECTOR3& position, CLevelObject* object);
    // At the object's position, then at each extra spawn point turned by the
    // object's orientation (its translation is not added).
    void AddObject(CLevelObject* object);
    // A mission's object, filed in the overflow cell, counted.
    void AddMissionObject(CLevelObject* object);
    // Drops the overflow entry of a mission's object that the level has
    // unlinked; the last entry deletes it. Other objects stay filed.
    void DropMissionObject(CLevelObject* object);
};
